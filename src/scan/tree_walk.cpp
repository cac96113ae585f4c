// The shared pre-order walk. Stages of one run:
//   1. sizes: when a folder size restriction is on, one post-order pass totals every folder that can be tested
//      (the restriction needs a folder's total before the folder is entered); when only the report shows totals,
//      they are added up during the walk instead, and a skipped subtree is measured on its own, once;
//   2. the starting folder: handed over, its files tested, one check-for-close;
//   3. the subfolders, depth first, each examined after a check-for-close (and, in report mode, a progress
//      event); a rejected folder is skipped with everything below it.
// Each folder's entries are taken in name order. Tests run cheapest first, names before anything that needs a
// look at the item, and a file is looked at (stat, attributes) only when a filter, a column or a total needs it.
// The walk keeps one level per open folder on an explicit stack, so depth is bounded only by memory.
#include "scan/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dir_handles.h"
#include "platform/error.h"
#include "platform/name_order.h"
#include "platform/path.h"
#include "platform/regexp.h"
#include "scan/listing_prefetch.h"

namespace dv {

namespace {

// The file type bits of a listing's entry type, for a file handed over without a stat.
mode_t ModeOfType(unsigned char type) {
  switch (type) {
    case DT_LNK: return S_IFLNK;
    case DT_REG: return S_IFREG;
    case DT_FIFO: return S_IFIFO;
    case DT_SOCK: return S_IFSOCK;
    case DT_CHR: return S_IFCHR;
    case DT_BLK: return S_IFBLK;
    default: return S_IFREG;
  }
}

class Walker {
 public:
  Walker(const ScanSettings& settings, ScanListener& events, const std::atomic<bool>& closingDown, WalkSink& sink)
      : s_(settings), events_(events), closingDown_(closingDown), sink_(sink), report_(sink.ReportMode()) {
    filePattern_.Pattern(s_.filePattern);
    folderPattern_.Pattern(s_.folderPattern);
    for (RegExp* re : {&filePattern_, &folderPattern_}) {
      re->IgnoreCase(true);
      re->Global(true);
    }
    statFiles_ = sink.WantsFileDetails() || s_.fileSize.On() || s_.date.On();
    statFolders_ = sink.WantsFileDetails() || s_.folderSize.On();
  }

  void Run(const std::string& startPath) {
    const char* mainLoc = report_ ? "cdp:6A" : "cdp:CA";
    std::optional<Folder> start;
    UniqueFd rootFd;
    try {
      start = Folder::At(startPath);
      PathRef ref(startPath);
      int fd = ::openat(ref.Dir(), ref.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) ThrowErrno(startPath);
      rootFd.Reset(fd);
    } catch (const Error& err) {
      Raise(err, mainLoc, report_ ? "listing a root level folder" : "listing a root folder");
      if (!start) return;
    }
    if (s_.folderSize.On()) MeasureFolders(startPath);
    else accumulate_ = sink_.WantsFolderTotals();
    if (auto size = SizeOf(start->Info())) start->SetSize(*size);
    sink_.StartingFolder(*start);

    std::vector<DirEntry> entries;
    if (rootFd.Valid()) {
      try {
        entries = ReadEntries(rootFd.Get(), startPath, false);
        SortByName(entries);
      } catch (const Error& err) {
        Raise(err, mainLoc, "listing at or near folder " + startPath);
      }
    }
    if (!rootFd.Valid()) {
      sink_.FolderFilesDone(*start, 0, 0, 0);
      events_.evtCheckForClose();
      sink_.StartingFolderChecked(Cancelled());
      sink_.FolderLeft(0, 0);
      return;
    }
    FolderHandleStack stack(std::move(rootFd), startPath);
    levels_.push_back(Level{});
    ListFiles(stack, *start, 0, entries, mainLoc);
    events_.evtCheckForClose();
    sink_.StartingFolderChecked(Cancelled());
    levels_.back().subfolders = SubfolderNames(entries);
    if (Cancelled()) {
      // Cancelled before the subfolders: no row is written, so no total is needed.
      sink_.FolderLeft(0, levels_.back().total);
      return;
    }
    if (!levels_.back().subfolders.empty() && ListingPrefetch::Helps()) StartReadingAhead(startPath, entries);
    WalkSubfolders(stack);
  }

