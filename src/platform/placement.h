#pragma once
// The one place that puts a file at its name. Copy, move, rename, the rewrite of find and replace and every
// atomic writer go through it, so the rules hold everywhere alike:
//   - an item is a name in an open folder, never a path: the folders were reached without following links, and
//     a link at either name is the item itself (renamed or replaced as a name, never written through);
//   - "no replace" never replaces anything, whatever the file system offers;
//   - a copy replacing a file is written under a temporary name beside it and named only when complete; a copy to
//     a free name is made there exclusively and removed again when it fails;
//   - a move across file systems removes its source only once the copy and its name are on the disk and checked.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/stop_flag.h"
#include "platform/unique_fd.h"

namespace dv {

// One item: the name `name` in the open folder `dir`.
struct ItemAt {
  int dir;
  const char* name;
};

enum class Placing { Replace, NoReplace };

// The folder that holds (or is to hold) the absolute path `path`, opened as named: for the callers that start
// from a path. Throws dv::Error (76 when it is missing).
UniqueFd OpenHolderOf(const std::string& path);

// Gives the item `from` the name `to` in one step (both on one file system). NoReplace: false when anything,
// a dangling link included, holds `to`; the no-replace rename, and where the file system lacks it a hard link
// (which refuses a taken name just the same) and the removal of the old name, and where it lacks hard links too a
// look and a rename. Replace: whatever file or link holds `to` is replaced. `source` and `target` name the two in
// errors. Throws dv::Error (74 across file systems).
[[nodiscard]] bool Place(ItemAt from, ItemAt to, Placing how, const std::string& source, const std::string& target);

// Looks at `to` before something is put there: false when nothing is. Throws dv::Error: 58 with NoReplace; with
// Replace, a folder, and a read-only file (70: it is not replaced behind its owner's back; callers lend the
// owner's write permission first). True when a file or link there may be replaced.
bool TargetTaken(ItemAt to, Placing how, const std::string& target);

// How a placed copy is checked against its source: not at all, by length, or byte for byte read back from disk.
enum class Check { None, Length, Bytes };

struct PlaceOptions {
  Placing how = Placing::NoReplace;
  Check check = Check::None;
  const StopFlag* stop = nullptr;  // looked at between blocks of the copy and of the check
  // A look made just before saw a regular file at the source: it is opened straight away. Otherwise it is looked
  // at first, so that a device is never opened (an open alone may act on one).
  bool sourceSeenRegular = false;
  // A move across file systems: flushes the folders above the target's folder when they may be new (the folder
  // itself and the file are flushed here). Must not close `to.dir`.
  std::function<void()> syncAbove;
};

struct Placed {
  bool renamed = false;  // moved by a rename: the target is the source itself, nothing to check
  bool same = true;      // false: the check found the target unlike the source
  UniqueFd file;         // a file copied to a free name: the new file itself, still open (else invalid)
};

// Copies `from` to `to`: a regular file to a free name is made there exclusively (never replacing anything, a
// link there included) and removed again when its copy fails; a link, and a file replacing another, go through a
// temporary beside `to` and Place. Returns the new file, open, when it was made in place (else invalid). Throws
// dv::Error (58 when `to` is taken without `overwrite`); a stop (18) leaves nothing new and `to` as it was.
// `seenRegular`: as PlaceOptions::sourceSeenRegular.
UniqueFd CopyFileInto(ItemAt from, ItemAt to, bool overwrite, const std::string& source, const std::string& target,
                      const StopFlag* stop, bool seenRegular = false);

// Copies `from` to `to` (CopyFileInto) and checks the copy. Throws dv::Error; a stop (18) leaves no temporary and
// `to` as it was.
Placed CopyItem(ItemAt from, ItemAt to, const PlaceOptions& options, const std::string& source,
                const std::string& target);

// Moves `from` to `to`: a rename on one file system. Across file systems (a file or link; a folder fails with 74)
// a copy, the copy and its name flushed to the disk, the check, and only when they agree the removal of the
// source: a crash or a failure on the way leaves the source, never neither. Throws dv::Error.
Placed MoveItem(ItemAt from, ItemAt to, const PlaceOptions& options, const std::string& source,
                const std::string& target);

}  // namespace dv
