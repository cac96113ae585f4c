#include "scan/row_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/record_spool.h"
#include "platform/temp_folder.h"

namespace dv {

namespace {
// A record: a kind byte ('T' text, 'S' slot), the folder's index, the text's length, the text.
constexpr size_t kHeader = 1 + 2 * sizeof(uint64_t);
}  // namespace

RowSpool::RowSpool(std::vector<std::string> folders, size_t memoryLimit)
    : folders_(std::move(folders)), limit_(memoryLimit) {}

void RowSpool::Clear() {
  buf_.clear();
  fd_.Reset();
}

void RowSpool::Record(char kind, uint64_t id, const std::string& text) {
  uint64_t length = text.size();
  buf_ += kind;
  buf_.append(reinterpret_cast<const char*>(&id), sizeof id);
  buf_.append(reinterpret_cast<const char*>(&length), sizeof length);
  buf_ += text;
  if (buf_.size() >= limit_ && !memoryOnly_) Spill();
}

bool RowSpool::OpenFile() {
  for (const std::string& folder : folders_) {
    fd_ = OpenUnnamedFile(folder);
    if (fd_.Valid()) return true;
  }
  return false;
}

bool RowSpool::Spill() {
  if (!fd_.Valid() && !OpenFile()) {
    memoryOnly_ = true;
    return false;
  }
  // Whole records only reach the file: what a failed write leaves behind is cut off again, and the buffer keeps
  // everything not yet safely written.
  off_t start = ::lseek(fd_.Get(), 0, SEEK_END);
  for (size_t done = 0; done < buf_.size();) {
    ssize_t n = ::write(fd_.Get(), buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (start >= 0 && ::ftruncate(fd_.Get(), start) == 0) {
        memoryOnly_ = true;
        return false;
      }
      // The file can no longer be trusted; what it holds would be lost, so this cannot go on silently.
      ThrowErrno("the report's spool file");
    }
    done += size_t(n);
  }
  buf_.clear();
  return true;
}

size_t RowSpool::Parse(const std::string& data, TextStream& out, const std::function<std::string(size_t)>& fill) {
  size_t pos = 0;
  while (data.size() - pos >= kHeader) {
    uint64_t id, length;
    std::memcpy(&id, data.data() + pos + 1, sizeof id);
    std::memcpy(&length, data.data() + pos + 1 + sizeof id, sizeof length);
    if (data.size() - pos - kHeader < length) break;
    std::string text = data.substr(pos + kHeader, length);
    if (data[pos] == 'S') {
      std::string value = fill(id);
      for (size_t at; (at = text.find('\x01')) != std::string::npos;) text.replace(at, 1, value);
    }
    out.Write(text);
    pos += kHeader + length;
  }
  return pos;
}

void RowSpool::DrainTo(TextStream& out, const std::function<std::string(size_t)>& fill) {
  if (fd_.Valid()) {
    if (::lseek(fd_.Get(), 0, SEEK_SET) < 0) ThrowErrno("the report's spool file");
    std::string data, chunk(1 << 16, '\0');
    for (;;) {
      ssize_t n = ::read(fd_.Get(), chunk.data(), chunk.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno("the report's spool file");
      if (n == 0) break;
      data.append(chunk, 0, size_t(n));
      data.erase(0, Parse(data, out, fill));
    }
  }
  Parse(buf_, out, fill);
  Clear();
  memoryOnly_ = false;
}

std::unique_ptr<RowSpool> SpoolForReport(const TextStream& out) {
  std::string temp;
  try {
    temp = PrivateTempFolder();
  } catch (const Error&) {
    // Refused (a link, someone else's): the next place is tried.
  }
  std::string beside = out.Path().empty() || out.Path()[0] != '/' ? std::string() : ParentOfPath(out.Path());
  return std::make_unique<RowSpool>(std::vector<std::string>{temp, beside});
}

}  // namespace dv
