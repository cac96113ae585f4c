#include "scan/cls_dir_processing.h"

#include "common/pattern.h"
#include "common/resume_scope.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/temp_folder.h"
#include "scan/json_report_writer.h"
#include "scan/report_writer.h"
#include "scan/tree_walk.h"

namespace dv {

clsDirProcessing::clsDirProcessing(Prompter& prompter, ScanListener* listener)
    : prompter_(prompter), listener_(listener) {}

clsDirProcessing::~clsDirProcessing() = default;

namespace {

// Setter failures are raised as kind 1 with the setter's location code; the setting keeps what it had.
ResumeScope SetterScope(clsDirProcessing& engine, const char* loc) {
  return ResumeScope(
      [&engine](const Error& e, const std::string& l) { engine.Events().evtExternalPassError(e, l, 1, ""); }, loc);
}

}  // namespace

void clsDirProcessing::RegExFilePattern(const std::string& text) {
  SetterScope(*this, "cdp:4N").Step([&] { s_.filePattern = ConvertPattern(text, s_.patternOption); });
}

void clsDirProcessing::RegExFolderPattern(const std::string& text) {
  SetterScope(*this, "cdp:4O").Step([&] { s_.folderPattern = ConvertPattern(text, s_.patternOption); });
}

void clsDirProcessing::ShowColumns(const std::vector<long>& codes) {
  s_.columns.clear();
  for (long code : codes) s_.columns.push_back(static_cast<ReportColumn>(code));
}

std::vector<long> clsDirProcessing::Columns() const {
  std::vector<long> codes;
  for (ReportColumn c : s_.columns) codes.push_back(static_cast<long>(c));
  return codes;
}

void clsDirProcessing::ExtensionRestrict(std::string& CommaSepExtension, long RestrictType) {
  SetterScope(*this, "cdp:5B").Step([&] { s_.extensions.Set(CommaSepExtension, RestrictType); });
}

void clsDirProcessing::FileSizeRestrict(bool on, long size, long op, long unit) {
  SetterScope(*this, "cdp:5C").Step([&] {
    s_.fileSize.Set(on, size, static_cast<CompareOp>(op), static_cast<SizeUnit>(unit), s_.sizeUnit);
  });
}

void clsDirProcessing::FolderSizeRestrict(bool on, long size, long op, long unit) {
  SetterScope(*this, "cdp:5D").Step([&] {
    s_.folderSize.Set(on, size, static_cast<CompareOp>(op), static_cast<SizeUnit>(unit), s_.sizeUnit);
  });
}

void clsDirProcessing::DateRestrict(bool on, const LocalTime& day, long op, long dateType) {
  SetterScope(*this, "cdp:5E").Step(
      [&] { s_.date.Set(on, day, static_cast<CompareOp>(op), static_cast<DateType>(dateType)); });
}

int clsDirProcessing::PathDepth(const std::string& path) {
  if (path.empty()) return 0;
  int parts = 1;
  for (char c : path) parts += c == '/';
  // A trailing "/" (the root itself) adds no part of its own beyond the empty one before it.
  if (path.size() > 1 && path.back() == '/') --parts;
  return parts - 1;
}

namespace {

// External processing: every accepted item goes to the listener as it is.
class PassSink : public WalkSink {
 public:
  PassSink(ScanListener& events, bool details) : events_(events), details_(details) {}
  bool ReportMode() const override { return false; }
  bool WantsFileDetails() const override { return details_; }
  void StartingFolder(Folder& folder) override { events_.evtExternalPassFolder(folder); }
  void FolderAccepted(Folder& folder, int) override { events_.evtExternalPassFolder(folder); }
  void FileAccepted(File& file, bool) override { events_.evtExternalPassFile(file); }

 private:
  ScanListener& events_;
  bool details_;
};

}  // namespace

std::string clsDirProcessing::ReportFilePath() const {
  return reportFilePath_.empty() ? PrivateTempFolder() + "/tmpOuput.txt" : reportFilePath_;
}

bool clsDirProcessing::StartingFolderMissing() {
  FileSystemObject fso;
  if (fso.FolderExists(s_.startingDirectory)) return false;
  // A file given where a folder is wanted is named as what it is.
  if (!s_.startingDirectory.empty() && fso.FileExists(s_.startingDirectory))
    prompter_.Message("The path " + s_.startingDirectory + " is a file, not a folder.  Please select a folder.",
                      "Folder Does Not Exist");
  else
    prompter_.Message("The folder " + s_.startingDirectory + " does not exist.  Please select another folder.",
                      "Folder Does Not Exist");
  return true;
}

bool clsDirProcessing::CreateDirPrintFile(TextStream& out) {
  ClosingDown(false);
  if (StartingFolderMissing()) {
    // A JSON document gets no marker: a script reads the exit status, and a partial text would not parse.
    if (s_.view != ReportView::Json) out.Write(kInvalidPathMarker);
    return false;
  }
  ResumeScope scope(
      [this](const Error& e, const std::string& l) { Events().evtExternalPassError(e, l, 4, "listing a root level folder"); },
      "cdp:6A");
  auto run = [&](auto& writer) {
    scope.Step([&] { WalkTree(s_, Events(), closingDown_, GetAbsolutePathName(s_.startingDirectory), writer); });
    // Whatever ended the walk, the rows already walked are written out.
    scope.Step([&] { writer.Finish(ClosingDown()); });
  };
  if (s_.view == ReportView::Json) {
    JsonReportWriter writer(s_, Events(), out);
    run(writer);
  } else {
    ReportWriter writer(s_, Events(), out);
    run(writer);
  }
  return true;
}

void clsDirProcessing::CreateDirPrintFile() {
  ResumeScope scope(
      [this](const Error& e, const std::string& l) { Events().evtExternalPassError(e, l, 4, ""); }, "cdp:6A");
  bool complete = false;
  scope.Step([&] {
    TextStream out = TextStream::Open(ReportFilePath(), IOMode::ForWriting, true);
    complete = CreateDirPrintFile(out);
    out.Close();
  });
  if (complete) Events().evtCreateDirPrintFileComplete();
}

void clsDirProcessing::ExternalProcessing() {
  ClosingDown(false);
  ResumeScope scope(
      [this](const Error& e, const std::string& l) { Events().evtExternalPassError(e, l, 4, "listing a root folder"); },
      "cdp:CA");
  if (StartingFolderMissing()) return;
  scope.Step([&] {
    PassSink sink(Events(), passDetails_);
    WalkTree(s_, Events(), closingDown_, GetAbsolutePathName(s_.startingDirectory), sink);
  });
  Events().evtExternalProcessingComplete();
}

}  // namespace dv
