#pragma once
// The user.* extended attributes of a file (the stored attribute bits among them) carried to its copy or to its
// rewritten content.
#include <string>

namespace dv {

// Copies every user.* attribute of the open file `in` to `out`. With `mustKeep` (a file rewritten in place) any
// failure throws dv::Error naming `path`; without it (a copy, perhaps onto a file system without extended
// attributes) what cannot be copied is dropped.
void CopyUserAttributes(int in, int out, const std::string& path, bool mustKeep);

}  // namespace dv
