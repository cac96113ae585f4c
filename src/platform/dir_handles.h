#pragma once
// Walking a folder tree through open folder handles. Every step opens the next folder relative to the one above
// it and refuses links (O_NOFOLLOW), so a link swapped in during a walk is never followed out of the tree. At most
// kMaxOpen handles stay open whatever the depth: older ones are closed and, on the way back, reopened through
// ".." and checked to be the same folder, so trees far deeper than PATH_MAX or the handle limit work.
#include <dirent.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace dv {

struct DirEntry {
  std::string name;
  unsigned char type;  // DT_DIR, DT_REG, DT_LNK, ... never DT_UNKNOWN
};

// The entries of a folder opened for reading ("." and ".." left out) in the order the file system lists them,
// read from the handle's start. Entries whose type the file system does not report are looked up with fstatat.
// Throws dv::Error on a read failure.
std::vector<DirEntry> ReadEntries(int dirFd, const std::string& pathForErrors);

class FolderHandleStack {
 public:
  static constexpr size_t kMaxOpen = 96;

  // Takes ownership of the handle of the walk's top folder.
  FolderHandleStack(UniqueFd root, std::string rootPath);
  ~FolderHandleStack();
  FolderHandleStack(const FolderHandleStack&) = delete;
  FolderHandleStack& operator=(const FolderHandleStack&) = delete;

  // The handle and path of the deepest open folder.
  int Top() const { return frames_.back().fd; }
  const std::string& TopPath() const { return path_; }
  size_t Depth() const { return frames_.size() - 1; }

  // Opens the folder `name` inside Top() and makes it the new top. Returns the errno on failure (ELOOP or
  // ENOTDIR when it is not a real folder any more), 0 on success. `openFlags` adds to O_RDONLY|O_DIRECTORY.
  int Push(const std::string& name, int openFlags = 0);
  // Closes the top folder and makes its parent the top again. Throws dv::Error when the parent can no longer be
  // reached as the same folder (moved during the walk).
  void Pop();

 private:
  struct Frame {
    int fd;
    dev_t dev;
    ino_t ino;
    size_t pathLength;  // of path_ up to this folder: one path is kept, not one per level
  };
  std::vector<Frame> frames_;
  std::string path_;
  size_t firstOpen_ = 0;  // frames below this index have their handle closed
};

}  // namespace dv
