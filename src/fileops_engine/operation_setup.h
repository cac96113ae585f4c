#pragma once
// What the user chose for a file operation, turned into the file operations engine's typed settings and source and
// the confirmation summary the user agrees to. The file operations window fills the choices from its controls,
// dorvane-cli from its options; both go through PrepareOperation, so the same choices make the same settings,
// the same questions and the same summary.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fileops_engine/operation_settings.h"
#include "platform/datetime.h"
#include "scan/scan_choices.h"

namespace dv {

class Prompter;

// The operations in the order of the window's operation buttons; the date button's operation is picked by its
// date choice (created, modified, last access).
inline constexpr FileOp kOperationButtons[] = {
    FileOp::Copy,   FileOp::EmptyShells,   FileOp::Delete,       FileOp::FindReplace, FileOp::Rename, FileOp::Attributes,
    FileOp::Move,   FileOp::OpenWithMacro, FileOp::ModifiedDate, FileOp::RunProcess,  FileOp::Compare,
};
inline constexpr FileOp kDateOperations[] = {FileOp::CreatedDate, FileOp::ModifiedDate, FileOp::AccessedDate};

// A size or a date filter, typed, with the text the user gave for the summary.
struct SizeFilter {
  CompareOp op = CompareOp::GreaterOrEqual;
  long value = 0;
  SizeUnit unit = SizeUnit::Bytes;
  std::string text;
};
struct DateFilter {
  DateType type = DateType::Modified;
  CompareOp op = CompareOp::Equal;
  LocalTime day;
  std::string text;
};

// A three-state attribute box.
enum class AttributeBox { Unchecked = 0, Checked = 1, Grayed = 2 };

struct OperationChoices {
  FileOp operation = FileOp::Copy;
  bool previewOnly = false;
  bool reportPreview = false;  // the report of the items alone (dorvane-cli --report-preview): nothing changes
  // The source box as typed: a folder ("folder/*.*" its contents), or, with files picked, their folder followed by
  // the one name or by "Multiple.Files".
  std::string source;
  bool sourceIsFile = false;  // the source box names an existing file
  std::string destination;
  std::vector<std::string> selectedFiles;  // names of the files picked one by one, without their folder
  std::vector<std::string> bank;           // the processing bank's entries

  // Copy and move.
  bool toOneDirectory = false;  // else with the folder structure
  bool numberDuplicates = true;  // one directory: numbered, else overwritten
  int verification = 0;         // 0 do not verify, 1 quick, 2 full binary comparison
  bool overwrite = false;       // copy with structure
  bool emptyFolders = false;    // copy or move with structure

  bool shellsForFiles = true;  // empty shells of files and folders, else folders only
  bool deleteEmptyFolders = false;
  bool toTrash = false;  // delete into the trash

  // Find and replace.
  std::string findText, replaceText;
  bool binary = false;  // all files (binary), else text files only
  bool backup = false;
  std::string textExtensions = ".TXT";

  // Rename.
  std::string renamePattern, renameReplacement;
  long renameStart = 0;  // above 0, else every match (kEveryMatch)
  bool renameWildcards = false;  // the search pattern's own choice, apart from the filters' one

  std::array<AttributeBox, 4> attributes{AttributeBox::Grayed, AttributeBox::Grayed, AttributeBox::Grayed,
                                         AttributeBox::Grayed};  // archive, read only, system, hidden

  bool pauseBetweenOpens = false;
  std::string macro;

  std::optional<LocalTime> newDate;  // empty when the typed date is no date
  std::string newDateText;

  std::string runCommand;
  int runMode = 0;         // 0 no prompts or delays, 1 one file at a time, 2 prompt between each file
  double waitSeconds = 30;
  bool continuePastWait = false;

  bool compareFull = true;
  bool showMatching = true, showDiffering = true, showMissing = true;
  double bytesToCompare = 2000;

  // Filters.
  bool wildcards = true;
  std::string filePattern;
  std::optional<SizeFilter> sizeFilter;  // dorvane-cli gives the filters typed
  std::optional<DateFilter> dateFilter;
  // The window's size and date boxes, read into the two above when given.
  std::string sizeOperator, sizeText, sizeUnit;  // all three given, or no size filter
  std::string dateType, dateOperator;            // "Date Created", ... and ">=", ...
  std::optional<LocalTime> filterDate;           // the typed date when it is one
  std::string filterDateText;                    // as typed; empty: no date
  std::string extensions = "*.*";
  bool includeExtensions = true;
  bool showHidden = true;
  bool levelsOnly = false;
  long levels = 0;
};

struct PreparedOperation {
  OperationSettings settings;
  OperationSource source;
  std::string summary;     // the confirmation text, without the closing question
  bool confirmed = false;  // the user answered Yes; false also when a check refused the operation
};

// Checks the choices, asking and telling through `prompter` as the window does, and makes the settings and the
// summary; then asks "Operation Confirmation". Checks may change choices the way the window changes its controls:
// a binary replacement forces the backup on and hidden files off, and unequal binary texts go back to text mode.
PreparedOperation PrepareOperation(OperationChoices& choices, Prompter& prompter);

// The first line of a preview's confirmation.
inline constexpr char kPreviewHeading[] = "Preview only: nothing will be changed";
// The confirmation question's title.
inline constexpr char kConfirmationTitle[] = "Operation Confirmation";
// The line under a "Change Created Date" operation in its summary.
inline constexpr char kCreatedDateNote[] =
    "  ** The created date cannot be changed on Linux: every file will fail with an error.";

}  // namespace dv
