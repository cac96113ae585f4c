#pragma once
// The numbers the file operations engine and its callers share: operation codes, per-item outcomes, which
// items are gathered, the results of the path check, error kinds and location codes.

namespace dv {

// The operations. The numbers are those of the results file's description and of dorvane-cli's listing.
enum class FileOp : long {
  Copy = 1, EmptyShells, Delete, FindReplace, Rename, Attributes, Move, OpenWithMacro, ModifiedDate, CreatedDate,
  AccessedDate, RunProcess, Compare,
};
inline constexpr long kLastFileOp = static_cast<long>(FileOp::Compare);

// Whether the operation puts its items (or compares them) in a destination folder.
constexpr bool UsesDestination(FileOp op) {
  return op == FileOp::Copy || op == FileOp::EmptyShells || op == FileOp::Move || op == FileOp::Compare;
}

// What a per-item operation returns.
namespace outcome {
inline constexpr long Failure = 0;
inline constexpr long Success = 1;
inline constexpr long NothingDone = 2;  // skipped, no match, not applicable: nothing recorded
inline constexpr long TimedOut = 3;
inline constexpr long Preview = 4;
inline constexpr long NumberedDuplicate = 5;
inline constexpr long OverwroteDuplicate = 6;
inline constexpr long FailedVerification = 7;
inline constexpr long FolderNotEmpty = 8;
inline constexpr long None = -1;  // the folder step of an operation that has none
}  // namespace outcome

// Which items of a walked folder the operation takes.
enum class Gathering : long { FilesAndFolders = 0, Files = 1, Folders = 2 };

// What VerifyPaths found.
namespace verify {
inline constexpr long SourceMissing = 0;
inline constexpr long Declined = 1;  // the user would not have the destination created
inline constexpr long Usable = 2;
inline constexpr long CheckFailed = 3;
inline constexpr long SameFolder = 5;
inline constexpr long InsideSource = 6;  // copy or move into a folder inside its own source
}  // namespace verify

// `cfoErrType` of evtCFOExternalPassError.
namespace cfoerr {
inline constexpr long Setting = 1;  // property and settings procedures
inline constexpr long Driver = 2;   // event handlers and driver steps
inline constexpr long Item = 3;     // per-item work
}  // namespace cfoerr

// Location codes: the properties in the order of their table ("cfo:3A" to "cfo:3AB", the get side taking the
// letter after the set side, I, O and V left out), the settings methods, the handlers and the driver's steps.
namespace cfoloc {
inline constexpr const char* StopProcessing = "cfo:3A";
inline constexpr const char* InformativeDisplayTXTLocation = "cfo:3B";
inline constexpr const char* RunProcOnFile = "cfo:3C";
inline constexpr const char* AddAttributeSettingsSet = "cfo:3D";
inline constexpr const char* AddAttributeSettingsGet = "cfo:3E";
inline constexpr const char* RemoveAttributeSettingsSet = "cfo:3F";
inline constexpr const char* RemoveAttributeSettingsGet = "cfo:3G";
inline constexpr const char* PauseBetweenOpeningFiles = "cfo:3H";
inline constexpr const char* DeleteSettings = "cfo:3J";
inline constexpr const char* DisplayAffectedItemsFirst = "cfo:3K";
inline constexpr const char* Process_Files_Folders_Both = "cfo:3L";
inline constexpr const char* SourceDirectorySet = "cfo:3M";
inline constexpr const char* SourceDirectoryGet = "cfo:3N";
inline constexpr const char* DestinationDirectory = "cfo:3P";
inline constexpr const char* OverwriteFiles = "cfo:3Q";
inline constexpr const char* FileOperationSet = "cfo:3R";
inline constexpr const char* FileOperationGet = "cfo:3S";
inline constexpr const char* EmptyShellsLevel = "cfo:3T";
inline constexpr const char* PreviewOnly = "cfo:3U";
inline constexpr const char* OpenMacroString = "cfo:3W";
inline constexpr const char* Individual_File_Selection = "cfo:3X";
inline constexpr const char* CopyOp_CopyDirectoryStructure = "cfo:3Y";
inline constexpr const char* CopyOp_CopyEmptyDirs = "cfo:3Z";
inline constexpr const char* CopyOp_NumberDuplicates = "cfo:3AA";
inline constexpr const char* CopyOp_Verification = "cfo:3AB";

inline constexpr const char* FindAndReplaceSettings = "cfo:4A";
inline constexpr const char* RenameSettings = "cfo:4B";
inline constexpr const char* RunProcOnFilePauseSetting = "cfo:4C";
inline constexpr const char* FileDateChangeSettings = "cfo:4D";
inline constexpr const char* SetCompareOptions = "cfo:4E";
inline constexpr const char* GetTimeZoneBias = "cfo:4F";
inline constexpr const char* LoadMultipleFileArray = "cfo:4G";

inline constexpr const char* Creation = "cfo:5A";
inline constexpr const char* CheckForClose = "cfo:5B";
inline constexpr const char* CreateDirPrintFileComplete = "cfo:6A";
inline constexpr const char* FileEvent = "cfo:6C";
inline constexpr const char* FolderEvent = "cfo:6D";
inline constexpr const char* CompletionEvent = "cfo:6E";
inline constexpr const char* ProcessOperation = "cfo:7A";

inline constexpr const char* MakeEmptyShell = "cfo:8A";
inline constexpr const char* CopyOneFile = "cfo:8B";
inline constexpr const char* DeleteOneFile = "cfo:8C";
inline constexpr const char* DeleteEmptyFolder = "cfo:8D";
inline constexpr const char* MoveOneFile = "cfo:8E";
inline constexpr const char* MoveOneFolder = "cfo:8F";
inline constexpr const char* ChangeFileAttributes = "cfo:8G";
inline constexpr const char* CompareOneFile = "cfo:8H";
inline constexpr const char* RunProcessOnFile = "cfo:8J";
inline constexpr const char* ChangeFileDate = "cfo:8K";
inline constexpr const char* OpenOneFile = "cfo:8L";
inline constexpr const char* FindAndReplaceInFile = "cfo:8M";
inline constexpr const char* RenameOneFile = "cfo:8N";

inline constexpr const char* CreatePath = "cfo:9A";
inline constexpr const char* CreateOneFolder = "cfo:9B";
inline constexpr const char* VerifyPaths = "cfo:9C";
inline constexpr const char* ProcessGatheredItems = "cfo:9D";
inline constexpr const char* ProcessMixedArray = "cfo:9E";
inline constexpr const char* ProcessFolderArray = "cfo:9F";
inline constexpr const char* ProcessFolder = "cfo:9G";
inline constexpr const char* ProcessFileArray = "cfo:9H";
inline constexpr const char* ProcessFile = "cfo:9J";
inline constexpr const char* CreateInfoDisplay = "cfo:9K";
inline constexpr const char* AddInfoLine = "cfo:9L";
inline constexpr const char* SendOpenMacro = "cfo:9M";
inline constexpr const char* CreateDestinationFolder = "cfo:9N";
inline constexpr const char* PruneEmptyFolders = "cfo:9O";
inline constexpr const char* ClearFileAttributes = "cfo:9P";
}  // namespace cfoloc

}  // namespace dv
