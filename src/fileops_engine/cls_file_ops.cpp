// The operation driver. Stages of one ProcessOperation call:
//   1. reset: flags, lists, counts, results; the run's own state from the settings (StartRun: picked files,
//      the rename pattern and the date converted);
//   2. the results file is emptied at once, so a refused operation still leaves its header;
//   3. check: VerifyPaths on the source and destination (or, with a processing bank, on each entry in turn);
//   4. the report preview, or the root question and the gathering (the scanning object's walk); the
//      processing phase runs inside the walk's completion event;
//   5. the results file is written (its header, then the lines spooled as they were recorded) and
//      cfoCompletedProcessing raised.
#include "fileops_engine/cls_file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/pattern.h"
#include "fileops_engine/bank_file.h"
#include "common/resume_scope.h"
#include "common/text_rules.h"
#include "fileops_engine/item_kind.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

namespace {

// The path cut before its last "/".
std::string_view CutAtLastSlash(std::string_view path) {
  size_t at = path.rfind('/');
  return at == std::string_view::npos ? std::string_view() : path.substr(0, at);
}

}  // namespace

// Receives the scanning object's events and hands them to the engine's handlers.
class clsFileOps::ScanEvents : public ScanListener {
 public:
  explicit ScanEvents(clsFileOps& ops) : ops_(ops) {}
  void evtExternalPassFolder(Folder& passedFolder) override {
    ops_.scFileOperations_evtExternalPassFolder(passedFolder.Path());
  }
  void evtExternalPassFile(File& passedFile) override { ops_.scFileOperations_evtExternalPassFile(passedFile.Path()); }
  void evtExternalPassError(const Error& passedError, const std::string& strLoc, long errCDPType,
                            const std::string& strOtherInfo) override {
    ops_.Events().evtCFOExternalPassError(passedError, strLoc, errCDPType, strOtherInfo);
  }
  void evtExternalProcessingComplete() override { ops_.scFileOperations_evtExternalProcessingComplete(); }
  void evtCreateDirPrintFileComplete() override {}
  void evtCheckForClose() override { ops_.scFileOperations_evtCheckForClose(); }
  // The report preview's progress reaches the progress window too.
  void evtCDPUpdateProgress(const std::string& strProgressInfo) override {
    ops_.Events().evtCFOUpdateProgress(strProgressInfo);
  }

 private:
  clsFileOps& ops_;
};

clsFileOps::clsFileOps(Prompter& prompter, const std::string& tempFolder, FileOpsListener* listener)
    : prompter_(prompter),
      listener_(listener),
      resultsPath_(JoinPath(tempFolder, "DVidt.txt")),
      gathered_(tempFolder),
      recorded_(tempFolder),
      scanEvents_(std::make_unique<ScanEvents>(*this)),
      scan_(prompter, scanEvents_.get()) {
  scan_.ReportFilePath(JoinPath(tempFolder, "tmpOuput.txt"));
  // The engine keeps only paths: the walk need not look at an item beyond its listing unless a filter does.
  scan_.PassItemDetails(false);
}

clsFileOps::~clsFileOps() = default;

void clsFileOps::PassError(const Error& error, const std::string& location, long kind, const std::string& otherInfo) {
  Events().evtCFOExternalPassError(error, location, kind, otherInfo);
}

ResumeScope clsFileOps::Reporting(const char* location, long kind, std::string otherInfo) {
  return ResumeScope([this, kind, info = std::move(otherInfo)](const Error& e, const std::string& l) {
    PassError(e, l, kind, info);
  }, location);
}

ResumeScope clsFileOps::ItemScope(const char* location, std::string itemText, long& result) {
  return ResumeScope([this, &result, info = std::move(itemText)](const Error& e, const std::string& l) {
    result = outcome::Failure;
    PassError(e, l, cfoerr::Item, info);
  }, location);
}

// ---- the named properties ----

void clsFileOps::FileOperation(FileOp op) {
  settings_.operation = op;
  OperationDetails defaults = DefaultDetails(op);
  if (defaults.index() != settings_.details.index()) settings_.details = std::move(defaults);
}

