#pragma once
// Text files of bytes as they are, with CR LF line ends in everything written. Reading accepts LF and CR LF.
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace dv {

enum class IOMode { ForReading = 1, ForWriting = 2, ForAppending = 8 };

class TextStream {
 public:
  // Opens `path`. ForWriting empties the file; with `create` a missing file is made, without it a missing file
  // fails with 53. `exclusive` fails with 58 when the file exists. Only regular files are opened: a FIFO or
  // device is refused rather than blocked on. Writing or appending never follows a symbolic link in the last
  // component (refused with 75, naming the path); reading does. Throws dv::Error.
  static TextStream Open(const std::string& path, IOMode mode, bool create, bool exclusive = false);
  // A stream over a handle the caller already holds (standard output, a pipe); `name` names it in errors.
  static TextStream Adopt(UniqueFd fd, std::string name, bool writing);

  TextStream(TextStream&&) noexcept = default;
  TextStream& operator=(TextStream&&) noexcept;
  ~TextStream();

  // Reading. ReadLine fails with 62 at the end of the stream.
  std::string ReadLine();
  std::string ReadAll();
  bool AtEndOfStream();
  void Skip(long count);

  // Writing. Data is buffered; Flush() writes it out, Close() flushes and closes.
  void Write(std::string_view text);
  void WriteLine(std::string_view text = {});
  void WriteBlankLines(long count);
  void Flush();
  void Close();
  bool IsOpen() const { return fd_.Valid(); }
  const std::string& Path() const { return path_; }

 private:
  TextStream(UniqueFd fd, std::string path, bool writing);
  bool Fill();  // reads more into the buffer; false at the end
  void RequireReading() const;
  void RequireWriting() const;

  UniqueFd fd_;
  std::string path_;
  bool writing_ = false;
  std::string buf_;
  size_t pos_ = 0;  // read position in buf_
  bool eof_ = false;
};

}  // namespace dv
