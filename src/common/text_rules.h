#pragma once
// Small text rules that several parts of the program share, each in one place: counting and cutting UTF-8
// text by characters, showing control characters of names, the number pattern a user may type, and the
// two-digit-year rule.
#include <cstddef>
#include <string>
#include <string_view>

namespace dv {

// Characters (code points) in UTF-8 text: the bytes that do not continue a character.
size_t Utf8Length(std::string_view text);
// The bytes of the first `chars` characters of `text` (all of it when shorter); never cuts a character.
size_t Utf8PrefixBytes(std::string_view text, size_t chars);

// Length of the valid UTF-8 sequence at the start of `s` and its code point; 0 when the first byte does not
// start one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short) or `s` is empty.
size_t DecodeUtf8(std::string_view s, char32_t& cp);

// `text` with every control character (0x00-0x1F and 0x7F) shown as "?", as `ls` shows names on a terminal, so
// that a name cannot split a row or send escape sequences.
std::string ControlsShown(std::string text);
// The same, appended to `out`.
void AppendControlsShown(std::string& out, std::string_view text);
// True when `text` holds a control character, or the character `also` when that is not 0.
bool HasControls(std::string_view text, char also = 0);

// A number as a user may type it: optional sign, digits with "," separators, optional fraction and exponent,
// blanks around ("1,024", "-3.5", ".5", "2e3").
bool LooksLikeNumber(const std::string& text);

// A year written with two digits read as a user means it: the one in the window from 80 years before to 20 years
// after `thisYear` (in 2026, 46 is 2046 and 47 is 1947), so a file dated 2030 is not taken for 1930.
int FullYear(int twoDigitYear, int thisYear);
// The same, from today's year.
int FullYear(int twoDigitYear);

}  // namespace dv
