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
#include "fileops_engine/cls_file_ops.h"
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

// Copy and move share the verification choice: the engine's value is the choice plus one.
void Verification(const OperationChoices& c, OperationSettings& s, std::string& summary) {
  if (c.verification == 0) s.CopyOp_Verification = 1;
  if (c.verification == 1) {
    s.CopyOp_Verification = 2;
    summary += std::string(kCrLf) + "\t [Quick Verification]";
  }
  if (c.verification == 2) {
    s.CopyOp_Verification = 3;
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
std::string ChosenFolderLine(const OperationChoices& c) {
  if (!c.deleteEmptyFolders) return {};
  if (!c.bank.empty()) {
    for (const std::string& entry : c.bank)
      if (!entry.empty() && entry.back() == '/')
        return std::string(kCrLf) + "  Each chosen folder of the bank is removed too once it is empty.";
    return {};
  }
  // Picked files and "folder/*.*" leave the folder where it is.
  const bool contentsOnly = c.source.size() >= 3 && c.source.compare(c.source.size() - 3, 3, "*.*") == 0;
  if (c.source.empty() || c.sourceIsFile || !c.selectedFiles.empty() || contentsOnly ||
      c.source.find("Multiple.Files") != std::string::npos)
    return {};
  std::string folder;
  try {
    folder = GetAbsolutePathName(c.source);
  } catch (const Error&) {
    folder = c.source;
  }
  if (folder == "/") return {};  // the root folder is never deleted
  return std::string(kCrLf) + "  The chosen folder " + ControlsShown(folder) + " is removed too once it is empty.";
}

// The find and replace checks; false refuses the operation.
bool FindAndReplace(OperationChoices& c, OperationSettings& s, std::string& summary, Prompter& prompter) {
  if (c.findText.empty()) return false;
  if (!c.binary) {
    s.FindAndReplaceSettings = {c.findText, c.replaceText, c.backup, 0, c.textExtensions};
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
  s.FindAndReplaceSettings = {c.findText, c.replaceText, c.backup, 1, c.textExtensions};
  summary += std::string(kCrLf) + "Operation: Binary Find & Replace" + kCrLf + "  Find String:\t" + c.findText +
             kCrLf + "  Replace With:\t" + c.replaceText + BackupLine(c.backup);
  return true;
}

// The operation's own settings and summary; false refuses the operation.
bool OperationBranch(OperationChoices& c, OperationSettings& s, std::string& summary, Prompter& prompter) {
  switch (c.operation) {
    case OperationChoice::Copy:
      s.FileOperation = fileop::Copy;
      if (!c.toOneDirectory) {
        s.CopyOp_CopyDirectoryStructure = true;
        s.CopyOp_NumberDuplicates = false;
        s.OverwriteFiles = c.overwrite;
        s.CopyOp_CopyEmptyDirs = c.emptyFolders;
        summary += std::string(kCrLf) + (c.overwrite ? "Operation: Copy (Overwrite Existing Files)"
                                                      : "Operation: Copy (Do Not Overwrite Existing Files)");
        summary += EmptyFoldersLine(c.emptyFolders);
      } else {
        s.CopyOp_CopyDirectoryStructure = false;
        s.CopyOp_NumberDuplicates = c.numberDuplicates;
        if (!c.numberDuplicates) s.OverwriteFiles = true;
        summary += DuplicatesLine("Copy", c.numberDuplicates);
      }
      Verification(c, s, summary);
      return true;
    case OperationChoice::EmptyShells:
      s.FileOperation = fileop::EmptyShells;
      s.Process_Files_Folders_Both = c.shellsForFiles ? 0 : 2;
      summary += std::string(kCrLf) +
                 (c.shellsForFiles ? "Operation: Make Empty Shells (Files & Folders)"
                                   : "Operation: Make Empty Folders");
      return true;
    case OperationChoice::Delete:
      s.FileOperation = fileop::Delete;
      summary += std::string(kCrLf) +
                 (c.deleteEmptyFolders ? "Operation: Delete (Files & Folders)" : "Operation: Delete (Files Only)") +
                 ChosenFolderLine(c);
      return true;
    case OperationChoice::FindAndReplace:
      s.FileOperation = fileop::FindReplace;
      return FindAndReplace(c, s, summary, prompter);
    case OperationChoice::Rename:
      s.FileOperation = fileop::Rename;
      s.RenameSettings = {c.renamePattern, c.renameReplacement, c.renameWildcards ? 1L : 2L,
                          static_cast<int16_t>(c.renameStart > 0 && c.renameStart <= 32767 ? c.renameStart : 32000)};
      summary += std::string(kCrLf) + "Operation: Rename Files" + kCrLf + "  Search Pattern: " + c.renamePattern +
                 (c.renameWildcards ? " (Wildcards)" : " (Regular Expression)") + kCrLf +
                 "  Replace with: " + c.renameReplacement;
      return true;
    case OperationChoice::Attributes: {
      s.FileOperation = fileop::Attributes;
      static constexpr struct {
        long bit;
        char letter;
      } kBoxes[] = {{32, 'A'}, {1, 'R'}, {4, 'S'}, {2, 'H'}};
      long add = 0, remove = 0;
      summary += std::string(kCrLf) + "Operation: Change Attributes -> ";
      for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        if (c.attributes[i] == AttributeBox::Checked) {
          add |= kBoxes[i].bit;
          summary += std::string(" +") + kBoxes[i].letter;
        } else if (c.attributes[i] == AttributeBox::Unchecked) {
          remove |= kBoxes[i].bit;
          summary += std::string(" -") + kBoxes[i].letter;
        }
      }
      s.AddAttributeSettings = add;
      s.RemoveAttributeSettings = remove;
      return true;
    }
    case OperationChoice::Move:
      s.FileOperation = fileop::Move;
      if (!c.toOneDirectory) {
        s.CopyOp_CopyDirectoryStructure = true;
        s.OverwriteFiles = true;
        s.CopyOp_CopyEmptyDirs = c.emptyFolders;
        summary += "Operation: Move" + EmptyFoldersLine(c.emptyFolders);
      } else {
        s.CopyOp_CopyDirectoryStructure = false;
        s.CopyOp_NumberDuplicates = c.numberDuplicates;
        // "Overwritten" has to overwrite, as it does for copy.
        if (!c.numberDuplicates) s.OverwriteFiles = true;
        summary += DuplicatesLine("Move", c.numberDuplicates);
      }
      Verification(c, s, summary);
      return true;
    case OperationChoice::Open:
      s.FileOperation = fileop::OpenWithMacro;
      s.PauseBetweenOpeningFiles = c.pauseBetweenOpens;
      s.OpenMacroString = c.macro;
      // Refused before the run: a macro the run would stop at, file after file.
      if (const std::string fault = MacroFault(c.macro); !fault.empty()) {
        prompter.Message("The macro cannot be run: " + fault, kAppTitle);
        return false;
      }
      summary += c.pauseBetweenOpens ? "Operation: Open (Pausing between files)"
                                     : "Operation: Open (No Pausing between files - Not Recommended)";
      summary += std::string(kCrLf) + "  Macro: " + c.macro;
      return true;
    case OperationChoice::ChangeDate: {
      if (!c.newDate) {
        prompter.Message(std::string("The date entered is not a valid date.") + kCrLf + kCrLf +
                             "Please enter a date in the MM/DD/YYYY date format.",
                         kAppTitle);
        return false;
      }
      static constexpr struct {
        long code;
        const char* words;
      } kDates[] = {{fileop::CreatedDate, "Created"},
                    {fileop::ModifiedDate, "Modified"},
                    {fileop::AccessedDate, "Last Accessed"}};
      const int which = c.dateToChange >= 0 && c.dateToChange <= 2 ? c.dateToChange : 1;
      s.FileOperation = kDates[which].code;
      s.FileDateChangeSettings = {*c.newDate, which};
      summary += std::string("Operation: Change ") + kDates[which].words + " Date to " + c.newDateText;
      // Said before the run, not discovered file by file: Linux keeps a file's birth time out of reach.
      if (which == 0) summary += std::string(kCrLf) + kCreatedDateNote;
      return true;
    }
    case OperationChoice::RunProcess: {
      s.FileOperation = fileop::RunProcess;
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
        s.RunProcOnFilePauseSetting = {1, c.waitSeconds > 0 ? Round(c.waitSeconds * 1000) : 30000,
                                       c.continuePastWait};
      else
        s.RunProcOnFilePauseSetting = {c.runMode == 0 ? 0L : 2L, 30000, false};
      s.RunProcOnFile = c.runCommand;
      summary += std::string("Operation: Run Process On File") + kCrLf + "  Command: " + c.runCommand;
      return true;
    }
    case OperationChoice::Compare:
      s.FileOperation = fileop::Compare;
      s.CompareOptions = {c.compareFull, c.showMatching, c.showDiffering, c.showMissing, Round(c.bytesToCompare)};
      summary += "Operation: Compare Files";
      return true;
  }
  return false;
}

// The filters, on the engine's scanning object, with their summary lines.
void Filters(const OperationChoices& c, ScanChoices& scan, std::string& summary, Prompter& prompter) {
  summary += std::string(kCrLf) + "Filters:";
  const PatternKind kind = c.wildcards ? PatternKind::Wildcards : PatternKind::RegularExpression;
  scan.patternKind = kind;
  const std::string pattern = TrimBlanks(c.filePattern);
  scan.filePattern = pattern;
  // The pattern as the user typed it: the converted expression would be news to someone who typed "*.heic".
  summary += std::string(kCrLf) + "  File Name Pattern: " + pattern;
  if (!pattern.empty()) summary += c.wildcards ? " (Wildcards)" : " (Regular Expression)";

  static constexpr const char* kUnits[] = {"Bytes", "KB", "MB"};
  long unit = -1;
  for (long u = 0; u < 3; ++u)
    if (c.sizeUnit == kUnits[u]) unit = u;
  if (!c.sizeOperator.empty() && !c.sizeText.empty() && unit >= 0) {
    scan.sizeUnit = static_cast<SizeUnit>(unit);
    scan.fileSize = ScanChoices::SizeLimit{true, Round(LeadingNumber(c.sizeText)),
                                           static_cast<CompareOp>(GetOperatorCode(c.sizeOperator)),
                                           static_cast<SizeUnit>(unit)};
    summary += std::string(kCrLf) + "  Size is " + c.sizeOperator + " " + c.sizeText + " " + kUnits[unit];
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

  static constexpr struct {
    const char* type;
    const char* words;
  } kDateTypes[] = {{"Date Created", "  Created Date: "},
                    {"Date Modified", "  Modified Date: "},
                    {"Date Last Accessed", "  Last Access Date: "}};
  const ScanChoices::DateLimit off{false, LocalTime{2000, 1, 1}, CompareOp::Equal, DateType::Created};
  scan.date = off;
  if (!c.dateType.empty() && !c.dateOperator.empty() && !c.filterDateText.empty()) {
    if (!c.filterDate) {
      prompter.Message("Invalid Date.  Date Restriction will be turned off", "Invalid Date Entered.");
    } else {
      for (long t = 0; t < 3; ++t) {
        if (c.dateType != kDateTypes[t].type) continue;
        scan.date = ScanChoices::DateLimit{true, *c.filterDate,
                                           static_cast<CompareOp>(GetOperatorCode(c.dateOperator)),
                                           static_cast<DateType>(t)};
        summary += std::string(kCrLf) + kDateTypes[t].words + c.dateOperator + " " + c.filterDateText;
      }
    }
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

}  // namespace

PreparedOperation PrepareOperation(OperationChoices& c, Prompter& prompter) {
  PreparedOperation out;
  OperationSettings& s = out.settings;
  std::string& summary = out.summary;
  s.PreviewOnly = c.previewOnly;
  const bool picked = !c.bank.empty() || c.source.find("Multiple.Files") != std::string::npos || c.sourceIsFile;
  s.SourceDirectory = picked ? c.source.substr(0, c.source.rfind('/') + 1) : c.source;
  s.DestinationDirectory = c.destination;
  if (!c.bank.empty()) {
    s.Individual_File_Selection = true;
    s.Process_Files_Folders_Both = 0;
  } else if (!c.selectedFiles.empty()) {
    s.Individual_File_Selection = true;
    s.Process_Files_Folders_Both = 1;
    s.MultipleFiles = c.selectedFiles;
  } else {
    s.Individual_File_Selection = false;
    s.Process_Files_Folders_Both = 0;
  }
  if (!OperationBranch(c, s, summary, prompter)) return out;
  // Said first, before anything that reads like a change; the operation's line follows on the next line.
  if (c.previewOnly || c.reportPreview)
    summary = kPreviewHeading + (kCrLf + summary.substr(summary.rfind(kCrLf, 0) == 0 ? 2 : 0));
  s.DeleteSettings = c.deleteEmptyFolders ? 1 : 0;

  const long op = s.FileOperation;
  // The bank as it will run: an entry given twice runs once.
  const std::string sources = c.bank.empty() ? c.source : BankLines(UniqueBankEntries(c.bank));
  if (op == fileop::Compare || op == fileop::EmptyShells || op == fileop::Move || op == fileop::Copy)
    summary += std::string(kCrLf) + kCrLf + "Source: " + sources + kCrLf + "Destination: " + c.destination + kCrLf;
  else
    summary += std::string(kCrLf) + kCrLf + "Directories: " + (c.bank.empty() ? c.source + kCrLf : sources);
  Filters(c, s.scan, summary, prompter);
  if (op == fileop::Move || op == fileop::Delete)
    summary += std::string(kCrLf) + kCrLf +
               "** It is recommended that you have a backup of your system before proceeding with large move/delete "
               "operations." +
               kCrLf;
  out.confirmed = prompter.YesNo(summary + kCrLf + kCrLf + "Proceed?", kConfirmationTitle);
  return out;
}

void ApplyOperationSettings(const OperationSettings& s, clsFileOps& e) {
  e.PreviewOnly(s.PreviewOnly);
  e.SourceDirectory(s.SourceDirectory);
  e.DestinationDirectory(s.DestinationDirectory);
  e.Individual_File_Selection(s.Individual_File_Selection);
  e.Process_Files_Folders_Both(s.Process_Files_Folders_Both);
  if (s.MultipleFiles) e.LoadMultipleFileArray(*s.MultipleFiles);
  e.FileOperation(s.FileOperation);
  if (s.CopyOp_CopyDirectoryStructure) e.CopyOp_CopyDirectoryStructure(*s.CopyOp_CopyDirectoryStructure);
  if (s.CopyOp_NumberDuplicates) e.CopyOp_NumberDuplicates(*s.CopyOp_NumberDuplicates);
  if (s.OverwriteFiles) e.OverwriteFiles(*s.OverwriteFiles);
  if (s.CopyOp_CopyEmptyDirs) e.CopyOp_CopyEmptyDirs(*s.CopyOp_CopyEmptyDirs);
  if (s.CopyOp_Verification) e.CopyOp_Verification(*s.CopyOp_Verification);
  if (const auto& f = s.FindAndReplaceSettings)
    e.FindAndReplaceSettings(f->find, f->replace, f->backup, f->fileTypes, f->extensions);
  if (const auto& r = s.RenameSettings) e.RenameSettings(r->pattern, r->replacement, r->patternMatching, r->startAt);
  if (s.AddAttributeSettings) e.AddAttributeSettings(*s.AddAttributeSettings);
  if (s.RemoveAttributeSettings) e.RemoveAttributeSettings(*s.RemoveAttributeSettings);
  if (s.PauseBetweenOpeningFiles) e.PauseBetweenOpeningFiles(*s.PauseBetweenOpeningFiles);
  if (s.OpenMacroString) e.OpenMacroString(*s.OpenMacroString);
  if (const auto& d = s.FileDateChangeSettings) e.FileDateChangeSettings(d->date, d->which);
  if (const auto& r = s.RunProcOnFilePauseSetting)
    e.RunProcOnFilePauseSetting(r->pause, r->waitMs, r->continueOnTimeOut);
  if (s.RunProcOnFile) e.RunProcOnFile(*s.RunProcOnFile);
  if (const auto& c = s.CompareOptions) e.SetCompareOptions(c->full, c->matching, c->differing, c->missing, c->bytes);
  e.DeleteSettings(s.DeleteSettings);
  ApplyScanChoices(s.scan, e.scFileOperations());
}

}  // namespace dv
