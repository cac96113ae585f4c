#include "scan/listing_prefetch.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/name_order.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {
// Listings held ahead are bounded, so that reading ahead never costs much memory.
constexpr size_t kMaxHeldEntries = 200000;
constexpr size_t kMaxHeldListings = 4096;
}  // namespace

ListingPrefetch::~ListingPrefetch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ListingPrefetch::Ahead(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
      if (it->size() < PATH_MAX) todo_.push_back(*it);
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

std::optional<ListingPrefetch::Listing> ListingPrefetch::Take(const std::string& path) {
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.wait(lock, [&] { return reading_ != path; });
  if (auto it = done_.find(path); it != done_.end()) {
    Listing listing = std::move(it->second);
    done_.erase(it);
    heldEntries_ -= listing.entries.size();
    wake_.notify_one();
    return listing;
  }
  // Not read yet: the walk reads it itself now, and the worker need not.
  if (auto it = std::find(todo_.rbegin(), todo_.rend(), path); it != todo_.rend()) todo_.erase(std::next(it).base());
  return std::nullopt;
}

void ListingPrefetch::Drop(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = done_.find(path); it != done_.end()) {
    heldEntries_ -= it->second.entries.size();
    done_.erase(it);
  } else if (auto t = std::find(todo_.rbegin(), todo_.rend(), path); t != todo_.rend()) {
    todo_.erase(std::next(t).base());
  }
}

void ListingPrefetch::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] {
      return stop_ || (!todo_.empty() && heldEntries_ < kMaxHeldEntries && done_.size() < kMaxHeldListings);
    });
    if (stop_) return;
    reading_ = std::move(todo_.back());
    todo_.pop_back();
    lock.unlock();

    std::optional<Listing> listing;
    int fd = ::open(reading_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      UniqueFd owned(fd);
      struct stat st;
      try {
        if (::fstat(fd, &st) == 0) {
          listing = Listing{st.st_dev, st.st_ino, ReadEntries(fd, reading_, false)};
          SortByName(listing->entries);
        }
      } catch (const Error&) {
        listing.reset();  // the walk reads it again and reports what went wrong
      }
    }

    lock.lock();
    if (listing) {
      heldEntries_ += listing->entries.size();
      done_[reading_] = std::move(*listing);
    }
    reading_.clear();
    ready_.notify_all();
  }
}

}  // namespace dv
