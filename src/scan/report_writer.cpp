#include "scan/report_writer.h"

#include <cstdio>

#include "common/text_rules.h"
#include "platform/error.h"
#include "platform/path.h"
#include "scan/restrictions.h"

namespace dv {

namespace {

// Cuts or fills `text` to `width` characters.
std::string Fit(const std::string& text, size_t width) {
  size_t chars = Utf8Length(text);
  if (chars >= width) return text.substr(0, Utf8PrefixBytes(text, width));
  return text + std::string(width - chars, ' ');
}

// Fills a number to `width` characters; a longer number is never cut (a cut size is a wrong size) and pushes the
// rest of its row to the right.
std::string FitNumber(const std::string& digits, size_t width) {
  return digits.size() >= width ? digits : digits + std::string(width - digits.size(), ' ');
}

std::string ShortDate(DateTime when) {
  LocalTime t = when.ToLocal();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", t.month, t.day, t.year % 100);
  return buf;
}

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// In the comma-separated views a "," inside any field would split the row.
std::string CsvField(std::string text) {
  for (char& c : text)
    if (c == ',') c = '_';
  return text;
}

const char* ColumnName(ReportColumn code) {
  long i = static_cast<long>(code);
  return i >= 1 && i <= 7 ? report::kColumnNames[i - 1] : nullptr;
}

// Columns that make a value on each row (FileCount is named in the heading only).
bool IsDetailColumn(ReportColumn code) {
  long i = static_cast<long>(code);
  return i >= 1 && i <= 6;
}

}  // namespace

ReportWriter::ReportWriter(const ScanSettings& settings, ScanListener& events, TextStream& out)
    : s_(settings),
      events_(events),
      out_(out),
      csv_(settings.CommaSeparated()),
      pruning_(settings.FileFiltersActive()),
      deferTotals_(settings.Shows(ReportColumn::Size) && !settings.folderSize.On()) {
  for (ReportColumn c : s_.columns) hasColumns_ = hasColumns_ || IsDetailColumn(c);
  // Held rows go to the private temporary folder, else beside the report, else stay in memory.
  held_ = SpoolForReport(out);
}

ReportWriter::~ReportWriter() = default;

bool ReportWriter::WantsFolderTotals() const { return s_.Shows(ReportColumn::Size); }

bool ReportWriter::WantsFileDetails() const {
  for (ReportColumn c : s_.columns)
    if (IsDetailColumn(c) && c != ReportColumn::FileType) return true;
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
  return std::to_string(RoundToUnit(static_cast<int64_t>(bytes), s_.sizeUnit));
}

void ReportWriter::AppendPath(std::string& line, std::string_view path) const {
  size_t start = line.size();
  line += path;
  // Almost every name is plain: a fast scan finds out, and only a name with something to show otherwise is gone
  // over again.
  if (!HasControls(path, csv_ ? ',' : 0)) return;
  for (size_t i = start; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c == 0x7F) line[i] = '?';
    else if (c == ',' && csv_) line[i] = '_';
  }
}

ReportWriter::Piece ReportWriter::FolderColumns(Folder& folder, size_t id) {
  std::string cols = Columns(folder, true);
  bool slot = cols.find('\x01') != std::string::npos;
  return {std::move(cols), slot ? id : kNoSlot};
}

std::string ReportWriter::Columns(FsItem& item, bool isFolder) {
  std::string out;
  AppendColumns(out, item, isFolder);
  return out;
}

void ReportWriter::AppendColumns(std::string& out, FsItem& item, bool isFolder) {
  // Appended in place: a million rows make no list of values each.
  bool first = true;
  auto next = [&] {
    if (csv_ && !first) out += ',';
    first = false;
  };
  for (ReportColumn code : s_.columns) {
    std::string v;
    switch (code) {
      case ReportColumn::Size:
        next();
        if (isFolder && deferTotals_) {
          out += '\x01';  // the total, filled in when the folder's subtree has ended
          continue;
        }
        v = SizeText(isFolder ? static_cast<Folder&>(item).Size() : static_cast<File&>(item).Size());
        out += csv_ ? v : FitNumber(v, 12);
        continue;
      case ReportColumn::Attribute:
        try {
          v = AttributeLetters(item.Attributes());
        } catch (const Error& err) {
          events_.evtExternalPassError(err, "cdp:AD", scanerr::Walk, "Getting Attribute");
        }
        break;
      case ReportColumn::FileType:
        next();
        v = isFolder ? report::kFolderType : ControlsShown(static_cast<File&>(item).Type());
        out += csv_ ? CsvField(v) : Fit(Fit(v, 19) + " ", 20);
        continue;
      case ReportColumn::Created: v = ShortDate(item.DateCreated()); break;
      case ReportColumn::Modified: v = ShortDate(item.DateLastModified()); break;
      case ReportColumn::Accessed: v = ShortDate(item.DateLastAccessed()); break;
      default: continue;
    }
    next();
    out += csv_ ? v : Fit(v, 12);
  }
}

