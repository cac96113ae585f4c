#pragma once
// The full check of a copy: the target's bytes read back and compared with the source's.
#include <string>

namespace dv {

// True when the item `copyName` in the folder `copyDir` holds the same bytes as `originalName` in `originalDir`
// (for links: the same target text). Neither is reached through a link. The copy is flushed to the disk and
// dropped from the page cache first, so its bytes come from the disk, not from memory. `original` and `copy`
// only name the items in errors. Throws dv::Error when either cannot be read.
bool SameContents(int originalDir, const char* originalName, int copyDir, const char* copyName,
                  const std::string& original, const std::string& copy);

}  // namespace dv
