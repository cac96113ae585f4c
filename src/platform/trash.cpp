#include "platform/trash.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/placement.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

constexpr const char* kInfoSuffix = ".trashinfo";

[[noreturn]] void NoTrash(const std::string& path, const std::string& why) {
  throw Error(err::NoTrash, ErrorText(err::NoTrash) + ": " + path + " (" + why + ")");
}

// A trash and its two folders, open.
struct Trash {
  std::string path;
  UniqueFd files, info;
};

// The folder `name` of `at`, made 0700 when missing and opened without following a link: a link planted there
// must not carry the user's files elsewhere. It must be the user's own (a trash shared with others is not one).
// Invalid, with `why` set, when it cannot be used.
UniqueFd OwnFolder(int at, const std::string& name, const std::string& path, std::string& why) {
  if (::mkdirat(at, name.c_str(), 0700) != 0 && errno != EEXIST) {
    why = path + ": " + std::strerror(errno);
    return {};
  }
  UniqueFd fd(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  if (!fd.Valid()) {
    why = path + (errno == ELOOP || errno == ENOTDIR ? ": not a folder" : std::string(": ") + std::strerror(errno));
  } else if (::fstat(fd.Get(), &st) != 0 || st.st_uid != ::geteuid()) {
    why = path + ": not the user's own folder";
    fd.Reset();
  }
  return fd;
}

std::optional<Trash> OpenTrash(int at, const std::string& name, const std::string& path, std::string& why) {
  UniqueFd top = OwnFolder(at, name, path, why);
  if (!top.Valid()) return std::nullopt;
  Trash t{path, OwnFolder(top.Get(), "files", path + "/files", why), OwnFolder(top.Get(), "info", path + "/info", why)};
  if (!t.files.Valid() || !t.info.Valid()) return std::nullopt;
  return t;
}

// The device of `path`, or of its nearest folder that exists (the home trash may be still to make).
std::optional<dev_t> DeviceOfNearest(std::string path) {
  for (;;) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return st.st_dev;
    if ((errno != ENOENT && errno != ENOTDIR) || path == "/") return std::nullopt;
    path = ParentOfPath(path);
  }
}

