#include "scan/json_report_writer.h"

#include <ctime>

#include "common/json_text.h"
#include "platform/error.h"
#include "platform/path.h"
#include "scan/report_writer.h"
#include "scan/restrictions.h"

namespace dv {

namespace {

// The names dorvane-cli takes for the columns, the units and the operators.
const char* ColumnKey(ReportColumn code) {
  switch (code) {
    case ReportColumn::Size: return "size";
    case ReportColumn::Attribute: return "attributes";
    case ReportColumn::FileType: return "type";
    case ReportColumn::Created: return "created";
    case ReportColumn::Modified: return "modified";
    case ReportColumn::Accessed: return "accessed";
    case ReportColumn::FileCount: return "count";
  }
  return nullptr;
}

const char* UnitName(SizeUnit unit) {
  switch (unit) {
    case SizeUnit::KB: return "KB";
    case SizeUnit::MB: return "MB";
    default: return "bytes";
  }
}

const char* DateTypeName(DateType type) {
  switch (type) {
    case DateType::Created: return "created";
    case DateType::Accessed: return "accessed";
    default: return "modified";
  }
}

void Key(std::string& out, const char* key) {
  out += ", \"";
  out += key;
  out += "\": ";
}

void Bool(std::string& out, const char* key, bool value) {
  Key(out, key);
  out += value ? "true" : "false";
}

}  // namespace

JsonReportWriter::JsonReportWriter(const ScanSettings& settings, ScanListener& events, TextStream& out)
    : s_(settings),
      events_(events),
      out_(out),
      pruning_(settings.FileFiltersActive()),
      deferTotals_(settings.Shows(ReportColumn::Size) && !settings.folderSize.On()) {
  held_ = SpoolForReport(out);
}

JsonReportWriter::~JsonReportWriter() = default;

bool JsonReportWriter::WantsFolderTotals() const { return s_.Shows(ReportColumn::Size); }

bool JsonReportWriter::WantsFileDetails() const {
  for (ReportColumn c : s_.columns)
    if (c != ReportColumn::FileType && c != ReportColumn::FileCount && ColumnKey(c)) return true;
  return false;
}

std::string JsonReportWriter::IsoTime(DateTime when) {
  std::time_t t = static_cast<std::time_t>(when.seconds);
  std::tm tm{};
  if (!::localtime_r(&t, &tm)) return "1970-01-01T00:00:00+00:00";
  char buf[48];
  size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  long offset = tm.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  std::snprintf(buf + n, sizeof buf - n, "%c%02ld:%02ld", sign, offset / 60, offset % 60);
  return buf;
}

void JsonReportWriter::AppendSettings(std::string& out, const std::string& startPath) const {
  out += "{\"startingFolder\": ";
  AppendJsonString(out, startPath);
  out += ",\n\"settings\": {\"view\": \"json\", \"columns\": [";
  bool first = true;
  for (ReportColumn c : s_.columns) {
    const char* key = ColumnKey(c);
    if (!key) continue;
    out += first ? "\"" : ", \"";
    out += key;
    out += '"';
    first = false;
  }
  out += "]";
  Key(out, "levels");
  out += s_.AllLevels() ? "\"all\"" : std::to_string(s_.levels);
  Key(out, "sizeUnit");
  AppendJsonString(out, UnitName(s_.sizeUnit));
  Bool(out, "dirsOnly", s_.dirsOnly);
  Bool(out, "excludeEmpty", s_.excludeEmpty);
  Bool(out, "showHidden", s_.showHidden);
  Bool(out, "regex", s_.patternOption != 1);
  // The patterns as the engine holds them: wildcards converted into regular expressions.
  Key(out, "filePattern");
  AppendJsonString(out, s_.filePattern);
  Key(out, "folderPattern");
  AppendJsonString(out, s_.folderPattern);
  Key(out, "extensions");
  if (!s_.extensions.InForce()) {
    out += "null";
  } else {
    out += "{\"exclude\": ";
    out += s_.extensions.RestrictType() == 2 ? "true" : "false";
    out += ", \"entries\": [";
    for (size_t i = 0; i < s_.extensions.Entries().size(); ++i) {
      if (i) out += ", ";
      AppendJsonString(out, s_.extensions.Entries()[i]);
    }
    out += "]}";
  }
  auto size = [&](const char* key, const SizeRestriction& r) {
    Key(out, key);
    if (!r.On()) {
      out += "null";
      return;
    }
    out += "{\"op\": \"";
    out += CompareOpText(r.Op());
    out += "\", \"limit\": " + std::to_string(r.Limit()) + ", \"unit\": \"" + UnitName(s_.sizeUnit) + "\"}";
  };
  size("fileSize", s_.fileSize);
  size("folderSize", s_.folderSize);
  Key(out, "date");
  if (!s_.date.On()) {
    out += "null";
  } else {
    out += "{\"type\": \"";
    out += DateTypeName(s_.date.Type());
    out += "\", \"op\": \"";
    out += CompareOpText(s_.date.Op());
    out += "\", \"limit\": \"" + IsoTime(s_.date.Limit()) + "\"}";
  }
  Bool(out, "filtersActive", s_.FiltersActive());
  out += "},\n\"items\": [";
}

void JsonReportWriter::StartingFolder(Folder& folder) {
  // Measured before the walk when a folder size restriction is on; otherwise added up during it.
  totals_.push_back(s_.Shows(ReportColumn::Size) && !deferTotals_ ? folder.Size() : 0);
  std::string head;
  AppendSettings(head, folder.Path());
  out_.Write(head);
}

std::string JsonReportWriter::Row(const char* kind, FsItem& item, bool isFolder) {
  std::string row = "{\"kind\": \"";
  row += kind;
  row += "\", \"path\": ";
  AppendJsonString(row, item.Path());
  row += ", \"name\": ";
  AppendJsonString(row, item.Name());
  for (ReportColumn code : s_.columns) {
    switch (code) {
      case ReportColumn::Size:
        Key(row, "size");
        if (isFolder && deferTotals_) row += '\x01';  // the total, filled in when the folder's subtree has ended
        else
          row += std::to_string(RoundToUnit(
              static_cast<int64_t>(isFolder ? static_cast<Folder&>(item).Size() : static_cast<File&>(item).Size()),
              s_.sizeUnit));
        break;
      case ReportColumn::Attribute:
        Key(row, "attributes");
        try {
          AppendJsonString(row, ReportWriter::AttributeLetters(item.Attributes()));
        } catch (const Error& err) {
          events_.evtExternalPassError(err, "cdp:AD", scanerr::Walk, "Getting Attribute");
          row += "null";
        }
        break;
      case ReportColumn::FileType:
        Key(row, "type");
        AppendJsonString(row, isFolder ? std::string(report::kFolderType) : static_cast<File&>(item).Type());
        break;
      case ReportColumn::Created: Key(row, "created"); row += '"' + IsoTime(item.DateCreated()) + '"'; break;
      case ReportColumn::Modified: Key(row, "modified"); row += '"' + IsoTime(item.DateLastModified()) + '"'; break;
      case ReportColumn::Accessed: Key(row, "accessed"); row += '"' + IsoTime(item.DateLastAccessed()) + '"'; break;
      default: break;
    }
  }
  row += '}';
  return row;
}

void JsonReportWriter::Put(const std::string& row, bool slot, size_t id) {
  // Rows reach the document in order (held or not), so the separator is known when a row is put.
  std::string text = (rows_++ ? ",\n" : "\n") + row;
  if (slot) held_->Slot(id, text);
  else if (holdingStart_ || deferTotals_) held_->Text(text);
  else out_.Write(text);
}

void JsonReportWriter::FlushPending() {
  for (Pending& p : pending_) {
    if (p.written) continue;
    Put(p.row, p.slot, p.id);
    p.row.clear();
    p.written = true;
    ++folders_;
  }
}

void JsonReportWriter::FolderAccepted(Folder& folder, int level) {
  size_t id = totals_.size();
  totals_.push_back(0);
  std::string row = Row("folder", folder, true);
  bool slot = row.find('\x01') != std::string::npos;
  pending_.push_back({id, std::move(row), slot, false});
  if (!pruning_) FlushPending();
}

void JsonReportWriter::FileAccepted(File& file, bool) {
  FlushPending();
  Put(Row("file", file, false), false, 0);
  ++files_;
}

void JsonReportWriter::StartingFolderChecked(bool cancelled) {
  holdingStart_ = false;
  if (cancelled) {
    // A cancel at this moment lists nothing at all.
    held_->Clear();
    rows_ = files_ = 0;
  } else if (!deferTotals_) {
    DrainHeld();
  }
}

void JsonReportWriter::DrainHeld() {
  held_->DrainTo(out_, [this](size_t id) { return std::to_string(RoundToUnit(static_cast<int64_t>(totals_[id]), s_.sizeUnit)); });
}

void JsonReportWriter::FolderLeft(int level, uint64_t total) {
  if (level == 0) {
    if (deferTotals_) totals_[0] = total;
    return;
  }
  if (pending_.empty()) return;
  totals_[pending_.back().id] = total;
  pending_.pop_back();
}

void JsonReportWriter::Finish(bool cancelled) {
  if (finished_) return;
  finished_ = true;
  if (totals_.empty()) {
    // The walk failed before the starting folder: the document is still whole, and empty.
    Folder start(GetAbsolutePathName(s_.startingDirectory), ItemInfo{});
    StartingFolder(start);
    holdingStart_ = false;
  }
  if (deferTotals_ || holdingStart_) DrainHeld();
  std::string tail = "\n]";
  Key(tail, "startingFolderSize");
  tail += s_.Shows(ReportColumn::Size) ? std::to_string(RoundToUnit(static_cast<int64_t>(totals_[0]), s_.sizeUnit)) : "null";
  Key(tail, "foldersShown");
  tail += std::to_string(folders_);
  Key(tail, "filesShown");
  tail += std::to_string(files_);
  Bool(tail, "cancelled", cancelled);
  tail += "}\n";
  out_.Write(tail);
}

}  // namespace dv
