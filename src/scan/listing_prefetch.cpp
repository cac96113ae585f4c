#include "scan/listing_prefetch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/error.h"
#include "platform/name_order.h"
#include "platform/path.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {
// What may wait in the queue: reading ahead never costs much memory.
constexpr size_t kMaxQueuedEntries = 200000;

// Every queued listing holds a handle: a share of the walk's own budget, so a low open-file limit is respected.
size_t MaxQueuedListings() { return std::max<size_t>(1, FolderHandleStack::HandleBudget() / 2); }

std::vector<std::string> Subfolders(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const DirEntry& d : entries)
    if (d.type == DT_DIR) names.push_back(d.name);
  return names;
}
}  // namespace

bool ListingPrefetch::Helps() {
  // Asked at every walk: the processors a process may use change with its affinity (taskset, a container), and
  // how many of them are free changes all the time.
  cpu_set_t set;
  const int allowed = ::sched_getaffinity(0, sizeof set, &set) == 0
                          ? CPU_COUNT(&set)
                          : static_cast<int>(std::thread::hardware_concurrency());
  if (allowed < 2) return false;
  // The load line: the first field is the load of the last minute, the fourth counts the threads ready to run now,
  // this one included. The processors count as busy when both say so: a moment's count alone is often a passing
  // blip, the minute's load alone lags behind; then the reader would only take turns with the walk.
  UniqueFd fd(::open("/proc/loadavg", O_RDONLY | O_CLOEXEC));
  char text[128];
  ssize_t n = fd.Valid() ? ::read(fd.Get(), text, sizeof text - 1) : -1;
  if (n <= 0) return true;
  text[n] = 0;
  const double minute = std::atof(text);
  const char* field = text;
  for (int i = 0; i < 3 && field; ++i)
    if ((field = std::strchr(field, ' '))) ++field;
  if (!field || *field < '1' || *field > '9') return true;
  return std::atoi(field) < allowed || minute < allowed - 0.5;
}

bool WalkOrderBefore(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  for (;;) {
    if (i >= a.size()) return j < b.size();  // an ancestor comes first
    if (j >= b.size()) return false;
    size_t ei = a.find('/', i), ej = b.find('/', j);
    if (ei == std::string::npos) ei = a.size();
    if (ej == std::string::npos) ej = b.size();
    std::string_view x(a.data() + i, ei - i), y(b.data() + j, ej - j);
    if (x != y) return NameBefore(x, y);
    i = ei + 1;
    j = ej + 1;
  }
}

ListingPrefetch::~ListingPrefetch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

void ListingPrefetch::Start(const std::string& startPath, const std::vector<DirEntry>& entries, Tests tests) {
  reader_ = std::thread([this, startPath, entries, tests = std::move(tests)]() mutable {
    // A pass walks from the top to the end. When the walk took a subtree on itself, the reader has gone past it;
    // it starts again from the top, skipping what the walk has done, to read ahead inside that subtree too.
    for (;;) {
      long queued = -1;
      try {
        queued = Pass(startPath, entries, tests);
      } catch (...) {
        // Out of memory, say: reading ahead is only a help, and the walk does without it.
      }
      std::unique_lock<std::mutex> lock(mutex_);
      if (queued < 0 || stop_ || walkOwns_.empty()) break;
      if (queued == 0) {
        // Nothing left to read ahead of the walk until it takes on another subtree.
        const std::string owned = walkOwns_;
        readerWaits_ = true;
        changed_.wait(lock, [&] { return stop_ || walkOwns_ != owned; });
        readerWaits_ = false;
        if (stop_ || walkOwns_.empty()) break;
      }
      walkOwns_.clear();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    reading_.clear();
    changed_.notify_all();
  });
}

bool ListingPrefetch::Put(Listing listing) {
  std::unique_lock<std::mutex> lock(mutex_);
  static const size_t maxListings = MaxQueuedListings();
  // The listing the walk is waiting for always gets in: it may come before everything queued (a later pass).
  auto room = [&] {
    return stop_ || walkAt_ == listing.path ||
           (queuedEntries_ < kMaxQueuedEntries && queue_.size() < maxListings);
  };
  if (!room()) {
    readerWaits_ = true;
    changed_.wait(lock, room);
    readerWaits_ = false;
  }
  if (stop_) return false;
  queuedEntries_ += listing.entries.size();
  // Kept in the walk's order: a later pass adds listings that come before those of an earlier one.
  auto at = queue_.end();
  while (at != queue_.begin() && WalkOrderBefore(listing.path, std::prev(at)->path)) --at;
  queue_.insert(at, std::move(listing));
  reading_.clear();
  // Waking costs a system call: only a walk that sleeps is woken.
  if (walkWaits_) changed_.notify_all();
  return true;
}

namespace {
bool AncestorOrSelf(const std::string& folder, const std::string& path) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}
}  // namespace

