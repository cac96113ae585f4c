#include "fileops_engine/operation_setup.h"

#include <cctype>
#include <cmath>
#include <iterator>

#include "common/pattern.h"
#include "common/prompter.h"
#include "platform/send_keys.h"
#include "common/shared_utils.h"
#include "common/text_rules.h"
#include "fileops_engine/bank_file.h"
#include "fileops_engine/fileops_codes.h"
#include "platform/error.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr std::size_t kBankEntriesShown = 16;

// Whole numbers as the window rounds them: halves to the even neighbour.
long Round(double value) { return static_cast<long>(std::nearbyint(value)); }

// "Include Empty Folders" lines of copy and move.
std::string EmptyFoldersLine(bool include) {
  return std::string(kCrLf) + "\t" + (include ? " [Include Empty Folders]" : " [Do Not Include Empty Folders]");
}

std::string BankLines(const std::vector<std::string>& bank) {
  std::string out;
  for (std::size_t i = 0; i < bank.size() && i < kBankEntriesShown; ++i) out += kCrLf + bank[i];
  if (bank.size() > kBankEntriesShown)
    out += std::string(kCrLf) + "{" + std::to_string(bank.size() - kBankEntriesShown) + "} more entries ...";
  return out + kCrLf;
}

// Copy and move share the verification choice.
void ChooseVerification(const OperationChoices& c, CopyLayout& layout, std::string& summary) {
  if (c.verification == 1) {
    layout.verification = Verification::Quick;
    summary += std::string(kCrLf) + "\t [Quick Verification]";
  } else if (c.verification == 2) {
    layout.verification = Verification::Full;
    summary += std::string(kCrLf) + "\t [Full Binary Comparison]";
  }
}

std::string DuplicatesLine(const char* verb, bool numbered) {
  return std::string(kCrLf) + "Operation: " + verb + " to One Directory (Duplicate Filenames " +
         (numbered ? "Numbered)" : "Overwritten)");
}

std::string BackupLine(bool backup) {
  return std::string(kCrLf) + (backup ? "  A backup of each changed file is kept (_DVBU)" : "  No backups are made");
}

// The line that says the chosen folder goes too: a delete that removes empty folders removes the folder it started
// in once it is empty. Named as its results line will name it.
std::string ChosenFolderLine(const OperationChoices& c, const OperationSource& source) {
  if (!c.deleteEmptyFolders) return {};
  if (!c.bank.empty()) {
    for (const std::string& entry : c.bank)
      if (!entry.empty() && entry.back() == '/')
        return std::string(kCrLf) + "  Each chosen folder of the bank is removed too once it is empty.";
    return {};
  }
  // Picked files and "folder/*.*" leave the folder where it is.
  const auto* walked = std::get_if<SourceFolder>(&source);
  if (!walked || walked->path.empty() || walked->contentsOnly || c.sourceIsFile || !c.selectedFiles.empty()) return {};
  std::string folder;
  try {
    folder = GetAbsolutePathName(walked->path);
  } catch (const Error&) {
    folder = walked->path;
  }
  if (folder == "/") return {};  // the root folder is never deleted
  return std::string(kCrLf) + "  The chosen folder " + ControlsShown(folder) + " is removed too once it is empty.";
}