 private:
  struct Level {
    std::vector<std::string> subfolders;
    size_t next = 0;
    uint64_t total = 0;  // added up during the walk when the sink wants totals
  };

  bool Cancelled() const { return closingDown_.load(std::memory_order_relaxed); }

  void Raise(const Error& err, const std::string& loc, const std::string& info, long kind = scanerr::Walk) {
    events_.evtExternalPassError(err, loc, kind, info);
  }

  // Starts the reader of listings ahead of the walk, with the folder tests the walk makes (on its own pattern
  // object: the reader runs on another thread, and its tests raise nothing).
  void StartReadingAhead(const std::string& startPath, const std::vector<DirEntry>& entries) {
    auto pattern = std::make_shared<RegExp>(s_.folderPattern, true, true);
    ListingPrefetch::Tests tests;
    tests.before = [this, pattern](int parentFd, const std::string& parentPath, const std::string& name, int level) {
      if (!s_.AllLevels() && level > s_.levels) return false;
      if (!pattern->Pattern().empty()) {
        try {
          if (!pattern->Test(name)) return false;
        } catch (const Error&) {
          return false;
        }
      }
      if (s_.showHidden) return true;
      ItemInfo info;
      info.mode = S_IFDIR;
      long a = ReadAttributesAt(parentFd, name, info, JoinPath(parentPath, name));
      return (a & (attr::Hidden | attr::System)) == 0;
    };
    if (s_.folderSize.On())
      tests.opened = [this](dev_t dev, ino_t ino) {
        auto it = sizes_.find({dev, ino});
        return !s_.folderSize.Restricts(static_cast<int64_t>(it == sizes_.end() ? 0 : it->second), s_.sizeUnit);
      };
    prefetch_.Start(startPath, entries, std::move(tests));
  }

  static std::vector<std::string> SubfolderNames(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const DirEntry& d : entries)
      if (d.type == DT_DIR) names.push_back(d.name);
    return names;
  }

  // A part of a folder total that could not be measured counts as empty, and the caller hears of it.
  TreeSizeErrorFn SizeErrors(const std::string& name) {
    return [this, name](const Error& err) {
      Raise(err, "cdp:8B", "checking folder size at or near " + name, scanerr::SizeAccess);
    };
  }

  void MeasureFolders(const std::string& startPath) {
    // Only folders the walk can examine need their own total; deeper ones count in their ancestors' totals.
    int levels = s_.AllLevels() ? kAllLevels : std::max<int>(0, s_.levels) + 1;
    try {
      TreeSize(
          startPath, [&](dev_t dev, ino_t ino, int, uint64_t total) { sizes_[{dev, ino}] = total; }, levels,
          SizeErrors(NameOfPath(startPath)));
    } catch (const Error& err) {
      Raise(err, "cdp:8B", "checking folder size at or near " + NameOfPath(startPath));
    }
  }

  std::optional<uint64_t> SizeOf(const ItemInfo& info) const {
    auto it = sizes_.find({info.dev, info.ino});
    if (it == sizes_.end()) return std::nullopt;
    return it->second;
  }