std::optional<Trash> OpenHomeTrash(const std::string& home, std::string& why) {
  const std::string data = ParentOfPath(home);
  MakeFolderPath(data, 0700);
  UniqueFd fd(::open(data.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) {
    why = data + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return OpenTrash(fd.Get(), NameOfPath(home), home, why);
}

// The top of the mount that holds the folder `dir`: up through ".." while the device stays `dev`. `levels` counts
// the steps up.
UniqueFd MountTop(int dir, dev_t dev, int& levels, const std::string& path) {
  UniqueFd here(::openat(dir, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  levels = 0;
  for (;;) {
    struct stat at, above;
    if (!here.Valid() || ::fstat(here.Get(), &at) != 0) ThrowErrno(ParentOfPath(path));
    if (at.st_dev != dev) NoTrash(path, "the item is the top of a mount");
    UniqueFd up(::openat(here.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!up.Valid() || ::fstat(up.Get(), &above) != 0) ThrowErrno(ParentOfPath(path));
    if (above.st_dev != dev || (above.st_ino == at.st_ino && above.st_dev == at.st_dev)) return here;
    here = std::move(up);
    ++levels;
  }
}

// The path of the mount top: as the kernel names the open folder; where /proc is missing, the item's path cut
// back by the levels walked up.
std::string TopPath(int top, int levels, const std::string& path) {
  char buf[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(top);
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
  if (n > 0 && n < static_cast<ssize_t>(sizeof buf) && buf[0] == '/') return std::string(buf, static_cast<size_t>(n));
  std::string folder = ParentOfPath(path);
  for (int i = 0; i < levels; ++i) folder = ParentOfPath(folder);
  return folder;
}

std::optional<Trash> OpenTopTrash(int top, const std::string& topPath, std::string& why) {
  const std::string uid = std::to_string(::geteuid());
  // The shared trash serves only when it is a real folder with the sticky bit: else others could take the
  // user's folder in it away.
  UniqueFd shared(::openat(top, ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  if (shared.Valid() && ::fstat(shared.Get(), &st) == 0 && (st.st_mode & S_ISVTX)) {
    std::string sharedWhy;
    if (auto t = OpenTrash(shared.Get(), uid, JoinPath(topPath, ".Trash/" + uid), sharedWhy)) return t;
  }
  return OpenTrash(top, ".Trash-" + uid, JoinPath(topPath, ".Trash-" + uid), why);
}

// The name in the trash: the item's, then "NAME.2", "NAME.3"..., cut (at a whole character) so that the info
// file's name still fits.
std::string Candidate(const std::string& name, int n) {
  const std::string suffix = n == 1 ? "" : "." + std::to_string(n);
  size_t room = NAME_MAX - std::strlen(kInfoSuffix) - suffix.size();
  if (name.size() > room)
    while (room > 0 && (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80) --room;
  return name.substr(0, std::min(room, name.size())) + suffix;
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ThrowErrno(path);
    done += static_cast<size_t>(n);
  }
}

std::string DeletionDate() {
  const LocalTime t = DateTime::Now().ToLocal();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

// The info file first, under a free name, on the disk; then the item under the same name. A desktop that finds
// an info file without its item drops it; an item without its info could not be restored.
TrashedItem IntoTrash(const Trash& t, int dir, const char* name, const std::string& path) {
  const std::string content =
      "[Trash Info]\nPath=" + PercentEncodePath(path) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 1; n < 100000; ++n) {
    const std::string entry = Candidate(name, n), infoName = entry + kInfoSuffix;
    const std::string infoPath = t.path + "/info/" + infoName, trashPath = t.path + "/files/" + entry;
    UniqueFd fd(::openat(t.info.Get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid()) {
      if (errno == EEXIST) continue;
      ThrowErrno(infoPath);
    }
    try {
      WriteAll(fd.Get(), content, infoPath);
      if (::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0) ThrowErrno(infoPath);
      if (Place({dir, name}, {t.files.Get(), entry.c_str()}, Placing::NoReplace, path, trashPath))
        return {trashPath, infoPath};
    } catch (...) {
      ::unlinkat(t.info.Get(), infoName.c_str(), 0);
      throw;
    }
    // files/ holds the name without an info file of ours: the next name.
    ::unlinkat(t.info.Get(), infoName.c_str(), 0);
  }
  throw Error(err::FileAlreadyExists, ErrorText(err::FileAlreadyExists) + ": " + t.path + "/files/" + name);
}

}  // namespace

std::string HomeTrashPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return JoinPath(GetAbsolutePathName(data), "Trash");
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw && pw->pw_dir ? pw->pw_dir : "/";
  }
  return JoinPath(GetAbsolutePathName(home), ".local/share/Trash");
}

std::string PercentEncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

struct TrashCans::Can {
  dev_t dev;
  uint64_t mount;
  bool home;  // the home trash serves it
  std::optional<Trash> trash;
  std::string why;  // why no trash serves this mount, when none does
};

TrashCans::TrashCans() = default;
TrashCans::~TrashCans() = default;

TrashCans::Can* TrashCans::Find(dev_t dev, uint64_t mount) {
  for (auto it = cans_.begin(); it != cans_.end(); ++it) {
    Can& can = **it;
    if (can.dev != dev || can.mount != mount) continue;
    // A trash folder removed since it was opened would take nothing in: look it up again.
    struct stat st;
    if (can.trash && (::fstat(can.trash->info.Get(), &st) != 0 || st.st_nlink == 0 ||
                      ::fstat(can.trash->files.Get(), &st) != 0 || st.st_nlink == 0)) {
      cans_.erase(it);
      return nullptr;
    }
    return &can;
  }
  return nullptr;
}

TrashedItem TrashCans::Move(int dir, const char* name, const std::string& path) {
  // A name that is a path (a short path given from the current folder): its own folder, opened as named, and its
  // last name, so that the trash's entry is named after the item alone and the mount is walked from its folder.
  UniqueFd holder;
  std::string last;
  if (std::strchr(name, '/')) {
    const std::string whole = name;
    holder.Reset(::openat(dir, ParentOfPath(whole).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!holder.Valid()) ThrowErrno(path);
    last = NameOfPath(whole);
    if (last.empty()) throw Error(err::PermissionDenied, "The root folder is never moved to the trash");
    dir = holder.Get();
    name = last.c_str();
  }
  // The mount, not only the device: a rename never crosses from one mount to another, even of one file system.
  struct statx item;
  if (::statx(dir, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MNT_ID, &item) != 0)
    ThrowErrno(path);
  const dev_t dev = makedev(item.stx_dev_major, item.stx_dev_minor);
  const uint64_t mount = (item.stx_mask & STATX_MNT_ID) ? item.stx_mnt_id : 0;
  // The home trash moves with XDG_DATA_HOME: a change starts the look-ups afresh.
  if (homeLooked_ && HomeTrashPath() != home_) {
    cans_.clear();
    homeLooked_ = false;
  }
  Can* can = Find(dev, mount);
  if (can && !can->home && (item.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
      (item.stx_attributes & STATX_ATTR_MOUNT_ROOT)) {
    // The top of a mount found through another: the walk up from its folder would have said so.
    struct stat above;
    if (::fstat(dir, &above) != 0) ThrowErrno(ParentOfPath(path));
    if (above.st_dev != dev) NoTrash(path, "the item is the top of a mount");
  }
  if (!can) {
    auto made = std::make_unique<Can>(Can{dev, mount, false, std::nullopt, {}});
    if (!homeLooked_) {
      home_ = HomeTrashPath();
      const std::optional<dev_t> homeDev = DeviceOfNearest(home_);
      homeKnown_ = homeDev.has_value();
      homeDev_ = homeDev.value_or(0);
      homeLooked_ = true;
    }
    made->home = homeKnown_ && homeDev_ == dev;
    if (made->home) {
      made->trash = OpenHomeTrash(home_, made->why);
    } else {
      int levels = 0;
      UniqueFd top = MountTop(dir, dev, levels, path);
      made->trash = OpenTopTrash(top.Get(), TopPath(top.Get(), levels, path), made->why);
    }
    cans_.push_back(std::move(made));
    can = cans_.back().get();
  }
  if (!can->trash) NoTrash(path, can->why);
  return IntoTrash(*can->trash, dir, name, path);
}

TrashedItem MoveToTrash(int dir, const char* name, const std::string& path) {
  TrashCans cans;
  return cans.Move(dir, name, path);
}

}  // namespace dv
