#pragma once
// The directory report: header block, title line, file and folder lines of the four views, folder summaries and
// the final summary. Rows are written as soon as nothing later can remove them, so memory does not grow with the
// tree: a folder line waits only until a file below it is listed (then it is written) or its subtree ends with
// none (then, when a file filter is active, it is dropped). The files of the starting folder wait until the walk
// of its subfolders is allowed to start, because a cancel at that moment writes no rows at all.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_stream.h"
#include "scan/tree_walk.h"

namespace dv {

class clsDirProcessing;

// The invalid-path report's whole text.
inline constexpr const char* kInvalidPathMarker = "*********  Invalid Path  *********";
inline constexpr const char* kCancelledMarker = "*********  Operation was cancelled  ********************";

class ReportWriter : public WalkSink {
 public:
  ReportWriter(clsDirProcessing& engine, TextStream& out);
  ~ReportWriter() override;

  bool ReportMode() const override { return true; }
  bool WantsFolderTotals() const override;
  void StartingFolder(Folder& folder) override;
  void FolderAccepted(Folder& folder, int level) override;
  void FileAccepted(File& file, bool startingFolderFile) override;
  void FolderFilesDone(Folder& folder, int level, long listed, long total) override;
  void StartingFolderChecked(bool cancelled) override;
  void FolderLeft(int level, uint64_t total) override;
  // Writes the final summary and, after a cancel, the cancelled marker.
  void Finish();

  // Pieces of the layout, public for the windows that parse the report.
  std::string HeaderLine() const { return headerLine_; }
  // The detail columns of an item: fixed-width (views 0 and 1) or comma-joined (views 2 and 3).
  std::string Columns(FsItem& item, bool isFolder);
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
  bool Csv() const;
  void Emit(const std::string& text);  // to the output, or to the spool while rows are held back
  void Put(const Piece& piece);
  void FlushPending();
  void DrainHeld();
  // The folder's detail columns, as a slot when its total is still to come.
  Piece FolderColumns(Folder& folder, size_t id);
  std::vector<Piece> SummaryRow(Folder& folder, size_t id, long listed, long total);
  std::string SizeText(uint64_t bytes) const;

  clsDirProcessing& e_;
  TextStream& out_;
  std::string headerLine_, columnBlank_;
  bool pruning_;
  bool holdingStart_ = true;  // the starting folder's rows wait for its check-for-close
  bool cancelledAtStart_ = false;
  bool deferTotals_;  // folder totals come at the end of their subtrees
  std::vector<uint64_t> totals_;  // one per folder row, the starting folder first
  class Spool;
  Spool* held_;
  std::vector<Pending> pending_;
  long files_ = 0, folders_ = 1;
};

}  // namespace dv