void clsFileOps::LoadMultipleFileArray(const std::vector<std::string>& strFileArray) {
  std::string folder = SourceText(source_);
  if (const auto* given = std::get_if<SourceFolder>(&source_)) folder = given->path;
  source_ = PickedFiles{folder, strFileArray};
}

void clsFileOps::ProcessingBankItems(const std::vector<std::string>& items) {
  BankSource bank = ParseBankEntries(items);
  if (!bank.entries.empty()) source_ = std::move(bank);
  else if (Bank()) source_ = SourceFolder{};
}

void clsFileOps::RunProcOnFilePauseSetting(long PauseSetting, long WaitTOMilliSeconds,
                                           bool ContinueProcessingEvenOnTimeOut) {
  RunProcChoice& run = Edit<RunProcChoice>();
  run.pauseSetting = PauseSetting;
  run.waitMilliseconds = WaitTOMilliSeconds;
  run.continueOnTimeOut = ContinueProcessingEvenOnTimeOut;
}

// ---- the run's own state ----

void clsFileOps::StartRun() {
  gathering_ = Picked() ? Gathering::Files : settings_.gathering;
  if (const auto* picked = std::get_if<PickedFiles>(&source_)) {
    std::string folder = picked->folder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string bound = std::to_string(picked->names.size());
    for (size_t i = 0; i < picked->names.size(); ++i) {
      const std::string& name = picked->names[i];
      ResumeScope scope(
          [&](const Error& e, const std::string& l) {
            PassError(e, l, cfoerr::Setting, std::to_string(i + 1) + "-" + bound + "-" + bound);
          },
          cfoloc::LoadMultipleFileArray);
      scope.Step([&] {
        // Only names of files in the source folder: a name with "/" or ".." would reach elsewhere.
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
          throw Error(err::BadFileName, ErrorText(err::BadFileName) + ": not a file name of " + folder + ": " + name);
        gathered_.Add(kFile, File::At(folder + name).Path());
      });
    }
  }
  renamePattern_.clear();
  if (const auto* rename = std::get_if<RenameChoice>(&settings_.details)) {
    ResumeScope scope = Reporting(cfoloc::RenameSettings, cfoerr::Setting);
    scope.Step([&] { renamePattern_ = ConvertPattern(rename->searchPattern, rename->patternMatching); });
  }
  dateWhen_ = DateTime();
  if (const auto* date = std::get_if<DateChangeChoice>(&settings_.details)) {
    ResumeScope scope = Reporting(cfoloc::FileDateChangeSettings, cfoerr::Setting);
    // The local time is converted with the offset in force on that date, not today's.
    scope.Step([&] { dateWhen_ = DateTime::FromLocal(date->when); });
  }
}

// ---- the scanning object's events ----

void clsFileOps::scFileOperations_evtCheckForClose() {
  Events().evtCFOCheckForClosing();
  // A stop asked for here also ends the walk.
  if (Stopped()) scan_.ClosingDown(true);
}

// The per-item handlers report a failure themselves rather than through a ResumeScope: a scope costs an
// allocation or two, and they run once an item.
void clsFileOps::scFileOperations_evtExternalPassFile(const std::string& path) {
  try {
    if (gathering_ != Gathering::Folders) gathered_.Add(kFile, path);
  } catch (...) {
    PassError(CurrentError(), cfoloc::FileEvent, cfoerr::Driver, "");
  }
}

void clsFileOps::scFileOperations_evtExternalPassFolder(const std::string& path) {
  try {
    if (gathering_ != Gathering::Files) gathered_.Add(kFolder, path);
  } catch (...) {
    PassError(CurrentError(), cfoloc::FolderEvent, cfoerr::Driver, "");
  }
}

void clsFileOps::scFileOperations_evtExternalProcessingComplete() {
  ResumeScope scope = Reporting(cfoloc::CompletionEvent);
  scope.Step([&] {
    // After a cancel nothing is pruned or created: the note counts what was gathered.
    if (!Stopped() && Structured() && (!Layout().emptyFolders || filtersActive_) &&
        gathering_ == Gathering::FilesAndFolders)
      PruneEmptyFolders();
    Events().evtCFOUpdateProgress("Processing Operation...");
    if (!Stopped() && createPending_ && !settings_.previewOnly && !CreateDestinationFolder()) {
      prompter_.Message("Please choose an alternative folder or create the folder manually from your operating system.",
                        "Unable to create destination folder");
      abort_ = refused_ = true;
      return;
    }
    ProcessGatheredItems();
  });
}

