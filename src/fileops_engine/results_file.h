#pragma once
// The results file (DVidt.txt): the operation description that heads it, the whole text as it is written, and the
// writing itself, which replaces the previous file in one rename so that a reader never sees half a file.
#include <optional>
#include <string>
#include <vector>

#include "fileops_engine/fileops_codes.h"
#include "platform/record_spool.h"
#include "platform/text_stream.h"

namespace dv {

// What the description of an operation depends on: the settings the window or the command line makes.
struct DescriptionChoices {
  FileOp fileOperation = FileOp::Copy;
  bool overwriteFiles = false;
  bool copyDirectoryStructure = false;
  bool copyEmptyDirs = false;
  bool numberDuplicates = false;
  long verification = 0;  // 2 = quick
  bool filtersActive = false;
  std::string renamePattern, renameReplacement;  // the stored (converted) pattern
  std::string runProcOnFile;
  std::string sourceDirectory, destinationDirectory;
  std::vector<std::string> bankItems;  // the processing bank's entries, in order
};

// The text after "Basic Operation: ": one of the operation's descriptions, possibly over several lines (CR LF),
// empty for a value outside FileOp. Paths show their control characters as "?".
std::string OperationDescription(const DescriptionChoices& choices);

// Spaces before "- to -" in the comparison block: half the destination's length (in characters) plus 5, rounded
// to the nearest whole number with halves to the even neighbour.
int ComparisonIndent(const std::string& destination);

// What a compare found, file by file.
struct CompareCounts {
  long matching = 0, differing = 0, missing = 0;
};

struct ResultsContent {
  bool stoppedEarly = false;
  std::string dateTime;     // after "Date/Time:"
  std::string description;  // after "Basic Operation: "
  long successCount = 0, failureCount = 0;
  // A compare's summary line takes the place of the success and failure counts.
  std::optional<CompareCounts> compare;
  // The recorded lines, the first at index 1: held in a list, or spooled as a run records them.
  const std::vector<std::string>* lines = nullptr;
  const RecordSpool* recorded = nullptr;
};

// The current local date and time as the user's locale writes them (strftime "%x %X").
std::string LocalDateTimeText();

// Writes the results file at `path`, CR LF line ends. With no lines given (a default ResultsContent) the file is
// left empty, as it is at the start of an operation. The text goes to a temporary file in the folder of `path`
// (never the current folder) that is then renamed over it, so a reader never sees half a file; a link at `path`
// is replaced, never written through. Throws dv::Error.
void WriteResultsFile(const std::string& path, const ResultsContent& content);
// The same text written into an open stream (standard output).
void WriteResults(TextStream& out, const ResultsContent& content);

}  // namespace dv
