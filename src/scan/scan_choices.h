#pragma once
// What a front end chose for a scan, handed to the engine through one function that makes the settings in the
// one order that works: the size limits are converted with the unit set before them, the patterns with the
// pattern kind set before them. The directory printer window, dorvane-cli and the file operations front ends
// all fill their engines through it. A choice left empty makes no call, so the engine keeps what it had (a window
// field that could not be read keeps the previous run's setting).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_codes.h"

namespace dv {

class clsDirProcessing;

struct ScanChoices {
  struct SizeLimit {
    bool on = false;
    long value = 0;
    CompareOp op = CompareOp::GreaterOrEqual;
    SizeUnit unit = SizeUnit::Bytes;
  };
  struct DateLimit {
    bool on = false;
    LocalTime day{2000, 1, 1};
    CompareOp op = CompareOp::Equal;
    DateType type = DateType::Created;
  };
  struct Extensions {
    std::string text;  // "*.txt, *.doc"; "*.*" or empty for every extension
    long kind = 0;     // 1 include, 2 exclude, 0 none
  };

  std::optional<ReportView> view;
  std::optional<bool> dirsOnly;
  std::optional<std::vector<long>> columns;  // column codes, as ShowColumns takes them
  std::optional<int16_t> levels;
  std::optional<SizeUnit> sizeUnit;
  std::optional<bool> fullPath, fileCounts, folderDetails, showHidden, excludeEmpty;
  std::optional<DateLimit> date;
  std::optional<SizeLimit> fileSize, folderSize;
  std::optional<Extensions> extensions;
  std::optional<PatternKind> patternKind;
  std::optional<std::string> filePattern, folderPattern;  // as typed; blanks at either end are dropped
  std::optional<std::string> startingDirectory;
};

// The settings, in the order they are made.
enum class ScanStep {
  View, DirsOnly, Columns, Levels, SizeUnit, FullPath, FileCounts, FolderDetails, ShowHidden, ExcludeEmpty,
  Date, FileSize, FolderSize, Extensions, PatternKind, FilePattern, FolderPattern, StartingDirectory,
};

// Runs one setting's call; a window runs each under its own report-and-resume step.
using ScanStepRunner = std::function<void(ScanStep, const std::function<void()>&)>;

// Makes every chosen setting on `engine`, in order, each through `run` (called directly when empty).
void ApplyScanChoices(const ScanChoices& choices, clsDirProcessing& engine, const ScanStepRunner& run = {});

}  // namespace dv
