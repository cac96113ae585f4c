#include "fileops_engine/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>

#include "common/json_text.h"
#include "common/text_rules.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFlushEvery = std::chrono::milliseconds(200);

// ---- identity ----

ItemId IdentityOf(const struct stat& st) {
  ItemId id;
  id.type = S_ISREG(st.st_mode)   ? ItemId::Type::File
            : S_ISDIR(st.st_mode) ? ItemId::Type::Folder
            : S_ISLNK(st.st_mode) ? ItemId::Type::Link
                                  : ItemId::Type::Other;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = static_cast<uint64_t>(st.st_size);
  id.modified = DateTime::FromTimespec(st.st_mtim);
  return id;
}

const char* TypeName(ItemId::Type t) {
  switch (t) {
    case ItemId::Type::File: return "file";
    case ItemId::Type::Folder: return "folder";
    case ItemId::Type::Link: return "link";
    case ItemId::Type::Other: break;
  }
  return "other";
}

// ---- base64 (standard alphabet, padded) ----

const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kB64[(v >> 18) & 63];
    out += kB64[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kB64[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kB64[v & 63] : '=';
  }
  return out;
}

bool FromBase64(std::string_view text, std::string& out) {
  out.clear();
  uint32_t v = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    const char* p = std::find(kB64, kB64 + 64, c);
    if (p == kB64 + 64) return false;
    v = (v << 6) | static_cast<uint32_t>(p - kB64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((v >> bits) & 0xFF);
    }
  }
  return true;
}

bool ValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    size_t n = DecodeUtf8(text.substr(i), cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// ---- writing ----

std::string UtcText(const DateTime& t) {
  std::time_t s = static_cast<std::time_t>(t.seconds);
  struct tm tm;
  gmtime_r(&s, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

// A name or path: a JSON string when its bytes are UTF-8, else {"base64": ...}, so that any name comes back whole.
void AppendPath(std::string& out, std::string_view path) {
  if (ValidUtf8(path)) {
    AppendJsonString(out, path);
  } else {
    out += "{\"base64\": \"" + Base64(path) + "\"}";
  }
}

void AppendField(std::string& out, const char* key) {
  out += ", \"";
  out += key;
  out += "\": ";
}

void AppendTime(std::string& out, const DateTime& t) {
  out += "[" + std::to_string(t.seconds) + ", " + std::to_string(t.nanoseconds) + "]";
}

void AppendId(std::string& out, const ItemId& id) {
  out += "{\"dev\": " + std::to_string(id.dev) + ", \"ino\": " + std::to_string(id.ino) +
         ", \"size\": " + std::to_string(id.size) + ", \"mtime\": ";
  AppendTime(out, id.modified);
  out += ", \"type\": \"";
  out += TypeName(id.type);
  out += "\"}";
}

const char* DoName(JournalItem::Do what) {
  switch (what) {
    case JournalItem::Do::Created: return "created";
    case JournalItem::Do::MadeFolder: return "made_folder";
    case JournalItem::Do::Replaced: return "replaced";
    case JournalItem::Do::Renamed: return "renamed";
    case JournalItem::Do::Moved: return "moved";
    case JournalItem::Do::Attributes: return "attributes";
    case JournalItem::Do::Times: return "times";
    case JournalItem::Do::Trashed: return "trashed";
    case JournalItem::Do::Deleted: return "deleted";
    case JournalItem::Do::RemovedFolder: return "removed_folder";
  }
  return "";
}

// Appends the item's line to `out` (a journal writes one an item, straight into its buffer).
void AppendItemLine(std::string& out, const JournalItem& item) {
  using D = JournalItem::Do;
  out += "{\"do\": \"";
  out += DoName(item.what);
  out += '"';
  if (item.what == D::Renamed || item.what == D::Moved) {
    AppendField(out, "from");
    AppendPath(out, item.from);
    AppendField(out, "to");
    AppendPath(out, item.to);
  } else {
    AppendField(out, "path");
    AppendPath(out, item.path);
  }
  if (item.what != D::Deleted && item.what != D::RemovedFolder) {
    AppendField(out, "id");
    AppendId(out, item.id);
  }
  switch (item.what) {
    case D::Replaced:
      AppendField(out, "kept");
      AppendPath(out, item.kept);
      AppendField(out, "kept_id");
      AppendId(out, item.keptId);
      break;
    case D::Attributes: {
      AppendField(out, "old_mode");
      out += std::to_string(item.oldMode);
      AppendField(out, "old_attributes");
      out += '[';
      for (size_t i = 0; i < item.oldAttributes.size(); ++i) {
        if (i) out += ", ";
        out += '[';
        AppendPath(out, item.oldAttributes[i].first);
        out += ", \"" + Base64(item.oldAttributes[i].second) + "\"]";
      }
      out += ']';
      break;
    }
    case D::Times:
      AppendField(out, "old_modified");
      AppendTime(out, item.oldModified);
      AppendField(out, "old_accessed");
      AppendTime(out, item.oldAccessed);
      break;
    case D::Trashed:
      AppendField(out, "trash");
      AppendPath(out, item.trash);
      AppendField(out, "info");
      AppendPath(out, item.info);
      break;
    default: break;
  }
  out += "}\n";
}

std::string HeaderLine(const JournalHeader& h) {
  std::string out = "{\"journal\": 1";
  AppendField(out, "run");
  AppendJsonString(out, h.run);
  AppendField(out, "operation");
  AppendJsonString(out, h.operation);
  AppendField(out, "time");
  AppendJsonString(out, h.time);
  AppendField(out, "source");
  AppendPath(out, h.source);
  AppendField(out, "destination");
  AppendPath(out, h.destination);
  AppendField(out, "summary");
  AppendJsonString(out, h.summary);
  if (!h.undoOf.empty()) {
    AppendField(out, "undo_of");
    AppendJsonString(out, h.undoOf);
  }
  out += "}\n";
  return out;
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path);
    }
    done += static_cast<size_t>(n);
  }
}

