#pragma once
// Keystroke macros of the open operation: the macro text (":::" before every step), its display form, and the
// saved-macros file DVOMacs.txt (one macro per line: the name, then the macro text; bytes as they are, CR LF, no
// header, no escaping). Questions and messages go through the Prompter, so the window and tests share the rules.
#include <functional>
#include <string>
#include <vector>

#include "common/prompter.h"

namespace dv {

inline constexpr char kMacroSeparator[] = ":::";
inline constexpr char kMacroFileName[] = "DVOMacs.txt";
inline constexpr int kMostDelaySeconds = 3600;

// The macro with one more step (the keystrokes trimmed); unchanged when the keystrokes are empty.
std::string AddMacroStep(const std::string& macro, const std::string& keystrokes);
// The macro cut before its last ":::".
std::string RemoveLastMacroStep(const std::string& macro);
// "(Step 1) abc   (Step 2) {ENTER}   ", or "Empty Macro" for a macro without steps.
std::string MacroDisplay(const std::string& macro);

// The special-key chooser's delay step: "[DELAY]" + the seconds without their sign; empty (after a message when
// the delay is too long) when the text is not a number or exceeds an hour.
std::string DelayStep(const std::string& seconds, Prompter& prompter);

// One line of the file: its name (empty for a line without ":::", which names no macro), its line number (0 for
// such a line) and the whole line.
struct MacroEntry {
  std::string name;
  long lineNumber = 0;
  std::string line;
};

// The folder of the macros file: the machine-wide "OpenMacros" value when set, else the program's folder; when
// that folder cannot be written by this user, the per-user data folder (so saving never fails silently).
std::string LocateMacrosFolder(const std::string& openMacros, const std::string& programFolder,
                               const std::string& userDataFolder);

// Every line of the file in order (created empty when missing). A line without ":::" is shown to the user as
// malformed and kept unnamed. Throws dv::Error when the file cannot be read.
std::vector<MacroEntry> LoadMacroArray(const std::string& folder, Prompter& prompter);

// Save with its questions: nothing for an empty macro (a message), the name asked for, an existing name replaced
// in place after a Yes, a new one appended. A name holding ":::" could not be read back: it is refused with a
// message. True when saved.
bool SaveMacro(const std::string& folder, const std::string& macro, Prompter& prompter);

// Removes every macro of that name from `entries` (as loaded) after a Yes, and rewrites the file with the named
// lines only, so malformed lines go too. True when deleted.
bool DeleteMacro(const std::string& folder, std::vector<MacroEntry>& entries, const std::string& name,
                 Prompter& prompter);

// The macro text of the first entry named `name` (starting with ":::"); empty when there is none.
std::string MacroNamed(const std::vector<MacroEntry>& entries, const std::string& name);

}  // namespace dv
