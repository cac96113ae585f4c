#pragma once
// Command templates for /bin/sh whose placeholder stands for a value that the shell must never read as shell text
// (a file's path). The value travels as the shell's first positional parameter; the template gets a reference to
// it that fits the quoting where the placeholder stands, so the value stays one word, byte for byte, whether the
// user typed the placeholder bare, in "double" or in 'single' quotes, while pipes, redirections and the rest of
// the template keep their meaning.
#include <string>

namespace dv {

// `shellText` with every `placeholder` (read from left to right, never inside what replaced one) replaced by a
// reference to $1: "$1" where the text is unquoted (also inside $(...) and backquotes), ${1} inside double quotes,
// '"$1"' inside single quotes (the quote is closed, the reference quoted, the quote opened again). The quoting
// is followed as sh reads it: quotes, backslashes, comments, $(...), ${...} and backquotes, nested.
std::string WithParameterReference(const std::string& shellText, const std::string& placeholder);

}  // namespace dv
