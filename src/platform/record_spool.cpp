#include "platform/record_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace dv {

namespace {
// A record: its kind byte, its text's length (4 bytes, host order), its text.
constexpr size_t kHeader = 1 + sizeof(uint32_t);

uint32_t LengthAt(const char* p) {
  uint32_t length;
  std::memcpy(&length, p + 1, sizeof length);
  return length;
}
}  // namespace

UniqueFd OpenUnnamedFile(const std::string& folder) {
  if (folder.empty()) return UniqueFd();
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::string name = folder + "/.dv-spool-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
  }
  return UniqueFd(fd);
}

RecordSpool::RecordSpool(std::string folder, size_t blockBytes) : folder_(std::move(folder)), blockBytes_(blockBytes) {}

void RecordSpool::Clear() {
  blocks_.clear();
  tail_.clear();
  tailFirst_ = count_ = 0;
  fd_.Reset();
  fileBytes_ = 0;
  noFile_ = false;
}

void RecordSpool::Add(char kind, std::string_view text) {
  if (text.size() > UINT32_MAX)
    throw Error(err::Application, "A record too long to keep: " + std::to_string(text.size()) + " bytes");
  const uint32_t length = static_cast<uint32_t>(text.size());
  tail_ += kind;
  tail_.append(reinterpret_cast<const char*>(&length), sizeof length);
  tail_.append(text);
  ++count_;
  if (tail_.size() >= blockBytes_) Seal();
}

void RecordSpool::Seal() {
  Block block;
  block.first = tailFirst_;
  block.bytes = tail_.size();
  if (!noFile_ && !fd_.Valid()) {
    fd_ = OpenUnnamedFile(folder_);
    noFile_ = !fd_.Valid();
  }
  bool written = false;
  if (!noFile_) {
    size_t done = 0;
    while (done < tail_.size()) {
      ssize_t n = ::pwrite(fd_.Get(), tail_.data() + done, tail_.size() - done, static_cast<off_t>(fileBytes_ + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    written = done == tail_.size();
    // What a failed write left in the file is never read: the block stays in memory, and so do the next ones.
    noFile_ = !written;
  }
  if (written) {
    block.offset = fileBytes_;
    fileBytes_ += tail_.size();
    tail_.clear();
  } else {
    block.held = std::move(tail_);
    tail_ = std::string();
  }
  blocks_.push_back(std::move(block));
  tailFirst_ = count_;
}

std::string_view RecordSpool::BlockData(const Block& b) const {
  if (b.bytes == 0 || !b.held.empty()) return b.held;
  scratch_.resize(b.bytes);
  size_t done = 0;
  while (done < b.bytes) {
    ssize_t n = ::pread(fd_.Get(), scratch_.data() + done, b.bytes - done, static_cast<off_t>(b.offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ErrorFromErrno(errno, "the spool of " + folder_);
    if (n == 0) throw Error(err::InputPastEnd, ErrorText(err::InputPastEnd) + ": the spool of " + folder_);
    done += static_cast<size_t>(n);
  }
  return scratch_;
}

namespace {

// Visits the records of `data` (whose first is number `first`) in order; false when a visit ended the pass.
bool VisitForward(std::string_view data, size_t first, const RecordSpool::Visit& visit) {
  for (size_t at = 0, index = first; at < data.size(); ++index) {
    const uint32_t length = LengthAt(data.data() + at);
    if (!visit(index, data[at], data.substr(at + kHeader, length))) return false;
    at += kHeader + length;
  }
  return true;
}

}  // namespace

void RecordSpool::Forward(const Visit& visit) const {
  for (const Block& b : blocks_)
    if (!VisitForward(BlockData(b), b.first, visit)) return;
  VisitForward(tail_, tailFirst_, visit);
}

void RecordSpool::Backward(const Visit& visit) const {
  auto backwards = [&](std::string_view data, size_t first) {
    starts_.clear();
    for (size_t at = 0; at < data.size(); at += kHeader + LengthAt(data.data() + at))
      starts_.push_back(at);
    for (size_t k = starts_.size(); k-- > 0;) {
      const size_t at = starts_[k];
      if (!visit(first + k, data[at], data.substr(at + kHeader, LengthAt(data.data() + at)))) return false;
    }
    return true;
  };
  if (!backwards(tail_, tailFirst_)) return;
  for (size_t b = blocks_.size(); b-- > 0;)
    if (!backwards(BlockData(blocks_[b]), blocks_[b].first)) return;
}

}  // namespace dv
