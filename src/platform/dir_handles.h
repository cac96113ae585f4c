#pragma once
// Walking a folder tree through open folder handles. Every step opens the next folder relative to the one above
// it and refuses links (O_NOFOLLOW), so a link swapped in during a walk is never followed out of the tree. Only a
// few handles stay open whatever the depth (HandleBudget()): the top folder's, which is never closed, and the
// deepest ones. On the way back a closed folder is reopened through ".." or, when that is no longer the same
// folder (something was moved during the walk), by its names from the nearest open folder above; each folder
// reopened is checked to be the same (device and inode). Trees far deeper than PATH_MAX or the handle limit work.
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
// `rewind` false skips going back to the start, for a handle just opened (one system call per folder less).
std::vector<DirEntry> ReadEntries(int dirFd, const std::string& pathForErrors, bool rewind = true);

class FolderHandleStack {
 public:
  // The most handles one stack holds, however high the process's limit.
  static constexpr size_t kMaxOpen = 96;
  // The handles one stack holds: (soft RLIMIT_NOFILE - 16) / 4, between 2 and kMaxOpen. The 16 are left for the
  // program's other descriptors; the quarter leaves room for the other walks of one scan: a folder's size
  // measured inside it, the read-ahead walk and the handles it hands over (half a budget). Read when the stack
  // is made.
  static size_t HandleBudget();

  // Takes ownership of the handle of the walk's top folder.
  FolderHandleStack(UniqueFd root, std::string rootPath);
  ~FolderHandleStack();
  FolderHandleStack(const FolderHandleStack&) = delete;
  FolderHandleStack& operator=(const FolderHandleStack&) = delete;

  // The handle and path of the deepest open folder. The handle is -1 after a Pop that threw (see Pop).
  int Top() const { return frames_.back().fd; }
  const std::string& TopPath() const { return path_; }
  size_t Depth() const { return frames_.size() - 1; }
  // The device and inode of the deepest open folder, as it was opened (looked up on first use).
  dev_t TopDevice() { return Identify(frames_.back()).dev; }
  ino_t TopInode() { return Identify(frames_.back()).ino; }

  // Opens the folder `name` inside Top() and makes it the new top. Returns the errno on failure (ELOOP or
  // ENOTDIR when it is not a real folder any more), 0 on success. `openFlags` adds to O_RDONLY|O_DIRECTORY.
  int Push(const std::string& name, int openFlags = 0);
  // Makes `folder`, the subfolder `name` of Top() opened elsewhere (without following a link), the new top.
  void Adopt(const std::string& name, UniqueFd folder);
  // Closes the top folder and makes its parent the top again. A parent whose handle was closed is reopened
  // through ".." or by its path from the nearest open folder above, and must be the folder that was pushed.
  // When it can no longer be reached as that folder (it was moved or replaced during the walk), throws dv::Error
  // naming it; the parent is then the top all the same, with TopPath() right and Top() == -1, so calls on it fail
  // (EBADF) and a Push returns EBADF; a further Pop goes on upward as usual.
  void Pop();

 private:
  struct Frame {
    int fd;
    size_t pathLength;  // of path_ up to this folder: one path is kept, not one per level
    dev_t dev = 0;
    ino_t ino = 0;
    bool known = false;  // dev and ino read; they are needed only once the handle is closed, so a walk that
                         // stays within the budget never pays a stat per folder
  };
  // Reads the frame's device and inode from its handle unless already known.
  static Frame& Identify(Frame& frame);
  // A handle of frame `index`, reopened by its names from the nearest open frame above it; -1 when a name no
  // longer leads to the recorded folder.
  int Reopen(size_t index) const;
  // The name frame `index` was pushed with.
  std::string NameOf(size_t index) const;

  std::vector<Frame> frames_;
  std::string path_;
  size_t budget_;
  size_t firstOpen_ = 1;  // frames 1 .. firstOpen_-1 have their handle closed; frame 0 always stays open
};

}  // namespace dv
