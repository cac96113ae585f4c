#pragma once
// The directory scanning engine. A caller sets the scan settings, then calls one entry operation; the engine
// walks the tree in pre-order (a folder, its own files, then each subfolder with everything below it), applies
// the restrictions and name patterns, and hands every accepted folder and file to its listener. Links are never
// followed into folders (a link is a file item of its own), and the walk works through folder handles, so trees
// of any depth and path length are walked without running out of stack.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "platform/text_stream.h"
#include "scan/scan_listener.h"
#include "scan/scan_settings.h"

namespace dv {

class clsDirProcessing {
 public:
  explicit clsDirProcessing(Prompter& prompter, ScanListener* listener = nullptr);
  ~clsDirProcessing();
  void Listener(ScanListener* listener) { listener_ = listener; }

  // The settings as one value. Setting it whole takes the patterns and limits as they are (already converted).
  const ScanSettings& Settings() const { return s_; }
  void Settings(const ScanSettings& settings) { s_ = settings; }

  bool IsSizeRestrictionOn() const { return s_.fileSize.On() || s_.folderSize.On(); }
  bool IsDateRestrictionOn() const { return s_.date.On(); }
  bool IsExtensionRestrictionOn() const { return s_.extensions.InForce(); }

  const std::string& StartingDirectory() const { return s_.startingDirectory; }
  void StartingDirectory(std::string strStartingDir) { s_.startingDirectory = std::move(strStartingDir); }
  bool ShowNumberofFiles() const { return s_.fileCounts; }
  void ShowNumberofFiles(bool booShowNumberOfFiles) { s_.fileCounts = booShowNumberOfFiles; }
  bool ExcludeEmptyFolders() const { return s_.excludeEmpty; }
  void ExcludeEmptyFolders(bool booExclude) { s_.excludeEmpty = booExclude; }
  // Levels of subfolders below the starting folder; kAllLevels means all.
  int16_t DirLevelsDeep() const { return s_.levels; }
  void DirLevelsDeep(int16_t NumberOfLevels) { s_.levels = NumberOfLevels; }
  bool ShowFullPathFlatView() const { return s_.fullPath; }
  void ShowFullPathFlatView(bool ShowFullPath) { s_.fullPath = ShowFullPath; }
  bool ShowHiddenAndSystemFiles() const { return s_.showHidden; }
  void ShowHiddenAndSystemFiles(bool booShow) { s_.showHidden = booShow; }
  bool ProcessDirsOnly() const { return s_.dirsOnly; }
  void ProcessDirsOnly(bool booProcessDirectoriesOnly) { s_.dirsOnly = booProcessDirectoriesOnly; }
  long ShowType() const { return static_cast<long>(s_.view); }
  void ShowType(long ChooseShowType) { s_.view = static_cast<ReportView>(ChooseShowType); }
  long SizeType() const { return static_cast<long>(s_.sizeUnit); }
  void SetSizeType(long ViewSizeIn) { s_.sizeUnit = static_cast<SizeUnit>(ViewSizeIn); }
  long DirectorySummary() const { return s_.folderDetails ? 1 : 0; }
  void DirectorySummary(long DirectorySummaryType) { s_.folderDetails = DirectorySummaryType == 1; }
  // The name patterns are stored converted, by the PatternMatchingOption in force when they are set.
  const std::string& RegExFilePattern() const { return s_.filePattern; }
  void RegExFilePattern(const std::string& strRegularExpressionPattern);
  const std::string& RegExFolderPattern() const { return s_.folderPattern; }
  void RegExFolderPattern(const std::string& strRegularExpressionPattern);
  // The cancel flag. Atomic, so that a signal handler may set it; the walk looks at it before every item.
  bool ClosingDown() const { return closingDown_.load(std::memory_order_relaxed); }
  void ClosingDown(bool booClosingDown) { closingDown_.store(booClosingDown, std::memory_order_relaxed); }
  long PatternMatchingOption() const { return s_.patternOption; }
  void PatternMatchingOption(long PatternChosen) { s_.patternOption = PatternChosen; }

  void ShowColumns(const std::vector<long>& Columns_Shown_Order);
  std::vector<long> Columns() const;
  void ExtensionRestrict(std::string& CommaSepExtension, long RestrictType);
  void FileSizeRestrict(bool booOnOff, long SizeRestriction, long OperatorSign, long SizeTypeSelected);
  void FolderSizeRestrict(bool booOnOff, long SizeRestriction, long OperatorSign, long SizeTypeSelected);
  // `DateRestriction` is a calendar day; its time of day is ignored.
  void DateRestrict(bool booOnOff, const LocalTime& DateRestriction, long OperatorSign, long DateTypeSelected);

  // Walks the tree and writes the directory report to ReportFilePath(), replacing what it held.
  void CreateDirPrintFile();
  // The same report written to a stream the caller holds (standard output for the CLI); the caller closes it.
  // Returns false when the starting folder does not exist (the stream then holds the invalid-path marker).
  bool CreateDirPrintFile(TextStream& out);
  // Where CreateDirPrintFile() writes: the private temporary folder's tmpOuput.txt unless set.
  std::string ReportFilePath() const;
  void ReportFilePath(std::string path) { reportFilePath_ = std::move(path); }

  // Walks the tree and hands every accepted folder and file to the listener.
  void ExternalProcessing();
  // Whether ExternalProcessing hands over items with their sizes, times and type read (the default). A listener
  // that reads only paths turns it off: then no item is looked at beyond its listing unless a filter needs it.
  bool PassItemDetails() const { return passDetails_; }
  void PassItemDetails(bool booPassDetails) { passDetails_ = booPassDetails; }

  // The depth of a path: its "/"-separated parts minus one ("/" and "/a" have depth 1, "/a/b" 2).
  static int PathDepth(const std::string& path);

  ScanListener& Events() { return listener_ ? *listener_ : silent_; }
  Prompter& Prompts() { return prompter_; }

 private:
  // Shows the "Folder Does Not Exist" message when the starting folder is missing.
  bool StartingFolderMissing();

  Prompter& prompter_;
  ScanListener* listener_;
  ScanListener silent_;
  ScanSettings s_;
  std::atomic<bool> closingDown_{false};
  std::string reportFilePath_;
  bool passDetails_ = true;
};

}  // namespace dv
