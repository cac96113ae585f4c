#pragma once
// The folders a copy, move or shell is written into, below a destination the user chose. The destination itself
// is opened as named (a link there is followed: the user chose it); every folder below it is opened, and made,
// relative to its parent's handle without following a link, so a link planted in the destination, or swapped in
// while a run goes on, can never lead a write elsewhere. Every write then happens relative to the folder's
// handle.
#include <sys/types.h>

#include <ctime>
#include <set>
#include <unordered_set>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/unique_fd.h"

namespace dv {

enum class TargetKind { Missing, Folder, Other };

class TargetFolders {
 public:
  // Starts a run into `destination` (nothing is opened yet; empty: no destination). With `tidy`, folders first
  // opened in this run lose the stray temporaries that a killed earlier run left there (see stale_temporaries.h);
  // a run that only reads (compare, previews) leaves them.
  void Top(const std::string& destination, bool tidy = true);
  const std::string& TopPath() const { return top_; }
  // True when `path` is the destination or lies below it.
  bool Covers(const std::string& path) const;

  // The folder `folder` (the destination or a folder below it), open. With `create`, missing folders on the way
  // are made (plain new folders). Throws dv::Error: 76 when a folder is missing (without `create`), 75 when a
  // link or anything else not a folder stands where a folder should be.
  int Folder(const std::string& folder, bool create = false);

  // The folder holding `path` (which lies below the destination), open, and the path's last name. The folder
  // stays open until two other folders are asked for: files of one folder come together. Throws as Folder does.
  struct Ref {
    int dir;
    const char* name;
  };
  Ref Holder(const std::string& path);

  // What stands at `path`, links not followed; Missing also when a folder on the way is missing. Throws
  // dv::Error when a link or a file stands on the way.
  TargetKind Kind(const std::string& path);

  // Makes the folder `path` (its parent must be there). Throws dv::Error: 58 when anything is there already.
  void MakeFolder(const std::string& path);

  // The first time for a folder in a run: flushes the folders above the one holding `path`, up to the
  // destination, to the disk (they may be new, and a name placed in a new folder survives a crash only with
  // them). The folder held open stays open: a Ref from Holder() remains good.
  void SyncAbove(const std::string& path);

  // Told of each folder this object makes (`name` in the open folder `dir`, at `path`), right after making it.
  std::function<void(int dir, const char* name, const std::string& path)> onMade;

 private:
  int OpenBelow(const std::string& rel, bool create, const std::string& folder);
  int TopFd();
  void FirstOpen(const std::string& folder, int fd);
  void Made(int dir, const char* name, const std::string& path);

  std::string top_;
  UniqueFd topFd_;
  // The folder asked for last and the one before it: a folder's files, then its subfolders made in it, come one
  // after another, so the parent stays open while each child is made and filled.
  struct Held {
    std::string path;
    UniqueFd fd;
  };
  Held held_[2];
  std::string name_;
  struct timespec runStart_ {};
  bool tidy_ = true;
  // Folders already cleared of stray temporaries in this run, by a hash of their path: no look at the folder is
  // needed, and a folder swapped in at a path already seen is left as it is.
  std::unordered_set<size_t> seen_;
  // The folders this run made on the way down to the one made last, each below the one before: they hold nothing
  // left over. A run makes a folder, fills it and what lies below it, then moves on, so a folder it made and opens
  // again is one of these (one that is not is merely read once).
  std::vector<std::string> madeWay_;
  std::set<std::string> synced_;            // folders whose way up to the destination is on the disk
};

}  // namespace dv
