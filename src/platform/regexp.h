#pragma once
// The regular-expression object the engines match names with: a pattern, ignore-case and global settings,
// and Test / Execute / Replace with ECMAScript-like meaning, on top of PCRE2.
//
// Names on Linux are bytes. A subject that is valid UTF-8 is matched by characters; any other subject is
// matched byte by byte, so a Latin-1 name still matches "^caf.\.txt$" and never raises an error. Offsets and
// lengths are byte offsets into the subject.
//
// Setting a pattern never fails; an invalid pattern throws Error(err::InvalidPattern) on the first
// Test/Execute/Replace. A match that backtracks out of control throws Error(err::Application) instead of
// hanging.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace dv {

struct Match {
  std::size_t FirstIndex = 0;  // byte offset of the match in the subject
  std::size_t Length = 0;      // in bytes
  std::string Value;
  std::vector<std::string> SubMatches;  // one per capture group; a group that took no part is ""
};

class RegExp {
 public:
  RegExp();
  explicit RegExp(std::string pattern, bool ignoreCase = false, bool global = false);
  // A copy takes the three settings and compiles its own code when first used.
  RegExp(const RegExp& other);
  RegExp& operator=(const RegExp& other);
  RegExp(RegExp&& other) noexcept;
  RegExp& operator=(RegExp&& other) noexcept;
  ~RegExp();

  const std::string& Pattern() const { return pattern_; }
  void Pattern(std::string pattern);
  bool IgnoreCase() const { return ignoreCase_; }
  void IgnoreCase(bool value);
  bool Global() const { return global_; }
  void Global(bool value) { global_ = value; }

  // True when the pattern matches anywhere in `text`.
  bool Test(const std::string& text);
  // The first match, or every match when Global is on. An empty match is followed by a search one character
  // further on, so the list always ends.
  std::vector<Match> Execute(const std::string& text);
  // `text` with the first match (every match when Global is on) replaced by `replacement`, in which
  // $1..$99, $&, $`, $' and $$ are expanded; any other "$" form stays as typed.
  std::string Replace(const std::string& text, const std::string& replacement);

 private:
  struct Engine;
  Engine& Ready();
  template <class OnMatch>
  void ForEachMatch(const std::string& text, bool all, OnMatch&& onMatch);

  std::string pattern_;
  bool ignoreCase_ = false;
  bool global_ = false;
  std::unique_ptr<Engine> engine_;  // compiled on first use, dropped when the pattern or case setting changes
};

}  // namespace dv
