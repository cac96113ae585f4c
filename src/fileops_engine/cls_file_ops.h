#pragma once
// The file operations engine. A caller sets the properties and settings methods, configures the filters of the
// engine's own scanning object (scFileOperations), and calls ProcessOperation, which runs one operation to its
// end on the caller's thread:
//   1. check: the source and destination (VerifyPaths), or the processing bank's entries one by one;
//   2. gather: the scanning object walks the source and hands over every accepted item; only its path is kept;
//   3. process: each gathered item goes to the operation's per-file or per-folder step (one table keyed by
//      FileOperation), and each outcome becomes a line of the results;
//   4. write the results file (DVidt.txt) and raise cfoCompletedProcessing.
// Questions and messages go through the injected Prompter; errors, progress and cancel checks through the
// listener. Nothing is global: the processing bank is a list the caller hands over.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/prompter.h"
#include "common/resume_scope.h"
#include "fileops_engine/fileops_codes.h"
#include "fileops_engine/fileops_listener.h"
#include "fileops_engine/results_file.h"
#include "platform/beneath.h"
#include "platform/datetime.h"
#include "platform/regexp.h"
#include "platform/target_folders.h"
#include "scan/cls_dir_processing.h"

namespace dv {

struct FindReplaceChoice {
  std::string findString, replaceString;
  bool createBackup = false;
  long fileTypes = 0;  // non-zero: any file type
  std::string txtExtension;
};

struct RenameChoice {
  std::string searchPattern;  // converted by ConvertPattern with `patternMatching`
  std::string replacement;
  long patternMatching = 1;
  int startReplacingAt = 0;
};

struct RunProcChoice {
  long pauseSetting = 2;
  long waitMilliseconds = 0;
  bool continueOnTimeOut = false;
};

struct DateChangeChoice {
  DateTime when;         // the local time given, converted with the offset in force on that date
  long dateToChange = 0;  // 0 created, 1 modified, 2 last accessed
};

struct CompareChoice {
  bool compareFull = false, displayMatching = false, displayNonMatching = false, displayMissing = false;
  long partialBytes = 0;
};

class clsFileOps {
 public:
  // `tempFolder` is the private temporary folder: the results file is `tempFolder` + "/DVidt.txt" (unless the
  // caller names another with InformativeDisplayTXTLocation) and the report preview is written to `tempFolder` +
  // "/tmpOuput.txt".
  clsFileOps(Prompter& prompter, const std::string& tempFolder, FileOpsListener* listener = nullptr);
  ~clsFileOps();
  clsFileOps(const clsFileOps&) = delete;
  clsFileOps& operator=(const clsFileOps&) = delete;
  void Listener(FileOpsListener* listener) { listener_ = listener; }

  // The scanning object: the caller sets its filters and its StartingDirectory (= SourceDirectory) before
  // ProcessOperation.
  clsDirProcessing& scFileOperations() { return scan_; }

