#pragma once
// What the user chose for a file operation, turned into the file operations engine's settings and the
// confirmation summary the user agrees to. The file operations window fills the choices from its controls,
// dorvane-cli from its options; both go through PrepareOperation, so the same choices make the same settings,
// the same questions and the same summary.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_choices.h"

namespace dv {

class Prompter;

// The operations in the order of the window's operation buttons.
enum class OperationChoice {
  Copy = 0, EmptyShells, Delete, FindAndReplace, Rename, Attributes, Move, Open, ChangeDate, RunProcess, Compare,
};

// A three-state attribute box.
enum class AttributeBox { Unchecked = 0, Checked = 1, Grayed = 2 };

struct OperationChoices {
  OperationChoice operation = OperationChoice::Copy;
  bool previewOnly = false;
  bool reportPreview = false;  // the report of the items alone (dorvane-cli --report-preview): nothing changes
  std::string source;       // the source box as typed: a folder, a picked file, or ".../Multiple.Files"
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

  // Find and replace.
  std::string findText, replaceText;
  bool binary = false;  // all files (binary), else text files only
  bool backup = false;
  std::string textExtensions = ".TXT";

  // Rename.
  std::string renamePattern, renameReplacement;
  long renameStart = 0;  // above 0, else from the end (32000)
  bool renameWildcards = false;  // the search pattern's own choice, apart from the filters' one

  std::array<AttributeBox, 4> attributes{AttributeBox::Grayed, AttributeBox::Grayed, AttributeBox::Grayed,
                                         AttributeBox::Grayed};  // archive, read only, system, hidden

  bool pauseBetweenOpens = false;
  std::string macro;

  int dateToChange = 1;  // 0 created, 1 modified, 2 last access
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
  std::string sizeOperator, sizeText, sizeUnit;  // all three given, or no size filter
  std::string extensions = "*.*";
  bool includeExtensions = true;
  std::string dateType, dateOperator;  // "Date Created", ... and ">=", ...
  std::optional<LocalTime> filterDate;  // the typed date when it is one
  std::string filterDateText;           // as typed; empty: no date
  bool showHidden = true;
  bool levelsOnly = false;
  long levels = 0;
};

// The engine settings a preparation makes, each only when the operation's branch makes it: an empty one keeps
// what the engine had.
struct OperationSettings {
  bool PreviewOnly = false;
  std::string SourceDirectory, DestinationDirectory;
  bool Individual_File_Selection = false;
  long Process_Files_Folders_Both = 0;
  std::optional<std::vector<std::string>> MultipleFiles;  // LoadMultipleFileArray
  long FileOperation = 1;
  std::optional<bool> CopyOp_CopyDirectoryStructure, CopyOp_NumberDuplicates, OverwriteFiles, CopyOp_CopyEmptyDirs;
  std::optional<long> CopyOp_Verification;
  struct FindAndReplace {
    std::string find, replace;
    bool backup = false;
    long fileTypes = 0;
    std::string extensions;
  };
  std::optional<FindAndReplace> FindAndReplaceSettings;
  struct Rename {
    std::string pattern, replacement;
    long patternMatching = 2;
    int16_t startAt = 32000;
  };
  std::optional<Rename> RenameSettings;
  std::optional<long> AddAttributeSettings, RemoveAttributeSettings;
  std::optional<bool> PauseBetweenOpeningFiles;
  std::optional<std::string> OpenMacroString;
  struct DateChange {
    LocalTime date;
    long which = 0;
  };
  std::optional<DateChange> FileDateChangeSettings;
  struct RunPause {
    long pause = 2, waitMs = 30000;
    bool continueOnTimeOut = false;
  };
  std::optional<RunPause> RunProcOnFilePauseSetting;
  std::optional<std::string> RunProcOnFile;
  struct Compare {
    bool full = true, matching = true, differing = true, missing = true;
    long bytes = 0;
  };
  std::optional<Compare> CompareOptions;
  long DeleteSettings = 0;
  ScanChoices scan;  // the filters, made on the engine's scanning object
};

struct PreparedOperation {
  OperationSettings settings;
  std::string summary;     // the confirmation text, without the closing question
  bool confirmed = false;  // the user answered Yes; false also when a check refused the operation
};

// Checks the choices, asking and telling through `prompter` as the window does, and makes the settings and the
// summary; then asks "Operation Confirmation". Checks may change choices the way the window changes its controls:
// a binary replacement forces the backup on and hidden files off, and unequal binary texts go back to text mode.
PreparedOperation PrepareOperation(OperationChoices& choices, Prompter& prompter);

class clsFileOps;

// Makes the settings on the engine and its scanning object in the order the window makes them; a setting the
// preparation did not make is left as the engine has it. The caller sets the scanning object's
// StartingDirectory (= SourceDirectory) right before running.
void ApplyOperationSettings(const OperationSettings& settings, clsFileOps& engine);

// The first line of a preview's confirmation.
inline constexpr char kPreviewHeading[] = "Preview only: nothing will be changed";
// The confirmation question's title.
inline constexpr char kConfirmationTitle[] = "Operation Confirmation";
// The line under a "Change Created Date" operation in its summary.
inline constexpr char kCreatedDateNote[] =
    "  ** The created date cannot be changed on Linux: every file will fail with an error.";

}  // namespace dv
