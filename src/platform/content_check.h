#pragma once
// The full check of a copy: the target's bytes read back and compared with the source's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/stop_flag.h"

namespace dv {

// True when the item `copyName` in the folder `copyDir` holds the same bytes as `originalName` in `originalDir`
// (for links: the same target text). Neither is reached through a link. The copy is flushed to the disk and
// dropped from the page cache first, so its bytes come from the disk, not from memory. `original` and `copy`
// only name the items in errors. Throws dv::Error when either cannot be read, and 18 when `stop` is set.
bool SameContents(int originalDir, const char* originalName, int copyDir, const char* copyName,
                  const std::string& original, const std::string& copy, const StopFlag* stop = nullptr);

// True when the open files `a` and `b`, both `size` bytes long when looked at, hold the same bytes to their ends
// (RangesEqual, `block` bytes at a time), with a look at `stop` every 64 MB. Throws dv::Error (18 when stopped).
bool WholeFilesEqual(int a, int b, uint64_t size, size_t block, std::vector<char>& bufA, std::vector<char>& bufB,
                     const std::string& pathA, const std::string& pathB, const StopFlag* stop);

}  // namespace dv
