#pragma once
// The options of `dorvane-cli report`, each mapping onto one scanning-engine setting, with the directory printer
// window's defaults.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_choices.h"

namespace dv {

class clsDirProcessing;

// A bad option or value: the message names the option; the command exits with 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ReportOptions {
  struct SizeLimit {
    long op = 0, value = 0, unit = 0;
  };
  struct DateLimit {
    long type = 1, op = 0;
    LocalTime day;
  };

  long view = 0;                  // ShowType
  std::vector<long> columns{1, 3};  // ShowColumns
  int16_t levels = kAllLevels;    // DirLevelsDeep
  long sizeUnit = 1;              // SetSizeType
  bool dirsOnly = false, excludeEmpty = false, fullPath = false, fileCounts = false;
  long directorySummary = 1;
  bool showHidden = true;
  long patternOption = 1;
  std::string filePattern, folderPattern;
  std::optional<std::string> extensions;
  bool excludeExtensions = false;
  std::optional<SizeLimit> fileSize, folderSize;
  std::optional<DateLimit> date;
  std::string output;  // empty: standard output
  std::string save;    // empty: no export; else the file the report is exported to, kind by its extension
  std::string folder;
  bool help = false;
};

// `s` in lower case (ASCII).
std::string Lower(std::string s);
// The code of `value` among `choices` (case ignored); throws UsageError naming `option` and the choices.
long Lookup(const std::string& option, const std::string& value,
            std::initializer_list<std::pair<const char*, long>> choices);

// Reads command arguments one at a time: options as "--name value" or "--name=value" (names in lower case),
// flags, and positional arguments ("--" makes the next argument positional whatever it looks like).
class OptionReader {
 public:
  explicit OptionReader(const std::vector<std::string>& args, size_t first = 0) : args_(args), next_(first) {}
  // Moves to the next argument; false when there is none left.
  bool Next();
  bool Positional() const { return positional_; }
  // The argument as given (a positional argument's text).
  const std::string& Arg() const { return arg_; }
  const std::string& Name() const { return name_; }
  // The option's value: after "=", else the next argument. Throws UsageError when there is none.
  const std::string& Value();
  // For an option that takes no value: throws UsageError when one was given with "=".
  void Flag() const;

 private:
  const std::vector<std::string>& args_;
  size_t next_;
  std::string arg_, name_, value_;
  bool positional_ = false, hasValue_ = false;
};

// Parses the arguments after "report". Throws UsageError.
ReportOptions ParseReportOptions(const std::vector<std::string>& args);

// The scan choices the options make.
ScanChoices ReportScanChoices(const ReportOptions& options);
// Makes the settings on the engine in the order the directory printer makes them.
void ApplyReportOptions(const ReportOptions& options, clsDirProcessing& engine);

// Parses 'OP N UNIT' (">= 10 KB"); the size must stay within 2,047 MB. Throws UsageError naming `option`.
ReportOptions::SizeLimit ParseSizeLimit(const std::string& text, const std::string& option);
// Parses 'TYPE OP YYYY-MM-DD' ("modified >= 2024-01-31"). Throws UsageError.
ReportOptions::DateLimit ParseDateLimit(const std::string& text);

extern const char* const kReportHelp;

}  // namespace dv
