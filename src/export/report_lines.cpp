#include "export/report_lines.h"

#include <unistd.h>

#include <cerrno>

#include "platform/error.h"

namespace dv {

namespace {
constexpr size_t kChunk = 1 << 16;
}  // namespace

ReportLines ReportLines::FromFd(UniqueFd fd, std::string name) {
  ReportLines r;
  r.fd_ = std::move(fd);
  r.name_ = std::move(name);
  return r;
}

ReportLines ReportLines::FromText(std::string_view text) {
  ReportLines r;
  r.text_ = text;
  r.eof_ = true;
  return r;
}

void ReportLines::CheckStop() {
  if (stop_ && stop_()) throw Error(err::DialogCancelled, ErrorText(err::DialogCancelled));
}

bool ReportLines::More() {
  CheckStop();
  if (eof_) return false;
  // What has been read goes; what is left of a line moves to the front.
  buf_.erase(0, pos_);
  pos_ = 0;
  const size_t old = buf_.size();
  buf_.resize(old + kChunk);
  ssize_t n;
  do n = ::read(fd_.Get(), buf_.data() + old, kChunk);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    buf_.resize(old);
    ThrowErrno(name_);
  }
  buf_.resize(old + static_cast<size_t>(n));
  if (n == 0) eof_ = true;
  return n > 0;
}

bool ReportLines::AtEnd() { return pos_ >= Data().size() && !More(); }

std::string ReportLines::ReadLine() {
  if (AtEnd()) throw Error(err::InputPastEnd, ErrorText(err::InputPastEnd) + ": " + name_);
  if (++lines_ % 4096 == 0) CheckStop();
  size_t scanned = 0;  // bytes after pos_ known to hold no line end
  for (;;) {
    std::string_view d = Data();
    const size_t at = d.find_first_of("\r\n", pos_ + scanned);
    // A CR at the end of what is read so far may be the first half of a CR LF.
    if (at == std::string_view::npos || (d[at] == '\r' && at + 1 == d.size())) {
      scanned = (at == std::string_view::npos ? d.size() : at) - pos_;
      if (More()) continue;
      d = Data();
    }
    const size_t end = d.find_first_of("\r\n", pos_ + scanned);
    if (end == std::string_view::npos) {
      std::string line(d.substr(pos_));
      pos_ = d.size();
      return line;
    }
    std::string line(d.substr(pos_, end - pos_));
    pos_ = end + 1;
    if (d[end] == '\r' && pos_ < d.size() && d[pos_] == '\n') ++pos_;
    return line;
  }
}

std::string_view ReportLines::ReadChunk() {
  if (pos_ >= Data().size() && !More()) return {};
  std::string_view d = Data().substr(pos_);
  pos_ = Data().size();
  return d;
}

}  // namespace dv
