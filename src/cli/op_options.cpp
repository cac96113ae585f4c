#include "cli/op_options.h"

#include <map>
#include <regex>
#include <set>

#include "common/shared_utils.h"
#include "platform/file_system.h"

namespace dv {

namespace {

struct OpSpec {
  const char* name;
  FileOp op;
  std::set<std::string> options;  // the options of this operation alone
};

const std::vector<OpSpec>& Operations() {
  static const std::vector<OpSpec> ops = {
      {"copy", FileOp::Copy, {"--flat", "--overwrite", "--empty-folders", "--duplicates", "--verify"}},
      {"shells", FileOp::EmptyShells, {"--folders-only"}},
      {"delete", FileOp::Delete, {"--empty-folders", "--trash"}},
      {"replace", FileOp::FindReplace, {"--find", "--replace", "--backup", "--text-extensions", "--binary", "--code"}},
      {"rename", FileOp::Rename, {"--pattern", "--with", "--start"}},
      {"attributes", FileOp::Attributes, {"--set", "--clear"}},
      {"move", FileOp::Move, {"--flat", "--empty-folders", "--duplicates", "--verify"}},
      {"open", FileOp::OpenWithMacro, {"--macro", "--ask-each"}},
      {"modified-date", FileOp::ModifiedDate, {"--to"}},
      {"created-date", FileOp::CreatedDate, {"--to"}},
      {"accessed-date", FileOp::AccessedDate, {"--to"}},
      {"run", FileOp::RunProcess, {"--command", "--wait", "--no-wait", "--ask-each", "--continue-on-timeout"}},
      {"compare", FileOp::Compare, {"--sample", "--hide"}},
  };
  return ops;
}

bool IsDateOperation(FileOp op) {
  return op == FileOp::ModifiedDate || op == FileOp::CreatedDate || op == FileOp::AccessedDate;
}

// 'YYYY-MM-DD[ HH:MM:SS]', local time; the text is kept for the summary.
LocalTime ParseWhen(const std::string& text) {
  static const std::regex form(R"(^(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2}):(\d{2}))?$)");
  std::smatch m;
  if (!std::regex_match(text, m, form))
    throw UsageError("--to: '" + text + "' is not of the form 'YYYY-MM-DD[ HH:MM:SS]'");
  // The date check of --date, then the time of day; a fault is the fault of --to.
  LocalTime t;
  try {
    t = ParseDateLimit("modified = " + text.substr(0, 10)).day;
  } catch (const UsageError&) {
    throw UsageError("--to: '" + text + "' is not a date");
  }
  if (m[4].matched) {
    t.hour = std::stoi(m[4]);
    t.minute = std::stoi(m[5]);
    t.second = std::stoi(m[6]);
    if (t.hour > 23 || t.minute > 59 || t.second > 59) throw UsageError("--to: '" + text + "' is not a time of day");
  }
  return t;
}

long WholeNumber(const std::string& option, const std::string& value, long low, long high) {
  if (!std::regex_match(value, std::regex(R"(\d{1,10})")) || std::stoll(value) < low || std::stoll(value) > high)
    throw UsageError(option + ": '" + value + "' is not a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high));
  return static_cast<long>(std::stoll(value));
}

}  // namespace

const std::vector<std::string>& OperationNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const OpSpec& op : Operations()) out.push_back(op.name);
    return out;
  }();
  return names;
}

