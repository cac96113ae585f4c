#pragma once
// `dorvane-cli undo`: lists the journaled runs, forgets one, or undoes one (docs/undo.md).
#include <string>
#include <vector>

namespace dv {

// Returns the exit status: 0 everything undone or nothing to do, 1 an item skipped or failed, 2 refused or bad
// options, 128 + n when stopped by signal n.
int RunUndoCommand(const std::vector<std::string>& args);

}  // namespace dv
