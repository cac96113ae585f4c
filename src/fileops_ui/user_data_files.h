#pragma once
// Where macros and banks are kept: the user's own data folder ($XDG_DATA_HOME/dorvane), always. An older version
// kept them beside the program, which for an installed copy run as root meant writing into /usr/bin.
#include <string>

namespace dv {

// Makes `userFolder` when missing and, when it has no file `name` yet while `oldFolder` has one (a regular file:
// a link is never followed), copies that file in, through a temporary file and a link that never replaces
// anything. The old file is left as it was; from then on only the user's copy is read. Answers `userFolder`.
// Throws dv::Error when the copy fails.
std::string CarriedOver(const std::string& oldFolder, const std::string& userFolder, const char* name);

}  // namespace dv
