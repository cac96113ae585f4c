#pragma once
// The report an export reads, a piece at a time: from a file handle, so that a report of any size is exported in
// a few hundred KB of memory, or from a text the caller already holds (the window's preview).
#include <functional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace dv {

class ReportLines {
 public:
  // Reads the handle from its current position to its end; `name` names it in errors.
  static ReportLines FromFd(UniqueFd fd, std::string name);
  // Reads `text`, which must outlive the reader.
  static ReportLines FromText(std::string_view text);

  ReportLines(ReportLines&&) noexcept = default;
  ReportLines& operator=(ReportLines&&) noexcept = default;

  // Asked before each piece of input and every 4,096 lines: when it answers true, reading fails with
  // dv::Error 32755, so a long export can be stopped (a signal, a Cancel) and its target left as it was.
  void StopWhen(std::function<bool()> stop) { stop_ = std::move(stop); }

  // A line ends at CR LF, LF or a lone CR and is returned without its end; a final line end adds no empty line,
  // so an empty input has no lines. ReadLine fails with 62 at the end. Throws dv::Error on a read failure.
  bool AtEnd();
  std::string ReadLine();

  // The next bytes exactly as they are (line ends untouched), empty at the end: for a byte-for-byte copy.
  // Not to be mixed with ReadLine.
  std::string_view ReadChunk();

 private:
  ReportLines() = default;
  std::string_view Data() const { return fd_.Valid() ? std::string_view(buf_) : text_; }
  bool More();  // appends more input to Data(); false at the end
  void CheckStop();

  UniqueFd fd_;
  std::string name_;
  std::string buf_;
  std::string_view text_;
  size_t pos_ = 0;  // read position in Data()
  bool eof_ = false;
  unsigned lines_ = 0;
  std::function<bool()> stop_;
};

}  // namespace dv
