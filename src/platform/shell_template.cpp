// A small reader of sh quoting: it follows where each character stands (unquoted, in quotes, in a command or
// parameter substitution) only far enough to know how a reference to $1 must be written there. It never has to
// understand the command itself: whatever it misreads, the value is still never shell text, only its quoting
// could be wrong.
#include "platform/shell_template.h"

#include <vector>

namespace dv {

namespace {

enum class Context {
  Plain,      // unquoted, at the top
  CmdSub,     // unquoted inside $(...): a command of its own
  Backquote,  // inside `...`: a command of its own
  Single,     // inside '...'
  Double,     // inside "..."
  EscDouble,  // inside \"...\" within backquotes that stand in double quotes (the inner command's double quotes)
  Brace,      // inside ${...}
};

struct Frame {
  Context context;
  int parentheses = 0;  // open ( inside a $(...), so that its own ) ends it
};

bool IsDoubleQuoted(const std::vector<Frame>& stack) {
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->context == Context::Brace) continue;
    return it->context == Context::Double || it->context == Context::EscDouble;
  }
  return false;
}

std::string Reference(const std::vector<Frame>& stack) {
  switch (stack.back().context) {
    case Context::Single: return "'\"$1\"'";
    case Context::Double:
    case Context::EscDouble: return "${1}";  // braces: a letter or digit that follows stays out of the name
    case Context::Brace: return IsDoubleQuoted(stack) ? "${1}" : "\"$1\"";
    default: return "\"$1\"";
  }
}

// A "#" starts a comment only where a word could start.
bool AtWordStart(const std::string& text, size_t i) {
  if (i == 0) return true;
  switch (text[i - 1]) {
    case ' ': case '\t': case '\n': case ';': case '&': case '|': case '(': case ')': case '<': case '>': return true;
    default: return false;
  }
}

}  // namespace

std::string WithParameterReference(const std::string& text, const std::string& placeholder) {
  std::vector<Frame> stack{{Context::Plain}};
  std::string out;
  const size_t n = text.size();
  auto startsPlaceholder = [&](size_t at) {
    return !placeholder.empty() && text.compare(at, placeholder.size(), placeholder) == 0;
  };
  auto push = [&](Context c) { stack.push_back({c}); };
  auto pop = [&] {
    if (stack.size() > 1) stack.pop_back();
  };
  for (size_t i = 0; i < n;) {
    if (startsPlaceholder(i)) {
      out += Reference(stack);
      i += placeholder.size();
      continue;
    }
    const char c = text[i];
    const char next = i + 1 < n ? text[i + 1] : '\0';
    Frame& top = stack.back();
    size_t take = 1;  // characters copied as they are
    switch (top.context) {
      case Context::Single:
        if (c == '\'') pop();
        break;
      case Context::Double:
        if (c == '\\' && next && std::string("$`\"\\\n").find(next) != std::string::npos) take = 2;
        else if (c == '"') pop();
        else if (c == '`') push(Context::Backquote);
        else if (c == '$' && next == '(') take = 2, push(Context::CmdSub);
        else if (c == '$' && next == '{') take = 2, push(Context::Brace);
        break;
      case Context::EscDouble:
        if (c == '\\' && next == '"') take = 2, pop();
        else if (c == '\\' && next) take = 2;
        break;
      default: {  // Plain, CmdSub, Backquote, Brace: the shell's unquoted reading
        const bool backquote = top.context == Context::Backquote;
        if (c == '\\') {
          if (next && startsPlaceholder(i + 1)) {
            // The backslash cannot quote a reference: it stands for itself (a backslash in the inner command of
            // backquotes is written twice once more).
            out += backquote ? "\\\\\\\\" : "\\\\";
            i += 1;
            continue;
          }
          if (backquote && next == '"' && stack.size() > 1 && IsDoubleQuoted({stack.begin(), stack.end() - 1}))
            push(Context::EscDouble);
          take = next ? 2 : 1;
        } else if (c == '\'' && !(top.context == Context::Brace && IsDoubleQuoted(stack))) {
          push(Context::Single);
        } else if (c == '"') {
          push(Context::Double);
        } else if (c == '`') {
          if (backquote) pop();
          else push(Context::Backquote);
        } else if (c == '$' && next == '(') {
          take = 2;
          push(Context::CmdSub);
        } else if (c == '$' && next == '{') {
          take = 2;
          push(Context::Brace);
        } else if (c == '(' && top.context == Context::CmdSub) {
          ++top.parentheses;
        } else if (c == ')' && top.context == Context::CmdSub) {
          if (top.parentheses == 0) pop();
          else --top.parentheses;
        } else if (c == '}' && top.context == Context::Brace) {
          pop();
        } else if (c == '#' && top.context != Context::Brace && AtWordStart(text, i)) {
          // A comment, to the end of its line, as it stands.
          const size_t end = text.find('\n', i);
          take = (end == std::string::npos ? n : end) - i;
        }
      }
    }
    out.append(text, i, take);
    i += take;
  }
  return out;
}

}  // namespace dv
