#include "platform/user_attributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/error.h"

namespace dv {

void CopyUserAttributes(int in, int out, const std::string& path, bool mustKeep) {
  auto failed = [&] {
    if (mustKeep) ThrowErrno(path);
  };
  // Sized by asking first; a list that grows in between is asked for again.
  std::vector<char> names;
  ssize_t size;
  do {
    // A file system that keeps no attributes has none to copy.
    size = ::flistxattr(in, nullptr, 0);
    if (size <= 0) return;
    names.resize(static_cast<size_t>(size));
    size = ::flistxattr(in, names.data(), names.size());
  } while (size < 0 && errno == ERANGE);
  if (size < 0) return failed();
  std::vector<char> value;
  for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
    if (std::strncmp(name, "user.", 5) != 0) continue;
    ssize_t n;
    do {
      n = ::fgetxattr(in, name, nullptr, 0);
      if (n < 0) break;
      value.resize(static_cast<size_t>(n));
      n = ::fgetxattr(in, name, value.data(), value.size());
    } while (n < 0 && errno == ERANGE);
    if (n < 0 || ::fsetxattr(out, name, value.data(), static_cast<size_t>(n), 0) != 0) failed();
  }
}

}  // namespace dv
