#include "scan/report_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/temp_folder.h"
#include "scan/cls_dir_processing.h"
#include "scan/restrictions.h"

namespace dv {

namespace {

constexpr int kAllLevels = 32000;

// Cuts or fills `text` to `width` characters (UTF-8 code points; a stray byte counts as one).
std::string Fit(const std::string& text, size_t width) {
  size_t chars = 0, i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars == width) break;
    ++chars;
  }
  return text.substr(0, i) + std::string(width - chars, ' ');
}

std::string ShortDate(DateTime when) {
  LocalTime t = when.ToLocal();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", t.month, t.day, t.year % 100);
  return buf;
}

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// In the comma-separated views a "," inside a path would split the row.
std::string CsvPath(std::string path) {
  for (char& c : path)
    if (c == ',') c = '_';
  return path;
}


const char* ColumnName(long code) {
  switch (code) {
    case 1: return "Size";
    case 2: return "Attribute";
    case 3: return "File Type";
    case 4: return "Created";
    case 5: return "Modified";
    case 6: return "Accessed";
    case 7: return "File Count";
    default: return nullptr;
  }
}

}  // namespace

// Rows held back: the starting folder's rows until its check-for-close, and every row while folder totals are
// still to come. Kept in memory while small, then in an unnamed file in the private temporary folder, so a
// million rows cost no memory. Records are a kind byte ('T' text, 'S' slot), then for a slot the folder's index,
// then the text's length and the text.
class ReportWriter::Spool {
 public:
  ~Spool() {
    if (fd_ >= 0) ::close(fd_);
  }
  void Text(const std::string& text) { Record('T', 0, text); }
  void Slot(size_t id, const std::string& columns) { Record('S', id, columns); }
  void Clear() {
    buf_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Writes the records out, each slot's columns with its \x01 replaced by `fill(id)`.
  template <class Fill>
  void DrainTo(TextStream& out, Fill fill) {
    if (fd_ >= 0) {
      Spill();
      ::lseek(fd_, 0, SEEK_SET);
      std::string data, chunk(1 << 16, '\0');
      for (ssize_t n; (n = ::read(fd_, chunk.data(), chunk.size())) > 0;) {
        data.append(chunk, 0, size_t(n));
        data.erase(0, Parse(data, out, fill));
      }
    }
    Parse(buf_, out, fill);
    Clear();
  }

 private:
  static constexpr size_t kLimit = 4 << 20;
  static constexpr size_t kHeader = 1 + 2 * sizeof(uint64_t);

  void Record(char kind, uint64_t id, const std::string& text) {
    uint64_t length = text.size();
    buf_ += kind;
    buf_.append(reinterpret_cast<const char*>(&id), sizeof id);
    buf_.append(reinterpret_cast<const char*>(&length), sizeof length);
    buf_ += text;
    if (buf_.size() >= kLimit) Spill();
  }

  // Writes out the complete records at the start of `data`; returns how many bytes they took.
  template <class Fill>
  static size_t Parse(const std::string& data, TextStream& out, Fill& fill) {
    size_t pos = 0;
    while (data.size() - pos >= kHeader) {
      uint64_t id, length;
      std::memcpy(&id, data.data() + pos + 1, sizeof id);
      std::memcpy(&length, data.data() + pos + 1 + sizeof id, sizeof length);
      if (data.size() - pos - kHeader < length) break;
      std::string text = data.substr(pos + kHeader, length);
      if (data[pos] == 'S') {
        std::string value = fill(id);
        for (size_t at; (at = text.find('\x01')) != std::string::npos;) text.replace(at, 1, value);
      }
      out.Write(text);
      pos += kHeader + length;
    }
    return pos;
  }

  void Spill() {
    if (fd_ < 0) {
      std::string folder = PrivateTempFolder();
      fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
      if (fd_ < 0) {
        std::string name = folder + "/DVrows-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) ThrowErrno(folder);
        ::unlink(name.c_str());
      }
    }
    for (size_t done = 0; done < buf_.size();) {
      ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowErrno("the report's spool file");
      }
      done += size_t(n);
    }
    buf_.clear();
  }

  std::string buf_;
  int fd_ = -1;
};

ReportWriter::ReportWriter(clsDirProcessing& engine, TextStream& out)
    : e_(engine),
      out_(out),
      pruning_(engine.IsExtensionRestrictionOn() || engine.IsDateRestrictionOn() || engine.FileSize().On() ||
               !engine.RegExFilePattern().empty()),
      deferTotals_(WantsFolderTotals() && !engine.FolderSize().On()),
      held_(new Spool) {}

ReportWriter::~ReportWriter() { delete held_; }

bool ReportWriter::Csv() const { return e_.ShowType() == 2 || e_.ShowType() == 3; }

