#include "scan/cls_dir_processing.h"

#include "common/pattern.h"
#include "common/resume_scope.h"
#include "platform/file_system.h"
#include "platform/path.h"
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
  SetterScope(*this, "cdp:4N").Step([&] { filePattern_ = ConvertPattern(text, patternOption_); });
}

void clsDirProcessing::RegExFolderPattern(const std::string& text) {
  SetterScope(*this, "cdp:4O").Step([&] { folderPattern_ = ConvertPattern(text, patternOption_); });
}

void clsDirProcessing::ExtensionRestrict(std::string& CommaSepExtension, long RestrictType) {
  SetterScope(*this, "cdp:5B").Step([&] { extensions_.Set(CommaSepExtension, RestrictType); });
}

void clsDirProcessing::FileSizeRestrict(bool on, long size, long op, long unit) {
  SetterScope(*this, "cdp:5C").Step([&] { fileSize_.Set(on, size, op, unit, sizeType_); });
}

void clsDirProcessing::FolderSizeRestrict(bool on, long size, long op, long unit) {
  SetterScope(*this, "cdp:5D").Step([&] { folderSize_.Set(on, size, op, unit, sizeType_); });
}

void clsDirProcessing::DateRestrict(bool on, const LocalTime& day, long op, long dateType) {
  SetterScope(*this, "cdp:5E").Step([&] { date_.Set(on, day, op, dateType); });
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
  explicit PassSink(ScanListener& events) : events_(events) {}
  bool ReportMode() const override { return false; }
  void StartingFolder(Folder& folder) override { events_.evtExternalPassFolder(folder); }
  void FolderAccepted(Folder& folder, int) override { events_.evtExternalPassFolder(folder); }
  void FileAccepted(File& file, bool) override { events_.evtExternalPassFile(file); }

 private:
  ScanListener& events_;
};

}  // namespace

void clsDirProcessing::ExternalProcessing() {
  closingDown_ = false;
  ResumeScope scope(
      [this](const Error& e, const std::string& l) { Events().evtExternalPassError(e, l, 4, "listing a root folder"); },
      "cdp:CA");
  FileSystemObject fso;
  if (!fso.FolderExists(startingDirectory_)) {
    prompter_.Message("The folder " + startingDirectory_ + " does not exist.  Please select another folder.",
                      "Folder Does Not Exist");
    return;
  }
  scope.Step([&] {
    PassSink sink(Events());
    WalkTree(*this, GetAbsolutePathName(startingDirectory_), sink);
  });
  Events().evtExternalProcessingComplete();
}

}  // namespace dv