OpOptions ParseOpOptions(const std::vector<std::string>& args) {
  OpOptions o;
  OperationChoices& c = o.choices;
  if (args.empty()) throw UsageError("OPERATION is missing");
  if (args[0] == "--help") {
    o.help = true;
    return o;
  }
  const OpSpec* op = nullptr;
  for (const OpSpec& candidate : Operations())
    if (Lower(args[0]) == candidate.name) op = &candidate;
  if (!op) throw UsageError("'" + args[0] + "' is no operation; one of copy, shells, delete, replace, rename, "
                            "attributes, move, open, modified-date, created-date, accessed-date, run, compare");
  c.operation = op->op;
  // Defaults as the window starts; the command line has no picked date, so --to is needed.
  c.newDate.reset();

  std::vector<std::string> positional, entries;
  bool toGiven = false, commandGiven = false;
  OptionReader r(args, 1);
  while (r.Next()) {
    if (r.Positional()) {
      positional.push_back(r.Arg());
      continue;
    }
    const std::string& name = r.Name();
    // An option of another operation is a mistake worth saying, not something to ignore.
    bool own = op->options.count(name) > 0;
    for (const OpSpec& other : Operations())
      if (!own && other.options.count(name)) throw UsageError(name + " does not apply to " + op->name);

    if (name == "--help") { r.Flag(); o.help = true; }
    else if (name == "--flat") { r.Flag(); c.toOneDirectory = true; }
    else if (name == "--overwrite") { r.Flag(); c.overwrite = true; }
    else if (name == "--empty-folders") {
      r.Flag();
      c.emptyFolders = true;
      c.deleteEmptyFolders = c.operation == FileOp::Delete;
    }
    else if (name == "--trash") { r.Flag(); c.toTrash = true; }
    else if (name == "--duplicates")
      c.numberDuplicates = Lookup(name, r.Value(), {{"number", 1}, {"overwrite", 0}}) == 1;
    else if (name == "--verify")
      c.verification = static_cast<int>(Lookup(name, r.Value(), {{"none", 0}, {"quick", 1}, {"full", 2}}));
    else if (name == "--folders-only") { r.Flag(); c.shellsForFiles = false; }
    else if (name == "--find") c.findText = r.Value();
    else if (name == "--replace") c.replaceText = r.Value();
    else if (name == "--backup") { r.Flag(); c.backup = true; }
    else if (name == "--text-extensions") c.textExtensions = r.Value();
    else if (name == "--binary") { r.Flag(); c.binary = true; }
    else if (name == "--code") o.binaryCode = r.Value();
    else if (name == "--pattern") c.renamePattern = r.Value();
    else if (name == "--with") c.renameReplacement = r.Value();
    else if (name == "--start") c.renameStart = WholeNumber(name, r.Value(), 1, 32767);
    else if (name == "--set" || name == "--clear") {
      for (char letter : r.Value()) {
        static const std::string kLetters = "ARSH";
        const size_t box = kLetters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
        if (box == std::string::npos)
          throw UsageError(name + ": '" + r.Value() + "' holds a letter other than A, R, S, H");
        const AttributeBox state = name == "--set" ? AttributeBox::Checked : AttributeBox::Unchecked;
        if (c.attributes[box] != AttributeBox::Grayed && c.attributes[box] != state)
          throw UsageError(std::string("attribute ") + kLetters[box] + " is both set and cleared");
        c.attributes[box] = state;
      }
    }
    else if (name == "--macro") c.macro = r.Value();
    else if (name == "--ask-each") {
      r.Flag();
      c.pauseBetweenOpens = true;
      c.runMode = 2;
    }
    else if (name == "--to") {
      c.newDateText = r.Value();
      c.newDate = ParseWhen(r.Value());
      toGiven = true;
    }
    else if (name == "--command") { c.runCommand = r.Value(); commandGiven = true; }
    else if (name == "--wait") {
      c.runMode = 1;
      c.waitSeconds = static_cast<double>(WholeNumber(name, r.Value(), 1, 2000000));
    }
    else if (name == "--no-wait") { r.Flag(); c.runMode = 0; }
    else if (name == "--continue-on-timeout") { r.Flag(); c.continuePastWait = true; }
    else if (name == "--sample") {
      c.compareFull = false;
      c.bytesToCompare = static_cast<double>(WholeNumber(name, r.Value(), 1, 2147483647));
    }
    else if (name == "--hide") {
      const std::string& hide = r.Value();
      for (size_t start = 0; start <= hide.size();) {
        size_t comma = hide.find(',', start);
        if (comma == std::string::npos) comma = hide.size();
        const long which = Lookup(name, TrimBlanks(hide.substr(start, comma - start)),
                                  {{"matching", 0}, {"differing", 1}, {"missing", 2}});
        (which == 0 ? c.showMatching : which == 1 ? c.showDiffering : c.showMissing) = false;
        start = comma + 1;
      }
    }
    else if (name == "--pick") c.selectedFiles.push_back(r.Value());
    else if (name == "--entry") entries.push_back(r.Value());
    else if (name == "--bank") o.bankFile = r.Value();
    else if (name == "--bank-name") o.bankName = r.Value();
    else if (name == "--regex") { r.Flag(); c.wildcards = false; }
    else if (name == "--file-pattern") c.filePattern = r.Value();
    else if (name == "--file-size") {
      const ReportOptions::SizeLimit limit = ParseSizeLimit(r.Value(), name);
      c.sizeFilter = SizeFilter{static_cast<CompareOp>(limit.op), limit.value, static_cast<SizeUnit>(limit.unit),
                                std::to_string(limit.value)};
    }
    else if (name == "--extensions") c.extensions = r.Value();
    else if (name == "--exclude-extensions") { r.Flag(); c.includeExtensions = false; }
    else if (name == "--date") {
      const ReportOptions::DateLimit limit = ParseDateLimit(r.Value());
      c.dateFilter = DateFilter{static_cast<DateType>(limit.type), static_cast<CompareOp>(limit.op), limit.day,
                                r.Value().substr(r.Value().find_last_of(" <>=") + 1)};
    }
    else if (name == "--no-hidden") { r.Flag(); c.showHidden = false; }
    else if (name == "--levels") {
      if (Lower(r.Value()) != "all") {
        c.levelsOnly = true;
        c.levels = WholeNumber(name, r.Value(), 0, 32767);
      }
    }
    else if (name == "--preview") { r.Flag(); c.previewOnly = true; }
    else if (name == "--report-preview") { r.Flag(); o.reportPreview = c.reportPreview = true; }
    else if (name == "--yes" || name == "--no") {
      r.Flag();
      if (o.answerAll && *o.answerAll != (name == "--yes")) throw UsageError("--yes and --no exclude each other");
      o.answerAll = name == "--yes";
    }
    else if (name == "--results") {
      o.results = r.Value();
      if (o.results.empty()) throw UsageError("--results needs a file name");
    }
    else throw UsageError("unknown option " + r.Arg());
  }
  if (o.help) return o;

  if (o.bankFile.empty() != o.bankName.empty()) throw UsageError("--bank and --bank-name go together");
  if (!o.bankFile.empty() && !entries.empty()) throw UsageError("--entry does not go with --bank");
  const bool bank = !entries.empty() || !o.bankFile.empty();
  if (bank && !c.selectedFiles.empty()) throw UsageError("--pick does not go with a bank");
  const bool destination = UsesDestination(c.operation);
  const size_t wanted = (bank ? 0 : 1) + (destination ? 1 : 0);
  if (positional.size() != wanted)
    throw UsageError(std::string(op->name) + " takes " +
                     (bank ? "" : "SOURCE") + (bank || !destination ? "" : " and ") +
                     (destination ? "DESTINATION" : "") + ", not " + std::to_string(positional.size()) +
                     " path(s)");
  c.bank = entries;
  if (!bank) {
    c.source = positional[0];
    FileSystemObject fs;
    if (!fs.FolderExists(c.source) && fs.FileExists(c.source))
      throw UsageError("SOURCE '" + c.source + "' is a file; give its folder and --pick NAME");
    if (!c.selectedFiles.empty()) {
      // As the window's source box holds when files are picked: the folder and the pseudo-name.
      if (c.source.empty() || c.source.back() != '/') c.source += '/';
      c.source += c.selectedFiles.size() == 1 ? c.selectedFiles[0] : "Multiple.Files";
      // As the window decides: a single pick is a file source only when that file is there.
      c.sourceIsFile = c.selectedFiles.size() == 1 && fs.FileExists(c.source);
    }
  }
  if (destination) c.destination = positional.back();
  if (IsDateOperation(c.operation) && !toGiven) throw UsageError(std::string(op->name) + " needs --to");
  if (c.operation == FileOp::RunProcess && !commandGiven) throw UsageError("run needs --command");
  if (c.operation == FileOp::FindReplace && c.findText.empty()) throw UsageError("replace needs --find");
  return o;
}

}  // namespace dv