bool ReportWriter::WantsFolderTotals() const {
  for (long c : e_.Columns())
    if (c == 1) return true;
  return false;
}

std::string ReportWriter::AttributeLetters(long a) {
  // Each letter found goes in front of those found before.
  std::string letters;
  const std::pair<long, char> tests[] = {{1, 'R'}, {32, 'A'}, {16, 'D'}, {2, 'H'}, {2048, 'C'}, {4, 'S'}};
  for (auto [bit, letter] : tests)
    if (a & bit) letters.insert(letters.begin(), letter);
  return letters;
}

std::string ReportWriter::SizeText(uint64_t bytes) const {
  return std::to_string(RoundToUnit(static_cast<int64_t>(bytes), e_.SizeType()));
}

ReportWriter::Piece ReportWriter::FolderColumns(Folder& folder, size_t id) {
  std::string cols = Columns(folder, true);
  bool slot = cols.find('\x01') != std::string::npos;
  return {std::move(cols), slot ? id : kNoSlot};
}

std::string ReportWriter::Columns(FsItem& item, bool isFolder) {
  std::vector<std::string> values;
  for (long code : e_.Columns()) {
    std::string v;
    size_t width = 12;
    switch (code) {
      case 1:
        if (isFolder && deferTotals_) {
          values.push_back("\x01");  // the total, filled in when the folder's subtree has ended
          continue;
        }
        v = SizeText(isFolder ? static_cast<Folder&>(item).Size() : static_cast<File&>(item).Size());
        break;
      case 2:
        try {
          v = AttributeLetters(item.Attributes());
        } catch (const Error& err) {
          e_.Events().evtExternalPassError(err, "cdp:AD", 4, "Getting Attribute");
        }
        break;
      case 3:
        v = isFolder ? "File Folder" : static_cast<File&>(item).Type();
        if (!Csv()) v = Fit(v, 19) + " ";
        width = 20;
        break;
      case 4: v = ShortDate(item.DateCreated()); break;
      case 5: v = ShortDate(item.DateLastModified()); break;
      case 6: v = ShortDate(item.DateLastAccessed()); break;
      default: continue;
    }
    values.push_back(Csv() ? v : Fit(v, width));
  }
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) out += (Csv() && i ? "," : "") + values[i];
  return out;
}

void ReportWriter::StartingFolder(Folder& folder) {
  totals_.push_back(0);  // the starting folder's, for its summary row
  long view = e_.ShowType();
  if (view == 0 || view == 1) {
    std::string shown = "Column(s) Shown:";
    bool first = true;
    for (long code : e_.Columns()) {
      if (const char* name = ColumnName(code)) {
        shown += first ? std::string(" ") + name : std::string(", ") + name;
        first = false;
      }
    }
    shown += first ? " Name" : ", Name";
    bool active = e_.IsExtensionRestrictionOn() || e_.IsDateRestrictionOn() || e_.FileSize().On() ||
                  e_.FolderSize().On() || !e_.RegExFilePattern().empty() || !e_.RegExFolderPattern().empty();
    out_.WriteLine(view == 1 ? "Dorvane DOS Style Directory Report" : "Dorvane Hierarchical Directory Report");
    out_.WriteLine(shown);
    out_.WriteLine(std::string("Filter(s) ") + (active ? "Active " : "Inactive "));
    out_.WriteLine(e_.DirLevelsDeep() == kAllLevels
                       ? std::string("& All Subdirectories Processed")
                       : "& Subdirectory Level Depth=" + std::to_string(e_.DirLevelsDeep()));
    out_.WriteLine("Starting Directory: " + folder.Path());
    out_.WriteLine();
  }

  static const char* sizeTitles[] = {"Size(Byte)", "Size(KB)", "Size(MB)"};
  std::string fixed, plain;
  for (long code : e_.Columns()) {
    std::string title;
    size_t width = 12;
    switch (code) {
      case 1: title = sizeTitles[e_.SizeType() >= 0 && e_.SizeType() <= 2 ? e_.SizeType() : 0]; break;
      case 2: title = "Attribute"; break;
      case 3:
        title = "File Type";
        width = 20;
        break;
      case 4: title = "Created"; break;
      case 5: title = "Modified"; break;
      case 6: title = "Accessed"; break;
      default: continue;
    }
    fixed += Fit(title, width);
    columnBlank_ += std::string(width, ' ');
    plain += (plain.empty() ? "" : ",") + title;
  }
  if (Csv()) headerLine_ = plain.empty() ? "Name" : plain + ",Name";
  else headerLine_ = fixed + (view == 0 ? "  " : "") + "Name      ";
  out_.WriteLine(headerLine_);
  if (view == 0) out_.WriteLine(Repeat('-', headerLine_.size()));
}

void ReportWriter::Emit(const std::string& text) {
  if (holdingStart_ || deferTotals_) held_->Text(text);
  else out_.Write(text);
}

