#pragma once
// Turns the name pattern a user typed into the regular expression the engines match names with.
#include <string>

namespace dv {

// `option` 1: `text` is a wildcard pattern, rewritten into an anchored expression in which "*" and "?" are the
// only special characters (everything else is escaped and stands for itself). Any other value: `text` is already
// a regular expression; only the commonest wildcard habits (a leading "*", "?" or "+", runs of "?" or "*") are
// made legal. In both cases "/" is dropped, the one character no Linux name can hold. An empty text stays empty.
// Reports nothing itself; the caller decides what a failure means.
std::string ConvertPattern(const std::string& text, long option);

}  // namespace dv
