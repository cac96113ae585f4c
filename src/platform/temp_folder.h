#pragma once
// The private per-user temporary folder that holds the report file, the session error log, the results file and
// the web-page conversion file: $XDG_RUNTIME_DIR/dorvane when that variable names a folder, else
// <system temp>/dorvane-<uid>. It is made with mode 0700 and refused (a clear dv::Error, 70) when it is a symbolic
// link, not a folder, or owned by someone else, so nobody can plant a link that makes us write elsewhere.
#include <string>

namespace dv {

// The folder's path, creating it when missing. Checked on every call; cheap enough for the few callers.
std::string PrivateTempFolder();

}  // namespace dv