  // Properties.
  // Atomic, so that a signal handler may set it; the engine looks at it before each item and between blocks of a
  // long one (a big copy, rewrite or comparison).
  bool StopProcessing() const { return stop_.load(std::memory_order_relaxed); }
  void StopProcessing(bool StopNow) { stop_.store(StopNow, std::memory_order_relaxed); }
  // The flag itself, for a signal handler (a lock-free store is all it may do).
  std::atomic<bool>& StopToken() { return stop_; }
  const std::string& InformativeDisplayTXTLocation() const { return resultsPath_; }
  // A caller that may run beside another (the command line) keeps its results in a file of its own.
  void InformativeDisplayTXTLocation(std::string path) { resultsPath_ = std::move(path); }
  const std::string& RunProcOnFile() const { return runProcOnFile_; }
  void RunProcOnFile(std::string strProcessingString) { runProcOnFile_ = std::move(strProcessingString); }
  long AddAttributeSettings() const { return addAttributes_; }
  void AddAttributeSettings(long AttributesOrClause) { addAttributes_ = AttributesOrClause; }
  long RemoveAttributeSettings() const { return removeAttributes_; }
  void RemoveAttributeSettings(long AttributesOrClause) { removeAttributes_ = AttributesOrClause; }
  bool PauseBetweenOpeningFiles() const { return pauseBetweenFiles_; }
  void PauseBetweenOpeningFiles(bool PauseBetweenFiles) { pauseBetweenFiles_ = PauseBetweenFiles; }
  long DeleteSettings() const { return deleteSettings_; }
  void DeleteSettings(long DeleteTheseItems) { deleteSettings_ = DeleteTheseItems; }
  bool DisplayAffectedItemsFirst() const { return reportPreview_; }
  void DisplayAffectedItemsFirst(bool PreviewOperation) { reportPreview_ = PreviewOperation; }
  long Process_Files_Folders_Both() const { return ffType_; }
  void Process_Files_Folders_Both(long ffType) { ffType_ = ffType; }
  const std::string& SourceDirectory() const { return source_; }
  void SourceDirectory(std::string strSource) { source_ = std::move(strSource); }
  // Stored back with a trailing "/" by the path check.
  const std::string& DestinationDirectory() const { return destination_; }
  void DestinationDirectory(std::string strDestination) { destination_ = std::move(strDestination); }
  bool OverwriteFiles() const { return overwrite_; }
  void OverwriteFiles(bool booOverwrite) { overwrite_ = booOverwrite; }
  long FileOperation() const { return operation_; }
  void FileOperation(long eOperation) { operation_ = eOperation; }
  // Kept as a flag (2 means on); no operation consults it.
  bool EmptyShellsLevel() const { return emptyShellsLevel_; }
  void EmptyShellsLevel(long CreateShellsFor) { emptyShellsLevel_ = CreateShellsFor == 2; }
  bool PreviewOnly() const { return previewOnly_; }
  void PreviewOnly(bool booPreviewOnly) { previewOnly_ = booPreviewOnly; }
  const std::string& OpenMacroString() const { return macro_; }
  void OpenMacroString(std::string strMacroCommandSequence) { macro_ = std::move(strMacroCommandSequence); }
  bool Individual_File_Selection() const { return individual_; }
  void Individual_File_Selection(bool booIndividualFileSelections) { individual_ = booIndividualFileSelections; }
  bool CopyOp_CopyDirectoryStructure() const { return structure_; }
  void CopyOp_CopyDirectoryStructure(bool booCopyDirStructure) { structure_ = booCopyDirStructure; }
  bool CopyOp_CopyEmptyDirs() const { return emptyDirs_; }
  void CopyOp_CopyEmptyDirs(bool booCopyEmptyDirs) { emptyDirs_ = booCopyEmptyDirs; }
  bool CopyOp_NumberDuplicates() const { return numberDuplicates_; }
  void CopyOp_NumberDuplicates(bool booNumberDuplicates) { numberDuplicates_ = booNumberDuplicates; }
  long CopyOp_Verification() const { return verification_; }
  void CopyOp_Verification(long VerifyFilesCopied) { verification_ = VerifyFilesCopied; }

  // The processing bank: entries ending in "/" are folders with their contents, entries ending in "/*.*" the
  // contents of a folder, other entries files. An empty bank means SourceDirectory is the source. An entry given
  // again (the same kind, the same absolute path once "." , ".." and repeated "/" are taken out) is dropped, the
  // first kept: a move or delete would otherwise act on the result of its own first pass.
  const std::vector<std::string>& ProcessingBankItems() const { return bank_; }
  void ProcessingBankItems(std::vector<std::string> items);

  // Settings methods.
  void FindAndReplaceSettings(const std::string& strFindString, const std::string& strReplaceString,
                              bool booCreateBackup, long cusFileTypes, const std::string& strTXTExtension);
  void RenameSettings(const std::string& strRenameSearchPattern, const std::string& strRenameReplacement,
                      long currentPatternMatching, int intStartReplacingAt);
  void RunProcOnFilePauseSetting(long PauseSetting, long WaitTOMilliSeconds, bool ContinueProcessingEvenOnTimeOut);
  void FileDateChangeSettings(const LocalTime& NewDateToSet, long DateToChange);
  void SetCompareOptions(bool CompareFull, bool DisplayMatching, bool DisplayNonMatching, bool DisplayMissing,
                         long PartialBytesToCompare);
  // The files list: each name is a file of SourceDirectory. A name that cannot be opened (or that is not a plain
  // name of that folder) is reported and left out.
  void LoadMultipleFileArray(const std::vector<std::string>& strFileArray);

  const FindReplaceChoice& FindReplaceSettings() const { return findReplace_; }
  const RenameChoice& RenameSetting() const { return rename_; }
  const RunProcChoice& RunProcSettings() const { return runProc_; }
  const DateChangeChoice& DateChangeSettings() const { return dateChange_; }
  const CompareChoice& CompareSettings() const { return compare_; }

  // Runs one operation; raises cfoCompletedProcessing at its end, whatever happened. Not re-entrant: a call made
  // from one of its own events is refused with an error event.
  void ProcessOperation();

