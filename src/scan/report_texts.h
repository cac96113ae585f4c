#pragma once
// The directory report's own texts, in one place: the report writer writes them and the windows that read a
// report back (sortable list, web page) recognise them.
namespace dv::report {

// The invalid-path report's whole text, and the line that ends a cancelled report.
inline constexpr const char* kInvalidPathMarker = "*********  Invalid Path  *********";
inline constexpr const char* kCancelledMarker = "*********  Operation was cancelled  ********************";

inline constexpr const char* kHierarchicalTitle = "Dorvane Hierarchical Directory Report";
inline constexpr const char* kDosTitle = "Dorvane DOS Style Directory Report";
inline constexpr const char* kColumnsShown = "Column(s) Shown:";
inline constexpr const char* kFilters = "Filter(s) ";
inline constexpr const char* kActive = "Active ";
inline constexpr const char* kInactive = "Inactive ";
inline constexpr const char* kAllSubdirectories = "& All Subdirectories Processed";
inline constexpr const char* kLevelDepth = "& Subdirectory Level Depth=";
inline constexpr const char* kStartingDirectory = "Starting Directory: ";
inline constexpr const char* kSummary = "** Summary:";
inline constexpr const char* kFoldersShown = "Folders Shown: ";
inline constexpr const char* kFilesShown = "  Files Shown:";
inline constexpr const char* kFolderType = "File Folder";
inline constexpr const char* kFilesCount = " File(s)";
inline constexpr const char* kFilesFiltered = " File(s) Filtered}";

// Column names in the "Column(s) Shown:" line by code (1 Size ... 7 File Count), and the header titles.
inline constexpr const char* kColumnNames[] = {"Size", "Attribute", "File Type", "Created", "Modified", "Accessed",
                                               "File Count"};
inline constexpr const char* kSizeTitles[] = {"Size(Byte)", "Size(KB)", "Size(MB)"};
inline constexpr const char* kNameTitle = "Name";

}  // namespace dv::report
