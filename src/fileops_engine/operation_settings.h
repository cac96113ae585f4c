#pragma once
// One file operation as a value: what it does, which items it takes, its own settings, and where its items come
// from. The front ends build it (the window through PrepareOperation, dorvane-cli from its options) and the engine
// runs it as given. The window's source box and the bank file write a folder's contents as "folder/*.*" and
// picked files as "folder/Multiple.Files": those texts are read where they are typed or stored, never in here.
#include <string>
#include <variant>
#include <vector>

#include "fileops_engine/fileops_codes.h"
#include "platform/datetime.h"
#include "scan/scan_choices.h"

namespace dv {

enum class Verification : long { None = 1, Quick = 2, Full = 3 };  // the results file's numbers
enum class Duplicates { Numbered, Overwritten };

// Rename: a start position that replaces every match of the pattern, wherever it is.
inline constexpr int kEveryMatch = kAllLevels;

// Copy and move.
struct CopyLayout {
  bool structure = false;     // mirror the source's folders; else every file into the destination folder
  bool overwrite = false;     // a file already at the target is replaced
  bool emptyFolders = false;  // with the structure: folders that receive no file are made too
  Duplicates duplicates = Duplicates::Overwritten;  // one folder: a name already there
  Verification verification = Verification::None;
};

struct DeleteChoice {
  bool emptyFolders = false;  // folders left empty go too
  bool toTrash = false;       // into the trash, where they can be restored, instead of unlinked
};

struct FindReplaceChoice {
  std::string findString, replaceString;
  bool createBackup = false;
  long fileTypes = 0;  // non-zero: any file type (binary)
  std::string txtExtension;
};

struct RenameChoice {
  std::string searchPattern;  // as typed; converted with `patternMatching` when the operation starts
  std::string replacement;
  long patternMatching = 2;  // 1 wildcards, 2 regular expression
  int startReplacingAt = kEveryMatch;
};

struct AttributeChoice {
  long add = 0, remove = 0;  // attribute bits
};

struct OpenChoice {
  bool pauseBetweenFiles = false;
  std::string macro;
};

// The three date operations: the date is local time, converted with the offset in force on that date.
struct DateChangeChoice {
  LocalTime when;
};

struct RunProcChoice {
  std::string command;  // holds "<<filename>>"
  long pauseSetting = 2;  // 0 go on, 1 wait, 2 ask
  long waitMilliseconds = 0;
  bool continueOnTimeOut = false;
};

struct CompareChoice {
  bool compareFull = false, displayMatching = false, displayNonMatching = false, displayMissing = false;
  long partialBytes = 0;
};

// The operation's own settings; empty shells have none (Gathering says files and folders or folders only).
using OperationDetails = std::variant<std::monostate, CopyLayout, DeleteChoice, FindReplaceChoice, RenameChoice,
                                      AttributeChoice, OpenChoice, DateChangeChoice, RunProcChoice, CompareChoice>;

// The details an operation starts with.
OperationDetails DefaultDetails(FileOp op);

struct OperationSettings {
  FileOp operation = FileOp::Copy;
  Gathering gathering = Gathering::FilesAndFolders;  // for a walked folder
  bool previewOnly = false;    // list what would be done
  bool reportPreview = false;  // the directory report of the items instead
  std::string destination;
  OperationDetails details = CopyLayout{};
  ScanChoices scan;  // the filters, made on the engine's scanning object
};

// A folder, walked. Contents only: the folder itself is not an item (a delete or move leaves it in place).
struct SourceFolder {
  std::string path;
  bool contentsOnly = false;
};

// Files of one folder, picked by name: only these are processed.
struct PickedFiles {
  std::string folder;
  std::vector<std::string> names;
};

// One entry of the processing bank.
struct BankEntry {
  enum class Kind { Folder, Contents, File } kind = Kind::File;
  std::string path;  // a folder's with its final "/"
};

struct BankSource {
  std::vector<BankEntry> entries;
};

using OperationSource = std::variant<SourceFolder, PickedFiles, BankSource>;

// The source's text for the results file and messages: the folder ("folder/*.*" for its contents), the picked
// files' folder, or nothing for a bank (its entries are listed instead).
std::string SourceText(const OperationSource& source);

}  // namespace dv
