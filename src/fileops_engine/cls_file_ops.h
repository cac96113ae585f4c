#pragma once
// The file operations engine. A caller hands ProcessOperation the operation's settings and its source (both typed
// values, see operation_settings.h); the engine runs that one operation to its end on the caller's thread:
//   1. check: the source and destination (VerifyPaths), or the processing bank's entries one by one;
//   2. gather: the scanning object walks the source and hands over every accepted item (picked files are taken
//      as they are); only its kind and path are kept, in a spool that goes to a file once it outgrows memory;
//   3. process: each gathered item goes to the operation's per-file or per-folder step (one table keyed by
//      FileOp), and each outcome becomes a line of the results;
//   4. write the results file (DVidt.txt): its header, then the lines, which were spooled as they were recorded;
//      raise cfoCompletedProcessing.
// Memory therefore stays flat however many items a run has.
// Questions and messages go through the injected Prompter; errors, progress and cancel checks through the
// listener. Nothing is global: the processing bank is part of the source the caller hands over.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/prompter.h"
#include "common/resume_scope.h"
#include "fileops_engine/fileops_codes.h"
#include "fileops_engine/fileops_listener.h"
#include "fileops_engine/item_kind.h"
#include "fileops_engine/journal.h"
#include "fileops_engine/operation_settings.h"
#include "fileops_engine/results_file.h"
#include "platform/beneath.h"
#include "platform/record_spool.h"
#include "platform/datetime.h"
#include "platform/regexp.h"
#include "platform/target_folders.h"
#include "platform/trash.h"
#include "scan/cls_dir_processing.h"

namespace dv {

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

  // The scanning object; the settings' filters are made on it when an operation starts.
  clsDirProcessing& scFileOperations() { return scan_; }

  // Atomic, so that a signal handler may set it; the engine looks at it before each item and between blocks of a
  // long one (a big copy, rewrite or comparison).
  bool StopProcessing() const { return stop_.load(std::memory_order_relaxed); }
  void StopProcessing(bool StopNow) { stop_.store(StopNow, std::memory_order_relaxed); }
  // The flag itself, for a signal handler (a lock-free store is all it may do).
  std::atomic<bool>& StopToken() { return stop_; }
  // Where real runs write their journal (docs/undo.md); empty: none is written.
  void JournalFolder(std::string folder) { journalFolder_ = std::move(folder); }
  const std::string& JournalFolder() const { return journalFolder_; }
  // The journal file of the last run, empty when it wrote none.
  const std::string& LastJournal() const { return lastJournal_; }
  const std::string& InformativeDisplayTXTLocation() const { return resultsPath_; }
  // A caller that may run beside another (the command line) keeps its results in a file of its own.
  void InformativeDisplayTXTLocation(std::string path) { resultsPath_ = std::move(path); }

  // Runs one operation: makes the settings' filters on the scanning object, then runs as ProcessOperation().
  // A bank's entries given twice run once (the caller parses them with ParseBankEntries).
  void ProcessOperation(const OperationSettings& settings, const OperationSource& source);
  // Runs the operation the engine holds; raises cfoCompletedProcessing at its end, whatever happened. Not
  // re-entrant: a call made from one of its own events is refused with an error event.
  void ProcessOperation();

  const OperationSettings& Settings() const { return settings_; }

