#pragma once
// Path text rules and the resolution of paths of any length to a folder handle plus a last name, so that every
// file-system call can be made relative to an open folder (paths longer than PATH_MAX then work too).
#include <fcntl.h>

#include <string>

#include "platform/unique_fd.h"

namespace dv {

// The absolute form of `path`, made lexically: relative paths are taken from the current folder, "." and ".."
// are removed, repeated "/" are joined, links are not resolved, and there is no trailing "/" except for "/".
// An empty path is the current folder. Throws dv::Error (76) when a relative path is given and the current folder
// cannot be named.
std::string GetAbsolutePathName(const std::string& path);

// The absolute form of a path that an operation is about to act on. An empty path is refused (52): it must never
// silently become the current folder.
std::string FullPath(const std::string& path);

// The last name of a path ("" for "/"), and the path of the folder holding it ("/" for items in the root).
std::string NameOfPath(const std::string& path);
std::string ParentOfPath(const std::string& path);
// Joins a folder path and a name without doubling the "/".
std::string JoinPath(const std::string& folder, const std::string& name);

// A name for a temporary file beside its target: "." + "dv-" + `purpose` + "-", twelve random letters and digits,
// ".tmp" (".dv-copy-k3j9....tmp"): hidden, and unlikely to meet anything already there.
std::string TempName(const std::string& purpose);

// The extension of a name: the text after its last "." ("report.tar.gz" -> "gz", ".profile" -> "profile"),
// empty when the name has no "." or ends with one.
std::string ExtensionOf(const std::string& name);
// ASCII-only upper-casing; other bytes pass unchanged so that any name survives.
std::string UpperAscii(std::string text);

// A path resolved to (folder handle, last name). Short paths use the current folder's handle and the path as it
// is; a path of PATH_MAX bytes or more has its folder part opened piece by piece. Throws dv::Error (76) when a
// folder on the way does not exist.
class PathRef {
 public:
  explicit PathRef(const std::string& path);
  int Dir() const { return dir_.Valid() ? dir_.Get() : AT_FDCWD; }
  const char* Name() const { return name_.c_str(); }
  const std::string& Path() const { return path_; }
  // A short path naming the same item, for the calls that have no *at form (extended attributes).
  std::string ShortPath() const;

 private:
  std::string path_;
  UniqueFd dir_;
  std::string name_;
};

}  // namespace dv
