#include "fileops_engine/undo_operation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "common/text_rules.h"
#include "platform/beneath.h"
#include "platform/fs_records.h"
#include "platform/path.h"
#include "platform/placement.h"
#include "platform/unique_fd.h"

namespace dv {

int UndoKeepDays(UserSettings& settings) {
  const std::string text = settings.GetSetting(kUndoKeepDaysKey, std::to_string(kUndoKeepDaysDefault));
  try {
    size_t used = 0;
    const int days = std::stoi(text, &used);
    if (used == text.size() && days >= 0) return days;
  } catch (const std::exception&) {}
  return kUndoKeepDaysDefault;
}

std::string UndoSummary(const Journal& journal) {
  const JournalHeader& h = journal.header;
  std::string text = "Undo of the run " + h.run + " (" + h.time + "): " + h.operation + "\n";
  if (!h.source.empty()) text += "Source: " + ControlsShown(h.source) + "\n";
  if (!h.destination.empty()) text += "Destination: " + ControlsShown(h.destination) + "\n";
  if (!h.summary.empty()) text += ControlsShown(h.summary) + "\n";
  text += "Items to reverse, newest first: " + std::to_string(journal.items.size());
  if (!journal.end)
    text += " (the run did not finish: undone as far as it went)";
  else if (journal.end->how != "completed")
    text += " (the run was " + journal.end->how + ")";
  return text;
}

bool ConfirmUndo(const Journal& journal, Prompter& prompter) {
  return prompter.YesNo(UndoSummary(journal) + "\n\nUndo this operation?", "Undo");
}

namespace {

bool IsFolder(const ItemId& id) { return id.type == ItemId::Type::Folder; }

// The items of a run, each reached from the nearest folder the run named (its source or destination, opened as
// the user gave it) or else from "/", without following any link below it. One Reach holds one folder at a time:
// an action on two names uses two.
class Reach {
 public:
  explicit Reach(const JournalHeader& h) {
    for (const std::string& top : {h.source, h.destination})
      if (!top.empty() && top != "/") tops_.push_back(FullPath(top));
    std::sort(tops_.begin(), tops_.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    tops_.push_back("/");
  }

  ItemAt At(const std::string& path) {
    const std::string full = FullPath(path);
    for (const std::string& top : tops_) {
      if (!Inside(full, top)) continue;
      if (top != current_) {
        current_.clear();
        if (!beneath_.Top(top)) continue;  // gone (a source a move removed): reached from a folder above it
        current_ = top;
      }
      ItemsBeneath::Ref ref = beneath_.Holder(full);
      return {ref.dir, ref.name};
    }
    throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + full);
  }

