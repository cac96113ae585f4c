#include "platform/text_stream.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

namespace {
constexpr size_t kChunk = 1 << 16;
}  // namespace

TextStream TextStream::Open(const std::string& path, IOMode mode, bool create, bool exclusive) {
  std::string full = FullPath(path);
  PathRef ref(full);
  int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  bool writing = mode != IOMode::ForReading;
  if (!writing) flags |= O_RDONLY;
  else flags |= O_WRONLY | (mode == IOMode::ForAppending ? O_APPEND : 0);
  if (writing && create) flags |= O_CREAT;
  if (writing && create && exclusive) flags |= O_EXCL;
  // Nothing is written through a link: one planted in place of a file we write (the session log, the report
  // file) would otherwise send our output, or an emptying, to whatever it points at. A file read may be a link.
  if (writing) flags |= O_NOFOLLOW;
  int fd = ::openat(ref.Dir(), ref.Name(), flags, 0666);
  if (fd < 0) {
    const int failure = errno;
    struct stat st;
    if (writing && failure == ELOOP && ::fstatat(ref.Dir(), ref.Name(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
      throw Error(err::PathFileAccess,
                  ErrorText(err::PathFileAccess) + ": " + full + " is a symbolic link; it is not written through");
    throw ErrorFromErrno(failure, full);
  }
  UniqueFd owned(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowErrno(full);
  if (!S_ISREG(st.st_mode))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + full);
  // Opened without blocking so that a FIFO could not hang us; ordinary blocking from here on.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (mode == IOMode::ForWriting && ::ftruncate(fd, 0) != 0) ThrowErrno(full);
  return TextStream(std::move(owned), full, writing);
}

TextStream TextStream::Adopt(UniqueFd fd, std::string name, bool writing) {
  return TextStream(std::move(fd), std::move(name), writing);
}

TextStream::TextStream(UniqueFd fd, std::string path, bool writing)
    : fd_(std::move(fd)), path_(std::move(path)), writing_(writing) {}

TextStream& TextStream::operator=(TextStream&& o) noexcept {
  if (this != &o) {
    try {
      Close();
    } catch (...) {
    }
    fd_ = std::move(o.fd_);
    path_ = std::move(o.path_);
    writing_ = o.writing_;
    buf_ = std::move(o.buf_);
    pos_ = o.pos_;
    eof_ = o.eof_;
  }
  return *this;
}

TextStream::~TextStream() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; callers that care call Close() themselves.
  }
}

void TextStream::RequireReading() const {
  if (!fd_.Valid() || writing_) throw Error(err::BadFileMode, ErrorText(err::BadFileMode) + ": " + path_);
}

void TextStream::RequireWriting() const {
  if (!fd_.Valid() || !writing_) throw Error(err::BadFileMode, ErrorText(err::BadFileMode) + ": " + path_);
}

bool TextStream::Fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    buf_.erase(0, pos_);
    pos_ = 0;
  }
  size_t old = buf_.size();
  buf_.resize(old + kChunk);
  ssize_t n;
  do n = ::read(fd_.Get(), buf_.data() + old, kChunk);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    buf_.resize(old);
    ThrowErrno(path_);
  }
  buf_.resize(old + static_cast<size_t>(n));
  if (n == 0) eof_ = true;
  return n > 0;
}

bool TextStream::AtEndOfStream() {
  RequireReading();
  return pos_ >= buf_.size() && !Fill();
}

std::string TextStream::ReadLine() {
  if (AtEndOfStream()) throw Error(err::InputPastEnd, ErrorText(err::InputPastEnd) + ": " + path_);
  // Only what each fill added is searched: a line of many blocks is read in linear time.
  size_t nl, searched = 0;  // bytes after pos_ known to hold no line end
  while ((nl = buf_.find('\n', pos_ + searched)) == std::string::npos) {
    searched = buf_.size() - pos_;
    if (!Fill()) break;
  }
  size_t end = nl == std::string::npos ? buf_.size() : nl;
  std::string line = buf_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  pos_ = nl == std::string::npos ? buf_.size() : nl + 1;
  return line;
}

std::string TextStream::ReadAll() {
  RequireReading();
  while (Fill()) {
  }
  std::string rest = buf_.substr(pos_);
  pos_ = buf_.size();
  return rest;
}

void TextStream::Skip(long count) {
  while (count > 0 && !AtEndOfStream()) {
    size_t step = std::min(static_cast<size_t>(count), buf_.size() - pos_);
    pos_ += step;
    count -= static_cast<long>(step);
  }
}

void TextStream::Write(std::string_view text) {
  RequireWriting();
  buf_ += text;
  if (buf_.size() >= kChunk) Flush();
}

void TextStream::WriteLine(std::string_view text) {
  RequireWriting();
  buf_ += text;
  buf_ += "\r\n";
  if (buf_.size() >= kChunk) Flush();
}

void TextStream::WriteBlankLines(long count) {
  for (long i = 0; i < count; ++i) WriteLine();
}

void TextStream::Flush() {
  if (!writing_ || !fd_.Valid()) return;
  size_t done = 0;
  while (done < buf_.size()) {
    ssize_t n = ::write(fd_.Get(), buf_.data() + done, buf_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      buf_.erase(0, done);
      ThrowErrno(path_);
    }
    done += static_cast<size_t>(n);
  }
  buf_.clear();
}

void TextStream::Close() {
  if (!fd_.Valid()) return;
  try {
    Flush();
  } catch (...) {
    fd_.Reset();
    throw;
  }
  fd_.Reset();
}

}  // namespace dv
