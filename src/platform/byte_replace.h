#pragma once
// Replacing a byte string inside a file without ever putting the file's content at risk. The file is read in
// blocks (memory stays bounded whatever its size); the new content goes to a temporary file in the same folder,
// which is flushed to disk, given the file's mode, owner (where allowed) and user.* extended attributes, and then
// renamed over the file in one step. A failure or a kill at any point leaves the file byte for byte as it was.
// A file without a match is only read: nothing is created and nothing about the file changes.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/item_info.h"
#include "platform/stop_flag.h"

namespace dv {

// Replaces every occurrence of `find` (exact bytes, left to right, matches never overlapping) in the regular file
// `name` of the open folder `dir` by `replacement`; `path` names it in errors. The file and its temporary file are
// reached through that folder only, never by a path, so a folder swapped for a link meanwhile leads nowhere else.
// `info` is the caller's look at the file (StatAt, links not followed). When something matched, `beforeReplacing`
// runs once the new content is complete and safe on disk, right before it replaces the file, and gets the file
// open for reading (a backup is made there); an exception from it leaves the file as it was. Right before the
// rename the file must still be the one read, with the size and modification time it had when it was opened: a
// file another program changed meanwhile fails with 75 ("changed while being replaced") and stays as it is.
// Returns the number of replacements (0: the file was not touched). A file the user may not write fails with 70
// at its first match. An empty `find` matches nothing. `stop` is looked at before each 1 MB block and once more
// after `beforeReplacing`: when set, the temporary goes and the file stays as it was (error 18). Throws dv::Error.
uint64_t ReplaceBytesAt(int dir, const char* name, const std::string& path, const ItemInfo& info,
                        const std::string& find, const std::string& replacement,
                        const std::function<void(int file)>& beforeReplacing, const StopFlag* stop = nullptr);

// Copies the open regular file `in` (content, mode, modification and access times, user.* attributes) into the
// open folder `dir`, under the first of nameFor(0), nameFor(1), ... that nothing holds (at most 10,000 tried).
// The copy is made under a temporary name and then given its name without replacing anything, so neither an
// existing file nor a half-made copy ever holds the name (platform/placement.h). Returns the name used. Throws
// dv::Error naming `path` (18 when `stop` is set during the copy).
std::string CopyBesideAt(int dir, int in, const std::string& path,
                         const std::function<std::string(unsigned)>& nameFor, const StopFlag* stop = nullptr);

}  // namespace dv