void ReportWriter::StartingFolder(Folder& folder) {
  totals_.push_back(0);  // the starting folder's, for its summary row
  if (!csv_) {
    std::string shown = report::kColumnsShown;
    bool first = true;
    for (ReportColumn code : s_.columns) {
      if (const char* name = ColumnName(code)) {
        shown += first ? std::string(" ") + name : std::string(", ") + name;
        first = false;
      }
    }
    shown += first ? " Name" : ", Name";
    out_.WriteLine(s_.view == ReportView::Dos ? report::kDosTitle : report::kHierarchicalTitle);
    out_.WriteLine(shown);
    out_.WriteLine(std::string(report::kFilters) + (s_.FiltersActive() ? report::kActive : report::kInactive));
    out_.WriteLine(s_.AllLevels() ? std::string(report::kAllSubdirectories)
                                  : report::kLevelDepth + std::to_string(s_.levels));
    out_.WriteLine(report::kStartingDirectory + ControlsShown(folder.Path()));
    out_.WriteLine();
  }

  std::string fixed, plain;
  for (ReportColumn code : s_.columns) {
    if (!IsDetailColumn(code)) continue;
    long unit = static_cast<long>(s_.sizeUnit);
    std::string title = code == ReportColumn::Size ? report::kSizeTitles[unit >= 0 && unit <= 2 ? unit : 0]
                                                   : ColumnName(code);
    size_t width = code == ReportColumn::FileType ? 20 : 12;
    fixed += Fit(title, width);
    columnBlank_ += std::string(width, ' ');
    plain += (plain.empty() ? "" : ",") + title;
  }
  if (csv_) headerLine_ = plain.empty() ? report::kNameTitle : plain + "," + report::kNameTitle;
  else headerLine_ = fixed + (s_.view == ReportView::Hierarchical ? "  " : "") + report::kNameTitle + "      ";
  out_.WriteLine(headerLine_);
  if (s_.view == ReportView::Hierarchical) out_.WriteLine(Repeat('-', headerLine_.size()));
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
  switch (s_.view) {
    case ReportView::Dos: {
      std::string text = "\r\n";
      AppendPath(text, folder.Path());
      row.push_back({text + "\r\n" + headerLine_ + "\r\n"});
      break;
    }
    case ReportView::Hierarchical: {
      std::string indent;
      for (int i = 0; i < level; ++i) indent += "  |";
      row.push_back(s_.folderDetails ? FolderColumns(folder, id) : Piece{columnBlank_});
      row.push_back({indent + "--" + ControlsShown(folder.Name()) + "\r\n"});
      break;
    }
    default:
      // Every comma-separated row carries the same fields, folder details or not.
      row.push_back(FolderColumns(folder, id));
      std::string text = hasColumns_ ? "," : "";
      AppendPath(text, folder.Path());
      row.push_back({text + "\r\n"});
  }
  pending_.push_back({id, std::move(row), false});
  if (!pruning_) FlushPending();
}

void ReportWriter::FileAccepted(File& file, bool startingFolderFile) {
  FlushPending();
  // Built in one string, whose room is kept from row to row: a million rows are a million of these.
  std::string& line = line_;
  line.clear();
  AppendColumns(line, file, false);
  // The name is the path's last part: no copy of it is made.
  const std::string_view path = file.Path(), name = path.substr(path.rfind('/') + 1);
  switch (s_.view) {
    case ReportView::Dos: AppendPath(line, s_.fullPath ? path : name); break;
    case ReportView::Hierarchical:
      if (startingFolderFile) {
        line += "  ";
      } else {
        for (size_t i = 0; i < pending_.size(); ++i) line += "  |";
        line += "     ";
      }
      AppendPath(line, name);
      break;
    default:
      if (hasColumns_) line += ',';
      AppendPath(line, file.Path());
  }
  line += "\r\n";
  Emit(line);
  ++files_;
}

std::vector<ReportWriter::Piece> ReportWriter::SummaryRow(Folder& folder, size_t id, long listed, long total) {
  std::string tail;
  if (!s_.fileCounts) tail = ControlsShown(folder.Name());
  else if (listed >= total) tail = std::to_string(total) + report::kFilesCount;
  else
    tail = std::to_string(total) + report::kFilesCount + " {" + std::to_string(total - listed) +
           report::kFilesFiltered;
  return {{Repeat('-', headerLine_.size()) + "\r\n"}, FolderColumns(folder, id), {tail + "\r\n"}};
}

void ReportWriter::FolderFilesDone(Folder& folder, int level, long listed, long total) {
  if (s_.view != ReportView::Dos || !s_.folderDetails) return;
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
    return csv_ ? value : FitNumber(value, 12);
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

void ReportWriter::Finish(bool cancelled) {
  if (finished_) return;
  finished_ = true;
  // Rows held for the starting folder's check are kept when the walk ended before that check (an error).
  if (deferTotals_ || holdingStart_) DrainHeld();
  if (!cancelledAtStart_ && !csv_) {
    std::string s = report::kFoldersShown + std::to_string(folders_) + report::kFilesShown + std::to_string(files_);
    std::string rule = Repeat('=', s.size() + 6);
    out_.WriteLine(rule);
    out_.WriteLine(report::kSummary + std::string(s.size() - 8, ' ') + " **");
    out_.WriteLine("** " + s + " **");
    out_.WriteLine(rule);
  }
  if (cancelled) {
    out_.WriteBlankLines(2);
    out_.Write(kCancelledMarker);
  }
}

}  // namespace dv