// A folder of ours inside `parent` (made 0700 when missing), opened without following a link.
UniqueFd OpenOwnFolder(int parent, const char* name, const std::string& path) {
  if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST) ThrowErrno(path);
  int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) ThrowErrno(path);
  return UniqueFd(fd);
}

// ---- reading: just this format's JSON ----

struct Value {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  std::string text;  // a string's bytes, a number's digits
  std::vector<Value> items;
  std::vector<std::string> keys;  // an object's, matching `items`

  const Value* Get(const char* key) const {
    for (size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == key) return &items[i];
    return nullptr;
  }
};

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}
  // False when the text is not one whole value.
  bool Parse(Value& v) {
    if (!ParseValue(v, 0)) return false;
    Space();
    return i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
  }
  bool Eat(char c) {
    Space();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool ParseValue(Value& v, int depth) {
    if (depth > 8) return false;
    Space();
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '"') {
      v.kind = Value::String;
      return ParseString(v.text);
    }
    if (c == '{') {
      ++i_;
      v.kind = Value::Object;
      if (Eat('}')) return true;
      do {
        std::string key;
        Space();
        if (!ParseString(key) || !Eat(':')) return false;
        v.keys.push_back(std::move(key));
        v.items.emplace_back();
        if (!ParseValue(v.items.back(), depth + 1)) return false;
      } while (Eat(','));
      return Eat('}');
    }
    if (c == '[') {
      ++i_;
      v.kind = Value::Array;
      if (Eat(']')) return true;
      do {
        v.items.emplace_back();
        if (!ParseValue(v.items.back(), depth + 1)) return false;
      } while (Eat(','));
      return Eat(']');
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
      v.kind = Value::Number;
      size_t start = i_++;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
      v.text = std::string(s_.substr(start, i_ - start));
      return v.text != "-";
    }
    for (const char* word : {"true", "false", "null"}) {
      if (s_.substr(i_).starts_with(word)) {
        v.kind = word[0] == 'n' ? Value::Null : Value::Bool;
        v.text = word;
        i_ += std::string_view(word).size();
        return true;
      }
    }
    return false;
  }
  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  bool ParseHex4(uint32_t& cp) {
    if (i_ + 4 > s_.size()) return false;
    cp = 0;
    for (int k = 0; k < 4; ++k) {
      int h = Hex(s_[i_++]);
      if (h < 0) return false;
      cp = cp << 4 | static_cast<uint32_t>(h);
    }
    return true;
  }
  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  bool ParseString(std::string& out) {
    if (i_ >= s_.size() || s_[i_] != '"') return false;
    ++i_;
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      switch (char e = s_[i_++]) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!ParseHex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(i_).starts_with("\\u")) {
            i_ += 2;
            uint32_t low;
            if (!ParseHex4(low)) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  std::string_view s_;
  size_t i_ = 0;
};