  // Named properties over the held value, for callers that set one field at a time. Setting a field of another
  // operation's details replaces the details with that operation's defaults first.
  FileOp FileOperation() const { return settings_.operation; }
  // The details stay when they belong to `op`, else they become its defaults.
  void FileOperation(FileOp op);
  void Process_Files_Folders_Both(Gathering gathering) { settings_.gathering = gathering; }
  bool PreviewOnly() const { return settings_.previewOnly; }
  void PreviewOnly(bool booPreviewOnly) { settings_.previewOnly = booPreviewOnly; }
  void DisplayAffectedItemsFirst(bool PreviewOperation) { settings_.reportPreview = PreviewOperation; }
  // Stored back with a trailing "/" by the path check.
  const std::string& DestinationDirectory() const { return settings_.destination; }
  void DestinationDirectory(std::string strDestination) { settings_.destination = std::move(strDestination); }
  // A folder, walked; contents only: the folder itself is no item.
  void SourceDirectory(std::string strSource, bool contentsOnly = false) {
    source_ = SourceFolder{std::move(strSource), contentsOnly};
  }
  // Files of the source folder, by name. A name that cannot be opened (or that is not a plain name of that
  // folder) is reported and left out when the operation starts.
  void LoadMultipleFileArray(const std::vector<std::string>& strFileArray);
  // Entries as the bank file writes them; none (after a bank): no source until SourceDirectory names one.
  void ProcessingBankItems(const std::vector<std::string>& items);
  void OverwriteFiles(bool booOverwrite) { Edit<CopyLayout>().overwrite = booOverwrite; }
  void CopyOp_CopyDirectoryStructure(bool booCopyDirStructure) { Edit<CopyLayout>().structure = booCopyDirStructure; }
  void CopyOp_CopyEmptyDirs(bool booCopyEmptyDirs) { Edit<CopyLayout>().emptyFolders = booCopyEmptyDirs; }
  void CopyOp_NumberDuplicates(bool booNumberDuplicates) {
    Edit<CopyLayout>().duplicates = booNumberDuplicates ? Duplicates::Numbered : Duplicates::Overwritten;
  }
  void CopyOp_Verification(Verification VerifyFilesCopied) { Edit<CopyLayout>().verification = VerifyFilesCopied; }
  void DeleteSettings(long DeleteTheseItems) { Edit<DeleteChoice>().emptyFolders = DeleteTheseItems == 1; }
  void AddAttributeSettings(long AttributesOrClause) { Edit<AttributeChoice>().add = AttributesOrClause; }
  void RemoveAttributeSettings(long AttributesOrClause) { Edit<AttributeChoice>().remove = AttributesOrClause; }
  void PauseBetweenOpeningFiles(bool PauseBetweenFiles) { Edit<OpenChoice>().pauseBetweenFiles = PauseBetweenFiles; }
  void OpenMacroString(std::string strMacroCommandSequence) {
    Edit<OpenChoice>().macro = std::move(strMacroCommandSequence);
  }
  void RunProcOnFile(std::string strProcessingString) { Edit<RunProcChoice>().command = std::move(strProcessingString); }
  void RunProcOnFilePauseSetting(long PauseSetting, long WaitTOMilliSeconds, bool ContinueProcessingEvenOnTimeOut);
  void FindAndReplaceSettings(const std::string& strFindString, const std::string& strReplaceString,
                              bool booCreateBackup, long cusFileTypes, const std::string& strTXTExtension) {
    Edit<FindReplaceChoice>() = {strFindString, strReplaceString, booCreateBackup, cusFileTypes, strTXTExtension};
  }
  void RenameSettings(const std::string& strRenameSearchPattern, const std::string& strRenameReplacement,
                      long currentPatternMatching, int intStartReplacingAt) {
    Edit<RenameChoice>() = {strRenameSearchPattern, strRenameReplacement, currentPatternMatching, intStartReplacingAt};
  }
  void FileDateChangeSettings(const LocalTime& NewDateToSet) { Edit<DateChangeChoice>().when = NewDateToSet; }
  void SetCompareOptions(bool CompareFull, bool DisplayMatching, bool DisplayNonMatching, bool DisplayMissing,
                         long PartialBytesToCompare) {
    Edit<CompareChoice>() = {CompareFull, DisplayMatching, DisplayNonMatching, DisplayMissing, PartialBytesToCompare};
  }

  // What the last operation recorded (the results file's body, read back from its spool), and its counts.
  std::vector<std::string> RecordedLines() const;
  // Whether a recorded line tells of an item that failed or of a source skipped (missing, equal to or holding
  // the destination): the skipped ones have no count of their own.
  bool AnItemFailed() const { return itemFailed_; }
  long SuccessCount() const { return successes_; }
  long FailureCount() const { return failures_; }
  // Whether the last operation was refused before any item was processed: a check failed or told the user why
  // (missing source, same folders, ...), or a question of the checks was declined (create the destination,
  // process a root folder). Messages and answers while items are processed do not count.
  bool Refused() const { return refused_; }
  // The settings that make the results file's description; filters are taken from the scanning object.
  DescriptionChoices Choices() const;

 private:
  // The kinds of gathered items in the spool.
  static constexpr char kFile = 'F', kFolder = 'D';
  // One row of the operation table: the per-file and the per-folder step (null: the folder step records nothing).
  using FileStep = long (clsFileOps::*)(const std::string& path);
  using FolderStep = long (clsFileOps::*)(const std::string& path);
  struct OperationSteps {
    FileStep perFile;
    FolderStep perFolder;
  };
  static const OperationSteps& StepsOf(FileOp op);
  // The run's own state, made from the settings and the source before the checks.
  void StartRun();
  // An error event, and true, when an operation is running already.
  bool RefusedWhileRunning();

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
  void ClearGathered();
  void PruneEmptyFolders();
  void ProcessGatheredItems();
  void ProcessFileArray();
  void ProcessFolderArray();
  void ProcessMixedArray();
  // What stands at the gathered `path` now: looked at from its folder's open handle where it can be.
  ItemKind KindOfItem(const std::string& path);
  void ProcessFile(const std::string& path);
  void ProcessFolder(const std::string& path);
  void CreateInfoDisplay();
  void AddInfoLine(std::string_view line);
  bool Stopped() const { return StopProcessing(); }
  // The destination folder's path followed by the part of `path` below the source root.
  std::string Mirrored(const std::string& path) const;

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
  // Types `macro` into the opened program's window only.
  void SendOpenMacro(class KeySender* sender, const struct OpenedProgram& program, const std::string& macro);
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

