#pragma once
// Reads folder listings ahead of the walk on a second thread, so that reading a folder overlaps the work on the
// one before it. The walk hands over the folders it will visit next, nearest first; a listing is read (opened by
// its path, never following a last link, sorted by name) and kept until the walk takes it. The walk still opens
// every folder itself through its own handles and uses a listing only when it was read from that very folder
// (same device and inode); anything else it reads itself. Events and decisions stay on the walk's thread.
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/dir_handles.h"

namespace dv {

class ListingPrefetch {
 public:
  struct Listing {
    dev_t dev = 0;
    ino_t ino = 0;
    std::vector<DirEntry> entries;
  };

  ListingPrefetch() = default;
  ~ListingPrefetch();
  ListingPrefetch(const ListingPrefetch&) = delete;
  ListingPrefetch& operator=(const ListingPrefetch&) = delete;

  // Folders the walk will visit, in the order it will visit them.
  void Ahead(const std::vector<std::string>& paths);
  // The listing read for `path`, waiting while it is being read; empty when it was not read (the caller reads).
  std::optional<Listing> Take(const std::string& path);
  // The walk will not visit `path` after all.
  void Drop(const std::string& path);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_, ready_;
  std::vector<std::string> todo_;  // the next folder to read is at the back
  std::unordered_map<std::string, Listing> done_;
  std::string reading_;
  size_t heldEntries_ = 0;
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace dv
