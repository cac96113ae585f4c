#pragma once
// Rows the report holds back: the starting folder's rows until its check-for-close, and every row while folder
// totals are still to come. Kept in memory while small, then in an unnamed file, so a million rows cost no
// memory. The file goes in the first folder of a list that takes it (the private temporary folder, which is often
// small and RAM-backed, then the report's own folder); when none does, or a write fails (a full disk), the rows
// stay in memory. A row once handed over is never lost.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_stream.h"
#include "platform/unique_fd.h"

namespace dv {

class RowSpool {
 public:
  // `folders` are tried in order when the rows outgrow `memoryLimit` bytes.
  explicit RowSpool(std::vector<std::string> folders, size_t memoryLimit = 4 << 20);

  // A row of text, or a row with slots (\x01) to be filled with the value for `id` when written out.
  void Text(const std::string& text) { Record('T', 0, text); }
  void Slot(size_t id, const std::string& columns) { Record('S', id, columns); }
  void Clear();
  // Writes every row out in order, each slot filled by `fill(id)`, and empties the spool.
  void DrainTo(TextStream& out, const std::function<std::string(size_t)>& fill);
  // True once rows went to a file (for tests).
  bool InFile() const { return fd_.Valid(); }

 private:
  void Record(char kind, uint64_t id, const std::string& text);
  bool Spill();
  bool OpenFile();
  size_t Parse(const std::string& data, TextStream& out, const std::function<std::string(size_t)>& fill);

  std::vector<std::string> folders_;
  size_t limit_;
  std::string buf_;
  UniqueFd fd_;
  bool memoryOnly_ = false;  // no folder took the file, or it failed: everything stays in memory
};

// The spool of a report written to `out`: its rows go to the private temporary folder when they outgrow memory,
// else beside the report (when `out` is a file), else they stay in memory.
std::unique_ptr<RowSpool> SpoolForReport(const TextStream& out);

}  // namespace dv
