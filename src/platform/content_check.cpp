#include "platform/content_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/byte_files.h"
#include "platform/error.h"
#include "platform/item_info.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

constexpr uint64_t kStopCheckEvery = 64 << 20;

}  // namespace

bool WholeFilesEqual(int a, int b, uint64_t size, size_t block, std::vector<char>& bufA, std::vector<char>& bufB,
                     const std::string& pathA, const std::string& pathB, const StopFlag* stop) {
  for (uint64_t at = 0; at < size; at += kStopCheckEvery) {
    ThrowIfStopped(stop, pathA);
    if (!RangesEqual(a, b, at, std::min(kStopCheckEvery, size - at), block, bufA, bufB, pathA, pathB)) return false;
  }
  // Past the length seen: both must end there (or have grown alike).
  return RangesEqual(a, b, size, UINT64_MAX - size, block, bufA, bufB, pathA, pathB);
}

bool SameContents(int originalDir, const char* originalName, int copyDir, const char* copyName,
                  const std::string& original, const std::string& copy, const StopFlag* stop) {
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
  return WholeFilesEqual(in.Get(), out.Get(), a.size, 1 << 18, x, y, original, copy, stop);
}

}  // namespace dv