// ---- the driver ----

DescriptionChoices clsFileOps::Choices() const {
  DescriptionChoices c;
  c.fileOperation = Operation();
  const CopyLayout& layout = Layout();
  c.overwriteFiles = layout.overwrite;
  c.copyDirectoryStructure = layout.structure;
  c.copyEmptyDirs = layout.emptyFolders;
  c.numberDuplicates = layout.duplicates == Duplicates::Numbered;
  c.verification = static_cast<long>(layout.verification);
  c.filtersActive = scan_.IsDateRestrictionOn() || scan_.IsExtensionRestrictionOn() || scan_.IsSizeRestrictionOn() ||
                    !scan_.RegExFilePattern().empty();
  if (const auto* rename = std::get_if<RenameChoice>(&settings_.details)) {
    // The pattern as the run uses it: converted (its conversion failing is reported when the run starts).
    try {
      c.renamePattern = ConvertPattern(rename->searchPattern, rename->patternMatching);
    } catch (...) {
      c.renamePattern = rename->searchPattern;
    }
    c.renameReplacement = rename->replacement;
  }
  c.runProcOnFile = DetailsOf<RunProcChoice>().command;
  c.sourceDirectory = SourceText(source_);
  c.destinationDirectory = settings_.destination;
  if (const std::vector<BankEntry>* bank = Bank())
    for (const BankEntry& entry : *bank) c.bankItems.push_back(BankEntryText(entry));
  return c;
}

void clsFileOps::ProcessOperation(const OperationSettings& settings, const OperationSource& source) {
  if (RefusedWhileRunning()) return;
  settings_ = settings;
  source_ = source;
  ApplyScanChoices(settings_.scan, scan_);
  ProcessOperation();
}

bool clsFileOps::RefusedWhileRunning() {
  if (!running_) return false;
  PassError(Error(err::Application, "An operation is already running; it must end before another starts"),
            cfoloc::ProcessOperation, cfoerr::Driver, "");
  return true;
}

void clsFileOps::ProcessOperation() {
  if (RefusedWhileRunning()) return;
  running_ = true;
  ResumeScope scope = Reporting(cfoloc::ProcessOperation);
  scope.Step([&] {
    abort_ = bankFilePass_ = flatTarget_ = contentsOnly_ = createPending_ = refused_ = destinationNoted_ = false;
    previewNames_.clear();
    previewedFiles_ = unchangedFiles_ = 0;
    compareMatching_ = compareDiffering_ = compareMissing_ = 0;
    destinationInUse_ = false;
    ClearGathered();
    StopProcessing(false);
    successes_ = failures_ = 0;
    filtersActive_ = Choices().filtersActive;
    recorded_.Clear();
    itemFailed_ = false;
    lastJournal_.clear();
    StartRun();
  });
  scope.Step(cfoloc::CreateInfoDisplay, [&] { WriteResultsFile(resultsPath_, {}); });
  scope.At(cfoloc::ProcessOperation);
  scope.Step([&] {
    if (!Bank()) {
      const auto* folder = std::get_if<SourceFolder>(&source_);
      long result = VerifyPaths(settings_.destination, folder ? folder->path : std::get<PickedFiles>(source_).folder);
      if (result != verify::Usable) {
        refused_ = true;
        ShowVerifyMessage(result);
        return;
      }
      // The walk starts at the checked folder.
      scan_.StartingDirectory(sourcePath_);
      contentsOnly_ = folder && folder->contentsOnly;
    }
    Events().evtCFOUpdateProgress("\r\nGathering Files...");
    if (settings_.reportPreview) {
      refused_ = Picked();
      if (Picked())
        prompter_.Message("Preview mode only applies to Single Folder operations.\r\n\r\nWhen operations are applied "
                          "to individually selected files the operation will be attempted on each selected file.",
                          kAppTitle);
      else
        scan_.CreateDirPrintFile();
      return;
    }
    if (!StartJournal()) {
      refused_ = true;
      return;
    }
    Gather();
    // The preview lists only the files that get a new name; how many keep theirs is said here, not listed.
    if (settings_.previewOnly && Operation() == FileOp::Rename && previewedFiles_ > 0 && !Stopped())
      prompter_.Message(std::to_string(unchangedFiles_) + " of " + std::to_string(previewedFiles_) +
                            " files keep their names and are not listed.",
                        "Rename Preview");
  });
  EndJournal();
  trashCans_.reset();
  CreateInfoDisplay();
  running_ = false;
  Events().cfoCompletedProcessing();
}

