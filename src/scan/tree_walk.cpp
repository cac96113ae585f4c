// The shared pre-order walk. Stages of one run:
//   1. sizes: when a folder size restriction is on, one post-order pass totals every folder that can be tested
//      (the restriction needs a folder's total before the folder is entered); when only the report shows totals,
//      they are added up during the walk instead, and a skipped subtree is measured on its own, once;
//   2. the starting folder: handed over, its files tested, one check-for-close;
//   3. the subfolders, depth first, each examined after a check-for-close (and, in report mode, a progress
//      event); a rejected folder is skipped with everything below it.
// The walk keeps one level per open folder on an explicit stack, so depth is bounded only by memory.
#include "scan/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dir_handles.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/regexp.h"
#include "scan/cls_dir_processing.h"

namespace dv {

namespace {

constexpr int kAllLevels = 32000;

class Walker {
 public:
  Walker(clsDirProcessing& engine, WalkSink& sink)
      : e_(engine), sink_(sink), report_(sink.ReportMode()), events_(engine.Events()) {
    filePattern_.Pattern(e_.RegExFilePattern());
    folderPattern_.Pattern(e_.RegExFolderPattern());
    for (RegExp* re : {&filePattern_, &folderPattern_}) {
      re->IgnoreCase(true);
      re->Global(true);
    }
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
    if (e_.FolderSize().On()) MeasureFolders(startPath);
    else accumulate_ = sink_.WantsFolderTotals();
    if (auto size = SizeOf(start->Info())) start->SetSize(*size);
    sink_.StartingFolder(*start);

    std::vector<DirEntry> entries;
    if (rootFd.Valid()) {
      try {
        entries = ReadEntries(rootFd.Get(), startPath);
      } catch (const Error& err) {
        Raise(err, mainLoc, "listing at or near folder " + startPath);
      }
    }
    if (!rootFd.Valid()) {
      sink_.FolderFilesDone(*start, 0, 0, 0);
      events_.evtCheckForClose();
      sink_.StartingFolderChecked(e_.ClosingDown());
      sink_.FolderLeft(0, 0);
      return;
    }
    FolderHandleStack stack(std::move(rootFd), startPath);
    levels_.push_back(Level{});
    ListFiles(stack, *start, 0, entries, mainLoc);
    events_.evtCheckForClose();
    sink_.StartingFolderChecked(e_.ClosingDown());
    levels_.back().subfolders = SubfolderNames(entries);
    if (e_.ClosingDown()) {
      // Cancelled before the subfolders: no row is written, so no total is needed.
      sink_.FolderLeft(0, levels_.back().total);
      return;
    }
    WalkSubfolders(stack);
  }

 private:
  struct Level {
    std::vector<std::string> subfolders;
    size_t next = 0;
    uint64_t total = 0;  // added up during the walk when the sink wants totals
  };

  void Raise(const Error& err, const std::string& loc, const std::string& info, long kind = 4) {
    events_.evtExternalPassError(err, loc, kind, info);
  }

  static std::vector<std::string> SubfolderNames(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const DirEntry& d : entries)
      if (d.type == DT_DIR) names.push_back(d.name);
    return names;
  }

  void MeasureFolders(const std::string& startPath) {
    // Only folders the walk can examine need their own total; deeper ones count in their ancestors' totals.
    int levels = e_.DirLevelsDeep() >= kAllLevels ? kAllLevels : std::max<int>(0, e_.DirLevelsDeep()) + 1;
    try {
      TreeSize(
          startPath, [&](dev_t dev, ino_t ino, int, uint64_t total) { sizes_[{dev, ino}] = total; }, levels);
    } catch (const Error& err) {
      Raise(err, "cdp:8B", "checking folder size at or near " + NameOfPath(startPath));
    }
  }

  std::optional<uint64_t> SizeOf(const ItemInfo& info) const {
    auto it = sizes_.find({info.dev, info.ino});
    if (it == sizes_.end()) return std::nullopt;
    return it->second;
  }

  // The files of the folder on top of `stack`, tested and handed over in listing order.
  void ListFiles(FolderHandleStack& stack, Folder& folder, int level, const std::vector<DirEntry>& entries,
                 const char* loc) {
    long listed = 0, total = 0;
    for (const DirEntry& d : entries) {
      if (d.type == DT_DIR) continue;
      ++total;
      if (e_.ProcessDirsOnly() && !accumulate_) continue;
      std::string path = JoinPath(folder.Path(), d.name);
      ItemInfo info;
      if (!StatAt(stack.Top(), d.name.c_str(), info)) {
        // Gone since the folder was listed.
        --total;
        Raise(ErrorFromErrno(errno, path), loc, "listing at or near file " + (level == 0 ? path : d.name));
        continue;
      }
      levels_.back().total += info.size;
      if (e_.ProcessDirsOnly()) continue;
      File file(std::move(path), info);
      if (!AcceptFile(file)) continue;
      ++listed;
      sink_.FileAccepted(file, level == 0);
    }
    sink_.FolderFilesDone(folder, level, listed, total);
  }