  // The journal of a real run that changes files (journal_recording.cpp). StartJournal is false when the run must
  // not go on: a journal was wanted and cannot be written (the user has been told).
  bool StartJournal();
  void EndJournal();
  // Records what a step did, right after doing it; nothing without a journal. A journal that cannot be written
  // any more is an error event: the item itself was done.
  void Record(const JournalItem& item);
  // `what` for the item `name` of the open folder `dir`, as it is now.
  void RecordAt(JournalItem::Do what, int dir, const char* name, const std::string& path);
  // `item` (its path set) with the identity of `name` of `dir` as it is now.
  void RecordAt(JournalItem item, int dir, const char* name);
  // A delete step's (or move's emptied folder's) removal: trashed, when the step put it in the trash.
  void RecordRemoval(const std::string& path, bool folder);
  // Keeps the file `name` of `dir` before a step replaces it, when the run has a journal and something is there;
  // a placing retried at the same path keeps once (kept_).
  void KeepBeforeReplacing(int dir, const char* name, const std::string& path);
  // A rename (one file system) or a move across file systems of `from` to `name` of `dir` (at `to`), after any
  // replaced line for what it replaced: undo gives the item back its old name first, then the kept file.
  void RecordMoved(bool renamed, const std::string& from, int dir, const char* name, const std::string& to);
  // Attributes and dates: the item line with what the item had before the change (empty without a journal).
  std::optional<JournalItem> BeforeChangeAt(JournalItem::Do what, int dir, const char* name, const std::string& path);
  // The item line for a file just placed at `name` of `dir`: replaced when it was kept before, else `what`.
  void RecordPlaced(JournalItem::Do what, int dir, const char* name, const std::string& path);
  struct KeptFile {
    std::string forPath, kept;
    ItemId keptId;
  };
  std::optional<KeptFile> kept_;
  long journalItems_ = 0;

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
  std::string journalFolder_, lastJournal_;
  std::unique_ptr<JournalWriter> journal_;  // the running operation's, when it writes one
  // Where the delete step's last item went in the trash, for the journal.
  struct TrashedAt {
    std::string trash, info;
  };
  std::optional<TrashedAt> lastTrash_;
  // The trashes of the current pass over the items, each looked up once (made at the first item put in one).
  TrashCans& Trashes();
  std::unique_ptr<TrashCans> trashCans_;

  std::atomic<bool> stop_{false};
  // The operation, as given or as the properties made it.
  OperationSettings settings_;
  OperationSource source_;

  // The held details of type T, made the defaults of T first when they are of another operation.
  template <class T>
  T& Edit() {
    if (!std::holds_alternative<T>(settings_.details)) settings_.details = T{};
    return std::get<T>(settings_.details);
  }
  // The details of type T, or T's defaults when the held details are of another operation.
  template <class T>
  const T& DetailsOf() const {
    static const T defaults{};
    const T* held = std::get_if<T>(&settings_.details);
    return held ? *held : defaults;
  }
  const CopyLayout& Layout() const { return DetailsOf<CopyLayout>(); }
  // Files go into the mirrored folders; never for the bank's file entries, which go straight into the destination.
  bool Structured() const { return Layout().structure && !bankFilePass_; }
  FileOp Operation() const { return settings_.operation; }
  bool Picked() const { return std::holds_alternative<PickedFiles>(source_); }
  const std::vector<BankEntry>* Bank() const {
    const auto* bank = std::get_if<BankSource>(&source_);
    return bank ? &bank->entries : nullptr;
  }

  // The gathered items: one list, of files, of folders or of both as the gathering says; `dropped_` marks the
  // folders a copy leaves out (nothing of them is copied), by index.
  RecordSpool gathered_;
  std::vector<bool> dropped_;
  size_t droppedCount_ = 0;
  std::string item_;  // the item being processed, a path
  // The driver's look at the item just now saw a regular file: its step may open it without looking again.
  bool itemRegular_ = false;
  // A step run before the driver's look (kindUnchecked_) that found nothing, or another kind, at the item's
  // place sets kindMismatch_ and leaves it alone: the driver then looks and handles it as usual.
  bool kindUnchecked_ = false, kindMismatch_ = false;
  std::string line_;  // the results line being made
  // The results' lines, in the order recorded.
  RecordSpool recorded_;
  long successes_ = 0, failures_ = 0;
  bool itemFailed_ = false;

  // State of the running operation.
  std::string sourcePath_;      // the source folder, absolute, without a trailing "/" (but "/")
  size_t sourceRootLength_ = 0;  // characters of an item's path that the mirrored path leaves out
  bool sourceIsRoot_ = false;
  std::string destPath_;        // the destination folder, absolute, without a trailing "/" (but "/")
  bool destinationInUse_ = false;
  std::string currentTarget_;
  std::string madeTarget_;  // the last target folder known to be there
  Gathering gathering_ = Gathering::FilesAndFolders;  // picked files are files, whatever the settings say
  std::string renamePattern_;  // the rename's search pattern, converted
  DateTime dateWhen_;          // the date operations' date, converted from local time
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