void clsFileOps::ShowVerifyMessage(long result) {
  switch (result) {
    case verify::SourceMissing:
      prompter_.Message("Source directory does not exist.  Please check to ensure that path is correct.",
                        "Source does not exist.");
      break;
    case verify::CheckFailed:
      prompter_.Message("Unable to verify source and/or destination path.  Please check to ensure paths are correct.",
                        "Incorrect Path Entered");
      break;
    case verify::SameFolder:
      prompter_.Message("Source and Destination directories can not be the same.",
                        "Identical Source and Destination directory");
      break;
    case verify::InsideSource:
      prompter_.Message("The destination folder is inside the source folder.  Please choose a destination outside "
                        "the source.",
                        "Destination inside Source");
      break;
    default: break;
  }
}

long clsFileOps::VerifyPaths(const std::string& destination, const std::string& source, bool checkSource) {
  createPending_ = false;
  try {
    std::string dest = destination;
    // An empty destination stays empty: with a "/" added it would name the root folder.
    if (!dest.empty() && dest.back() != '/') {
      dest += '/';
      settings_.destination = dest;
    }
    FileSystemObject fso;
    if (checkSource) {
      if (source.empty() || !fso.FolderExists(source)) return verify::SourceMissing;
      sourcePath_ = Folder::At(source).Path();
      sourceRootLength_ = sourcePath_ == "/" ? 0 : sourcePath_.size();
      sourceIsRoot_ = IsRootFolderPath(sourcePath_);
    }
    if (!UsesDestination(Operation())) {
      destinationInUse_ = false;
      return verify::Usable;
    }
    if (dest.empty()) throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": no destination folder given");
    destPath_ = GetAbsolutePathName(dest);
    if (checkSource) {
      FolderRelation relation = RelationOf(destPath_, sourcePath_);
      if (relation == FolderRelation::Same) return verify::SameFolder;
      if (relation == FolderRelation::Inside && (Operation() == FileOp::Copy || Operation() == FileOp::Move))
        return verify::InsideSource;
    }
    if (fso.FolderExists(destPath_)) {
      destinationInUse_ = true;
      return verify::Usable;
    }
    // A preview creates nothing, so it asks nothing: the missing folder is noted in its results.
    if (settings_.previewOnly || settings_.reportPreview) {
      if (!destinationNoted_)
        AddInfoLine("Destination does not exist - the operation will ask to create it: " + ControlsShown(dest));
      destinationNoted_ = destinationInUse_ = true;
      return verify::Usable;
    }
    if (!prompter_.YesNo("Create folder " + dest + "?", "Create Folder")) {
      destinationInUse_ = false;
      return verify::Declined;
    }
    createPending_ = true;
    destinationInUse_ = true;
    return verify::Usable;
  } catch (...) {
    PassError(CurrentError(), cfoloc::VerifyPaths, cfoerr::Driver, "");
    return verify::CheckFailed;
  }
}

