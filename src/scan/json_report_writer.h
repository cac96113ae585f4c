#pragma once
// The report as one JSON document, for scripts: the starting folder, the settings in force, one object per listed
// folder and file (the rows of the CSV view) with every shown column as a typed value, and the totals:
//
//   {"startingFolder": "/abs/path", "settings": {...}, "items": [
//   {"kind": "folder", "path": "...", "name": "...", "size": 12, "attributes": "D", ...},
//   {"kind": "file", ...}],
//   "startingFolderSize": 1234, "foldersShown": 2, "filesShown": 5, "cancelled": false}
//
// Rows follow the text report's rules and its way of keeping memory flat: a folder waits only while a file filter
// may still drop it, the starting folder's rows wait for its check-for-close, and while folder totals are still
// to come rows go to the same spool, with a slot for each total.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_stream.h"
#include "scan/row_spool.h"
#include "scan/scan_listener.h"
#include "scan/scan_settings.h"
#include "scan/tree_walk.h"

namespace dv {

class JsonReportWriter : public WalkSink {
 public:
  JsonReportWriter(const ScanSettings& settings, ScanListener& events, TextStream& out);
  ~JsonReportWriter() override;

  bool ReportMode() const override { return true; }
  bool WantsFolderTotals() const override;
  bool WantsFileDetails() const override;
  void StartingFolder(Folder& folder) override;
  void FolderAccepted(Folder& folder, int level) override;
  void FileAccepted(File& file, bool startingFolderFile) override;
  void StartingFolderChecked(bool cancelled) override;
  void FolderLeft(int level, uint64_t total) override;
  // Writes the rows still held and closes the document. Runs once, also when the walk ended with an error.
  void Finish(bool cancelled);

  // ISO 8601 local time with its offset: "2024-01-31T14:05:09+01:00".
  static std::string IsoTime(DateTime when);

 private:
  struct Pending {
    size_t id;  // the folder's index in totals_
    std::string row;
    bool slot;  // the row holds a slot (\x01) for the folder's total
    bool written;
  };
  std::string Row(const char* kind, FsItem& item, bool isFolder);
  void Put(const std::string& row, bool slot, size_t id);
  void FlushPending();
  void DrainHeld();
  void AppendSettings(std::string& out, const std::string& startPath) const;

  const ScanSettings& s_;
  ScanListener& events_;
  TextStream& out_;
  bool pruning_;
  bool holdingStart_ = true;
  bool deferTotals_;
  bool finished_ = false;
  std::vector<uint64_t> totals_;
  std::unique_ptr<RowSpool> held_;
  std::vector<Pending> pending_;
  long rows_ = 0, files_ = 0, folders_ = 1;
};

}  // namespace dv
