// What a real run records in its journal (docs/undo.md): the journal is started before the items, each step
// records what it did right after doing it, and the end line says whether the run completed or was stopped.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "fileops_engine/cls_file_ops.h"
#include "platform/path.h"

namespace dv {

namespace {

// Operations that change files; compare, open and run process change nothing the journal could give back.
bool ChangesFiles(FileOp op) {
  switch (op) {
    case FileOp::Copy:
    case FileOp::EmptyShells:
    case FileOp::Delete:
    case FileOp::FindReplace:
    case FileOp::Rename:
    case FileOp::Attributes:
    case FileOp::Move:
    case FileOp::ModifiedDate:
    case FileOp::CreatedDate:
    case FileOp::AccessedDate: return true;
    default: return false;
  }
}

// The user.* attributes of the file open as `fd` (O_PATH), names and values. Read through the descriptor's /proc
// entry, which names this very file whatever happens to its name.
std::vector<std::pair<std::string, std::string>> UserAttributes(int fd, const std::string& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  std::vector<std::pair<std::string, std::string>> out;
  std::string names(256, '\0');
  ssize_t n;
  while ((n = ::listxattr(self.c_str(), names.data(), names.size())) < 0 && errno == ERANGE)
    names.resize(names.size() * 4);
  if (n < 0) {
    if (errno == ENOTSUP) return out;
    ThrowErrno(path);
  }
  for (size_t at = 0; at < static_cast<size_t>(n);) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    if (!name.starts_with("user.")) continue;
    std::string value(256, '\0');
    ssize_t v;
    while ((v = ::getxattr(self.c_str(), name.c_str(), value.data(), value.size())) < 0 && errno == ERANGE)
      value.resize(value.size() * 4);
    if (v < 0) {
      if (errno == ENODATA) continue;  // removed meanwhile
      ThrowErrno(path);
    }
    value.resize(static_cast<size_t>(v));
    out.emplace_back(name, std::move(value));
  }
  return out;
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

}  // namespace

bool clsFileOps::StartJournal() {
  journal_.reset();
  kept_.reset();
  journalItems_ = 0;
  if (journalFolder_.empty() || settings_.previewOnly || settings_.reportPreview || !ChangesFiles(Operation()))
    return true;
  const std::string description = WithoutCarriageReturns(OperationDescription(Choices()));
  JournalHeader header;
  header.operation = description.substr(0, description.find('\n'));
  header.source = SourceText(source_);
  header.destination = settings_.destination;
  header.summary = description;
  targets_.onMade = [this](int dir, const char* name, const std::string& path) {
    RecordAt(JournalItem::Do::MadeFolder, dir, name, path);
  };
  try {
    journal_ = JournalWriter::Start(journalFolder_, std::move(header));
    lastJournal_ = journalFolder_ + "/" + journal_->Header().run + ".jsonl";
  } catch (const Error& e) {
    // Undo is promised for every run: one that could not be undone does not start.
    prompter_.Message("The undo journal cannot be written: " + e.Description(), kAppTitle);
    return false;
  }
  return true;
}

void clsFileOps::EndJournal() {
  if (!journal_) return;
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    std::unique_ptr<JournalWriter> journal = std::move(journal_);
    // A run that changed nothing (refused, or nothing matched) leaves no journal: "undo the last operation"
    // then means the last one that did something.
    if (journalItems_ == 0) {
      const std::string run = journal->Header().run;
      journal.reset();
      ForgetJournal(journalFolder_, run);
      lastJournal_.clear();
      return;
    }
    journal->End(Stopped() ? "stopped" : "completed", journalItems_);
  });
}

void clsFileOps::Record(const JournalItem& item) {
  if (!journal_) return;
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    journal_->Add(item);
    ++journalItems_;
  });
}

void clsFileOps::RecordAt(JournalItem::Do what, int dir, const char* name, const std::string& path) {
  if (!journal_) return;
  // One scope for the look and the line (the two fail alike): this runs for every item a copy makes.
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    JournalItem item;
    item.what = what;
    item.path = path;
    item.id = IdentityAt(dir, name, path);
    journal_->Add(item);
    ++journalItems_;
  });
}

void clsFileOps::RecordRemoval(const std::string& path, bool folder) {
  if (!journal_) return;
  JournalItem item;
  item.path = FullPath(path);
  if (lastTrash_) {
    item.what = JournalItem::Do::Trashed;
    item.trash = lastTrash_->trash;
    item.info = lastTrash_->info;
    ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, item.trash);
    // The trash holds the item now; it is looked at there, as undo will look at it.
    scope.Step([&] { item.id = IdentityAt(AT_FDCWD, item.trash.c_str(), item.trash); });
  } else {
    item.what = folder ? JournalItem::Do::RemovedFolder : JournalItem::Do::Deleted;
  }
  Record(item);
}

void clsFileOps::KeepBeforeReplacing(int dir, const char* name, const std::string& path) {
  if (!journal_ || (kept_ && kept_->forPath == path)) return;
  struct stat st;
  if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) return;
  // Throws: a file that cannot be kept is not replaced.
  auto [kept, keptId] = journal_->Keep(dir, name, path);
  kept_ = KeptFile{path, std::move(kept), keptId};
}

void clsFileOps::RecordPlaced(JournalItem::Do what, int dir, const char* name, const std::string& path) {
  if (!journal_) return;
  std::optional<KeptFile> kept = std::exchange(kept_, std::nullopt);
  if (!kept || kept->forPath != path) return RecordAt(what, dir, name, path);
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    JournalItem item;
    item.what = JournalItem::Do::Replaced;
    item.path = path;
    item.id = IdentityAt(dir, name, path);
    item.kept = kept->kept;
    item.keptId = kept->keptId;
    Record(item);
  });
}

void clsFileOps::RecordAt(JournalItem item, int dir, const char* name) {
  if (!journal_) return;
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    item.id = IdentityAt(dir, name, item.path);
    Record(item);
  });
}

void clsFileOps::RecordMoved(bool renamed, const std::string& from, int dir, const char* name, const std::string& to) {
  if (!journal_) return;
  JournalItem item;
  item.what = renamed ? JournalItem::Do::Renamed : JournalItem::Do::Moved;
  item.from = from;
  item.to = to;
  ResumeScope scope = Reporting(cfoloc::ProcessOperation, cfoerr::Driver, lastJournal_);
  scope.Step([&] {
    item.id = IdentityAt(dir, name, to);
    Record(item);
  });
}

std::optional<JournalItem> clsFileOps::BeforeChangeAt(JournalItem::Do what, int dir, const char* name,
                                                      const std::string& path) {
  if (!journal_) return std::nullopt;
  JournalItem item;
  item.what = what;
  item.path = path;
  // Throws: a change whose old state cannot be read is not made, since it could not be undone.
  int fd = ::openat(dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) ThrowErrno(path);
  UniqueFd held(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowErrno(path);
  item.oldMode = st.st_mode & 07777;
  item.oldModified = DateTime::FromTimespec(st.st_mtim);
  item.oldAccessed = DateTime::FromTimespec(st.st_atim);
  // A link keeps no user attributes of its own.
  if (what == JournalItem::Do::Attributes && !S_ISLNK(st.st_mode)) item.oldAttributes = UserAttributes(fd, path);
  return item;
}

}  // namespace dv