// The find and replace checks; false refuses the operation.
bool FindAndReplace(OperationChoices& c, OperationSettings& s, std::string& summary, Prompter& prompter) {
  if (c.findText.empty()) return false;
  if (!c.binary) {
    s.details = FindReplaceChoice{c.findText, c.replaceText, c.backup, 0, c.textExtensions};
    summary += std::string(kCrLf) + "Operation: Find & Replace Text" + kCrLf + "  Finding: " + c.findText + kCrLf +
               "  Replace with: " + c.replaceText + kCrLf + "  In files ending in: " + c.textExtensions +
               BackupLine(c.backup);
    return true;
  }
  // Byte lengths: the texts are replaced as the bytes typed.
  const bool short_ = c.findText.size() < 4;
  const std::string question =
      short_ ? std::string("Binary replacement operations with less than 4 characters are Extremely Dangerous and "
                           "will most likely corrupt your files.") +
                   kCrLf + kCrLf +
                   "Because of this you must confirm this binary replacement operation with the code in the help "
                   "file."
             : std::string("Binary replacement operations can be very dangerous and can corrupt your files.") + kCrLf +
                   kCrLf +
                   "Because of this you must confirm any binary replacement operation with the codes in the help "
                   "file.";
  const auto code = prompter.Input(question, "Binary Replacement Operation Confirmation", "");
  if (!code || *code != (short_ ? "Scramble My Data" : "Risky Run")) {
    prompter.Message(std::string("The code was incorrect.") + kCrLf + kCrLf +
                         "Please go to the help file to obtain the code.",
                     "Incorrect Code Supplied");
    return false;
  }
  c.backup = true;
  if (c.showHidden) {
    c.showHidden = false;
    prompter.Message(
        std::string("Due to the nature of Binary replacements, the Processing of Hidden and System files has been "
                    "turned off.") +
            kCrLf + kCrLf +
            "In order to perform binary replacements on such files you will need to change their Hidden and System "
            "attributes." +
            kCrLf + kCrLf +
            "Additionally, you will need to reactivate the processing of hidden and system files from the "
            "Filtration screen.",
        kAppTitle);
  }
  if (c.findText.size() != c.replaceText.size()) {
    prompter.Message(std::string("Binary Compares require equal length strings.") + kCrLf + kCrLf +
                         "Please ensure that both the find and replace strings are equal.",
                     "Unequal Strings Detected");
    c.binary = false;
    return false;
  }
  s.details = FindReplaceChoice{c.findText, c.replaceText, c.backup, 1, c.textExtensions};
  summary += std::string(kCrLf) + "Operation: Binary Find & Replace" + kCrLf + "  Find String:\t" + c.findText +
             kCrLf + "  Replace With:\t" + c.replaceText + BackupLine(c.backup);
  return true;
}

