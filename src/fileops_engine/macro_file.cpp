#include "fileops_engine/macro_file.h"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/text_stream.h"

namespace dv {

namespace {

constexpr size_t kSeparatorWidth = sizeof kMacroSeparator - 1;

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string MacrosFile(const std::string& folder) { return JoinPath(folder, kMacroFileName); }

// Writes the lines, one each, through a temporary file: a crash while saving keeps the macros already stored.
void WriteMacroLines(const std::string& folder, const std::vector<MacroEntry>& entries, bool namedOnly) {
  AtomicFile file(MacrosFile(folder));
  for (const MacroEntry& e : entries)
    if (!namedOnly || !e.name.empty()) file.Out().WriteLine(e.line);
  file.Commit();
}

bool Writable(const std::string& folder) {
  return !folder.empty() && FileSystemObject().FolderExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string AddMacroStep(const std::string& macro, const std::string& keystrokes) {
  if (keystrokes.empty()) return macro;
  return macro + kMacroSeparator + Trimmed(keystrokes);
}

std::string RemoveLastMacroStep(const std::string& macro) {
  size_t at = macro.rfind(kMacroSeparator);
  return at == std::string::npos ? std::string() : macro.substr(0, at);
}

std::string MacroDisplay(const std::string& macro) {
  if (macro.empty()) return "Empty Macro";
  std::string shown;
  int step = 0;
  size_t at = macro.find(kMacroSeparator);
  while (at != std::string::npos) {
    size_t next = macro.find(kMacroSeparator, at + kSeparatorWidth);
    const size_t start = at + kSeparatorWidth;
    shown += "(Step " + std::to_string(++step) + ") " +
             macro.substr(start, next == std::string::npos ? std::string::npos : next - start) + "   ";
    at = next;
  }
  return shown;
}

std::string DelayStep(const std::string& seconds, Prompter& prompter) {
  // A number: an optional sign, digits, and decimals after a ".".
  const std::string text = Trimmed(seconds);
  size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  const size_t digitsFrom = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && text[i] == '.') ++i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i != text.size() || text.find_first_of("0123456789", digitsFrom) == std::string::npos) return {};
  const double magnitude = std::fabs(std::strtod(text.c_str(), nullptr));
  if (magnitude > kMostDelaySeconds) {
    prompter.Message("Maximum value per delay is 1 hr or 3600 seconds", "Maximum Delay Exceeded");
    return {};
  }
  char number[32];
  std::snprintf(number, sizeof number, "%.15g", magnitude);
  return std::string("[DELAY]") + number;
}

std::string LocateMacrosFolder(const std::string& openMacros, const std::string& programFolder,
                               const std::string& userDataFolder) {
  const std::string chosen = openMacros.empty() ? programFolder : openMacros;
  if (Writable(chosen)) return chosen;
  // The program's folder of an installed copy belongs to root: the user's own data folder takes the macros.
  MakeFolderPath(userDataFolder);
  return Writable(userDataFolder) ? userDataFolder : chosen;
}

std::vector<MacroEntry> LoadMacroArray(const std::string& folder, Prompter& prompter) {
  std::vector<MacroEntry> entries;
  const std::string path = MacrosFile(folder);
  if (!FileSystemObject().FileExists(path)) {
    // The first look makes the file, empty: the user sees where macros are kept.
    try {
      FileSystemObject().CreateTextFile(path, /*overwrite=*/false).Close();
    } catch (const Error& e) {
      if (e.Number() != err::FileAlreadyExists) throw;
    }
  }
  TextStream in = TextStream::Open(path, IOMode::ForReading, false);
  while (!in.AtEndOfStream()) {
    MacroEntry e;
    e.line = in.ReadLine();
    size_t at = e.line.find(kMacroSeparator);
    if (at == std::string::npos) {
      prompter.Message("The Macro '" + e.line +
                           "' is not in the proper format and may have unpredictable results.\r\n\r\nIf you were "
                           "manually editing the DVOMacs.txt file, please correct it to the format of <macro "
                           "name>:::<step1>:::<step2>:::...:::<last step>\r\n\r\nIf you weren't manually editing this "
                           "file please delete this macro to avoid potential problems",
                       kAppTitle);
    } else {
      e.name = e.line.substr(0, at);
      e.lineNumber = static_cast<long>(entries.size()) + 1;
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

bool SaveMacro(const std::string& folder, const std::string& macro, Prompter& prompter) {
  if (macro.empty()) {
    prompter.Message("There are no steps in this macro.", kAppTitle);
    return false;
  }
  std::optional<std::string> name =
      prompter.Input("Please type in the name you would like to save this macro as", "Save Macro", "");
  if (!name || name->empty()) return false;
  if (name->find(kMacroSeparator) != std::string::npos) {
    prompter.Message("A macro name cannot contain \":::\".", "Save Macro");
    return false;
  }
  std::vector<MacroEntry> entries = LoadMacroArray(folder, prompter);
  MacroEntry* found = nullptr;
  for (MacroEntry& e : entries)
    if (e.lineNumber != 0 && e.name == *name) {
      found = &e;
      break;
    }
  if (found) {
    if (!prompter.YesNo("This macro already exists.\r\n\r\nWould you like to overwrite this macro?",
                        "Macro already exists"))
      return false;
    found->line = *name + macro;
  } else {
    entries.push_back({*name, static_cast<long>(entries.size()) + 1, *name + macro});
  }
  // Rewritten whole, also for a new line: appending in place could leave half a line after a crash.
  WriteMacroLines(folder, entries, /*namedOnly=*/false);
  prompter.Message("Successfully Saved.", kAppTitle);
  return true;
}

bool DeleteMacro(const std::string& folder, std::vector<MacroEntry>& entries, const std::string& name,
                 Prompter& prompter) {
  if (name.empty() || !prompter.YesNo("Delete the '" + name + "' macro?", "Confirm Delete")) return false;
  for (MacroEntry& e : entries)
    if (e.name == name) e.name.clear();
  WriteMacroLines(folder, entries, /*namedOnly=*/true);
  std::erase_if(entries, [](const MacroEntry& e) { return e.name.empty(); });
  return true;
}

std::string MacroNamed(const std::vector<MacroEntry>& entries, const std::string& name) {
  for (const MacroEntry& e : entries)
    if (e.lineNumber != 0 && e.name == name) return e.line.substr(name.size());
  return {};
}

}  // namespace dv
