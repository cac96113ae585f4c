#pragma once
// The rename replacement box's check: the characters that the window keeps out of a replacement name, and the
// message that says they were removed.
#include <QString>

namespace dv {

inline constexpr const char* kInvalidNameCharactersText =
    "The Replace Text String contained characters that are not allowed in file names.\r\n\r\n"
    "Characters such as \\ / : * ? \" < > |  have been removed";

// `text` without backslash, slash, colon, asterisk, question mark, double quote, less-than, greater-than and
// vertical bar.
inline QString WithoutNameCharacters(QString text) {
  for (QChar c : QStringLiteral("\\/:*?\"<>|")) text.remove(c);
  return text;
}

}  // namespace dv