  // The files of the folder on top of `stack`, tested and handed over in name order.
  void ListFiles(FolderHandleStack& stack, Folder& folder, int level, const std::vector<DirEntry>& entries,
                 const char* loc) {
    long listed = 0, total = 0;
    for (const DirEntry& d : entries) {
      if (d.type == DT_DIR) continue;
      ++total;
      if (s_.dirsOnly && !accumulate_) continue;
      if (Cancelled()) break;  // the next check-for-close ends the walk
      ItemInfo info;
      info.mode = ModeOfType(d.type);
      bool looked = false;
      auto look = [&]() {
        looked = true;
        if (StatAt(stack.Top(), d.name.c_str(), info)) return true;
        // Gone since the folder was listed, or not readable.
        --total;
        const int lookError = errno;
        std::string path = JoinPath(folder.Path(), d.name);
        Raise(ErrorFromErrno(lookError, path), loc, "listing at or near file " + (level == 0 ? path : d.name));
        return false;
      };
      if (accumulate_) {
        if (!look()) continue;
        levels_.back().total += info.size;
      }
      if (s_.dirsOnly || !AcceptByName(d.name)) continue;
      if (statFiles_ && !looked && !look()) continue;
      std::optional<long> attributes;
      if (!AcceptHidden(stack, d.name, info, folder.Path(), attributes)) continue;
      file_.Reset(folder.Path(), d.name, info);
      if (attributes) file_.KnownAttributes(*attributes);
      if (!AcceptByDetails(file_)) continue;
      ++listed;
      sink_.FileAccepted(file_, level == 0);
    }
    sink_.FolderFilesDone(folder, level, listed, total);
  }

  bool AcceptByName(const std::string& name) {
    if (s_.extensions.InForce() && s_.extensions.Restricts(name)) return false;
    return NameMatches(filePattern_, name);
  }

  // The hidden and system test; the attributes it reads (also for the report's column) go to `attributes`.
  bool AcceptHidden(FolderHandleStack& stack, const std::string& name, const ItemInfo& info,
                    const std::string& folderPath, std::optional<long>& attributes) {
    if (s_.showHidden && !(report_ && s_.Shows(ReportColumn::Attribute))) return true;
    attributes = ReadAttributesAt(stack.Top(), name, info, JoinPath(folderPath, name));
    return s_.showHidden || (*attributes & (attr::Hidden | attr::System)) == 0;
  }

  bool AcceptByDetails(File& file) {
    if (s_.fileSize.On() && s_.fileSize.Restricts(static_cast<int64_t>(file.Size()), s_.sizeUnit)) return false;
    if (s_.date.On()) {
      DateTime when = s_.date.Type() == DateType::Created    ? file.DateCreated()
                      : s_.date.Type() == DateType::Modified ? file.DateLastModified()
                                                             : file.DateLastAccessed();
      if (s_.date.Restricts(when)) return false;
    }
    return true;
  }

  bool NameMatches(RegExp& re, const std::string& name) {
    if (re.Pattern().empty()) return true;
    try {
      return re.Test(name);
    } catch (const Error& err) {
      Raise(err, "cdp:8F", "Checking:" + name + " against:" + re.Pattern());
      return false;
    }
  }

  // Folder tests that need no look inside the folder, cheapest first: depth, name, hidden and system, size.
  bool AcceptFolderOutside(FolderHandleStack& stack, Folder& folder, const std::string& name, int level) {
    if (!s_.AllLevels() && level > s_.levels) return false;
    if (!NameMatches(folderPattern_, name)) return false;
    std::optional<long> attributes;
    if (!AcceptHidden(stack, name, folder.Info(), ParentOfPath(folder.Path()), attributes)) return false;
    if (attributes) folder.KnownAttributes(*attributes);
    if (s_.folderSize.On()) {
      std::optional<uint64_t> size = SizeOf(folder.Info());
      if (!size)
        Raise(Error(err::PathFileAccess, "Folder size unknown"), "cdp:8B", "checking folder size at or near " + name);
      if (s_.folderSize.Restricts(static_cast<int64_t>(size.value_or(0)), s_.sizeUnit)) return false;
    }
    return true;
  }

