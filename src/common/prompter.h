#pragma once
// The one way any engine or shared service asks the user something. The windows show Qt dialogs, the CLI answers
// from flags or the terminal, tests answer from a script.
#include <optional>
#include <string>

namespace dv {

enum class Answer { Ok, Yes, No, Cancel };

inline constexpr const char* kAppTitle = "Dorvane";

class Prompter {
 public:
  virtual ~Prompter() = default;
  // An information box with an OK button. An empty title means the application's own title.
  virtual void Message(const std::string& text, const std::string& title) = 0;
  // A Yes/No question; true for Yes.
  virtual bool YesNo(const std::string& text, const std::string& title) = 0;
  // A Yes/No/Cancel question.
  virtual Answer YesNoCancel(const std::string& text, const std::string& title) = 0;
  // An input box; nullopt when the user cancels.
  virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText) = 0;
};

}  // namespace dv
