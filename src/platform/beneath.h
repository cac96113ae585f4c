#pragma once
// Items below a top folder the user chose, reached without following any link on the way: a folder swapped for a
// link while a long operation runs cannot lead it out of the tree (a delete never removes what lies elsewhere).
// Any depth works: the folders on the way are held as a short chain of open handles, each opened from one above
// it a few levels at a time, so no path handed to the kernel is ever longer than PATH_MAX and going back up a
// level does not walk down from the top again.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/path.h"
#include "platform/unique_fd.h"

namespace dv {

// The folder `rel` below the open folder `top`, opened (O_PATH) by openat2 without following any link or leaving
// `top`: its handle, or -1 with errno set (ENOSYS where the kernel has no openat2; the caller then goes one level
// at a time with O_NOFOLLOW).
int OpenFolderInOneCall(int top, const char* rel);

class ItemsBeneath {
 public:
  // Items below `top` are reached from it. The top itself is opened as named (a link there is followed: the user
  // named it). A top that cannot be opened (false) makes every item of the run fail. An empty top (a list of
  // entries with no common folder) reaches each item from its own folder, opened as named (the user named the
  // entry's path, as a top).
  bool Top(const std::string& top);

  // The folder holding `path`, open, and the path's last name. A path below the top is reached from the top with
  // no link followed (a link on the way fails with 75); the top itself is reached as named; any other path
  // fails with 75. The folder stays open until the next call: items of one folder come one after another, so that
  // folder is opened once. Throws dv::Error.
  struct Ref {
    int dir;
    const char* name;
  };
  Ref Holder(const std::string& path);

  // Counts the calls of Top(): each starts a new pass over a run's items.
  unsigned Run() const { return run_; }

  // The most folder handles one object holds open, whatever the depth.
  static constexpr size_t kMaxHeld = 24;

 private:
  struct Held {
    size_t length;  // the held folder is heldPath_'s first `length` characters
    UniqueFd fd;
  };
  Ref Below(const std::string& full);
  Ref OnItsOwn(const std::string& full);

  std::string top_;
  int topErrno_ = 0;  // why the top could not be opened; 0 when it was
  bool noTop_ = true;
  std::string heldPath_;    // the deepest folder held; every folder in chain_ is it or one above it
  std::vector<Held> chain_;  // chain_[0] is the top, then folders ever deeper
  std::string name_;
  std::string entryPath_;  // without a top: the folder held for the last entry
  UniqueFd entryDir_;
  std::optional<PathRef> plain_;
  unsigned run_ = 0;
};

}  // namespace dv
