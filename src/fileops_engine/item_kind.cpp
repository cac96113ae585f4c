#include "fileops_engine/item_kind.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

ItemKind KindAt(const std::string& path) {
  std::string full = FullPath(path);
  struct stat st;
  try {
    PathRef ref(full);
    if (::fstatat(ref.Dir(), ref.Name(), &st, AT_SYMLINK_NOFOLLOW) == 0)
      return S_ISDIR(st.st_mode) ? ItemKind::Folder : ItemKind::Other;
  } catch (const Error& e) {
    if (e.Number() == err::PathNotFound || e.Number() == err::FileNotFound) return ItemKind::Missing;
    throw;
  }
  if (errno == ENOENT || errno == ENOTDIR) return ItemKind::Missing;
  ThrowErrno(full);
}

bool IsRootFolderPath(const std::string& path) {
  struct stat st, root;
  if (::stat(path.c_str(), &st) != 0 || ::stat("/", &root) != 0) return GetAbsolutePathName(path) == "/";
  return st.st_dev == root.st_dev && st.st_ino == root.st_ino;
}

namespace {

// The path with links resolved in its longest existing part; the rest is taken as written.
std::string Resolved(const std::string& path) {
  std::string head = GetAbsolutePathName(path), tail;
  for (;;) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(head.c_str(), nullptr), &std::free);
    if (real) return tail.empty() ? std::string(real.get()) : JoinPath(real.get(), tail);
    if (head == "/") return GetAbsolutePathName(path);
    std::string name = NameOfPath(head);
    tail = tail.empty() ? name : name + "/" + tail;
    head = ParentOfPath(head);
  }
}

}  // namespace

FolderRelation RelationOf(const std::string& inner, const std::string& outer) {
  std::string in = Resolved(inner), out = Resolved(outer);
  if (in == out) return FolderRelation::Same;
  if (out == "/" || in.compare(0, out.size() + 1, out + "/") == 0) return FolderRelation::Inside;
  return FolderRelation::Apart;
}

}  // namespace dv