bool clsFileOps::CreateDestinationFolder() {
  ResumeScope scope = Reporting(cfoloc::CreateDestinationFolder);
  bool made = false;
  scope.Step([&] {
    // The levels missing now are the run's own: journaled top-down, so that undo removes the deepest first.
    std::vector<std::string> missing;
    struct stat st;
    for (std::string level = destPath_; journal_ && level.size() > 1 && ::lstat(level.c_str(), &st) != 0;
         level = ParentOfPath(level))
      missing.push_back(level);
    CreatePath(destPath_);
    made = FileSystemObject().FolderExists(destPath_);
    for (auto level = missing.rbegin(); level != missing.rend(); ++level)
      if (::lstat(level->c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        RecordAt(JournalItem::Do::MadeFolder, AT_FDCWD, level->c_str(), *level);
  });
  if (made) createPending_ = false;
  return made;
}

void clsFileOps::Gather() {
  if (!Bank() && Operation() != FileOp::Copy && sourceIsRoot_ &&
      !prompter_.YesNo("The source folder is a root folder (i.e. root of a drive) are you sure you want to process a "
                       "Root Folder?",
                       "Process Root Folder?")) {
    refused_ = true;
    return;
  }
  if (Bank()) {
    ProcessingBank();
  } else if (!Picked()) {
    scan_.ExternalProcessing();
  } else if (createPending_ && !settings_.previewOnly) {
    // Picked files are taken as they are: no walk, so the destination is made here.
    if (CreateDestinationFolder()) {
      ProcessGatheredItems();
    } else {
      refused_ = true;
      prompter_.Message("Unable to create Destination folder, please choose an alternative folder or create the "
                        "folder manually from your operating system.",
                        "Unable to create destination folder");
    }
  } else {
    ProcessGatheredItems();
  }
}

void clsFileOps::ProcessingBank() {
  const std::vector<BankEntry>& bank = *Bank();
  // Folder pass: each folder entry is gathered and processed on its own.
  for (const BankEntry& entry : bank) {
    if (abort_ || Stopped()) return;
    if (entry.kind == BankEntry::Kind::File) continue;
    const bool contents = entry.kind == BankEntry::Kind::Contents;
    const std::string shown = ControlsShown(BankEntryText(entry));
    ClearGathered();
    switch (VerifyPaths(settings_.destination, entry.path)) {
      case verify::SourceMissing:
        AddInfoLine("Source Does not exist - Skipping Processing for: " + shown);
        continue;
      case verify::Declined: refused_ = true; return;
      case verify::SameFolder:
        AddInfoLine("Source & Destination are the same - Skipping Processing for: " + shown);
        continue;
      case verify::InsideSource:
        AddInfoLine("Destination is inside the Source - Skipping Processing for: " + shown);
        continue;
      case verify::CheckFailed: continue;
      default: break;
    }
    scan_.StartingDirectory(sourcePath_);
    contentsOnly_ = contents;
    if (sourcePath_ == "/")
      sourceRootLength_ = 0;
    else if (contents)
      sourceRootLength_ = sourcePath_.size();
    else  // up to the "/" before the folder's own name, so that targets keep that name
      sourceRootLength_ = sourcePath_.rfind('/');
    if (sourceIsRoot_ && Operation() != FileOp::Copy &&
        !prompter_.YesNo("The source folder is a root folder (i.e. root of a drive).\r\n" + sourcePath_ +
                             "\r\n\r\n Are you sure you want to process a Root Folder?",
                         "Process Root Folder?")) {
      refused_ = true;
      continue;
    }
    scan_.ExternalProcessing();
  }
  if (gathering_ != Gathering::FilesAndFolders || abort_ || Stopped()) return;

  // File pass: every file entry goes straight into the destination folder, without the structure.
  auto isFile = [](const BankEntry& entry) { return entry.kind == BankEntry::Kind::File; };
  if (std::none_of(bank.begin(), bank.end(), isFile)) return;
  bankFilePass_ = true;
  // Left set, delete and move would pass over the first file entry.
  contentsOnly_ = false;
  ClearGathered();
  if (VerifyPaths(settings_.destination, "", /*checkSource=*/false) != verify::Usable) {
    refused_ = true;
    return;
  }
  if (createPending_ && !settings_.previewOnly && !CreateDestinationFolder()) return;
  for (const BankEntry& entry : bank)
    if (isFile(entry)) gathered_.Add(kFile, FullPath(entry.path));
  flatTarget_ = true;
  ProcessGatheredItems();
}

void clsFileOps::ClearGathered() {
  gathered_.Clear();
  dropped_.clear();
  droppedCount_ = 0;
}

void clsFileOps::PruneEmptyFolders() {
  ResumeScope scope = Reporting(cfoloc::PruneEmptyFolders);
  scope.Step([&] {
    dropped_.assign(gathered_.Count(), false);
    droppedCount_ = 0;
    auto drop = [&](size_t i) {
      dropped_[i] = true;
      ++droppedCount_;
    };
    // From the end: folders after the last file receive nothing. Then, walking back through the pre-order, a
    // folder is kept when it holds the last file seen or is the parent of the last folder kept; the starting
    // folder (first) always stays.
    bool fileSeen = false;
    std::string remembered;
    gathered_.Backward([&](size_t i, char kind, std::string_view path) {
      if (!fileSeen) {
        if (kind != kFile) drop(i);
        else fileSeen = true, remembered = CutAtLastSlash(path);
      } else if (i >= 1) {
        if (kind == kFile) remembered = CutAtLastSlash(path);
        else if (path == remembered || path == CutAtLastSlash(remembered)) remembered = path;
        else drop(i);
      }
      return true;
    });
  });
}

void clsFileOps::ProcessGatheredItems() {
  ResumeScope scope = Reporting(cfoloc::ProcessGatheredItems);
  scope.Step([&] {
    Events().evtCFOCheckForClosing();
    if (Stopped()) {
      const char *cancel, *nothing, *tail;
      size_t gathered;
      if (gathering_ == Gathering::Files) {
        cancel = "Cancel was pressed during the file gathering process.";
        nothing = "No files were processed.";
        tail = " files gathered.";
        gathered = gathered_.Count();
      } else if (gathering_ == Gathering::Folders) {
        cancel = "Cancel was pressed during the folder gathering process.";
        nothing = "No folders were processed.";
        tail = " folders gathered.";
        gathered = gathered_.Count();
      } else {
        cancel = "Cancel was pressed during the file & folder gathering process.";
        nothing = "No files or folders were processed.";
        tail = " files & folders gathered.";
        gathered = gathered_.Count() - droppedCount_;
      }
      AddInfoLine(std::string(cancel) + "\r\n\r\n" + nothing + "\r\n\r\nThere were " + std::to_string(gathered) + tail);
      return;
    }
    beneath_.Top(bankFilePass_ ? std::string() : sourcePath_);
    trashCans_.reset();
    targets_.Top(destinationInUse_ ? destPath_ : std::string(),
                 Operation() != FileOp::Compare && !settings_.previewOnly);
    madeTarget_.clear();
    if (gathering_ == Gathering::Files) ProcessFileArray();
    else if (gathering_ == Gathering::Folders) ProcessFolderArray();
    else if (gathering_ == Gathering::FilesAndFolders) ProcessMixedArray();
  });
}

std::string clsFileOps::Mirrored(const std::string& path) const {
  std::string rest = path.size() > sourceRootLength_ ? path.substr(sourceRootLength_) : std::string();
  if (rest.empty() || rest == "/") return destPath_;
  return destPath_ == "/" ? rest : destPath_ + rest;
}

void clsFileOps::ProcessFileArray() {
  gathered_.Forward([&](size_t, char, std::string_view path) {
    if (Stopped()) return false;
    item_.assign(path);
    itemRegular_ = false;
    try {
      if (destinationInUse_ && !settings_.previewOnly) currentTarget_ = Mirrored(ParentOfPath(item_));
      ProcessFile(item_);
    } catch (...) {
      PassError(CurrentError(), cfoloc::ProcessFileArray, cfoerr::Driver, ">>Error Processing file array");
    }
    return true;
  });
}

void clsFileOps::ProcessFolderArray() {
  const bool skipFirst = contentsOnly_ && (Operation() == FileOp::Delete || Operation() == FileOp::Move);
  gathered_.Forward([&](size_t i, char, std::string_view path) {
    if (Stopped()) return false;
    if (i == 0 && skipFirst) return true;
    item_.assign(path);
    ResumeScope scope = Reporting(cfoloc::ProcessFolderArray, cfoerr::Driver, ">>Error processing Folder Array");
    scope.Step([&] { ProcessFolder(item_); });
    return true;
  });
}

ItemKind clsFileOps::KindOfItem(const std::string& path) {
  // The walk left the item's folder open in beneath_ for the step that follows, so this look is a single name's;
  // anything unusual (a folder on the way gone or swapped) is looked at by path as before.
  try {
    const ItemsBeneath::Ref at = beneath_.Holder(path);
    struct stat st;
    if (::fstatat(at.dir, at.name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      itemRegular_ = S_ISREG(st.st_mode);
      return S_ISDIR(st.st_mode) ? ItemKind::Folder : ItemKind::Other;
    }
  } catch (const Error&) {
  }
  return KindAt(path);
}

void clsFileOps::ProcessMixedArray() {
  // Delete and move take the deepest items first, so that a folder comes after everything inside it.
  const bool backwards = Operation() == FileOp::Delete || Operation() == FileOp::Move;
  auto each = [&](size_t i, char itemKind, std::string_view path) {
    if (Stopped()) return false;
    // Contents only: the folder itself stays where it is.
    if ((i == 0 && contentsOnly_ && backwards) || (!dropped_.empty() && dropped_[i])) return true;
    item_.assign(path);
    itemRegular_ = false;
    const std::string& item = item_;
    ResumeScope scope(
        [&](const Error& e, const std::string& l) {
          PassError(e, l, cfoerr::Driver, ">>Error Processing File & Folder Array at -" + item);
        },
        cfoloc::ProcessMixedArray);
    scope.Step([&] {
      // A file's removal (not to the trash) needs no look first: only when the unlink finds nothing there, or a
      // folder, is the item looked at, and then handled as below, as if it had been looked at first.
      if (!settings_.previewOnly && itemKind == kFile && Operation() == FileOp::Delete &&
          !DetailsOf<DeleteChoice>().toTrash) {
        kindUnchecked_ = true;
        kindMismatch_ = false;
        ProcessFile(item);
        kindUnchecked_ = false;
        if (!kindMismatch_) return;
        kindMismatch_ = false;
      }
      // The list preview records what was gathered; only work on the items needs them to be there still.
      ItemKind kind = settings_.previewOnly ? (itemKind == kFile ? ItemKind::Other : ItemKind::Folder)
                                            : KindOfItem(item);
      if (kind == ItemKind::Missing) {
        AddInfoLine("Source Does not exist - Skipping Processing for: " + ControlsShown(item));
        return;
      }
      if (itemKind == kFile) {
        if (kind == ItemKind::Folder)
          throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": a folder, not a file: " + item);
        if (destinationInUse_ && !settings_.previewOnly)
          currentTarget_ = flatTarget_ ? destPath_ : Mirrored(ParentOfPath(item));
        ProcessFile(item);
      } else {
        if (kind != ItemKind::Folder)
          throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": not a folder any more: " + item);
        ProcessFolder(item);
      }
    });
    return true;
  };
  if (backwards) gathered_.Backward(each);
  else gathered_.Forward(each);
}

void clsFileOps::ProcessFile(const std::string& path) {
  if (Stopped()) return;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        PassError(e, l, cfoerr::Driver, "Processing a file at or near file " + path);
      },
      cfoloc::ProcessFile);
  scope.Step([&] {
    Events().evtCFOCheckForClosing();
    if (Stopped()) return;
    newName_.clear();
    lastTrash_.reset();
    const long result = !settings_.previewOnly           ? (this->*StepsOf(Operation()).perFile)(path)
                        : Operation() == FileOp::Rename ? PreviewRename(path)
                                                        : outcome::Preview;
    if (kindMismatch_) return;  // the driver looks at the item and says why
    if (Operation() == FileOp::Delete && result == outcome::Success) RecordRemoval(path, /*folder=*/false);
    const char* prefix = nullptr;
    switch (result) {
      case outcome::Failure:
        ++failures_;
        if (recordFailures_) prefix = "Failure: ";
        break;
      case outcome::Success:
        ++successes_;
        if (recordSuccesses_) prefix = "Success: ";
        break;
      case outcome::TimedOut: prefix = "Timed Out - Halting operation at "; break;
      case outcome::Preview: prefix = "Preview File: "; break;
      case outcome::NumberedDuplicate:
        ++successes_;
        if (recordSuccesses_) prefix = "Numeric Duplicate Created: ";
        break;
      case outcome::OverwroteDuplicate:
        ++successes_;
        if (recordSuccesses_) prefix = "Overwrote Previous Duplicate: ";
        break;
      case outcome::FailedVerification:
        ++failures_;
        if (recordFailures_) prefix = "Failed Verification: ";
        break;
      default: break;
    }
    if (!prefix || !recordOutcomes_) return;
    // The line keeps its layout; a file that got a new name has it appended.
    line_.assign(prefix);
    AppendControlsShown(line_, path);
    if (!newName_.empty() && result != outcome::Failure) {
      line_ += " -> ";
      AppendControlsShown(line_, newName_);
    }
    AddInfoLine(line_);
  });
}