  // What the last operation recorded (the results file's body), and its counts.
  const std::vector<std::string>& RecordedLines() const { return lines_; }
  long SuccessCount() const { return successes_; }
  long FailureCount() const { return failures_; }
  // Whether the last operation was refused before any item was processed: a check failed or told the user why
  // (missing source, same folders, ...), or a question of the checks was declined (create the destination,
  // process a root folder). Messages and answers while items are processed do not count.
  bool Refused() const { return refused_; }
  // The settings that make the results file's description; filters are taken from the scanning object.
  DescriptionChoices Choices() const;

 private:
  struct MixedItem {
    enum Kind : char { File = 0, Folder = 1, Dropped = 99 } kind;
    std::string path;
  };
  // One row of the operation table: the per-file and the per-folder step (null: the folder step records nothing).
  using FileStep = long (clsFileOps::*)(const std::string& path);
  using FolderStep = long (clsFileOps::*)(const std::string& path);
  struct OperationSteps {
    FileStep perFile;
    FolderStep perFolder;
  };
  static const OperationSteps& StepsOf(long operation);

  class ScanEvents;
  friend class ScanEvents;

  // Handlers of the scanning object's events.
  void scFileOperations_evtCheckForClose();
  void scFileOperations_evtExternalPassFile(const std::string& path);
  void scFileOperations_evtExternalPassFolder(const std::string& path);
  void scFileOperations_evtExternalProcessingComplete();

  // Driver steps.
  long VerifyPaths(const std::string& destination, const std::string& source, bool checkSource = true);
  void ShowVerifyMessage(long result);
  bool CreateDestinationFolder();
  void Gather();
  void ProcessingBank();
  void PruneEmptyFolders();
  void ProcessGatheredItems();
  void ProcessFileArray();
  void ProcessFolderArray();
  void ProcessMixedArray();
  void ProcessFile(const std::string& path);
  void ProcessFolder(const std::string& path);
  void CreateInfoDisplay();
  void AddInfoLine(std::string text);
  bool Stopped() const { return StopProcessing(); }
  // The destination folder's path followed by the part of `path` below the source root.
  std::string Mirrored(const std::string& path) const;
  bool UsesDestination() const;

  // Per-item steps of the operation table.
  long CopyStep(const std::string& path);
  // Copies one file by the layout's rules; a name request holding "Get" receives a numbered duplicate's new name.
  long CopyOneFile(const std::string& path, std::string& nameRequest);
  // Puts one file at its target by the copy layout's rules, with `transfer` doing the copy or the move; reports
  // its errors at `location` naming `itemText`. `target` receives where the file went. The transfer checks its
  // copy as the verification asks (platform/placement.h) and says whether it agreed.
  using Transfer = std::function<bool(const std::string& target, bool overwrite)>;
  long PlaceFile(const std::string& path, std::string& nameRequest, const Transfer& transfer, const char* location,
                 const std::string& itemText, std::string& target);
  long CopyFolderStep(const std::string& path);
  long ShellsFolderStep(const std::string& path);
  long DeleteOneFile(const std::string& path);
  long DeleteFolderStep(const std::string& path);
  long DeleteEmptyFolder(const std::string& path);
  long MoveOneFile(const std::string& path);
  long MoveFolderStep(const std::string& path);
  long MoveOneFolder(const std::string& path);
  long MakeEmptyShell(const std::string& path);
  long FindAndReplaceInFile(const std::string& path);
  long RenameOneFile(const std::string& path);
  // The rename's new name for the file `name`, empty when it keeps its name; throws when the new name is no name.
  std::string NewNameFor(const std::string& name);
  // The rename in a list preview: the name the file would get (numbered as the run would number it, against the
  // folder's names and the names given earlier in this preview), or outcome "nothing done" when it keeps its name.
  long PreviewRename(const std::string& path);
  // The next "_DV" counter to try for `base` in the folder of `path`, kept for one pass over the gathered items.
  long& RenameCounter(const std::string& path, const std::string& base);
  long ChangeFileAttributes(const std::string& path);
  long OpenOneFile(const std::string& path);
  long ChangeFileDate(const std::string& path);
  long RunProcessOnFile(const std::string& path);
  // Run process and open with macro. Every wait raises evtCFOCheckForClosing about every 100 ms, so the caller's
  // window keeps painting, and ends early once StopProcessing is set.
  bool CheckForStop();               // one check: raises the event, true when stopped
  bool PauseFor(long milliseconds);  // false when stopped early
  void SendOpenMacro(class KeySender* sender, const struct OpenedProgram& program);  // types into its window only
  long CompareOneFile(const std::string& path);
  // Rename, find and replace, compare: the rename's two pattern steps, and what these operations keep from one
  // item to the next (the compiled rename pattern, compare's two read buffers).
  bool NameMatchesPattern(const std::string& pattern, const std::string& name);
  std::string BuildNewName(const std::string& pattern, const std::string& name, const std::string& replacement,
                           int start);
  RegExp renameExpression_;
  std::vector<char> compareBufferA_, compareBufferB_;
  long UnknownOperation(const std::string& path);
  // Folder creation shared by copy, move and shells.
  void CreatePath(const std::string& path);
  long CreateOneFolder(const std::string& path);
  // Clears the bits of `mask` that the item at `path` has; false when it is missing, has none of them, or the
  // change is refused.
  bool ClearFileAttributes(const std::string& path, long mask);

