#include "platform/content_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "platform/byte_files.h"
#include "platform/error.h"
#include "platform/item_info.h"
#include "platform/unique_fd.h"

namespace dv {

bool SameContents(int originalDir, const char* originalName, int copyDir, const char* copyName,
                  const std::string& original, const std::string& copy) {
  ItemInfo a, b;
  if (!StatAt(originalDir, originalName, a)) ThrowErrno(original);
  if (!StatAt(copyDir, copyName, b)) ThrowErrno(copy);
  if (a.IsLink() || b.IsLink())
    return a.IsLink() && b.IsLink() &&
           LinkTextAt(originalDir, originalName, original) == LinkTextAt(copyDir, copyName, copy);
  UniqueFd in = OpenBytesForReadingAt(originalDir, originalName, original, a);
  UniqueFd out = OpenBytesForReadingAt(copyDir, copyName, copy, b);
  if (a.size != b.size) return false;
  // Written out first, else the cache would keep the pages (dirty pages are not dropped).
  if (::fdatasync(out.Get()) != 0) ThrowErrno(copy);
  ::posix_fadvise(out.Get(), 0, 0, POSIX_FADV_DONTNEED);
  ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  std::vector<char> x, y;
  return RangesEqual(in.Get(), out.Get(), 0, UINT64_MAX, 1 << 18, x, y, original, copy);
}

}  // namespace dv