// The operation's own settings and summary; false refuses the operation.
bool OperationBranch(OperationChoices& c, const OperationSource& source, OperationSettings& s, std::string& summary,
                     Prompter& prompter) {
  s.details = DefaultDetails(c.operation);
  switch (c.operation) {
    case FileOp::Copy: {
      CopyLayout& layout = std::get<CopyLayout>(s.details);
      if (!c.toOneDirectory) {
        layout.structure = true;
        layout.overwrite = c.overwrite;
        layout.emptyFolders = c.emptyFolders;
        summary += std::string(kCrLf) + (c.overwrite ? "Operation: Copy (Overwrite Existing Files)"
                                                      : "Operation: Copy (Do Not Overwrite Existing Files)");
        summary += EmptyFoldersLine(c.emptyFolders);
      } else {
        layout.duplicates = c.numberDuplicates ? Duplicates::Numbered : Duplicates::Overwritten;
        layout.overwrite = !c.numberDuplicates;
        summary += DuplicatesLine("Copy", c.numberDuplicates);
      }
      ChooseVerification(c, layout, summary);
      return true;
    }
    case FileOp::EmptyShells:
      // Picked files are files whatever the choice: their shells are made, nothing else.
      if (!c.shellsForFiles) s.gathering = Gathering::Folders;
      summary += std::string(kCrLf) +
                 (c.shellsForFiles ? "Operation: Make Empty Shells (Files & Folders)"
                                   : "Operation: Make Empty Folders");
      return true;
    case FileOp::Delete:
      s.details = DeleteChoice{c.deleteEmptyFolders, c.toTrash};
      summary += std::string(kCrLf) +
                 (c.deleteEmptyFolders ? "Operation: Delete (Files & Folders)" : "Operation: Delete (Files Only)") +
                 (c.toTrash ? std::string(kCrLf) + "  Move to Trash (can be restored)" : std::string()) +
                 ChosenFolderLine(c, source);
      return true;
    case FileOp::FindReplace:
      return FindAndReplace(c, s, summary, prompter);
    case FileOp::Rename:
      s.details = RenameChoice{c.renamePattern, c.renameReplacement, c.renameWildcards ? 1L : 2L,
                               c.renameStart > 0 && c.renameStart <= 32767 ? static_cast<int>(c.renameStart)
                                                                           : kEveryMatch};
      summary += std::string(kCrLf) + "Operation: Rename Files" + kCrLf + "  Search Pattern: " + c.renamePattern +
                 (c.renameWildcards ? " (Wildcards)" : " (Regular Expression)") + kCrLf +
                 "  Replace with: " + c.renameReplacement;
      return true;
    case FileOp::Attributes: {
      static constexpr struct {
        long bit;
        char letter;
      } kBoxes[] = {{32, 'A'}, {1, 'R'}, {4, 'S'}, {2, 'H'}};
      AttributeChoice change;
      summary += std::string(kCrLf) + "Operation: Change Attributes -> ";
      for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        if (c.attributes[i] == AttributeBox::Checked) {
          change.add |= kBoxes[i].bit;
          summary += std::string(" +") + kBoxes[i].letter;
        } else if (c.attributes[i] == AttributeBox::Unchecked) {
          change.remove |= kBoxes[i].bit;
          summary += std::string(" -") + kBoxes[i].letter;
        }
      }
      s.details = change;
      return true;
    }
    case FileOp::Move: {
      CopyLayout& layout = std::get<CopyLayout>(s.details);
      if (!c.toOneDirectory) {
        layout.structure = true;
        layout.overwrite = true;
        layout.emptyFolders = c.emptyFolders;
        summary += "Operation: Move" + EmptyFoldersLine(c.emptyFolders);
      } else {
        layout.duplicates = c.numberDuplicates ? Duplicates::Numbered : Duplicates::Overwritten;
        // "Overwritten" has to overwrite, as it does for copy.
        layout.overwrite = !c.numberDuplicates;
        summary += DuplicatesLine("Move", c.numberDuplicates);
      }
      ChooseVerification(c, layout, summary);
      return true;
    }
    case FileOp::OpenWithMacro:
      s.details = OpenChoice{c.pauseBetweenOpens, c.macro};
      // Refused before the run: a macro the run would stop at, file after file.
      if (const std::string fault = MacroFault(c.macro); !fault.empty()) {
        prompter.Message("The macro cannot be run: " + fault, kAppTitle);
        return false;
      }
      summary += c.pauseBetweenOpens ? "Operation: Open (Pausing between files)"
                                     : "Operation: Open (No Pausing between files - Not Recommended)";
      summary += std::string(kCrLf) + "  Macro: " + c.macro;
      return true;
    case FileOp::CreatedDate:
    case FileOp::ModifiedDate:
    case FileOp::AccessedDate: {
      if (!c.newDate) {
        prompter.Message(std::string("The date entered is not a valid date.") + kCrLf + kCrLf +
                             "Please enter a date in the MM/DD/YYYY date format.",
                         kAppTitle);
        return false;
      }
      s.details = DateChangeChoice{*c.newDate};
      const char* words = c.operation == FileOp::CreatedDate    ? "Created"
                          : c.operation == FileOp::ModifiedDate ? "Modified"
                                                                : "Last Accessed";
      summary += std::string("Operation: Change ") + words + " Date to " + c.newDateText;
      // Said before the run, not discovered file by file: Linux keeps a file's birth time out of reach.
      if (c.operation == FileOp::CreatedDate) summary += std::string(kCrLf) + kCreatedDateNote;
      return true;
    }
    case FileOp::RunProcess: {
      std::string upper = c.runCommand;
      for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      if (upper.find("<<FILENAME>>") == std::string::npos) {
        prompter.Message(std::string("You must have the string <<filename>> in the text field in order to use this "
                                     "function.") +
                             kCrLf + kCrLf + "Here are a few examples:" + kCrLf +
                             "C:\\Program Files\\Internet Explorer\\iexplore.exe <<filename>>" + kCrLf +
                             "C:\\Windows\\System32\\notepad.exe <<filename>>",
                         "<<filename>> variable missing from process string");
        return false;
      }
      if (c.runMode == 1)
        s.details = RunProcChoice{c.runCommand, 1, c.waitSeconds > 0 ? Round(c.waitSeconds * 1000) : 30000,
                                  c.continuePastWait};
      else
        s.details = RunProcChoice{c.runCommand, c.runMode == 0 ? 0L : 2L, 30000, false};
      summary += std::string("Operation: Run Process On File") + kCrLf + "  Command: " + c.runCommand;
      return true;
    }
    case FileOp::Compare:
      s.details =
          CompareChoice{c.compareFull, c.showMatching, c.showDiffering, c.showMissing, Round(c.bytesToCompare)};
      summary += "Operation: Compare Files";
      return true;
  }
  return false;
}