  void PassError(const Error& error, const std::string& location, long kind, const std::string& otherInfo);
  // A report-and-resume scope at `location` whose failures become error events of `kind` naming `otherInfo`.
  ResumeScope Reporting(const char* location, long kind = cfoerr::Driver, std::string otherInfo = {});
  // The scope of a per-item step: a failure becomes an item error at `location` naming `itemText`, and sets
  // `result` to outcome 0.
  ResumeScope ItemScope(const char* location, std::string itemText, long& result);
  FileOpsListener& Events() { return listener_ ? *listener_ : silent_; }

  Prompter& prompter_;
  FileOpsListener* listener_;
  FileOpsListener silent_;
  std::string resultsPath_;

  // Properties.
  std::atomic<bool> stop_{false};
  std::string runProcOnFile_;
  long addAttributes_ = 0, removeAttributes_ = 0;
  bool pauseBetweenFiles_ = false;
  long deleteSettings_ = 0;
  bool reportPreview_ = false;
  long ffType_ = gather::FilesAndFolders;
  std::string source_, destination_;
  bool overwrite_ = false;
  long operation_ = fileop::Copy;
  bool emptyShellsLevel_ = false;
  bool previewOnly_ = false;
  std::string macro_;
  bool individual_ = false;
  bool structure_ = false, emptyDirs_ = false, numberDuplicates_ = false;
  long verification_ = 0;
  std::vector<std::string> bank_;
  FindReplaceChoice findReplace_;
  RenameChoice rename_;
  RunProcChoice runProc_;
  DateChangeChoice dateChange_;
  CompareChoice compare_;

  // The gathered items, one path each.
  std::vector<std::string> files_, folders_;
  std::vector<MixedItem> mixed_;
  // The results.
  std::vector<std::string> lines_;
  long successes_ = 0, failures_ = 0;

  // State of the running operation.
  std::string sourcePath_;      // the source folder, absolute, without a trailing "/" (but "/")
  size_t sourceRootLength_ = 0;  // characters of an item's path that the mirrored path leaves out
  bool sourceIsRoot_ = false;
  std::string destPath_;        // the destination folder, absolute, without a trailing "/" (but "/")
  bool destinationInUse_ = false;
  std::string currentTarget_;
  std::string madeTarget_;  // the last target folder known to be there
  bool filtersActive_ = false, createPending_ = false, abort_ = false;
  bool bankFilePass_ = false, flatTarget_ = false, contentsOnly_ = false;
  bool running_ = false;
  bool refused_ = false;
  // Sources are reached from the source folder without following links on the way.
  ItemsBeneath beneath_;

  // Rename: per (folder, base name) the next "_DV" counter to try, so that N files renamed to one name do not
  // each try every taken number from 1 again. Kept for one pass over the gathered items (beneath_.Run()).
  std::map<std::pair<std::string, std::string>, long> renameCounters_;
  unsigned renameCountersRun_ = 0;
  // The rename preview: per folder, the names it has taken (true) or given up (false) so far; and the files it
  // looked at and left with their names, said in a message at its end.
  std::map<std::string, std::map<std::string, bool>> previewNames_;
  long previewedFiles_ = 0, unchangedFiles_ = 0;
  // The new name the last per-file step gave its file (a rename, a numbered duplicate); appended to its line.
  std::string newName_;
  // A missing destination a preview noted (once per operation: a bank checks it for each entry).
  bool destinationNoted_ = false;
  // Compare's findings, counted whatever the display switches hide.
  long compareMatching_ = 0, compareDiffering_ = 0, compareMissing_ = 0;
  // Targets are reached, and their folders made, from the destination folder without following links.
  TargetFolders targets_;
  // The three recording switches: on from creation, never changed.
  const bool recordOutcomes_ = true, recordFailures_ = true, recordSuccesses_ = true;

  // Declared last: its events reach the members above.
  std::unique_ptr<ScanEvents> scanEvents_;
  clsDirProcessing scan_;
};

}  // namespace dv
