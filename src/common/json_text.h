#pragma once
// JSON text for machine-read reports: strings that are valid JSON whatever bytes a file name holds.
#include <string>
#include <string_view>

namespace dv {

// Appends `text` as a JSON string, quotes included. Quotes, backslashes and control characters are escaped
// (\n, \t, ... or \u00XX); a byte that is not part of valid UTF-8 becomes U+FFFD, so a Linux name, which may hold
// any byte but "/" and NUL, still gives a valid document.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace dv
