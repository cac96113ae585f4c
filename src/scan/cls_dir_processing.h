#pragma once
// The directory scanning engine. A caller sets the scan settings, then calls one entry operation; the engine
// walks the tree in pre-order (a folder, its own files, then each subfolder with everything below it), applies
// the restrictions and name patterns, and hands every accepted folder and file to its listener. Links are never
// followed into folders (a link is a file item of its own), and the walk works through folder handles, so trees
// of any depth and path length are walked without running out of stack.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "platform/text_stream.h"
#include "scan/restrictions.h"
#include "scan/scan_listener.h"

namespace dv {

class clsDirProcessing {
 public:
  explicit clsDirProcessing(Prompter& prompter, ScanListener* listener = nullptr);
  ~clsDirProcessing();
  void Listener(ScanListener* listener) { listener_ = listener; }

  bool IsSizeRestrictionOn() const { return fileSize_.On() || folderSize_.On(); }
  bool IsDateRestrictionOn() const { return date_.On(); }
  bool IsExtensionRestrictionOn() const { return extensions_.InForce(); }

  const std::string& StartingDirectory() const { return startingDirectory_; }
  void StartingDirectory(std::string strStartingDir) { startingDirectory_ = std::move(strStartingDir); }
  bool ShowNumberofFiles() const { return showNumberOfFiles_; }
  void ShowNumberofFiles(bool booShowNumberOfFiles) { showNumberOfFiles_ = booShowNumberOfFiles; }
  bool ExcludeEmptyFolders() const { return excludeEmptyFolders_; }
  void ExcludeEmptyFolders(bool booExclude) { excludeEmptyFolders_ = booExclude; }
  // Levels of subfolders below the starting folder; 32000 means all.
  int16_t DirLevelsDeep() const { return dirLevelsDeep_; }
  void DirLevelsDeep(int16_t NumberOfLevels) { dirLevelsDeep_ = NumberOfLevels; }
  bool ShowFullPathFlatView() const { return showFullPath_; }
  void ShowFullPathFlatView(bool ShowFullPath) { showFullPath_ = ShowFullPath; }
  bool ShowHiddenAndSystemFiles() const { return showHidden_; }
  void ShowHiddenAndSystemFiles(bool booShow) { showHidden_ = booShow; }
  bool ProcessDirsOnly() const { return dirsOnly_; }
  void ProcessDirsOnly(bool booProcessDirectoriesOnly) { dirsOnly_ = booProcessDirectoriesOnly; }
  long ShowType() const { return showType_; }
  void ShowType(long ChooseShowType) { showType_ = ChooseShowType; }
  long SizeType() const { return sizeType_; }
  void SetSizeType(long ViewSizeIn) { sizeType_ = ViewSizeIn; }
  long DirectorySummary() const { return directorySummary_; }
  void DirectorySummary(long DirectorySummaryType) { directorySummary_ = DirectorySummaryType; }
  // The name patterns are stored converted, by the PatternMatchingOption in force when they are set.
  const std::string& RegExFilePattern() const { return filePattern_; }
  void RegExFilePattern(const std::string& strRegularExpressionPattern);
  const std::string& RegExFolderPattern() const { return folderPattern_; }
  void RegExFolderPattern(const std::string& strRegularExpressionPattern);
  bool ClosingDown() const { return closingDown_; }
  void ClosingDown(bool booClosingDown) { closingDown_ = booClosingDown; }
  long PatternMatchingOption() const { return patternOption_; }
  void PatternMatchingOption(long PatternChosen) { patternOption_ = PatternChosen; }

  void ShowColumns(const std::vector<long>& Columns_Shown_Order) { columns_ = Columns_Shown_Order; }
  const std::vector<long>& Columns() const { return columns_; }
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

  // The depth of a path: its "/"-separated parts minus one ("/" and "/a" have depth 1, "/a/b" 2).
  static int PathDepth(const std::string& path);

  // Read by the walk and the report writer.
  const SizeRestriction& FileSize() const { return fileSize_; }
  const SizeRestriction& FolderSize() const { return folderSize_; }
  const DateRestriction& Date() const { return date_; }
  const ExtensionList& Extensions() const { return extensions_; }
  ScanListener& Events() { return listener_ ? *listener_ : silent_; }
  Prompter& Prompts() { return prompter_; }

 private:
  // Shows the "Folder Does Not Exist" message when the starting folder is missing.
  bool StartingFolderMissing();

  Prompter& prompter_;
  ScanListener* listener_;
  ScanListener silent_;

  std::string startingDirectory_, reportFilePath_;
  bool showNumberOfFiles_ = false, excludeEmptyFolders_ = false, showFullPath_ = false, showHidden_ = false,
       dirsOnly_ = false, closingDown_ = false;
  int16_t dirLevelsDeep_ = 0;
  long showType_ = 0, sizeType_ = 1, directorySummary_ = 0, patternOption_ = 0;
  std::string filePattern_, folderPattern_;
  std::vector<long> columns_;
  SizeRestriction fileSize_{false}, folderSize_{true};
  DateRestriction date_;
  ExtensionList extensions_;
};

}  // namespace dv
