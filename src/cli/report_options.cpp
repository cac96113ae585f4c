#include "cli/report_options.h"

#include <cctype>
#include <regex>

#include "common/shared_utils.h"
#include "platform/path.h"
#include "scan/cls_dir_processing.h"
#include "scan/scan_choices.h"

namespace dv {

const char* const kReportHelp =
    "Usage: dorvane-cli report [OPTIONS] FOLDER\n"
    "Writes the directory report of FOLDER to standard output (or to --output FILE).\n"
    "\n"
    "  --view hierarchical|dos|csv|sortable|json   report view (default hierarchical); json is one\n"
    "                      JSON document: settings, and each listed folder and file with typed columns\n"
    "  --columns LIST      detail columns in report order, from size, attributes, type, created,\n"
    "                      modified, accessed, count; or none (default size,type)\n"
    "  --levels N|all      subfolder levels below FOLDER, 0 to 32767, or all (default all)\n"
    "  --size-unit bytes|kb|mb   unit of sizes and size filters (default kb)\n"
    "  --dirs-only         list folders only\n"
    "  --exclude-empty     leave out folders that hold nothing at all\n"
    "  --full-path         DOS view: full paths in file lines\n"
    "  --file-counts       DOS view with folder details: file counts in folder summaries\n"
    "  --no-folder-details no detail columns on folder lines and no folder summaries\n"
    "  --no-hidden         leave out hidden and system files and folders\n"
    "  --regex             patterns are regular expressions (default: wildcards)\n"
    "  --file-pattern TEXT, --folder-pattern TEXT   name patterns (default: everything)\n"
    "  --extensions LIST   only files with these extensions, e.g. '*.txt, *.doc'\n"
    "  --exclude-extensions   leave out the --extensions instead of keeping only them\n"
    "  --file-size 'OP N UNIT', --folder-size 'OP N UNIT'   size filters, e.g. '>= 10 KB';\n"
    "                      OP is >, <, =, >= or <=; UNIT bytes, KB or MB; at most 2,047 MB\n"
    "  --date 'TYPE OP YYYY-MM-DD'   date filter; TYPE created, modified or accessed\n"
    "  --output FILE       write the report to FILE instead of standard output\n"
    "  --save FILE         export the report to FILE as the window saves it: *.rtf rich text, *.htm or\n"
    "                      *.html a web page (HTML settings of dorvane), any other name plain text;\n"
    "                      standard output then stays empty\n"
    "  --help              show this text\n"
    "\n"
    "Exit status: 0 done, 1 some items could not be listed (reported on standard error), 2 bad options or a\n"
    "missing folder. Ctrl+C cancels: the report ends with the cancelled marker.\n";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

long Lookup(const std::string& option, const std::string& value,
            std::initializer_list<std::pair<const char*, long>> choices) {
  std::string v = Lower(value);
  std::string names;
  for (auto& [name, code] : choices) {
    if (v == name) return code;
    names += names.empty() ? name : std::string(", ") + name;
  }
  throw UsageError(option + ": '" + value + "' is not one of " + names);
}

namespace {

std::vector<long> ParseColumns(const std::string& text) {
  std::vector<long> codes;
  if (Lower(text) == "none") return codes;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string name = TrimBlanks(text.substr(start, comma - start));
    if (Lower(name) == "none") throw UsageError("--columns: 'none' stands alone");
    codes.push_back(Lookup("--columns", name,
                           {{"size", 1}, {"attributes", 2}, {"type", 3}, {"created", 4}, {"modified", 5},
                            {"accessed", 6}, {"count", 7}}));
    start = comma + 1;
  }
  return codes;
}

}  // namespace

