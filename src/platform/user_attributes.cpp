#include "platform/user_attributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/error.h"

namespace dv {

namespace {

// Most files have no attributes, or a few short ones: one call into a buffer on the stack answers; only a list or
// value longer than that is sized first (and asked for again while it keeps growing).
constexpr size_t kShortList = 4096;

// `call(buffer, size)` as flistxattr or fgetxattr: its result, the bytes in `small` or else in `large`.
template <typename Call>
ssize_t Fetch(Call call, char (&small)[kShortList], std::vector<char>& large, const char*& at) {
  at = small;
  ssize_t n = call(small, sizeof small);
  while (n < 0 && errno == ERANGE) {
    n = call(nullptr, 0);
    if (n <= 0) return n;  // a size of 0 asks for the size again: nothing left to fetch
    large.resize(static_cast<size_t>(n));
    at = large.data();
    n = call(large.data(), large.size());
  }
  return n;
}

}  // namespace

void CopyUserAttributes(int in, int out, const std::string& path, bool mustKeep) {
  char namesHere[kShortList];
  std::vector<char> namesLarge;
  const char* names;
  // A file system that keeps no attributes has none to copy.
  const ssize_t size =
      Fetch([&](char* buf, size_t n) { return ::flistxattr(in, buf, n); }, namesHere, namesLarge, names);
  if (size <= 0) return;
  char valueHere[kShortList];
  std::vector<char> valueLarge;
  for (const char* name = names; name < names + size; name += std::strlen(name) + 1) {
    if (std::strncmp(name, "user.", 5) != 0) continue;
    const char* value;
    const ssize_t n =
        Fetch([&](char* buf, size_t len) { return ::fgetxattr(in, name, buf, len); }, valueHere, valueLarge, value);
    if ((n < 0 || ::fsetxattr(out, name, value, static_cast<size_t>(n), 0) != 0) && mustKeep) ThrowErrno(path);
  }
}

}  // namespace dv