constexpr const char* kUnits[] = {"Bytes", "KB", "MB"};
constexpr struct {
  const char* type;
  const char* words;
} kDateTypes[] = {{"Date Created", "  Created Date: "},
                  {"Date Modified", "  Modified Date: "},
                  {"Date Last Accessed", "  Last Access Date: "}};

// The window's size and date boxes, read into typed filters. A date that is no date turns its filter off.
void ReadFilterBoxes(OperationChoices& c, Prompter& prompter) {
  for (long u = 0; u < 3; ++u)
    if (c.sizeUnit == kUnits[u] && !c.sizeOperator.empty() && !c.sizeText.empty())
      c.sizeFilter = SizeFilter{static_cast<CompareOp>(GetOperatorCode(c.sizeOperator)),
                                Round(LeadingNumber(c.sizeText)), static_cast<SizeUnit>(u), c.sizeText};
  if (c.dateType.empty() || c.dateOperator.empty() || c.filterDateText.empty()) return;
  if (!c.filterDate) {
    prompter.Message("Invalid Date.  Date Restriction will be turned off", "Invalid Date Entered.");
    return;
  }
  for (long t = 0; t < 3; ++t)
    if (c.dateType == kDateTypes[t].type)
      c.dateFilter = DateFilter{static_cast<DateType>(t), static_cast<CompareOp>(GetOperatorCode(c.dateOperator)),
                                *c.filterDate, c.filterDateText};
}

// The filters, for the engine's scanning object, with their summary lines.
void Filters(const OperationChoices& c, ScanChoices& scan, std::string& summary) {
  summary += std::string(kCrLf) + "Filters:";
  const PatternKind kind = c.wildcards ? PatternKind::Wildcards : PatternKind::RegularExpression;
  scan.patternKind = kind;
  const std::string pattern = TrimBlanks(c.filePattern);
  scan.filePattern = pattern;
  // The pattern as the user typed it: the converted expression would be news to someone who typed "*.heic".
  summary += std::string(kCrLf) + "  File Name Pattern: " + pattern;
  if (!pattern.empty()) summary += c.wildcards ? " (Wildcards)" : " (Regular Expression)";

  if (const auto& size = c.sizeFilter) {
    scan.sizeUnit = size->unit;
    scan.fileSize = ScanChoices::SizeLimit{true, size->value, size->op, size->unit};
    summary += std::string(kCrLf) + "  Size is " + CompareOpText(size->op) + " " + size->text + " " +
               kUnits[static_cast<long>(size->unit)];
  } else {
    scan.fileSize = ScanChoices::SizeLimit{false, 0, CompareOp::GreaterOrEqual, SizeUnit::Bytes};
  }

  if (c.extensions == "*.*") {
    scan.extensions = ScanChoices::Extensions{"", 0};
  } else {
    scan.extensions = ScanChoices::Extensions{c.extensions, c.includeExtensions ? 1L : 2L};
    summary += std::string(kCrLf) + (c.includeExtensions ? "  Include only extensions: " : "  Exclude extensions: ") +
               c.extensions;
  }

  scan.date = ScanChoices::DateLimit{false, LocalTime{2000, 1, 1}, CompareOp::Equal, DateType::Created};
  if (const auto& date = c.dateFilter) {
    scan.date = ScanChoices::DateLimit{true, date->day, date->op, date->type};
    summary += std::string(kCrLf) + kDateTypes[static_cast<long>(date->type)].words + CompareOpText(date->op) + " " +
               date->text;
  }

  scan.showHidden = c.showHidden;
  if (!c.showHidden) summary += std::string(kCrLf) + "  Hide System & Hidden Files";
  if (c.levelsOnly) {
    scan.levels = static_cast<int16_t>(c.levels);
    summary += std::string(kCrLf) + "  Only Process up to " + std::to_string(c.levels) + " directory levels deep";
  } else {
    scan.levels = kAllLevels;
  }
  if (c.sourceIsFile) scan.levels = 0;
}