ReportOptions::SizeLimit ParseSizeLimit(const std::string& text, const std::string& option) {
  static const std::regex form(R"(^\s*(>=|<=|>|<|=)\s*(\d{1,12})\s*([A-Za-z]+)\s*$)");
  std::smatch m;
  if (!std::regex_match(text, m, form))
    throw UsageError(option + ": '" + text + "' is not of the form 'OP N UNIT', e.g. '>= 10 KB'");
  ReportOptions::SizeLimit limit;
  limit.op = CompareOperatorCode(m[1]);
  limit.unit = Lookup(option + " unit", m[3], {{"bytes", 0}, {"byte", 0}, {"b", 0}, {"kb", 1}, {"mb", 2}});
  long long value = std::stoll(m[2]);
  // The same limits the windows keep: 2,047 MB in any unit.
  static const long long maxima[] = {2146435072LL, 2096128LL, 2047LL};
  if (value > maxima[limit.unit])
    throw UsageError(option + ": sizes go up to 2,047 MB (2,096,128 KB, 2,146,435,072 bytes)");
  limit.value = static_cast<long>(value);
  return limit;
}

ReportOptions::DateLimit ParseDateLimit(const std::string& text) {
  static const std::regex form(R"(^\s*([A-Za-z]+)\s*(>=|<=|>|<|=)\s*(\d{4})-(\d{2})-(\d{2})\s*$)");
  std::smatch m;
  if (!std::regex_match(text, m, form))
    throw UsageError("--date: '" + text + "' is not of the form 'TYPE OP YYYY-MM-DD', e.g. 'modified >= 2024-01-31'");
  ReportOptions::DateLimit limit;
  limit.type = Lookup("--date type", m[1], {{"created", 0}, {"modified", 1}, {"accessed", 2}});
  limit.op = CompareOperatorCode(m[2]);
  int y = std::stoi(m[3]), mo = std::stoi(m[4]), d = std::stoi(m[5]);
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (mo < 1 || mo > 12 || d < 1 || d > days[mo - 1] || (mo == 2 && d == 29 && !leap) || y < 1900)
    throw UsageError("--date: " + std::string(m[3]) + "-" + std::string(m[4]) + "-" + std::string(m[5]) +
                     " is not a date");
  limit.day = {y, mo, d, 0, 0, 0};
  return limit;
}

bool OptionReader::Next() {
  if (next_ >= args_.size()) return false;
  arg_ = args_[next_++];
  name_.clear();
  value_.clear();
  hasValue_ = false;
  positional_ = arg_.size() < 2 || arg_.compare(0, 2, "--") != 0 || arg_ == "--";
  if (positional_) {
    if (arg_ == "--" && next_ < args_.size()) arg_ = args_[next_++];
    return true;
  }
  name_ = arg_;
  if (size_t eq = arg_.find('='); eq != std::string::npos) {
    name_ = arg_.substr(0, eq);
    value_ = arg_.substr(eq + 1);
    hasValue_ = true;
  }
  name_ = Lower(name_);
  return true;
}

const std::string& OptionReader::Value() {
  if (!hasValue_) {
    if (next_ >= args_.size()) throw UsageError(name_ + " needs a value");
    value_ = args_[next_++];
    hasValue_ = true;
  }
  return value_;
}

void OptionReader::Flag() const {
  if (hasValue_) throw UsageError(name_ + " takes no value");
}

