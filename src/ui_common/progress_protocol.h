#pragma once
// The conversation between Dorvane and its progress program VORizivuzuvi over a local socket. Shared by both sides
// so that they cannot drift apart; header-only because the two sides are built into different targets.
//
// One request per line, one reply line per request, UTF-8, "\n" ends a line. A text argument is escaped so that
// it stays on its line: "\" becomes "\\", a line feed "\n", a carriage return "\r".
//
//   EXCHANGE <progress text>  shows the text; reply "CANCEL <state>" with the state before the text was shown
//   QUERY                     reply "STATE <state> <progress text>" (what the window shows now)
//   PRESS-CANCEL              presses the window's Cancel button as the user would; reply "OK"
//   CLOSE-WINDOW              closes the window as the user would; reply "OK"
//   STEP-ASIDE                hides a shown window while Dorvane asks the user something; reply "OK"
//   COME-BACK                 shows a window that stepped aside again; reply "OK"
//   CLOSE                     reply "OK", then the window closes and the program ends
//   anything else             reply "ERROR unknown request"
//
// <state> is "0" until the user presses Cancel and "1" from then on. After it has listened successfully the
// program writes "READY" and a line feed to its standard output, so the starter knows when requests can go.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace dv::progress {

inline constexpr char kProgramName[] = "VORizivuzuvi";
inline constexpr char kWindowTitle[] = "Processing Operation";

// Command-line options of the program.
inline constexpr char kServerOption[] = "server";
inline constexpr char kWatchStdinOption[] = "watch-stdin";

inline constexpr QByteArrayView kReady = "READY";
inline constexpr QByteArrayView kExchange = "EXCHANGE";
inline constexpr QByteArrayView kQuery = "QUERY";
inline constexpr QByteArrayView kPressCancel = "PRESS-CANCEL";
inline constexpr QByteArrayView kCloseWindow = "CLOSE-WINDOW";
inline constexpr QByteArrayView kClose = "CLOSE";
inline constexpr QByteArrayView kStepAside = "STEP-ASIDE";
inline constexpr QByteArrayView kComeBack = "COME-BACK";
inline constexpr QByteArrayView kCancelReply = "CANCEL";
inline constexpr QByteArrayView kStateReply = "STATE";
inline constexpr QByteArrayView kOkReply = "OK";
inline constexpr QByteArrayView kErrorReply = "ERROR";

// A line longer than this is not a request of ours; the server drops such a client rather than buffer without end.
inline constexpr qsizetype kMaxLineBytes = 1 << 20;
// Progress texts are cut to this many characters before they are sent (a line fits well within kMaxLineBytes).
inline constexpr qsizetype kMaxProgressChars = 64 * 1024;

inline QByteArray EscapeText(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  QByteArray out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

inline QString UnescapeText(QByteArrayView escaped) {
  QByteArray out;
  out.reserve(escaped.size());
  for (qsizetype i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c != '\\' || i + 1 == escaped.size()) {
      out += c;
      continue;
    }
    const char next = escaped[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return QString::fromUtf8(out);
}

// Splits "WORD rest" into the word and the rest (empty when there is no space).
struct Line {
  QByteArrayView word;
  QByteArrayView rest;
};
inline Line SplitLine(QByteArrayView line) {
  const qsizetype space = line.indexOf(' ');
  if (space < 0) return {line, {}};
  return {line.first(space), line.sliced(space + 1)};
}

}  // namespace dv::progress