// Where the items come from. Files picked in the list are their folder and names (the box then ends in the one
// name or in "Multiple.Files"); a single pick that is no file any more stays the box's path, which the check
// then finds missing. A typed path to a file is that one file: walking its folder would hand every file beside
// it to the operation (a delete of one typed file would delete the whole folder's files). "folder/*.*" is the
// folder's contents.
OperationSource SourceOf(const OperationChoices& c) {
  if (!c.bank.empty()) return ParseBankEntries(c.bank);
  const size_t slash = c.source.rfind('/');
  const std::string folder = c.source.substr(0, slash + 1);
  if (c.selectedFiles.size() > 1 || (c.selectedFiles.size() == 1 && c.sourceIsFile))
    return PickedFiles{folder, c.selectedFiles};
  if (c.sourceIsFile) return PickedFiles{folder, {c.source.substr(slash + 1)}};
  const std::string& box = c.source;
  if (box.size() >= 3 && box.compare(box.size() - 3, 3, "*.*") == 0)
    return SourceFolder{box.substr(0, box.size() - 3), true};
  return SourceFolder{box, false};
}

}  // namespace

PreparedOperation PrepareOperation(OperationChoices& c, Prompter& prompter) {
  PreparedOperation out;
  OperationSettings& s = out.settings;
  std::string& summary = out.summary;
  s.operation = c.operation;
  s.previewOnly = c.previewOnly;
  s.reportPreview = c.reportPreview;
  s.destination = c.destination;
  out.source = SourceOf(c);
  if (!OperationBranch(c, out.source, s, summary, prompter)) return out;
  // Said first, before anything that reads like a change; the operation's line follows on the next line.
  if (c.previewOnly || c.reportPreview)
    summary = kPreviewHeading + (kCrLf + summary.substr(summary.rfind(kCrLf, 0) == 0 ? 2 : 0));

  // The bank as it will run: an entry given twice runs once.
  const std::string sources = c.bank.empty() ? c.source : BankLines(UniqueBankEntries(c.bank));
  if (UsesDestination(c.operation))
    summary += std::string(kCrLf) + kCrLf + "Source: " + sources + kCrLf + "Destination: " + c.destination + kCrLf;
  else
    summary += std::string(kCrLf) + kCrLf + "Directories: " + (c.bank.empty() ? c.source + kCrLf : sources);
  ReadFilterBoxes(c, prompter);
  Filters(c, s.scan, summary);
  if (c.operation == FileOp::Move || c.operation == FileOp::Delete)
    summary += std::string(kCrLf) + kCrLf +
               "** It is recommended that you have a backup of your system before proceeding with large move/delete "
               "operations." +
               kCrLf;
  out.confirmed = prompter.YesNo(summary + kCrLf + kCrLf + "Proceed?", kConfirmationTitle);
  return out;
}

}  // namespace dv
