#pragma once
// The private per-user temporary folder that holds the report file, the session error log, the results file, the
// web-page conversion file and the single-instance lock: $XDG_RUNTIME_DIR/dorvane when that variable names a
// folder, else <system temp>/dorvane-<uid>. Nobody else may be able to plant a link in it that makes us write
// elsewhere, so it is used only when it is a real folder (not a link), ours, and exactly mode 0700. A folder
// that was ever open to others is refused rather than tightened: a link planted while it was open would stay.
#include <string>

namespace dv {

// The folder's path, creating it (mode 0700) when missing. Throws dv::Error 70 saying why a folder that is there
// cannot be used. Checked on every call; cheap enough for the few callers.
std::string PrivateTempFolder();

// Makes room for a lock file named `name` in `folder` (the private folder): whatever stands there that is not a
// regular file (a symbolic link, a folder, a FIFO, a socket) would keep a lock from ever being taken, so it is
// removed, never followed; a folder with all it holds. A regular file is left for the lock's own staleness test.
// Throws dv::Error when something there cannot be removed.
void ClearLockPath(const std::string& folder, const std::string& name);

}  // namespace dv
