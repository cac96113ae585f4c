#include "platform/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <optional>
#include <string_view>
#include <utility>

#include "platform/error.h"

namespace dv {

namespace {

// Limits that stop a runaway pattern within a fraction of a second; names and paths never come near them.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 250'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;

// ECMAScript habits: "$" only at the very end, \uhhhh, "[]" is an empty class, a back reference to a group
// that has not matched matches nothing. \C could split a UTF-8 character, so it is refused.
constexpr uint32_t kBaseOptions = PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                  PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;

struct CodeFree {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF), the same rule PCRE2 applies.
bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t n = s.size(), i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < len) return false;
    if (p[i + 1] < lo || p[i + 1] > hi) return false;
    for (std::size_t k = 2; k < len; ++k)
      if ((p[i + k] & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

std::string PcreMessage(int code) {
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return "error " + std::to_string(code);
  return reinterpret_cast<const char*>(buffer);
}

// One compiled form of the pattern with the match data that fits it.
struct Variant {
  CodePtr code;
  MatchDataPtr data;
  bool utf = false;
};

// Compiles `pattern`; on a syntax error returns nothing and fills `error`.
std::optional<Variant> Compile(const std::string& pattern, bool ignoreCase, bool utf, std::string& error) {
  uint32_t options = kBaseOptions | (ignoreCase ? PCRE2_CASELESS : 0);
  // The byte form must stay bytes even when the pattern starts with (*UTF).
  options |= utf ? (PCRE2_UTF | PCRE2_MATCH_INVALID_UTF) : PCRE2_NEVER_UTF;
  int code = 0;
  PCRE2_SIZE offset = 0;
  CodePtr compiled(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &code,
                                 &offset, nullptr));
  if (!compiled) {
    error = PcreMessage(code) + " at offset " + std::to_string(offset);
    return std::nullopt;
  }
  // Without JIT support the interpreter does the same work, only slower.
  pcre2_jit_compile(compiled.get(), PCRE2_JIT_COMPLETE);
  MatchDataPtr data(pcre2_match_data_create_from_pattern(compiled.get(), nullptr));
  if (!data) throw Error(err::OutOfMemory, ErrorText(err::OutOfMemory));
  return Variant{std::move(compiled), std::move(data), utf};
}

// The byte offset of the character after the one at `pos`.
std::size_t NextCharacter(const std::string& s, std::size_t pos, bool utf) {
  ++pos;
  if (utf)
    for (int k = 0; k < 3 && pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80; ++k) ++pos;
  return pos;
}

std::string Group(const std::string& s, const PCRE2_SIZE* ov, std::size_t group) {
  PCRE2_SIZE start = ov[2 * group], end = ov[2 * group + 1];
  if (start == PCRE2_UNSET || end < start) return {};
  return s.substr(start, end - start);
}

// The replacement text for one match, with its "$" forms expanded.
void AppendExpansion(std::string& out, const std::string& replacement, const std::string& s, const PCRE2_SIZE* ov,
                     std::size_t groups) {
  const std::size_t n = replacement.size();
  auto digit = [&](std::size_t i) { return i < n && replacement[i] >= '0' && replacement[i] <= '9'; };
  for (std::size_t i = 0; i < n; ++i) {
    char c = replacement[i];
    if (c != '$' || i + 1 == n) {
      out += c;
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') {
      out += '$';
      ++i;
    } else if (next == '&') {
      out += Group(s, ov, 0);
      ++i;
    } else if (next == '`') {
      out.append(s, 0, ov[0]);
      ++i;
    } else if (next == '\'') {
      out.append(s, ov[1]);
      ++i;
    } else if (digit(i + 1)) {
      std::size_t one = static_cast<std::size_t>(next - '0');
      std::size_t two = digit(i + 2) ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0') : 0;
      if (two >= 1 && two <= groups) {
        out += Group(s, ov, two);
        i += 2;
      } else if (one >= 1 && one <= groups) {
        out += Group(s, ov, one);
        i += 1;
      } else {
        out += '$';  // no such group: kept as typed
      }
    } else {
      out += '$';
    }
  }
}

}  // namespace

struct RegExp::Engine {
  bool patternIsUtf = false;
  std::optional<Variant> text;   // by characters; from a UTF-8 pattern only
  std::optional<Variant> bytes;  // byte by byte; compiled when first needed
  bool bytesTried = false;
  uint32_t groups = 0;
  MatchContextPtr context;
};

RegExp::RegExp() = default;
RegExp::RegExp(std::string pattern, bool ignoreCase, bool global)
    : pattern_(std::move(pattern)), ignoreCase_(ignoreCase), global_(global) {}
RegExp::RegExp(const RegExp& other)
    : pattern_(other.pattern_), ignoreCase_(other.ignoreCase_), global_(other.global_) {}
RegExp& RegExp::operator=(const RegExp& other) {
  if (this != &other) {
    pattern_ = other.pattern_;
    ignoreCase_ = other.ignoreCase_;
    global_ = other.global_;
    engine_.reset();
  }
  return *this;
}
RegExp::RegExp(RegExp&& other) noexcept = default;
RegExp& RegExp::operator=(RegExp&& other) noexcept = default;
RegExp::~RegExp() = default;

void RegExp::Pattern(std::string pattern) {
  if (pattern == pattern_) return;
  pattern_ = std::move(pattern);
  engine_.reset();
}

void RegExp::IgnoreCase(bool value) {
  if (value == ignoreCase_) return;
  ignoreCase_ = value;
  engine_.reset();
}

RegExp::Engine& RegExp::Ready() {
  if (engine_) return *engine_;
  auto engine = std::make_unique<Engine>();
  engine->patternIsUtf = IsValidUtf8(pattern_);
  std::string error;
  auto& first = engine->patternIsUtf ? engine->text : engine->bytes;
  first = Compile(pattern_, ignoreCase_, engine->patternIsUtf, error);
  if (!first)
    throw Error(err::InvalidPattern, ErrorText(err::InvalidPattern) + ": " + error + " in \"" + pattern_ + "\"");
  engine->bytesTried = !engine->patternIsUtf;
  pcre2_pattern_info(first->code.get(), PCRE2_INFO_CAPTURECOUNT, &engine->groups);

  engine->context.reset(pcre2_match_context_create(nullptr));
  if (!engine->context) throw Error(err::OutOfMemory, ErrorText(err::OutOfMemory));
  pcre2_set_match_limit(engine->context.get(), kMatchLimit);
  pcre2_set_depth_limit(engine->context.get(), kDepthLimit);
  pcre2_set_heap_limit(engine->context.get(), kHeapLimitKiB);
  engine_ = std::move(engine);
  return *engine_;
}

template <class OnMatch>
void RegExp::ForEachMatch(const std::string& s, bool all, OnMatch&& onMatch) {
  Engine& engine = Ready();
  Variant* variant = nullptr;
  if (engine.text && IsValidUtf8(s)) {
    variant = &*engine.text;
  } else {
    if (!engine.bytesTried) {
      engine.bytesTried = true;
      std::string ignored;
      // A pattern that only makes sense as characters (\u0100) cannot be compiled as bytes; the character
      // form then matches the valid parts of the subject.
      engine.bytes = Compile(pattern_, ignoreCase_, false, ignored);
    }
    variant = engine.bytes ? &*engine.bytes : &*engine.text;
  }

  const auto* subject = reinterpret_cast<PCRE2_SPTR>(s.data());
  std::size_t pos = 0;
  while (pos <= s.size()) {
    int rc = pcre2_match(variant->code.get(), subject, s.size(), pos, 0, variant->data.get(), engine.context.get());
    // The JIT's own stack is small; the interpreter keeps its frames on the heap under the limits above.
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
      rc = pcre2_match(variant->code.get(), subject, s.size(), pos, PCRE2_NO_JIT, variant->data.get(),
                       engine.context.get());
    if (rc == PCRE2_ERROR_NOMATCH) return;
    if (rc < 0)
      throw Error(err::Application, "Regular expression \"" + pattern_ + "\" could not be matched: " + PcreMessage(rc));
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(variant->data.get());
    onMatch(ov, static_cast<std::size_t>(engine.groups));
    if (!all) return;
    if (ov[1] > ov[0]) {
      pos = ov[1];
    } else {
      if (ov[1] >= s.size()) return;
      pos = NextCharacter(s, ov[1], variant->utf);
    }
  }
}

bool RegExp::Test(const std::string& text) {
  bool found = false;
  ForEachMatch(text, false, [&](const PCRE2_SIZE*, std::size_t) { found = true; });
  return found;
}

std::vector<Match> RegExp::Execute(const std::string& text) {
  std::vector<Match> matches;
  ForEachMatch(text, global_, [&](const PCRE2_SIZE* ov, std::size_t groups) {
    Match m;
    m.FirstIndex = ov[0];
    m.Length = ov[1] - ov[0];
    m.Value = text.substr(ov[0], ov[1] - ov[0]);
    m.SubMatches.reserve(groups);
    for (std::size_t g = 1; g <= groups; ++g) m.SubMatches.push_back(Group(text, ov, g));
    matches.push_back(std::move(m));
  });
  return matches;
}

std::string RegExp::Replace(const std::string& text, const std::string& replacement) {
  std::string out;
  std::size_t copied = 0;
  ForEachMatch(text, global_, [&](const PCRE2_SIZE* ov, std::size_t groups) {
    out.append(text, copied, ov[0] - copied);
    AppendExpansion(out, replacement, text, ov, groups);
    copied = ov[1];
  });
  out.append(text, copied);
  return out;
}

}  // namespace dv
