#pragma once
// Reading files as bytes for the operations that look inside them (find and replace, compare): a file is opened
// only when it is a regular file, never through a link, never blocking, and without moving its access time, so a
// look that changes nothing leaves the file exactly as it was, times included.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/item_info.h"
#include "platform/unique_fd.h"

namespace dv {

// Opens the regular file at `path` for reading. `info` must come from a look at the same path (StatAt without
// following links); the opened file must still be that item. Throws dv::Error: 53/76 when it has gone, 75 when it
// is no regular file (a link, FIFO, socket or device is never opened) or was swapped since the look.
UniqueFd OpenBytesForReading(const std::string& path, const ItemInfo& info);
// The same for the item `name` of the open folder `dir`; `path` names it in errors.
UniqueFd OpenBytesForReadingAt(int dir, const char* name, const std::string& path, const ItemInfo& info);
// The same without the second look through the opened descriptor, for a reader that only compares bytes and reads
// to the end whatever the length: the look just made is answer enough. An item swapped in between the look and
// the open is still never reached through a link nor waited for (the open never blocks). Throws as above, 75 for
// an item that `info` does not call a regular file.
UniqueFd OpenLookedAtBytes(int dir, const char* name, const std::string& path, const ItemInfo& info);

// The target text of the link `name` in the folder `dir`, whole whatever its length. Throws dv::Error naming
// `path`.
std::string LinkTextAt(int dir, const char* name, const std::string& path);

// Reads up to `length` bytes at `offset`, fewer only at the end of the file. Throws dv::Error.
size_t ReadAt(int fd, char* into, size_t length, uint64_t offset, const std::string& path);

// True when the `length` bytes of `a` and `b` from `offset` on are equal, read `block` bytes at a time into the
// two buffers (grown to `block` when smaller); the first differing block ends the comparison. A file that ends
// sooner than the other within the range makes them differ. Throws dv::Error.
bool RangesEqual(int a, int b, uint64_t offset, uint64_t length, size_t block, std::vector<char>& bufA,
                 std::vector<char>& bufB, const std::string& pathA, const std::string& pathB);

}  // namespace dv
