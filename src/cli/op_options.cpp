#include "cli/op_options.h"

#include <map>
#include <regex>
#include <set>

#include "common/shared_utils.h"
#include "platform/file_system.h"

namespace dv {

namespace {

struct Operation {
  const char* name;
  OperationChoice choice;
  int dateToChange;  // for the three date operations
  std::set<std::string> options;  // the options of this operation alone
};

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = {
      {"copy", OperationChoice::Copy, 0, {"--flat", "--overwrite", "--empty-folders", "--duplicates", "--verify"}},
      {"shells", OperationChoice::EmptyShells, 0, {"--folders-only"}},
      {"delete", OperationChoice::Delete, 0, {"--empty-folders"}},
      {"replace", OperationChoice::FindAndReplace, 0,
       {"--find", "--replace", "--backup", "--text-extensions", "--binary", "--code"}},
      {"rename", OperationChoice::Rename, 0, {"--pattern", "--with", "--start"}},
      {"attributes", OperationChoice::Attributes, 0, {"--set", "--clear"}},
      {"move", OperationChoice::Move, 0, {"--flat", "--empty-folders", "--duplicates", "--verify"}},
      {"open", OperationChoice::Open, 0, {"--macro", "--ask-each"}},
      {"modified-date", OperationChoice::ChangeDate, 1, {"--to"}},
      {"created-date", OperationChoice::ChangeDate, 0, {"--to"}},
      {"accessed-date", OperationChoice::ChangeDate, 2, {"--to"}},
      {"run", OperationChoice::RunProcess, 0, {"--command", "--wait", "--no-wait", "--ask-each", "--continue-on-timeout"}},
      {"compare", OperationChoice::Compare, 0, {"--sample", "--hide"}},
  };
  return ops;
}

bool UsesDestination(OperationChoice op) {
  return op == OperationChoice::Copy || op == OperationChoice::EmptyShells || op == OperationChoice::Move ||
         op == OperationChoice::Compare;
}

// 'YYYY-MM-DD[ HH:MM:SS]', local time; the text is kept for the summary.
LocalTime ParseWhen(const std::string& text) {
  static const std::regex form(R"(^(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2}):(\d{2}))?$)");
  std::smatch m;
  if (!std::regex_match(text, m, form))
    throw UsageError("--to: '" + text + "' is not of the form 'YYYY-MM-DD[ HH:MM:SS]'");
  // The date check of --date, then the time of day.
  LocalTime t = ParseDateLimit("modified = " + text.substr(0, 10)).day;
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
    for (const Operation& op : Operations()) out.push_back(op.name);
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
  const Operation* op = nullptr;
  for (const Operation& candidate : Operations())
    if (Lower(args[0]) == candidate.name) op = &candidate;
  if (!op) throw UsageError("'" + args[0] + "' is no operation; one of copy, shells, delete, replace, rename, "
                            "attributes, move, open, modified-date, created-date, accessed-date, run, compare");
  c.operation = op->choice;
  c.dateToChange = op->dateToChange;
  // Defaults as the window starts; the command line has no picked date, so --to is needed.
  c.newDate.reset();

  std::vector<std::string> positional, entries;
  bool toGiven = false, commandGiven = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      if (arg == "--" && i + 1 < args.size()) arg = args[++i];
      positional.push_back(arg);
      continue;
    }
    std::string name = arg, value;
    bool hasValue = false;
    if (size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    name = Lower(name);
    auto need = [&]() -> const std::string& {
      if (!hasValue) {
        if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
        value = args[++i];
        hasValue = true;
      }
      return value;
    };
    auto flag = [&] {
      if (hasValue) throw UsageError(name + " takes no value");
    };
    // An option of another operation is a mistake worth saying, not something to ignore.
    bool own = op->options.count(name) > 0;
    for (const Operation& other : Operations())
      if (!own && other.options.count(name)) throw UsageError(name + " does not apply to " + op->name);

    if (name == "--help") { flag(); o.help = true; }
    else if (name == "--flat") { flag(); c.toOneDirectory = true; }
    else if (name == "--overwrite") { flag(); c.overwrite = true; }
    else if (name == "--empty-folders") {
      flag();
      c.emptyFolders = true;
      c.deleteEmptyFolders = c.operation == OperationChoice::Delete;
    }
    else if (name == "--duplicates") c.numberDuplicates = Lookup(name, need(), {{"number", 1}, {"overwrite", 0}}) == 1;
    else if (name == "--verify") c.verification = static_cast<int>(Lookup(name, need(), {{"none", 0}, {"quick", 1}}));
    else if (name == "--folders-only") { flag(); c.shellsForFiles = false; }
    else if (name == "--find") c.findText = need();
    else if (name == "--replace") c.replaceText = need();
    else if (name == "--backup") { flag(); c.backup = true; }
    else if (name == "--text-extensions") c.textExtensions = need();
    else if (name == "--binary") { flag(); c.binary = true; }
    else if (name == "--code") o.binaryCode = need();
    else if (name == "--pattern") c.renamePattern = need();
    else if (name == "--with") c.renameReplacement = need();
    else if (name == "--start") c.renameStart = WholeNumber(name, need(), 1, 32767);
    else if (name == "--set" || name == "--clear") {
      for (char letter : need()) {
        static const std::string kLetters = "ARSH";
        const size_t box = kLetters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
        if (box == std::string::npos) throw UsageError(name + ": '" + value + "' holds a letter other than A, R, S, H");
        const AttributeBox state = name == "--set" ? AttributeBox::Checked : AttributeBox::Unchecked;
        if (c.attributes[box] != AttributeBox::Grayed && c.attributes[box] != state)
          throw UsageError(std::string("attribute ") + kLetters[box] + " is both set and cleared");
        c.attributes[box] = state;
      }
    }
    else if (name == "--macro") c.macro = need();
    else if (name == "--ask-each") {
      flag();
      c.pauseBetweenOpens = true;
      c.runMode = 2;
    }
    else if (name == "--to") {
      c.newDateText = need();
      c.newDate = ParseWhen(value);
      toGiven = true;
    }
    else if (name == "--command") { c.runCommand = need(); commandGiven = true; }
    else if (name == "--wait") {
      c.runMode = 1;
      c.waitSeconds = static_cast<double>(WholeNumber(name, need(), 1, 2000000));
    }
    else if (name == "--no-wait") { flag(); c.runMode = 0; }
    else if (name == "--continue-on-timeout") { flag(); c.continuePastWait = true; }
    else if (name == "--sample") {
      c.compareFull = false;
      c.bytesToCompare = static_cast<double>(WholeNumber(name, need(), 1, 2147483647));
    }
    else if (name == "--hide") {
      for (size_t start = 0; start <= need().size();) {
        size_t comma = value.find(',', start);
        if (comma == std::string::npos) comma = value.size();
        const long which = Lookup(name, TrimBlanks(value.substr(start, comma - start)),
                                  {{"matching", 0}, {"differing", 1}, {"missing", 2}});
        (which == 0 ? c.showMatching : which == 1 ? c.showDiffering : c.showMissing) = false;
        start = comma + 1;
      }
    }
    else if (name == "--pick") c.selectedFiles.push_back(need());
    else if (name == "--entry") entries.push_back(need());
    else if (name == "--bank") o.bankFile = need();
    else if (name == "--bank-name") o.bankName = need();
    else if (name == "--regex") { flag(); c.wildcards = false; }
    else if (name == "--file-pattern") c.filePattern = need();
    else if (name == "--file-size") {
      const ReportOptions::SizeLimit limit = ParseSizeLimit(need(), name);
      static const char* ops[] = {">", "<", "=", ">=", "<="};
      static const char* units[] = {"Bytes", "KB", "MB"};
      c.sizeOperator = ops[limit.op];
      c.sizeText = std::to_string(limit.value);
      c.sizeUnit = units[limit.unit];
    }
    else if (name == "--extensions") c.extensions = need();
    else if (name == "--exclude-extensions") { flag(); c.includeExtensions = false; }
    else if (name == "--date") {
      const ReportOptions::DateLimit limit = ParseDateLimit(need());
      static const char* types[] = {"Date Created", "Date Modified", "Date Last Accessed"};
      static const char* ops[] = {">", "<", "=", ">=", "<="};
      c.dateType = types[limit.type];
      c.dateOperator = ops[limit.op];
      c.filterDate = limit.day;
      c.filterDateText = value.substr(value.find_last_of(" <>=") + 1);
    }
    else if (name == "--no-hidden") { flag(); c.showHidden = false; }
    else if (name == "--levels") {
      if (Lower(need()) != "all") {
        c.levelsOnly = true;
        c.levels = WholeNumber(name, value, 0, 32767);
      }
    }
    else if (name == "--preview") { flag(); c.previewOnly = true; }
    else if (name == "--report-preview") { flag(); o.reportPreview = true; }
    else if (name == "--yes" || name == "--no") {
      flag();
      if (o.answerAll && *o.answerAll != (name == "--yes")) throw UsageError("--yes and --no exclude each other");
      o.answerAll = name == "--yes";
    }
    else if (name == "--results") {
      o.results = need();
      if (o.results.empty()) throw UsageError("--results needs a file name");
    }
    else throw UsageError("unknown option " + arg);
  }
  if (o.help) return o;

  if (o.bankFile.empty() != o.bankName.empty()) throw UsageError("--bank and --bank-name go together");
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
      c.sourceIsFile = c.selectedFiles.size() == 1;
    }
  }
  if (destination) c.destination = positional.back();
  if (c.operation == OperationChoice::ChangeDate && !toGiven) throw UsageError(std::string(op->name) + " needs --to");
  if (c.operation == OperationChoice::RunProcess && !commandGiven) throw UsageError("run needs --command");
  if (c.operation == OperationChoice::FindAndReplace && c.findText.empty()) throw UsageError("replace needs --find");
  return o;
}

}  // namespace dv
