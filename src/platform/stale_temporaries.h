#pragma once
// Temporary files left behind by a run that was killed (kill -9, power loss) before it could rename or remove
// them: hidden ".dv-<purpose>-<12 letters or digits>.tmp" names beside the files they were to replace.
#include <ctime>
#include <string>

namespace dv {

// True for exactly the names TempName draws: ".dv-", a purpose of lower-case letters, "-", twelve characters of
// a-z and 0-9, ".tmp".
bool IsTemporaryName(const std::string& name);

// Removes from the open folder `dirFd` the regular files with such a name that this user owns and that were last
// modified before `runStart` (a run going on now keeps its own). Links, folders and other users' files stay.
// Returns how many were removed; failures are ignored (the folder is left as it was).
int RemoveStaleTemporaries(int dirFd, const struct timespec& runStart);

}  // namespace dv