  void WalkSubfolders(FolderHandleStack& stack) {
    const char* loc = report_ ? "cdp:6B" : "cdp:CB";
    while (!levels_.empty()) {
      Level& level = levels_.back();
      int depth = static_cast<int>(levels_.size());  // level of the subfolders being examined
      if (level.next == level.subfolders.size()) {
        LeaveLevel(stack);
        continue;
      }
      const std::string name = level.subfolders[level.next++];
      const std::string path = JoinPath(stack.TopPath(), name);
      if (report_)
        events_.evtCDPUpdateProgress("Gathering information for folder #" + std::to_string(++visited_) + "\r\n" +
                                     path);
      events_.evtCheckForClose();
      if (Cancelled()) {
        // This level ends here; each enclosing level ends at its own next check.
        LeaveLevel(stack);
        continue;
      }
      ItemInfo info;
      if (!statFolders_) {
        info.mode = S_IFDIR;  // as listed; opening it below refuses anything else
      } else if (!StatAt(stack.Top(), name.c_str(), info) || !info.IsFolder()) {
        Raise(ErrorFromErrno(info.mode ? ENOTDIR : errno, path), loc, "listing at or near folder " + path);
        continue;
      }
      Folder folder(path, info);
      if (auto size = SizeOf(info)) folder.SetSize(*size);
      if (!AcceptFolderOutside(stack, folder, name, depth)) {
        if (accumulate_) level.total += Measure(path);
        continue;
      }

      // Emptiness comes after the folder has been opened and listed.
      std::vector<DirEntry> entries;
      int rc = 0;
      if (std::optional<ListingPrefetch::Listing> ahead = prefetch_.Take(path)) {
        // Opened and read by the reader, relative and without following a link, as the walk would have.
        stack.Adopt(name, std::move(ahead->folder));
        entries = std::move(ahead->entries);
      } else if ((rc = stack.Push(name)) != 0) {
        Raise(ErrorFromErrno(rc, path), loc, "listing at or near folder " + path);
      } else {
        try {
          entries = ReadEntries(stack.Top(), path, false);
          SortByName(entries);
        } catch (const Error& err) {
          Raise(err, loc, "listing at or near folder " + path);
        }
      }
      bool opened = rc == 0;
      if (s_.excludeEmpty && opened && entries.empty()) {
        Pop(stack);
        continue;
      }
      sink_.FolderAccepted(folder, depth);
      if (!opened) {
        sink_.FolderFilesDone(folder, depth, 0, 0);
        sink_.FolderLeft(depth, 0);
        continue;
      }
      levels_.push_back(Level{SubfolderNames(entries), 0, 0});
      ListFiles(stack, folder, depth, entries, loc);
    }
  }

  // Ends the level on top: its folder's subtree is done.
  void LeaveLevel(FolderHandleStack& stack) {
    uint64_t total = levels_.back().total;
    levels_.pop_back();
    sink_.FolderLeft(static_cast<int>(levels_.size()), total);
    if (levels_.empty()) return;
    levels_.back().total += total;
    Pop(stack);
  }

  // Back to the parent folder. When the parent cannot be reached any more (it was moved away during the walk),
  // its remaining subfolders cannot be opened through it: that is reported and its level ends.
  void Pop(FolderHandleStack& stack) {
    try {
      stack.Pop();
    } catch (const Error& err) {
      Raise(err, report_ ? "cdp:6B" : "cdp:CB", "listing at or near folder " + stack.TopPath());
      levels_.back().next = levels_.back().subfolders.size();
    }
  }

  // The total of a subtree the walk does not enter.
  uint64_t Measure(const std::string& path) {
    try {
      return TreeSize(path, {}, -1, SizeErrors(NameOfPath(path)));
    } catch (const Error& err) {
      Raise(err, "cdp:8B", "checking folder size at or near " + NameOfPath(path), scanerr::SizeAccess);
      return 0;
    }
  }

  const ScanSettings& s_;
  ScanListener& events_;
  const std::atomic<bool>& closingDown_;
  WalkSink& sink_;
  bool report_;
  bool statFiles_ = true, statFolders_ = true;
  RegExp filePattern_, folderPattern_;
  std::map<std::pair<dev_t, ino_t>, uint64_t> sizes_;
  std::vector<Level> levels_;
  File file_{std::string(), ItemInfo{}};  // the file being handed over, one record for all
  ListingPrefetch prefetch_;
  long visited_ = 0;
  bool accumulate_ = false;
};

}  // namespace

void WalkTree(const ScanSettings& settings, ScanListener& events, const std::atomic<bool>& closingDown,
              const std::string& startPath, WalkSink& sink) {
  Walker(settings, events, closingDown, sink).Run(startPath);
}

}  // namespace dv