void ReportWriter::Put(const Piece& piece) {
  if (piece.slot == kNoSlot) Emit(piece.text);
  else held_->Slot(piece.slot, piece.text);
}

void ReportWriter::FlushPending() {
  for (Pending& p : pending_) {
    if (p.written) continue;
    for (const Piece& piece : p.pieces) Put(piece);
    p.pieces.clear();
    p.written = true;
    ++folders_;
  }
}


void ReportWriter::FolderAccepted(Folder& folder, int level) {
  size_t id = totals_.size();
  totals_.push_back(0);
  std::vector<Piece> row;
  switch (e_.ShowType()) {
    case 1: row.push_back({"\r\n" + folder.Path() + "\r\n" + headerLine_ + "\r\n"}); break;
    case 0: {
      std::string indent;
      for (int i = 0; i < level; ++i) indent += "  |";
      row.push_back(e_.DirectorySummary() == 1 ? FolderColumns(folder, id) : Piece{columnBlank_});
      row.push_back({indent + "--" + folder.Name() + "\r\n"});
      break;
    }
    default: {
      Piece cols = FolderColumns(folder, id);
      bool none = cols.text.empty();
      row.push_back(std::move(cols));
      row.push_back({(none ? "" : ",") + CsvPath(folder.Path()) + "\r\n"});
    }
  }
  pending_.push_back({id, std::move(row), false});
  if (!pruning_) FlushPending();
}

void ReportWriter::FileAccepted(File& file, bool startingFolderFile) {
  FlushPending();
  std::string cols = Columns(file, false);
  std::string text;
  switch (e_.ShowType()) {
    case 1: text = cols + (e_.ShowFullPathFlatView() ? file.Path() : file.Name()); break;
    case 0:
      if (startingFolderFile) {
        text = cols + "  " + file.Name();
      } else {
        std::string indent;
        for (size_t i = 0; i < pending_.size(); ++i) indent += "  |";
        text = cols + indent + "     " + file.Name();
      }
      break;
    default: text = (cols.empty() ? "" : cols + ",") + CsvPath(file.Path());
  }
  Emit(text + "\r\n");
  ++files_;
}

std::vector<ReportWriter::Piece> ReportWriter::SummaryRow(Folder& folder, size_t id, long listed, long total) {
  std::string tail;
  if (!e_.ShowNumberofFiles()) tail = folder.Name();
  else if (listed >= total) tail = std::to_string(total) + " File(s)";
  else tail = std::to_string(total) + " File(s) {" + std::to_string(total - listed) + " File(s) Filtered}";
  return {{Repeat('-', headerLine_.size()) + "\r\n"}, FolderColumns(folder, id), {tail + "\r\n"}};
}

void ReportWriter::FolderFilesDone(Folder& folder, int level, long listed, long total) {
  if (e_.ShowType() != 1 || e_.DirectorySummary() != 1) return;
  // The starting folder's summary always stays; another stays exactly when its folder line does.
  if (level == 0) {
    for (const Piece& piece : SummaryRow(folder, 0, listed, total)) Put(piece);
    return;
  }
  Pending& p = pending_.back();
  std::vector<Piece> row = SummaryRow(folder, p.id, listed, total);
  if (p.written) {
    for (const Piece& piece : row) Put(piece);
  } else {
    p.pieces.insert(p.pieces.end(), row.begin(), row.end());
  }
}

void ReportWriter::StartingFolderChecked(bool cancelled) {
  holdingStart_ = false;
  cancelledAtStart_ = cancelled;
  if (cancelled) held_->Clear();
  else if (!deferTotals_) DrainHeld();
}

void ReportWriter::DrainHeld() {
  held_->DrainTo(out_, [this](size_t id) {
    std::string value = SizeText(totals_[id]);
    return Csv() ? value : Fit(value, 12);
  });
}

void ReportWriter::FolderLeft(int level, uint64_t total) {
  if (level == 0) {
    totals_[0] = total;
    return;
  }
  if (pending_.empty()) return;
  totals_[pending_.back().id] = total;
  pending_.pop_back();
}

void ReportWriter::Finish() {
  if (deferTotals_) DrainHeld();
  long view = e_.ShowType();
  if (!cancelledAtStart_ && (view == 0 || view == 1)) {
    std::string s = "Folders Shown: " + std::to_string(folders_) + "  Files Shown:" + std::to_string(files_);
    std::string rule = Repeat('=', s.size() + 6);
    out_.WriteLine(rule);
    out_.WriteLine("** Summary:" + std::string(s.size() - 8, ' ') + " **");
    out_.WriteLine("** " + s + " **");
    out_.WriteLine(rule);
  }
  if (e_.ClosingDown()) {
    out_.WriteBlankLines(2);
    out_.Write(kCancelledMarker);
  }
}

}  // namespace dv
