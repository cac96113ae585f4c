#pragma once
// Writing a whole text file so that it is never seen half-written: the text goes to a hidden temporary file beside
// it, which is renamed over the old file only once complete. A crash or a full disk leaves the old file whole.
#include <functional>
#include <string>

#include "platform/text_stream.h"

namespace dv {

// Writes `path` whole with `write`. With `durable` the new text is on disk before the rename (for files holding
// the user's own work). The new file keeps the old one's permissions (a new one gets the usual 0666 less the
// umask); a link standing at `path` is replaced, not followed. Throws dv::Error; on failure nothing is left behind.
void ReplaceTextFile(const std::string& path, const std::function<void(TextStream&)>& write, bool durable);

// Makes `folder` and whichever of its parents are missing (new ones private to the user: they hold the user's own
// data). True when the folder is there afterwards.
bool MakeFolderPath(const std::string& folder);

}  // namespace dv
