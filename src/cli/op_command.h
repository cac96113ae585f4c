#pragma once
// `dorvane-cli op`: runs one file operation through the file operations engine, with the window's settings,
// questions and confirmation, and writes the results file.
#include <string>
#include <vector>

namespace dv {

// Returns the exit status: 0 nothing failed, 1 an item failed or an error was reported, 2 refused or bad options,
// 128 + n when stopped by signal n.
int RunOpCommand(const std::vector<std::string>& args);

}  // namespace dv