 private:
  // Below `top` (an item equal to a top other than "/" is reached from the folder above it).
  static bool Inside(const std::string& path, const std::string& top) {
    if (top == "/") return path != "/";
    return path.size() > top.size() && path.compare(0, top.size(), top) == 0 && path[top.size()] == '/';
  }
  std::vector<std::string> tops_;
  std::string current_;
  ItemsBeneath beneath_;
};

// The identity of what is at `at` now; nullopt when nothing is.
std::optional<ItemId> Now(ItemAt at, const std::string& path) {
  struct stat st;
  if (::fstatat(at.dir, at.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::nullopt;
    ThrowErrno(path);
  }
  return IdentityAt(at.dir, at.name, path);
}

bool Is(ItemAt at, const std::string& path, const ItemId& id) {
  const std::optional<ItemId> now = Now(at, path);
  return now && SameItem(id, *now);
}

bool Free(ItemAt at, const std::string& path) { return !Now(at, path); }

// The item pinned by an O_PATH handle, changed through /proc/self/fd: every change reaches the very item checked.
class Pinned {
 public:
  Pinned(ItemAt at, const std::string& path) : path_(path) {
    fd_.Reset(::openat(at.dir, at.name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd_.Valid() || ::fstat(fd_.Get(), &st_) != 0) ThrowErrno(path);
    proc_ = "/proc/self/fd/" + std::to_string(fd_.Get());
  }
  const struct stat& Stat() const { return st_; }
  bool Link() const { return S_ISLNK(st_.st_mode); }
  const char* At() const { return proc_.c_str(); }

  std::vector<std::pair<std::string, std::string>> UserAttributes() const {
    std::vector<std::pair<std::string, std::string>> out;
    if (Link()) return out;
    std::string names(4096, '\0');
    ssize_t n;
    while ((n = ::listxattr(At(), names.data(), names.size())) < 0 && errno == ERANGE) names.resize(names.size() * 4);
    if (n < 0) {
      if (errno == ENOTSUP) return out;
      ThrowErrno(path_);
    }
    for (const char* name = names.data(); name < names.data() + n; name += std::strlen(name) + 1) {
      if (std::strncmp(name, "user.", 5) != 0) continue;
      std::string value(256, '\0');
      ssize_t v;
      while ((v = ::getxattr(At(), name, value.data(), value.size())) < 0 && errno == ERANGE)
        value.resize(value.size() * 4);
      if (v < 0) ThrowErrno(path_);
      value.resize(static_cast<size_t>(v));
      out.emplace_back(name, value);
    }
    return out;
  }

  // Makes the user.* attributes exactly `want`, then the permission bits `mode`. The owner's write permission is
  // lent for the attribute change (only a writer may change them) and the final mode set after.
  void SetBack(const std::vector<std::pair<std::string, std::string>>& want, long mode) {
    if (Link()) return;  // a link has neither a mode nor user attributes of its own
    const auto now = UserAttributes();
    if (now != want) {
      if (!(st_.st_mode & S_IWUSR) && ::chmod(At(), (st_.st_mode & 07777) | S_IWUSR) != 0) ThrowErrno(path_);
      std::set<std::string> wanted;
      for (const auto& [name, value] : want) {
        wanted.insert(name);
        if (::setxattr(At(), name.c_str(), value.data(), value.size(), 0) != 0) ThrowErrno(path_);
      }
      for (const auto& [name, value] : now)
        if (!wanted.count(name) && ::removexattr(At(), name.c_str()) != 0 && errno != ENODATA) ThrowErrno(path_);
    }
    if (::chmod(At(), static_cast<mode_t>(mode & 07777)) != 0) ThrowErrno(path_);
  }

 private:
  std::string path_;
  UniqueFd fd_;
  struct stat st_ {};
  std::string proc_;
};

DateTime Mtime(const struct stat& st) { return DateTime::FromTimespec(st.st_mtim); }
DateTime Atime(const struct stat& st) { return DateTime::FromTimespec(st.st_atim); }

JournalItem Line(JournalItem::Do what, const std::string& path, const ItemId& id = {}) {
  JournalItem item;
  item.what = what;
  item.path = path;
  item.id = id;
  return item;
}

// A file this undo took from `path` into its store (`kept`, `keptId`): a rename there on the same file system,
// else a move, so that undoing the undo gives it back.
JournalItem TakenAway(const std::string& path, const std::string& kept, const ItemId& keptId, const ItemId& was) {
  JournalItem item = Line(keptId.dev == was.dev ? JournalItem::Do::Renamed : JournalItem::Do::Moved, "", keptId);
  item.from = path;
  item.to = kept;
  return item;
}

// One item's undo. Throws dv::Error for a failure; returns false when the item changed since the run.
class ItemUndo {
 public:
  ItemUndo(const JournalHeader& h, JournalWriter& journal) : a_(h), b_(h), journal_(journal) {}

  // The path the results line names.
  static const std::string& Shown(const JournalItem& item) {
    return item.what == JournalItem::Do::Renamed || item.what == JournalItem::Do::Moved ? item.from : item.path;
  }

  bool Undo(const JournalItem& item) {
    using D = JournalItem::Do;
    switch (item.what) {
      case D::Created:
      case D::MadeFolder: return Remove(item);
      case D::Replaced: return PutBack(item);
      case D::Renamed:
      case D::Moved: return Back(item);
      case D::Attributes: return Attributes(item);
      case D::Times: return Times(item);
      case D::Trashed: return Untrash(item);
      case D::RemovedFolder: return MakeAgain(item);
      case D::Deleted: break;
    }
    return false;
  }

 private:
  bool Remove(const JournalItem& item) {
    ItemAt at = a_.At(item.path);
    if (!Is(at, item.path, item.id)) return false;
    if (IsFolder(item.id)) {
      if (::unlinkat(at.dir, at.name, AT_REMOVEDIR) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST) return false;  // something was put inside since
        ThrowErrno(item.path);
      }
      Record(Line(JournalItem::Do::RemovedFolder, item.path));
      return true;
    }
    // A file goes into this undo's store rather than away, so that undoing the undo brings it back.
    auto [kept, keptId] = journal_.Keep(at.dir, at.name, item.path);
    if (::unlinkat(at.dir, at.name, 0) != 0) ThrowErrno(item.path);
    Record(TakenAway(item.path, kept, keptId, item.id));
    return true;
  }

  bool PutBack(const JournalItem& item) {
    ItemAt at = a_.At(item.path);
    ItemAt kept = b_.At(item.kept);
    if (!Is(kept, item.kept, item.keptId)) return false;
    // The run's file may have gone already, by the undo of a later item of the run (a move over a file puts the
    // moved file back at its source): the kept file then simply takes its name again.
    if (Free(at, item.path)) {
      MoveItem(kept, at, {}, item.kept, item.path);
      JournalItem done = Line(JournalItem::Do::Renamed, "", IdentityAt(at.dir, at.name, item.path));
      done.what = done.id.dev == item.keptId.dev ? JournalItem::Do::Renamed : JournalItem::Do::Moved;
      done.from = item.kept;
      done.to = item.path;
      Record(done);
      return true;
    }
    if (!Is(at, item.path, item.id)) return false;
    auto [mine, mineId] = journal_.Keep(at.dir, at.name, item.path);
    if (::unlinkat(at.dir, at.name, 0) != 0) ThrowErrno(item.path);
    try {
      MoveItem(kept, at, {}, item.kept, item.path);
    } catch (const Error&) {
      // The run's file is safe in the store: journaled as taken there, so that undoing the undo brings it back.
      Record(TakenAway(item.path, mine, mineId, item.id));
      throw;
    }
    JournalItem done = Line(JournalItem::Do::Replaced, item.path, IdentityAt(at.dir, at.name, item.path));
    done.kept = mine;
    done.keptId = mineId;
    Record(done);
    return true;
  }

  bool Back(const JournalItem& item) {
    ItemAt at = a_.At(item.to);
    if (!Is(at, item.to, item.id)) return false;
    ItemAt to = b_.At(item.from);
    if (!Free(to, item.from)) return false;
    if (item.what == JournalItem::Do::Renamed) {
      if (!Place(at, to, Placing::NoReplace, item.to, item.from)) return false;
    } else {
      try {
        MoveItem(at, to, {}, item.to, item.from);
      } catch (const Error& e) {
        if (e.Number() == err::FileAlreadyExists) return false;
        throw;
      }
    }
    JournalItem done = Line(item.what, "", IdentityAt(to.dir, to.name, item.from));
    done.from = item.to;
    done.to = item.from;
    Record(done);
    return true;
  }

  bool Attributes(const JournalItem& item) {
    ItemAt at = a_.At(item.path);
    if (!Is(at, item.path, item.id)) return false;
    Pinned pinned(at, item.path);
    JournalItem done = Line(JournalItem::Do::Attributes, item.path);
    done.oldMode = static_cast<long>(pinned.Stat().st_mode & 07777);
    done.oldAttributes = pinned.UserAttributes();
    pinned.SetBack(item.oldAttributes, item.oldMode);
    done.id = IdentityAt(at.dir, at.name, item.path);
    Record(done);
    return true;
  }

  bool Times(const JournalItem& item) {
    ItemAt at = a_.At(item.path);
    if (!Is(at, item.path, item.id)) return false;
    Pinned pinned(at, item.path);
    JournalItem done = Line(JournalItem::Do::Times, item.path);
    done.oldModified = Mtime(pinned.Stat());
    done.oldAccessed = Atime(pinned.Stat());
    SetTimesAt(at.dir, at.name, item.path, &item.oldAccessed, &item.oldModified);
    done.id = IdentityAt(at.dir, at.name, item.path);
    Record(done);
    return true;
  }

  bool Untrash(const JournalItem& item) {
    ItemAt at = a_.At(item.trash);
    if (!Is(at, item.trash, item.id)) return false;
    ItemAt to = b_.At(item.path);
    if (!Free(to, item.path)) return false;
    if (!Place(at, to, Placing::NoReplace, item.trash, item.path)) return false;
    // Not journaled: renaming it back into the trash without its info file would hide it from every desktop.
    ItemAt info = a_.At(item.info);
    if (::unlinkat(info.dir, info.name, 0) != 0 && errno != ENOENT) ThrowErrno(item.info);
    return true;
  }

  bool MakeAgain(const JournalItem& item) {
    ItemAt at = a_.At(item.path);
    if (::mkdirat(at.dir, at.name, 0777) != 0) {
      if (errno == EEXIST) return false;
      ThrowErrno(item.path);
    }
    Record(Line(JournalItem::Do::MadeFolder, item.path, IdentityAt(at.dir, at.name, item.path)));
    return true;
  }

  void Record(const JournalItem& item) {
    journal_.Add(item);
    ++recorded_;
  }

  Reach a_, b_;
  JournalWriter& journal_;

 public:
  long recorded_ = 0;
};

}  // namespace

UndoResult UndoJournal(const Journal& journal, const std::string& journalFolder, const UndoHooks& hooks) {
  JournalHeader header;
  header.operation = "Undo";
  header.source = journal.header.source;
  header.destination = journal.header.destination;
  header.summary = "Undo of " + journal.header.run + ": " + journal.header.operation;
  header.undoOf = journal.header.run;
  std::unique_ptr<JournalWriter> writer = JournalWriter::Start(journalFolder, header);

  UndoResult result;
  result.undoRun = writer->Header().run;
  ItemUndo undo(journal.header, *writer);
  const long total = static_cast<long>(journal.items.size());
  for (long i = total - 1; i >= 0; --i) {
    if (hooks.stop && hooks.stop->load(std::memory_order_relaxed)) {
      result.stopped = true;
      break;
    }
    if (hooks.onProgress) hooks.onProgress(total - 1 - i, total);
    const JournalItem& item = journal.items[static_cast<size_t>(i)];
    const std::string shown = ControlsShown(ItemUndo::Shown(item));
    if (item.what == JournalItem::Do::Deleted) {
      result.lines.push_back("Skipped (cannot be undone): " + shown);
      ++result.notUndoable;
      continue;
    }
    try {
      if (undo.Undo(item)) {
        result.lines.push_back("Undone: " + shown);
        ++result.undone;
      } else {
        result.lines.push_back("Skipped (changed since): " + shown);
        ++result.changed;
      }
    } catch (const Error& e) {
      if (e.Number() == err::FileNotFound || e.Number() == err::PathNotFound) {
        // A folder on the way is gone: the item is not what the run left.
        result.lines.push_back("Skipped (changed since): " + shown);
        ++result.changed;
        continue;
      }
      result.lines.push_back("Failure: " + shown);
      ++result.failed;
      if (hooks.onError) hooks.onError(e, ItemUndo::Shown(item));
    }
  }
  if (undo.recorded_ == 0) {
    // An undo that changed nothing leaves no journal: the run it tried stays to be undone once the way is clear.
    const std::string run = writer->Header().run;
    writer.reset();
    ForgetJournal(journalFolder, run);
    result.undoRun.clear();
    return result;
  }
  writer->End(result.stopped ? "stopped" : "completed", undo.recorded_);
  return result;
}

ResultsContent UndoResultsContent(const Journal& journal, const UndoResult& result) {
  ResultsContent content;
  content.stoppedEarly = result.stopped;
  content.dateTime = LocalDateTimeText();
  content.description = "Undo " + journal.header.operation + " (" + journal.header.run + ")";
  content.successCount = result.undone;
  content.failureCount = result.failed + result.changed + result.notUndoable;
  content.lines = &result.lines;
  return content;
}

namespace {

// "YYYYMMDD-HHMMSS-PPPPPP" and the number after it (1 when there is none).
std::pair<std::string, long> RunOrder(const std::string& run) {
  constexpr size_t kBase = 22;
  if (run.size() <= kBase + 1 || run[kBase] != '-') return {run, 1};
  return {run.substr(0, kBase), std::strtol(run.c_str() + kBase + 1, nullptr, 10)};
}

}  // namespace

std::vector<RunListing> ListRuns(const std::string& folder) {
  std::vector<RunListing> runs;
  for (const std::string& file : JournalFiles(folder)) {
    try {
      runs.push_back(RunListing{ReadJournal(file)});
    } catch (const Error&) {
      // Not a journal (cut before its header was written): nothing to list or undo.
    }
  }
  // Newest first by the run's name and then its number: a run started in the same second by the same process
  // has "-2", "-3", ... "-10" added, which plain text order (and the file names' ".jsonl") would misplace.
  std::stable_sort(runs.begin(), runs.end(), [](const RunListing& x, const RunListing& y) {
    return RunOrder(x.journal.header.run) > RunOrder(y.journal.header.run);
  });
  // An undo that is undone in turn gives its run back: newest first, each journal sees the undos after it.
  std::set<std::string> undoneLater;
  for (RunListing& run : runs) {
    run.undone = undoneLater.count(run.journal.header.run) > 0;
    if (!run.journal.header.undoOf.empty() && !run.undone) undoneLater.insert(run.journal.header.undoOf);
  }
  return runs;
}

const RunListing* LastRunToUndo(const std::vector<RunListing>& runs) {
  for (const RunListing& run : runs)
    if (!run.undone && run.journal.header.undoOf.empty()) return &run;
  return nullptr;
}

std::string UndoStateText(const RunListing& run) {
  if (run.undone) return "undone";
  const JournalHeader& h = run.journal.header;
  Reach reach(h);
  for (const JournalItem& item : run.journal.items) {
    using D = JournalItem::Do;
    if (item.what == D::Deleted) return "partly";
    if (item.what == D::RemovedFolder) continue;
    const std::string& path = item.what == D::Renamed || item.what == D::Moved ? item.to
                              : item.what == D::Trashed                        ? item.trash
                                                                               : item.path;
    try {
      if (!Is(reach.At(path), path, item.id)) return "partly";
    } catch (const Error&) {
      return "partly";
    }
  }
  return "can be undone";
}

}  // namespace dv