void clsFileOps::ProcessFolder(const std::string& path) {
  if (Stopped()) return;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        PassError(e, l, cfoerr::Driver, "Processing a folder at or near folder " + NameOfPath(path));
      },
      cfoloc::ProcessFolder);
  scope.Step([&] {
    Events().evtCFOUpdateProgress("Processing Folder \r\n" + path);
    Events().evtCFOCheckForClosing();
    if (Stopped()) return;
    if (destinationInUse_ && !settings_.previewOnly) currentTarget_ = Mirrored(path);
    long result = outcome::None;
    lastTrash_.reset();
    if (settings_.previewOnly)
      result = outcome::Preview;
    else if (FolderStep step = StepsOf(Operation()).perFolder)
      result = (this->*step)(path);
    if (Operation() == FileOp::Delete && result == outcome::Success) RecordRemoval(path, /*folder=*/true);
    if (Operation() != FileOp::Copy && Operation() != FileOp::EmptyShells && Operation() != FileOp::Delete &&
        Operation() != FileOp::Move)
      return;
    // Counted as the lines say: a folder's "Success: " or "Failure: " is one item of the summary too.
    if (result == outcome::Failure) ++failures_;
    else if (result == outcome::Success) ++successes_;
    const char* prefix = result == outcome::Failure    ? "Failure: "
                         : result == outcome::Success  ? "Success: "
                         : result == outcome::TimedOut ? "Timed Out - Halting operation at "
                         : result == outcome::Preview  ? "Preview Folder: "
                                                       : nullptr;
    if (prefix && recordOutcomes_) {
      line_.assign(prefix);
      AppendControlsShown(line_, path);
      AddInfoLine(line_);
    }
  });
}

