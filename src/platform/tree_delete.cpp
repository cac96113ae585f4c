// DeleteFolder: empties and removes a tree through open folder handles, never following a link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/dir_handles.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

namespace {

class TreeDeleter {
 public:
  explicit TreeDeleter(bool force) : force_(force) {}

  // Empties the folder on top of `stack`, going down into its subfolders.
  void Empty(FolderHandleStack& stack) {
    struct Level {
      std::vector<DirEntry> entries;
      size_t next = 0;
    };
    std::vector<Level> levels;
    levels.push_back({List(stack)});
    while (!levels.empty()) {
      Level& level = levels.back();
      if (level.next == level.entries.size()) {
        levels.pop_back();
        if (levels.empty()) break;
        std::string name = levels.back().entries[levels.back().next - 1].name;
        stack.Pop();
        Remove(stack, name, AT_REMOVEDIR);
        continue;
      }
      const DirEntry& e = level.entries[level.next++];
      if (e.type != DT_DIR) {
        Remove(stack, e.name, 0);
        continue;
      }
      int rc = OpenSub(stack, e.name);
      if (rc == ELOOP || rc == ENOTDIR) {
        Remove(stack, e.name, 0);  // swapped for a link or a file meanwhile: remove that, follow nothing
      } else if (rc != 0) {
        Note(ErrorFromErrno(rc, JoinPath(stack.TopPath(), e.name)));
      } else {
        levels.push_back({List(stack)});
      }
    }
  }

  void Note(const Error& e) {
    if (!first_) first_ = e;
  }
  const std::optional<Error>& First() const { return first_; }

  // Removes `name` in the top folder; when the folder refuses and force is on, makes it writable and tries again.
  void Remove(FolderHandleStack& stack, const std::string& name, int flags) {
    if (::unlinkat(stack.Top(), name.c_str(), flags) == 0) return;
    if ((errno == EACCES || errno == EPERM) && force_ && OpenUp(stack.Top()) &&
        ::unlinkat(stack.Top(), name.c_str(), flags) == 0)
      return;
    if (errno == ENOENT) return;  // already gone
    Note(ErrorFromErrno(errno, JoinPath(stack.TopPath(), name)));
  }

 private:
  std::vector<DirEntry> List(FolderHandleStack& stack) {
    try {
      return ReadEntries(stack.Top(), stack.TopPath());
    } catch (const Error& e) {
      Note(e);
      return {};
    }
  }

  // Opens a subfolder; with force, a folder we may not read is given its owner's permissions first. The change
  // goes through a handle that refuses links, so it can only reach the folder itself.
  int OpenSub(FolderHandleStack& stack, const std::string& name) {
    int rc = stack.Push(name);
    if (rc != EACCES || !force_) return rc;
    int pathFd = ::openat(stack.Top(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (pathFd < 0) return errno;
    UniqueFd owned(pathFd);
    struct stat st;
    std::string proc = "/proc/self/fd/" + std::to_string(pathFd);
    if (::fstat(pathFd, &st) != 0 || ::chmod(proc.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return EACCES;
    return stack.Push(name);
  }

  static bool OpenUp(int dirFd) {
    struct stat st;
    return ::fstat(dirFd, &st) == 0 && ::fchmod(dirFd, (st.st_mode & 07777) | S_IRWXU) == 0;
  }

  bool force_;
  std::optional<Error> first_;
};

}  // namespace

void FileSystemObject::DeleteFolder(const std::string& path, bool force) const {
  std::string full = FullPath(path);
  if (full == "/") throw Error(err::PermissionDenied, "The root folder cannot be deleted");
  PathRef ref(full);
  ItemInfo info;
  if (!StatAt(ref.Dir(), ref.Name(), info)) {
    if (errno == ENOENT || errno == ENOTDIR)
      throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + full);
    ThrowErrno(full);
  }
  if (info.IsLink()) {
    if (::unlinkat(ref.Dir(), ref.Name(), 0) != 0) ThrowErrno(full);
    return;
  }
  if (!info.IsFolder()) throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + " (not a folder): " + full);

  TreeDeleter deleter(force);
  int fd = ::openat(ref.Dir(), ref.Name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOTDIR) {
      // Swapped for a link since we looked: remove the link, never what it points to.
      if (::unlinkat(ref.Dir(), ref.Name(), 0) != 0) ThrowErrno(full);
      return;
    }
    ThrowErrno(full);
  }
  {
    FolderHandleStack stack(UniqueFd(fd), full);
    deleter.Empty(stack);
  }
  if (::unlinkat(ref.Dir(), ref.Name(), AT_REMOVEDIR) != 0 && !deleter.First())
    deleter.Note(ErrorFromErrno(errno, full));
  if (deleter.First()) throw *deleter.First();
}

}  // namespace dv
