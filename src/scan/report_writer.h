#pragma once
// The directory report: header block, title line, file and folder lines of the four views, folder summaries and
// the final summary. Rows are written as soon as nothing later can remove them, so memory does not grow with the
// tree: a folder line waits only until a file below it is listed (then it is written) or its subtree ends with
// none (then, when a file filter is active, it is dropped). The files of the starting folder wait until the walk
// of its subfolders is allowed to start, because a cancel at that moment writes no rows at all.
// Every text that comes from a name has its control characters shown as "?", so no name can split a row.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_stream.h"
#include "scan/report_texts.h"
#include "scan/row_spool.h"
#include "scan/scan_listener.h"
#include "scan/scan_settings.h"
#include "scan/tree_walk.h"

namespace dv {

using report::kCancelledMarker;
using report::kInvalidPathMarker;

class ReportWriter : public WalkSink {
 public:
  ReportWriter(const ScanSettings& settings, ScanListener& events, TextStream& out);
  ~ReportWriter() override;

  bool ReportMode() const override { return true; }
  bool WantsFolderTotals() const override;
  bool WantsFileDetails() const override;
  void StartingFolder(Folder& folder) override;
  void FolderAccepted(Folder& folder, int level) override;
  void FileAccepted(File& file, bool startingFolderFile) override;
  void FolderFilesDone(Folder& folder, int level, long listed, long total) override;
  void StartingFolderChecked(bool cancelled) override;
  void FolderLeft(int level, uint64_t total) override;
  // Writes the rows still held, the final summary and, after a cancel, the cancelled marker. Runs once, also
  // when the walk ended with an error.
  void Finish(bool cancelled);

  // Pieces of the layout, public for the windows that parse the report.
  std::string HeaderLine() const { return headerLine_; }
  // The detail columns of an item: fixed-width (views 0 and 1) or comma-joined (views 2 and 3).
  std::string Columns(FsItem& item, bool isFolder);
  void AppendColumns(std::string& out, FsItem& item, bool isFolder);
  static std::string AttributeLetters(long attributes);

 private:
  // A piece of a row: text, or a folder's detail columns with a slot (a \x01) for its total still to come.
  struct Piece {
    std::string text;
    size_t slot = kNoSlot;
  };
  static constexpr size_t kNoSlot = static_cast<size_t>(-1);
  struct Pending {
    size_t id;  // the folder's index in totals_
    std::vector<Piece> pieces;  // the folder line and, once known, its summary
    bool written;
  };
  void Emit(const std::string& text);  // to the output, or to the spool while rows are held back
  void Put(const Piece& piece);
  void FlushPending();
  void DrainHeld();
  // The folder's detail columns, as a slot when its total is still to come.
  Piece FolderColumns(Folder& folder, size_t id);
  std::vector<Piece> SummaryRow(Folder& folder, size_t id, long listed, long total);
  std::string SizeText(uint64_t bytes) const;
  // Appends a name or path as the report shows it (control characters as "?", in the comma-separated views
  // commas as "_").
  void AppendPath(std::string& line, std::string_view path) const;

  const ScanSettings& s_;
  ScanListener& events_;
  TextStream& out_;
  std::string headerLine_, columnBlank_;
  bool csv_;
  bool hasColumns_ = false;  // at least one detail column is shown
  bool pruning_;
  bool holdingStart_ = true;  // the starting folder's rows wait for its check-for-close
  bool cancelledAtStart_ = false;
  bool deferTotals_;  // folder totals come at the end of their subtrees
  bool finished_ = false;
  std::vector<uint64_t> totals_;  // one per folder row, the starting folder first
  std::unique_ptr<RowSpool> held_;
  std::vector<Pending> pending_;
  long files_ = 0, folders_ = 1;
  std::string line_;  // the file row being built
};

}  // namespace dv