[[noreturn]] void BadJournal(const std::string& file, const std::string& what) {
  throw Error(err::BadFileMode, "Not a journal (" + what + "): " + file);
}

// Field readers: a missing or mistyped field throws, so a damaged line is never half understood.
struct LineReader {
  const Value& v;
  const std::string& file;

  const Value& Need(const char* key, Value::Kind kind) const {
    const Value* f = v.Get(key);
    if (!f || f->kind != kind) BadJournal(file, std::string("field ") + key);
    return *f;
  }
  std::string Str(const char* key) const { return Need(key, Value::String).text; }
  std::string StrOr(const char* key) const {
    const Value* f = v.Get(key);
    return f && f->kind == Value::String ? f->text : std::string();
  }
  int64_t Int(const Value& n) const {
    if (n.kind != Value::Number) BadJournal(file, "a number");
    return std::strtoll(n.text.c_str(), nullptr, 10);
  }
  uint64_t UInt(const Value& n) const {
    if (n.kind != Value::Number) BadJournal(file, "a number");
    return std::strtoull(n.text.c_str(), nullptr, 10);
  }
  std::string PathOf(const Value& p) const {
    if (p.kind == Value::String) return p.text;
    const Value* b = p.kind == Value::Object ? p.Get("base64") : nullptr;
    std::string bytes;
    if (!b || b->kind != Value::String || !FromBase64(b->text, bytes)) BadJournal(file, "a path");
    return bytes;
  }
  std::string Path(const char* key) const {
    const Value* f = v.Get(key);
    if (!f) BadJournal(file, std::string("field ") + key);
    return PathOf(*f);
  }
  DateTime Time(const Value& t) const {
    if (t.kind != Value::Array || t.items.size() != 2) BadJournal(file, "a time");
    return {Int(t.items[0]), static_cast<int32_t>(Int(t.items[1]))};
  }
  ItemId Id(const char* key) const {
    const Value& o = Need(key, Value::Object);
    LineReader r{o, file};
    ItemId id;
    id.dev = UInt(r.Need("dev", Value::Number));
    id.ino = UInt(r.Need("ino", Value::Number));
    id.size = UInt(r.Need("size", Value::Number));
    id.modified = Time(r.Need("mtime", Value::Array));
    const std::string type = r.Str("type");
    id.type = type == "file"     ? ItemId::Type::File
              : type == "folder" ? ItemId::Type::Folder
              : type == "link"   ? ItemId::Type::Link
                                 : ItemId::Type::Other;
    return id;
  }
};

JournalItem ReadItem(const LineReader& r) {
  using D = JournalItem::Do;
  static const std::map<std::string, D> kDo = {
      {"created", D::Created},       {"made_folder", D::MadeFolder}, {"replaced", D::Replaced},
      {"renamed", D::Renamed},       {"moved", D::Moved},            {"attributes", D::Attributes},
      {"times", D::Times},           {"trashed", D::Trashed},        {"deleted", D::Deleted},
      {"removed_folder", D::RemovedFolder}};
  auto it = kDo.find(r.Str("do"));
  if (it == kDo.end()) BadJournal(r.file, "what was done");
  JournalItem item;
  item.what = it->second;
  if (item.what == D::Renamed || item.what == D::Moved) {
    item.from = r.Path("from");
    item.to = r.Path("to");
  } else {
    item.path = r.Path("path");
  }
  if (item.what != D::Deleted && item.what != D::RemovedFolder) item.id = r.Id("id");
  switch (item.what) {
    case D::Replaced:
      item.kept = r.Path("kept");
      item.keptId = r.Id("kept_id");
      break;
    case D::Attributes:
      item.oldMode = static_cast<long>(r.Int(r.Need("old_mode", Value::Number)));
      for (const Value& pair : r.Need("old_attributes", Value::Array).items) {
        std::string value;
        if (pair.kind != Value::Array || pair.items.size() != 2 || pair.items[1].kind != Value::String ||
            !FromBase64(pair.items[1].text, value))
          BadJournal(r.file, "an attribute");
        item.oldAttributes.emplace_back(r.PathOf(pair.items[0]), std::move(value));
      }
      break;
    case D::Times:
      item.oldModified = r.Time(r.Need("old_modified", Value::Array));
      item.oldAccessed = r.Time(r.Need("old_accessed", Value::Array));
      break;
    case D::Trashed:
      item.trash = r.Path("trash");
      item.info = r.Path("info");
      break;
    default: break;
  }
  return item;
}