  bool AcceptFile(File& file) {
    const std::string name = file.Name();
    const long unit = e_.SizeType();
    if (e_.FileSize().On() && e_.FileSize().Restricts(static_cast<int64_t>(file.Size()), unit)) return false;
    if (e_.Date().On()) {
      DateTime when = e_.Date().DateType() == 0   ? file.DateCreated()
                      : e_.Date().DateType() == 1 ? file.DateLastModified()
                                                  : file.DateLastAccessed();
      if (e_.Date().Restricts(when)) return false;
    }
    if (e_.Extensions().InForce() && e_.Extensions().Restricts(name)) return false;
    if (!e_.ShowHiddenAndSystemFiles() && HiddenOrSystem(file, "cdp:8D", "checking attribute at or near file "))
      return false;
    return NameMatches(filePattern_, name);
  }

  bool HiddenOrSystem(FsItem& item, const char* loc, const char* text) {
    try {
      return (item.Attributes() & (attr::Hidden | attr::System)) != 0;
    } catch (const Error& err) {
      Raise(err, loc, text + item.Name());
      return true;  // a failed attribute test rejects the item
    }
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

  // Folder tests that need no look inside the folder: size, hidden and system, depth.
  bool AcceptFolderOutside(Folder& folder, int level) {
    if (e_.FolderSize().On()) {
      std::optional<uint64_t> size = SizeOf(folder.Info());
      if (!size) Raise(Error(err::PathFileAccess, "Folder size unknown"), "cdp:8B",
                       "checking folder size at or near " + folder.Name());
      if (e_.FolderSize().Restricts(static_cast<int64_t>(size.value_or(0)), e_.SizeType())) return false;
    }
    if (!e_.ShowHiddenAndSystemFiles() && HiddenOrSystem(folder, "cdp:8C", "checking attribute at or near folder "))
      return false;
    if (e_.DirLevelsDeep() < kAllLevels && level > e_.DirLevelsDeep()) return false;
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
      if (report_) events_.evtCDPUpdateProgress("Gathering information for folder #" + std::to_string(++visited_) +
                                                "\r\n" + path);
      events_.evtCheckForClose();
      if (e_.ClosingDown()) {
        // This level ends here; each enclosing level ends at its own next check.
        LeaveLevel(stack);
        continue;
      }
      ItemInfo info;
      if (!StatAt(stack.Top(), name.c_str(), info) || !info.IsFolder()) {
        Raise(ErrorFromErrno(info.mode ? ENOTDIR : errno, path), loc, "listing at or near folder " + path);
        continue;
      }
      Folder folder(path, info);
      if (auto size = SizeOf(info)) folder.SetSize(*size);
      if (!AcceptFolderOutside(folder, depth)) {
        if (accumulate_) level.total += Measure(path);
        continue;
      }

      // Emptiness and the name pattern come after the folder has been opened and listed.
      std::vector<DirEntry> entries;
      int rc = stack.Push(name);
      if (rc != 0) {
        Raise(ErrorFromErrno(rc, path), loc, "listing at or near folder " + path);
      } else {
        try {
          entries = ReadEntries(stack.Top(), path);
        } catch (const Error& err) {
          Raise(err, loc, "listing at or near folder " + path);
        }
      }
      bool opened = rc == 0;
      bool accepted = !(e_.ExcludeEmptyFolders() && opened && entries.empty()) &&
                      NameMatches(folderPattern_, folder.Name());
      if (!accepted) {
        if (opened) stack.Pop();
        if (accumulate_) levels_.back().total += Measure(path);
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
    stack.Pop();
  }

  // The total of a subtree the walk does not enter; unreadable parts count as empty.
  uint64_t Measure(const std::string& path) {
    try {
      return TreeSize(path);
    } catch (const Error&) {
      return 0;
    }
  }


  clsDirProcessing& e_;
  WalkSink& sink_;
  bool report_;
  ScanListener& events_;
  RegExp filePattern_, folderPattern_;
  std::map<std::pair<dev_t, ino_t>, uint64_t> sizes_;
  std::vector<Level> levels_;
  long visited_ = 0;
  bool accumulate_ = false;
};

}  // namespace

void WalkTree(clsDirProcessing& engine, const std::string& startPath, WalkSink& sink) {
  Walker(engine, sink).Run(startPath);
}

}  // namespace dv
