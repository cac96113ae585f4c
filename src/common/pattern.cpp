#include "common/pattern.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

namespace dv {

namespace {

// Runs are rewritten at most this many characters at a time, so a run longer than this is handled in pieces.
constexpr std::size_t kLongestRun = 500;

// Replaces every occurrence of `from`, left to right, without overlaps.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
    out.append(text, start, at - start);
    out += to;
  }
  out.append(text, start);
  text = std::move(out);
}

std::size_t LongestRun(const std::string& text, char c) {
  std::size_t best = 0, run = 0;
  for (char ch : text) {
    run = ch == c ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

// While `text` holds two `c` in a row, the longest run (capped) is rewritten by `rewrite(length)` everywhere.
template <class Rewrite>
void RewriteRuns(std::string& text, char c, Rewrite rewrite) {
  const std::string pair(2, c);
  while (text.find(pair) != std::string::npos) {
    std::size_t length = std::min(LongestRun(text, c), kLongestRun);
    ReplaceAll(text, std::string(length, c), rewrite(length));
  }
}

std::string FromWildcards(const std::string& given, std::string text) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  // Every character but "*" and "?" stands for itself: "Copy (2).doc" matches that name, "a|b" is no choice.
  for (char c : text) {
    if (std::string_view("\\^$.|+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  if (out.empty() || out.front() != '*') out.insert(0, 1, '^');
  // Decided on the text as typed: "abc*/" still gets its "$" although "/" is dropped.
  if (given.back() != '*') out += '$';
  std::string expression;
  expression.reserve(out.size() * 2);
  for (char c : out) {
    if (c == '*')
      expression += ".*";
    else if (c == '?')
      expression += '.';
    else
      expression += c;
  }
  return expression;
}

std::string FixRegularExpression(std::string text) {
  if (!text.empty() && (text.front() == '*' || text.front() == '?'))
    text.insert(0, 1, '.');
  else if (!text.empty() && text.front() == '+')
    text.insert(0, 1, '\\');
  RewriteRuns(text, '?', [](std::size_t n) { return std::string(n - 1, '.') + '?'; });
  RewriteRuns(text, '*', [](std::size_t) { return std::string(".*"); });
  return text;
}

}  // namespace

std::string ConvertPattern(const std::string& text, long option) {
  if (text.empty()) return text;
  std::string kept;
  kept.reserve(text.size());
  // "/" is the one character no name can hold; everything else may be part of a name or of an expression.
  for (char c : text)
    if (c != '/') kept += c;
  return option == 1 ? FromWildcards(text, std::move(kept)) : FixRegularExpression(std::move(kept));
}

}  // namespace dv