std::string RunOfFile(const std::string& name) {
  constexpr std::string_view kExt = ".jsonl";
  return name.ends_with(kExt) ? name.substr(0, name.size() - kExt.size()) : std::string();
}

// A run name is one plain name: never a path that leads elsewhere.
bool PlainRun(const std::string& run) {
  return !run.empty() && run != "." && run != ".." && run.find('/') == std::string::npos;
}

}  // namespace

ItemId IdentityAt(int dir, const char* name, const std::string& path) {
  struct stat st;
  const int flags = *name ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH;
  if (::fstatat(dir, name, &st, flags) != 0) ThrowErrno(path);
  return IdentityOf(st);
}

bool SameItem(const ItemId& then, const ItemId& now) {
  if (then.type != now.type || then.dev != now.dev || then.ino != now.ino) return false;
  return then.type == ItemId::Type::Folder || (then.modified == now.modified && then.size == now.size);
}

std::string DefaultJournalFolder() {
  // Only an absolute XDG_DATA_HOME counts, as the base directory rules say.
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') throw Error(err::PathNotFound, "No home folder for the undo journal");
    base = std::string(home) + "/.local/share";
  }
  const std::string folder = base + "/dorvane/journal";
  MakeFolderPath(folder, 0700);
  return folder;
}

struct JournalWriter::State {
  JournalHeader header;
  std::string folder, file;
  UniqueFd folderFd, fd;
  dev_t folderDev = 0;
  std::string buffer;
  Clock::time_point lastWrite;
  long lines = 0;      // lines written or buffered so far, the header included
  long keptName = 0;   // the last number a kept file was named by
  bool ended = false;
  UniqueFd keptHere;   // the journal folder's kept/RUN, once made
  struct Store {
    UniqueFd fd;       // -1: the mount has no store of ours; keep a copy beside the journal
    std::string path;
  };
  std::map<dev_t, Store> stores;  // per file system, the store on it

