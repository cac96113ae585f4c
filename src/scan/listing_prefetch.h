#pragma once
// Reads folder listings ahead of the walk on a second thread, so that the two share the opening and reading of
// folders. The reader walks the same tree in the same order (pre-order, names sorted) through handles of its own
// (relative, never following a link), entering only the folders the walk will enter (the caller's tests, which
// must be free of side effects), and queues each folder's handle and listing for the walk, which adopts them. The
// walk waits only for a folder the reader has in hand; any other it opens and reads itself, and the reader skips
// what the walk has reached, going on past it. When the two part ways (the tree changed, a test answered
// otherwise) the walk opens and reads for itself.
// Events and decisions stay on the walk's thread; the queue holds a bounded number of entries and handles.
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/dir_handles.h"
#include "platform/unique_fd.h"

namespace dv {

// True when `a` comes before `b` in the walk's order (a folder before everything below it, siblings by name).
bool WalkOrderBefore(const std::string& a, const std::string& b);

class ListingPrefetch {
 public:
  struct Listing {
    std::string path;
    std::vector<DirEntry> entries;
    UniqueFd folder;  // the folder itself, opened by the reader without following a link
  };
  // Whether the walk will enter the subfolder `name` of the folder open at `parentFd` (`parentPath`), at `level`,
  // before it is opened; and, once opened, by its device and inode (none: every folder opened is read).
  struct Tests {
    std::function<bool(int parentFd, const std::string& parentPath, const std::string& name, int level)> before;
    std::function<bool(dev_t dev, ino_t ino)> opened;
  };

  // True when reading ahead can help: this process may run on more than one processor and one of them is free.
  // Otherwise the reader and the walk would only take turns, each hand-over costing two context switches.
  static bool Helps();

  ListingPrefetch() = default;
  ~ListingPrefetch();
  ListingPrefetch(const ListingPrefetch&) = delete;
  ListingPrefetch& operator=(const ListingPrefetch&) = delete;

  // Starts reading below the starting folder, whose own listing (`entries`) the walk has read.
  void Start(const std::string& startPath, const std::vector<DirEntry>& entries, Tests tests);
  // The handle and listing of `path`, the next folder the walk enters; empty when the reader did not read it.
  std::optional<Listing> Take(const std::string& path);

 private:
  // One pass of the reader from the top; the number of listings queued, or -1 when it is to stop.
  long Pass(const std::string& startPath, const std::vector<DirEntry>& entries, const Tests& tests);
  bool Put(Listing listing);  // false when the reader is to stop

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Listing> queue_;
  size_t queuedEntries_ = 0;
  std::string walkAt_;   // the folder the walk asked for last
  std::string reading_;  // the folder the reader is reading for the walk
  std::string walkOwns_;  // a subtree the walk opens and reads itself; the reader stays out of it
  bool stop_ = false, finished_ = false;
  bool walkWaits_ = false, readerWaits_ = false;  // who sleeps on `changed_`, so that no wake-up is wasted
  std::thread reader_;
};

}  // namespace dv