ReportOptions ParseReportOptions(const std::vector<std::string>& args) {
  ReportOptions o;
  OptionReader r(args);
  while (r.Next()) {
    if (r.Positional()) {
      if (!o.folder.empty())
        throw UsageError("only one FOLDER can be given ('" + o.folder + "' and '" + r.Arg() + "')");
      o.folder = r.Arg();
      continue;
    }
    const std::string& name = r.Name();
    if (name == "--help") { r.Flag(); o.help = true; }
    else if (name == "--view")
      o.view = Lookup(name, r.Value(), {{"hierarchical", 0}, {"dos", 1}, {"csv", 2}, {"sortable", 3}, {"json", 4}});
    else if (name == "--columns") o.columns = ParseColumns(r.Value());
    else if (name == "--levels") {
      std::string v = Lower(r.Value());
      if (v == "all") o.levels = kAllLevels;
      else if (std::regex_match(v, std::regex(R"(\d{1,5})")) && std::stol(v) <= 32767)
        o.levels = static_cast<int16_t>(std::stol(v));
      else throw UsageError("--levels: '" + r.Value() + "' is not 'all' or a number from 0 to 32767");
    }
    else if (name == "--size-unit") o.sizeUnit = Lookup(name, r.Value(), {{"bytes", 0}, {"kb", 1}, {"mb", 2}});
    else if (name == "--dirs-only") { r.Flag(); o.dirsOnly = true; }
    else if (name == "--exclude-empty") { r.Flag(); o.excludeEmpty = true; }
    else if (name == "--full-path") { r.Flag(); o.fullPath = true; }
    else if (name == "--file-counts") { r.Flag(); o.fileCounts = true; }
    else if (name == "--no-folder-details") { r.Flag(); o.directorySummary = 0; }
    else if (name == "--no-hidden") { r.Flag(); o.showHidden = false; }
    else if (name == "--regex") { r.Flag(); o.patternOption = 2; }
    else if (name == "--file-pattern") o.filePattern = r.Value();
    else if (name == "--folder-pattern") o.folderPattern = r.Value();
    else if (name == "--extensions") o.extensions = r.Value();
    else if (name == "--exclude-extensions") { r.Flag(); o.excludeExtensions = true; }
    else if (name == "--file-size") o.fileSize = ParseSizeLimit(r.Value(), name);
    else if (name == "--folder-size") o.folderSize = ParseSizeLimit(r.Value(), name);
    else if (name == "--date") o.date = ParseDateLimit(r.Value());
    else if (name == "--output") {
      o.output = r.Value();
      if (o.output.empty()) throw UsageError("--output needs a file name");
    }
    else if (name == "--save") {
      o.save = r.Value();
      if (o.save.empty()) throw UsageError("--save needs a file name");
    }
    else throw UsageError("unknown option " + r.Arg());
  }
  if (!o.help && o.folder.empty()) throw UsageError("FOLDER is missing");
  // The exports read a text report line by line; a JSON document made into rich text or a web page is neither.
  if (!o.help && !o.save.empty() && o.view == static_cast<long>(ReportView::Json))
    throw UsageError("--save does not apply to --view json; use --output FILE");
  return o;
}

ScanChoices ReportScanChoices(const ReportOptions& o) {
  ScanChoices c;
  c.view = static_cast<ReportView>(o.view);
  c.dirsOnly = o.dirsOnly;
  c.columns = o.columns;
  c.levels = o.levels;
  c.sizeUnit = static_cast<SizeUnit>(o.sizeUnit);
  c.fullPath = o.fullPath;
  c.fileCounts = o.fileCounts;
  c.folderDetails = o.directorySummary == 1;
  c.showHidden = o.showHidden;
  c.excludeEmpty = o.excludeEmpty;
  c.date = ScanChoices::DateLimit{};
  if (o.date)
    c.date = ScanChoices::DateLimit{true, o.date->day, static_cast<CompareOp>(o.date->op),
                                    static_cast<DateType>(o.date->type)};
  auto size = [](const std::optional<ReportOptions::SizeLimit>& limit) {
    if (!limit) return ScanChoices::SizeLimit{};
    return ScanChoices::SizeLimit{true, limit->value, static_cast<CompareOp>(limit->op),
                                  static_cast<SizeUnit>(limit->unit)};
  };
  c.fileSize = size(o.fileSize);
  c.folderSize = size(o.folderSize);
  c.extensions = ScanChoices::Extensions{o.extensions.value_or("*.*"), o.excludeExtensions ? 2 : 1};
  c.patternKind = static_cast<PatternKind>(o.patternOption);
  c.filePattern = o.filePattern;
  c.folderPattern = o.folderPattern;
  c.startingDirectory = o.folder;
  return c;
}

void ApplyReportOptions(const ReportOptions& o, clsDirProcessing& engine) {
  ApplyScanChoices(ReportScanChoices(o), engine);
}

}  // namespace dv