void clsFileOps::AddInfoLine(std::string_view line) {
  try {
    recorded_.Add(0, line);
    // Every skipped source's line starts with "Source " or "Destination ".
    if (line.starts_with("Failure: ") || line.starts_with("Failed Verification: ") ||
        ((line.starts_with("Source ") || line.starts_with("Destination ")) &&
         line.find(" - Skipping Processing for: ") != std::string_view::npos))
      itemFailed_ = true;
  } catch (...) {
    PassError(CurrentError(), cfoloc::AddInfoLine, cfoerr::Driver, "");
  }
}

std::vector<std::string> clsFileOps::RecordedLines() const {
  std::vector<std::string> lines;
  recorded_.Forward([&](size_t, char, std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

void clsFileOps::CreateInfoDisplay() {
  ResumeScope scope = Reporting(cfoloc::CreateInfoDisplay, cfoerr::Driver, ">>Creating Info Display");
  scope.Step([&] {
    ResultsContent content;
    content.stoppedEarly = Stopped();
    content.dateTime = LocalDateTimeText();
    DescriptionChoices choices = Choices();
    choices.filtersActive = filtersActive_;
    content.description = OperationDescription(choices);
    content.successCount = successes_;
    content.failureCount = failures_;
    if (Operation() == FileOp::Compare && !settings_.previewOnly && !settings_.reportPreview && !refused_)
      content.compare = CompareCounts{compareMatching_, compareDiffering_, compareMissing_};
    content.recorded = &recorded_;
    WriteResultsFile(resultsPath_, content);
  });
}

}  // namespace dv
