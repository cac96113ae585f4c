#pragma once
// Records kept in the order they were added, for one or more passes forwards or backwards: each a kind byte and a
// text. Kept in memory while small, then in an unnamed file of a given folder, so that a million records cost a
// couple of megabytes of memory. When no file can be made there, or a write fails (a full disk), the records stay
// in memory: a record once added is never lost.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"

namespace dv {

// An unnamed file (O_TMPFILE; where the file system has none, a named one removed at once) in `folder`, open for
// reading and writing; invalid when the folder takes none.
UniqueFd OpenUnnamedFile(const std::string& folder);

class RecordSpool {
 public:
  // The file goes in `folder` once the records outgrow `blockBytes`; they are written and read back in blocks of
  // about that size.
  explicit RecordSpool(std::string folder, size_t blockBytes = 1 << 20);

  void Add(char kind, std::string_view text);
  size_t Count() const { return count_; }
  void Clear();

  // Visits the records from the first (Forward) or the last (Backward) with their index; a visit returning false
  // ends the pass. Throws dv::Error when the file cannot be read back.
  using Visit = std::function<bool(size_t index, char kind, std::string_view text)>;
  void Forward(const Visit& visit) const;
  void Backward(const Visit& visit) const;

  // True once records went to a file (for tests).
  bool InFile() const { return fd_.Valid(); }

 private:
  struct Block {
    uint64_t offset = 0;  // in the file, when `held` is empty
    size_t bytes = 0;
    size_t first = 0;  // index of its first record
    std::string held;  // the block's records when it could not go to the file
  };
  void Seal();
  // The bytes of block `b` (read into `scratch_` when they are in the file).
  std::string_view BlockData(const Block& b) const;

  std::string folder_;
  size_t blockBytes_;
  std::vector<Block> blocks_;  // sealed blocks, in order
  std::string tail_;           // records after the last sealed block
  size_t tailFirst_ = 0;
  size_t count_ = 0;
  UniqueFd fd_;
  uint64_t fileBytes_ = 0;
  bool noFile_ = false;  // the folder took no file, or a write failed
  mutable std::string scratch_;
  mutable std::vector<size_t> starts_;
};

}  // namespace dv