  void Write() {
    if (buffer.empty()) return;
    WriteAll(fd.Get(), buffer, file);
    buffer.clear();
    lastWrite = Clock::now();
  }
  int KeptHere() {
    if (!keptHere.Valid()) {
      UniqueFd kept = OpenOwnFolder(folderFd.Get(), "kept", folder + "/kept");
      keptHere = OpenOwnFolder(kept.Get(), header.run.c_str(), folder + "/kept/" + header.run);
    }
    return keptHere.Get();
  }
  // The store `.dorvane-undo-UID/RUN` at the top of the mount holding the folder `dir` (path `dirPath`); an
  // invalid handle when there is none we may use.
  Store OpenMountStore(int dir, std::string dirPath, dev_t dev) {
    int start = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (start < 0) return {};
    UniqueFd top(start);
    for (;;) {
      int up = ::openat(top.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (up < 0) break;
      UniqueFd parent(up);
      struct stat here, above;
      if (::fstat(top.Get(), &here) != 0 || ::fstat(parent.Get(), &above) != 0) return {};
      if (above.st_dev != dev || (above.st_ino == here.st_ino && above.st_dev == here.st_dev)) break;
      top = std::move(parent);
      dirPath = ParentOfPath(dirPath);
    }
    const std::string name = ".dorvane-undo-" + std::to_string(::getuid());
    if (::mkdirat(top.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) return {};
    int s = ::openat(top.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (s < 0) return {};
    UniqueFd store(s);
    // Checked as a trash folder is: ours alone, or not used at all.
    struct stat st;
    if (::fstat(s, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 07777) != 0700 ||
        st.st_dev != dev)
      return {};
    if (::mkdirat(s, header.run.c_str(), 0700) != 0 && errno != EEXIST) return {};
    int r = ::openat(s, header.run.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (r < 0) return {};
    const std::string top_ = dirPath == "/" ? std::string() : dirPath;
    return {UniqueFd(r), top_ + "/" + name + "/" + header.run};
  }
};

std::unique_ptr<JournalWriter> JournalWriter::Start(const std::string& folder, JournalHeader header) {
  if (!MakeFolderPath(folder, 0700)) ThrowErrno(folder);
  auto w = std::unique_ptr<JournalWriter>(new JournalWriter);
  w->state_ = std::make_unique<State>();
  State& s = *w->state_;
  s.folder = folder;
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) ThrowErrno(folder);
  s.folderFd.Reset(dir);
  struct stat st;
  if (::fstat(dir, &st) != 0) ThrowErrno(folder);
  s.folderDev = st.st_dev;

  const DateTime now = DateTime::Now();
  if (header.time.empty()) header.time = UtcText(now);
  std::time_t secs = static_cast<std::time_t>(now.seconds);
  struct tm tm;
  gmtime_r(&secs, &tm);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  char pid[16];
  std::snprintf(pid, sizeof pid, "-%06d", static_cast<int>(::getpid() % 1000000));
  const std::string base = std::string(stamp) + pid;
  for (int n = 1;; ++n) {
    header.run = n == 1 ? base : base + "-" + std::to_string(n);
    const std::string name = header.run + ".jsonl";
    int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_APPEND, 0600);
    if (fd >= 0) {
      s.fd.Reset(fd);
      s.file = folder + "/" + name;
      break;
    }
    if (errno != EEXIST || n > 1000) ThrowErrno(folder + "/" + name);
  }
  s.header = std::move(header);
  // The header goes out at once: a run killed before its first item still leaves a journal that names it.
  s.buffer = HeaderLine(s.header);
  s.lines = 1;
  s.Write();
  return w;
}

JournalWriter::~JournalWriter() {
  if (!state_) return;
  try {
    state_->Write();
  } catch (const Error&) {
    // Nothing more can be done for the journal here; the run's own results stand.
  }
}

const JournalHeader& JournalWriter::Header() const { return state_->header; }

void JournalWriter::Add(const JournalItem& item) {
  State& s = *state_;
  if (s.ended) throw Error(err::Application, "The journal has ended: " + s.file);
  const size_t before = s.buffer.size();
  try {
    AppendItemLine(s.buffer, item);
  } catch (...) {
    s.buffer.resize(before);  // no half line
    throw;
  }
  ++s.lines;
  if (Clock::now() - s.lastWrite >= kFlushEvery) s.Write();
}

std::pair<std::string, ItemId> JournalWriter::Keep(int dir, const char* name, const std::string& path) {
  State& s = *state_;
  struct stat item;
  if (::fstatat(dir, name, &item, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path);
  // Named by the line that will record it; a second keep before that line still gets a name of its own.
  s.keptName = std::max(s.keptName + 1, s.lines + 1);
  const std::string kept = std::to_string(s.keptName);

  int storeFd = -1;
  std::string storePath;
  if (item.st_dev == s.folderDev) {
    storeFd = s.KeptHere();
    storePath = s.folder + "/kept/" + s.header.run;
  } else {
    auto it = s.stores.find(item.st_dev);
    if (it == s.stores.end())
      it = s.stores.emplace(item.st_dev, s.OpenMountStore(dir, ParentOfPath(path), item.st_dev)).first;
    storeFd = it->second.fd.Get();
    storePath = it->second.path;
  }
  if (storeFd >= 0) {
    if (::linkat(dir, name, storeFd, kept.c_str(), 0) == 0)
      return {storePath + "/" + kept, IdentityAt(storeFd, kept.c_str(), storePath + "/" + kept)};
    // A file system without hard links (or one refusing this one) falls back to a copy.
    if (errno != EPERM && errno != EMLINK && errno != EXDEV && errno != EOPNOTSUPP)
      ThrowErrno(storePath + "/" + kept);
  }
  // No store on the item's file system: a copy (shared extents where the file system can) beside the journal.
  storeFd = s.KeptHere();
  storePath = s.folder + "/kept/" + s.header.run + "/" + kept;
  FileSystemObject().CopyFileAt(dir, name, storeFd, kept.c_str(), false, path, storePath);
  return {storePath, IdentityAt(storeFd, kept.c_str(), storePath)};
}

void JournalWriter::End(const std::string& how, long items) {
  State& s = *state_;
  if (s.ended) return;
  std::string line = "{\"end\": ";
  AppendJsonString(line, how);
  line += ", \"items\": " + std::to_string(items) + ", \"time\": ";
  AppendJsonString(line, UtcText(DateTime::Now()));
  line += "}\n";
  s.buffer += line;
  ++s.lines;
  s.ended = true;
  s.Write();
}

void JournalWriter::Flush() { state_->Write(); }

Journal ReadJournal(const std::string& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) ThrowErrno(file);
  UniqueFd in(fd);
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(file);
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  Journal j;
  j.file = file;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    const bool last = nl == std::string::npos || nl + 1 == text.size();
    std::string_view line(text.data() + at, (nl == std::string::npos ? text.size() : nl) - at);
    at = nl == std::string::npos ? text.size() : nl + 1;
    if (line.empty()) continue;
    Value v;
    if (!Parser(line).Parse(v) || v.kind != Value::Object) {
      // A killed run may leave its last line cut; anything else is damage.
      if (last && !first) break;
      BadJournal(file, "a line that is not an object");
    }
    LineReader r{v, file};
    if (first) {
      const Value* version = v.Get("journal");
      if (!version || version->kind != Value::Number || version->text != "1") BadJournal(file, "no header");
      j.header.run = r.Str("run");
      j.header.operation = r.Str("operation");
      j.header.time = r.Str("time");
      j.header.source = r.Path("source");
      j.header.destination = r.Path("destination");
      j.header.summary = r.StrOr("summary");
      j.header.undoOf = r.StrOr("undo_of");
      first = false;
    } else if (v.Get("end")) {
      j.end = JournalEnd{r.Str("end"), static_cast<long>(r.Int(r.Need("items", Value::Number))), r.StrOr("time")};
    } else {
      j.items.push_back(ReadItem(r));
    }
  }
  if (first) BadJournal(file, "no header");
  return j;
}

std::vector<std::string> JournalFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return {};
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.size() > 6 && !RunOfFile(name).empty() && e->d_type != DT_DIR) names.push_back(name);
  }
  ::closedir(d);
  // The names start with the run's UTC time, so their order is the runs' order.
  std::sort(names.begin(), names.end());
  for (auto& n : names) n = folder + "/" + n;
  return names;
}