std::optional<ListingPrefetch::Listing> ListingPrefetch::Take(const std::string& path) {
  if (!reader_.joinable()) return std::nullopt;
  std::unique_lock<std::mutex> lock(mutex_);
  walkAt_ = path;
  if (!walkOwns_.empty() && !AncestorOrSelf(walkOwns_, path)) {
    walkOwns_.clear();
    if (readerWaits_) changed_.notify_all();
  }
  for (bool waited = false;; waited = true) {
    // Listings of folders the walk went past (it skipped them after all) are dropped.
    bool freed = false;
    while (!queue_.empty() && queue_.front().path != path && WalkOrderBefore(queue_.front().path, path)) {
      queuedEntries_ -= queue_.front().entries.size();
      queue_.pop_front();
      freed = true;
    }
    std::optional<Listing> found;
    if (!queue_.empty() && queue_.front().path == path) {
      found = std::move(queue_.front());
      queue_.pop_front();
      queuedEntries_ -= found->entries.size();
      freed = true;
    }
    if (freed && readerWaits_) changed_.notify_all();
    if (reading_ != path) {
      // The walk has caught up with the reader, or the reader did not enter this folder: the walk takes this
      // subtree on itself, and the reader goes on with what comes after it, so the two share the work.
      if ((!found || waited) && walkOwns_.empty()) {
        walkOwns_ = path;
        if (readerWaits_) changed_.notify_all();
      }
      return found;
    }
    // The reader has this folder in hand: the walk sleeps until it is queued. No spinning: on one processor, or
    // with the other one busy, a spinner keeps the reader from the very listing it waits for.
    walkWaits_ = true;
    changed_.wait(lock);
    walkWaits_ = false;
  }
}

long ListingPrefetch::Pass(const std::string& startPath, const std::vector<DirEntry>& entries, const Tests& tests) {
  long queued = 0;
  PathRef ref(startPath);
  int fd = ::openat(ref.Dir(), ref.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  FolderHandleStack stack(UniqueFd(fd), startPath);
  std::vector<std::pair<std::vector<std::string>, size_t>> levels;  // subfolders of each open folder, next one
  levels.push_back({Subfolders(entries), 0});
  while (!levels.empty()) {
    auto& [subs, next] = levels.back();
    if (next == subs.size()) {
      levels.pop_back();
      if (levels.empty()) return queued;
      try {
        stack.Pop();
      } catch (const Error&) {
        return -1;  // the tree moved under the reader: the walk carries on alone
      }
      continue;
    }
    const std::string name = subs[next++];
    const int level = static_cast<int>(levels.size());
    if (!tests.before(stack.Top(), stack.TopPath(), name, level)) continue;
    // Where the walk is decides: a folder after it is read for it; one on its way down is read only to go on
    // below it; one it has already gone past is left alone.
    const std::string path = JoinPath(stack.TopPath(), name);
    bool forWalk;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return -1;
      if (!walkOwns_.empty() && AncestorOrSelf(walkOwns_, path)) continue;  // the walk's own part
      forWalk = walkAt_.empty() || WalkOrderBefore(walkAt_, path);
      if (!forWalk && !AncestorOrSelf(path, walkAt_)) continue;
      if (forWalk) reading_ = path;
    }
    auto done = [&] {
      std::lock_guard<std::mutex> lock(mutex_);
      reading_.clear();
      if (walkWaits_) changed_.notify_all();
    };
    if (stack.Push(name) != 0) {
      if (forWalk) done();
      continue;
    }
    Listing listing{stack.TopPath(), {}, {}};
    bool read = !tests.opened || tests.opened(stack.TopDevice(), stack.TopInode());
    if (read) {
      try {
        listing.entries = ReadEntries(stack.Top(), listing.path, false);
        SortByName(listing.entries);
      } catch (const Error&) {
        read = false;  // the walk reads it again and reports what went wrong
      }
    }
    if (!read) {
      if (forWalk) done();
      try {
        stack.Pop();
      } catch (const Error&) {
        return -1;
      }
      continue;
    }
    std::vector<std::string> children = Subfolders(listing.entries);
    if (forWalk) {
      int copy = ::fcntl(stack.Top(), F_DUPFD_CLOEXEC, 0);
      if (copy < 0) {
        done();
        return -1;  // out of handles: the walk carries on alone
      }
      listing.folder.Reset(copy);
      if (!Put(std::move(listing))) return -1;
      ++queued;
    }
    levels.push_back({std::move(children), 0});
  }
  return queued;
}

}  // namespace dv
