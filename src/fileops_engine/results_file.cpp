#include "fileops_engine/results_file.h"

#include <cstdio>
#include <ctime>

#include "common/text_rules.h"
#include "fileops_engine/fileops_codes.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/text_stream.h"

namespace dv {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kStoppedEarly = "   ***   Processing was stopped early   ***";

std::string EmptyFolderSuffix(const DescriptionChoices& c, const char* verb) {
  std::string s = "\r\n\t\t";
  if (c.copyEmptyDirs && c.filtersActive)
    return s + " [File Filter(s) Active - empty folders NOT " + verb + " as they were filtered out]";
  if (c.copyEmptyDirs) return s + " [Include Empty Folders]";
  return s + " [Do Not Include Empty Folders]";
}

std::string VerificationSuffix(const DescriptionChoices& c) {
  if (c.verification == 2) return "\r\n\t\t [Quick Verification]";
  if (c.verification == 3) return "\r\n\t\t [Full Binary Comparison]";
  return "";
}

std::string OneDirectory(const DescriptionChoices& c, const char* verb) {
  return std::string(verb) + " to One Directory (Duplicate Filenames " +
         (c.numberDuplicates ? "Numbered)" : "Overwritten)") + VerificationSuffix(c);
}

std::string ComparisonBlock(const DescriptionChoices& c) {
  const std::string seven(7, ' ');
  std::string s = "Comparing \r\n" + seven;
  if (c.bankItems.empty()) {
    s += seven + ControlsShown(c.sourceDirectory) + kCrLf;
  } else {
    for (size_t i = 0; i < c.bankItems.size(); ++i) s += (i ? ", " : "") + ControlsShown(c.bankItems[i]);
  }
  s += kCrLf + std::string(ComparisonIndent(c.destinationDirectory), ' ') + "- to -" + kCrLf + seven +
       ControlsShown(c.destinationDirectory);
  return s;
}

}  // namespace

int ComparisonIndent(const std::string& destination) {
  // Twice the value, so that the half is exact.
  long twice = static_cast<long>(Utf8Length(destination)) + 10;
  long whole = twice / 2;
  if (twice % 2 == 0) return static_cast<int>(whole);
  return static_cast<int>(whole % 2 == 0 ? whole : whole + 1);
}

std::string OperationDescription(const DescriptionChoices& c) {
  switch (c.fileOperation) {
    case FileOp::Copy:
      if (!c.copyDirectoryStructure) return OneDirectory(c, "Copy");
      return std::string(c.overwriteFiles ? "Copy (Overwrite Existing Files)" : "Copy (Do Not Overwrite Existing Files)") +
             EmptyFolderSuffix(c, "copied") + VerificationSuffix(c);
    case FileOp::EmptyShells: return "Make Empty Shells\r\n((Will not copy over existing files))";
    case FileOp::Delete: return "Delete ";
    case FileOp::FindReplace: return "Find and Replace";
    case FileOp::Rename:
      return "Rename file(s)\r\n(Finding pattern:" + c.renamePattern + " & Replacing with:" + c.renameReplacement + ")";
    case FileOp::Attributes: return "Change Attribute on file(s)";
    case FileOp::Move:
      if (!c.copyDirectoryStructure) return OneDirectory(c, "Move");
      return "Move File(s)" + EmptyFolderSuffix(c, "moved") + VerificationSuffix(c);
    case FileOp::OpenWithMacro: return "Open";
    case FileOp::ModifiedDate: return "Change Modified Date";
    case FileOp::CreatedDate: return "Change Created Date";
    case FileOp::AccessedDate: return "Change Last Access Date";
    case FileOp::RunProcess: return "Run Process On File(s)\r\nProcess ran:" + c.runProcOnFile;
    case FileOp::Compare: return ComparisonBlock(c);
    default: return "";
  }
}

std::string LocalDateTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, "%x %X", &local);
  return std::string(buf, n);
}

namespace {

void WriteContent(TextStream& out, const ResultsContent& r) {
  if (!r.lines && !r.recorded) return;
  if (r.stoppedEarly) {
    out.WriteLine(kStoppedEarly);
    out.WriteBlankLines(2);
  }
  out.WriteLine("Date/Time:" + r.dateTime);
  out.WriteLine("Number of lines recorded:" + std::to_string(r.lines ? r.lines->size() : r.recorded->Count()));
  out.WriteLine("Basic Operation: " + r.description);
  if (r.compare)
    out.WriteLine("Operation Summary: Files Matching=" + std::to_string(r.compare->matching) +
                  " Differing=" + std::to_string(r.compare->differing) +
                  " Missing=" + std::to_string(r.compare->missing) + " Failure=" + std::to_string(r.failureCount));
  else if (r.successCount != 0 || r.failureCount != 0)
    out.WriteLine("Operation Summary: File(s) processed Successfully=" + std::to_string(r.successCount) +
                  " Failure=" + std::to_string(r.failureCount));
  out.WriteBlankLines(2);
  // Index 0 is never filled: one empty line before the first recorded one.
  out.WriteLine();
  if (r.lines)
    for (const std::string& line : *r.lines) out.WriteLine(line);
  else
    r.recorded->Forward([&](size_t, char, std::string_view line) {
      out.WriteLine(line);
      return true;
    });
  if (r.stoppedEarly) out.WriteLine(kStoppedEarly);
}

}  // namespace

void WriteResults(TextStream& out, const ResultsContent& content) { WriteContent(out, content); }

void WriteResultsFile(const std::string& path, const ResultsContent& content) {
  // The temporary is made in the results file's own folder, whatever the current folder is: a rename from
  // anywhere else may cross file systems, and the current folder may be read-only or someone else's. A link
  // standing in the file's place is replaced, never written through: the folder is the program's own, so nothing
  // there is anyone else's to keep.
  AtomicFile file(FullPath(path), AtomicFile::LinkAtTarget::Replace);
  WriteContent(file.Out(), content);
  file.Commit();
}

}  // namespace dv