bool ForgetJournal(const std::string& folder, const std::string& run) {
  if (!PlainRun(run)) return false;
  const std::string file = folder + "/" + run + ".jsonl";
  struct stat st;
  if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FileSystemObject fs;
  // Kept files in the stores of other mounts are named by the journal; only a file inside a folder named by
  // this run, in one of our stores, is removed.
  try {
    const Journal j = ReadJournal(file);
    for (const JournalItem& item : j.items) {
      if (item.what != JournalItem::Do::Replaced) continue;
      const std::string runFolder = ParentOfPath(item.kept);
      if (NameOfPath(runFolder) != run || !NameOfPath(ParentOfPath(runFolder)).starts_with(".dorvane-undo-"))
        continue;
      ::unlink(item.kept.c_str());
      ::rmdir(runFolder.c_str());
    }
  } catch (const Error&) {
    // A damaged journal still goes; its kept files beside it go with it below.
  }
  const std::string keptHere = folder + "/kept/" + run;
  if (::lstat(keptHere.c_str(), &st) == 0) {
    try {
      fs.DeleteFolder(keptHere);
    } catch (const Error&) {
    }
  }
  if (::unlink(file.c_str()) != 0) ThrowErrno(file);
  return true;
}

void ForgetOldJournals(const std::string& folder, int days) {
  if (days <= 0) return;
  const int64_t limit = DateTime::Now().seconds - static_cast<int64_t>(days) * 86400;
  for (const std::string& file : JournalFiles(folder)) {
    const std::string run = RunOfFile(NameOfPath(file));
    struct tm tm = {};
    if (!strptime(run.c_str(), "%Y%m%d-%H%M%S", &tm)) continue;
    if (static_cast<int64_t>(timegm(&tm)) >= limit) break;  // oldest first: the rest are newer
    ForgetJournal(folder, run);
  }
}

}  // namespace dv
