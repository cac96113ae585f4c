// The file operation's choices turned into engine settings, questions and the confirmation summary.
#include <gtest/gtest.h>

#include <functional>

#include "fileops_engine/operation_setup.h"
#include "support/scripted_prompter.h"

namespace dv {
namespace {

using test::ScriptedPrompter;

const CopyLayout& Layout(const OperationSettings& s) { return std::get<CopyLayout>(s.details); }

OperationChoices Base(FileOp op) {
  OperationChoices c;
  c.operation = op;
  c.source = "/data/src";
  c.destination = "/data/dst";
  return c;
}

// One summary per rule, compared whole; the confirmation question is the summary and "Proceed?".
TEST(PrepareOperation, SummaryAndSettingsOfEachOperation) {
  const std::string filtersAll = "\r\nFilters:\r\n  File Name Pattern: ";
  const std::string copyLines = "\r\n\r\nSource: /data/src\r\nDestination: /data/dst\r\n";
  const std::string dirLines = "\r\n\r\nDirectories: /data/src\r\n";
  const std::string backupWarning =
      "\r\n\r\n** It is recommended that you have a backup of your system before proceeding with large move/delete "
      "operations.\r\n";
  struct Case {
    const char* name;
    std::function<void(OperationChoices&)> choose;
    std::string summary;
    std::function<void(const OperationSettings&)> check;
  };
  const Case cases[] = {
      {"copy with structure, quick verification", [](OperationChoices& c) { c.verification = 1; },
       "\r\nOperation: Copy (Do Not Overwrite Existing Files)\r\n\t [Do Not Include Empty Folders]\r\n\t [Quick "
       "Verification]" + copyLines + filtersAll,
       [](const OperationSettings& s) {
         EXPECT_EQ(s.operation, FileOp::Copy);
         EXPECT_EQ(Layout(s).structure, true);
         EXPECT_EQ(Layout(s).overwrite, false);
         EXPECT_EQ(Layout(s).verification, Verification::Quick);
       }},
      {"copy to one folder, overwritten, full comparison",
       [](OperationChoices& c) {
         c.toOneDirectory = true;
         c.numberDuplicates = false;
         c.verification = 2;
       },
       "\r\nOperation: Copy to One Directory (Duplicate Filenames Overwritten)\r\n\t [Full Binary Comparison]" +
           copyLines + filtersAll,
       [](const OperationSettings& s) {
         EXPECT_EQ(Layout(s).overwrite, true);
         EXPECT_EQ(Layout(s).duplicates, Duplicates::Overwritten);
         EXPECT_EQ(Layout(s).verification, Verification::Full);
       }},
      {"move with structure and empty folders",
       [](OperationChoices& c) {
         c.operation = FileOp::Move;
         c.emptyFolders = true;
       },
       "Operation: Move\r\n\t [Include Empty Folders]" + copyLines + filtersAll + backupWarning,
       [](const OperationSettings& s) {
         EXPECT_EQ(s.operation, FileOp::Move);
         EXPECT_EQ(Layout(s).overwrite, true);
         EXPECT_EQ(Layout(s).verification, Verification::None);
       }},
      {"move to one folder, overwritten, overwrites",
       [](OperationChoices& c) {
         c.operation = FileOp::Move;
         c.toOneDirectory = true;
         c.numberDuplicates = false;
       },
       "\r\nOperation: Move to One Directory (Duplicate Filenames Overwritten)" + copyLines + filtersAll +
           backupWarning,
       [](const OperationSettings& s) { EXPECT_EQ(Layout(s).overwrite, true); }},
      {"folder shells",
       [](OperationChoices& c) {
         c.operation = FileOp::EmptyShells;
         c.shellsForFiles = false;
       },
       "\r\nOperation: Make Empty Folders" + copyLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(s.gathering, Gathering::Folders); }},
      {"delete with folders",
       [](OperationChoices& c) {
         c.operation = FileOp::Delete;
         c.deleteEmptyFolders = true;
       },
       "\r\nOperation: Delete (Files & Folders)\r\n  The chosen folder /data/src is removed too once it is empty." +
           dirLines + filtersAll + backupWarning,
       [](const OperationSettings& s) { EXPECT_TRUE(std::get<DeleteChoice>(s.details).emptyFolders); }},
      {"delete to the trash",
       [](OperationChoices& c) {
         c.operation = FileOp::Delete;
         c.toTrash = true;
       },
       "\r\nOperation: Delete (Files Only)\r\n  Move to Trash (can be restored)" + dirLines + filtersAll +
           backupWarning,
       [](const OperationSettings& s) { EXPECT_TRUE(std::get<DeleteChoice>(s.details).toTrash); }},
      {"delete of a folder's contents keeps the folder",
       [](OperationChoices& c) {
         c.operation = FileOp::Delete;
         c.deleteEmptyFolders = true;
         c.source = "/data/src/*.*";
       },
       "\r\nOperation: Delete (Files & Folders)\r\n\r\nDirectories: /data/src/*.*\r\n" + filtersAll + backupWarning,
       [](const OperationSettings&) {}},
      {"preview of a move says so first, with the filter as typed",
       [](OperationChoices& c) {
         c.operation = FileOp::Move;
         c.previewOnly = true;
         c.filePattern = " *.heic ";
       },
       "Preview only: nothing will be changed\r\nOperation: Move\r\n\t [Do Not Include Empty Folders]" + copyLines +
           filtersAll + "*.heic (Wildcards)" + backupWarning,
       [](const OperationSettings& s) {
         EXPECT_TRUE(s.previewOnly);
         EXPECT_EQ(s.scan.filePattern, "*.heic");
       }},
      {"report preview of a copy says so first",
       [](OperationChoices& c) {
         c.reportPreview = true;
         c.wildcards = false;
         c.filePattern = "^a";
       },
       "Preview only: nothing will be changed\r\nOperation: Copy (Do Not Overwrite Existing Files)\r\n\t [Do Not "
       "Include Empty Folders]" + copyLines + filtersAll + "^a (Regular Expression)",
       [](const OperationSettings& s) { EXPECT_FALSE(s.previewOnly); }},
      {"find and replace text: extensions and backup",
       [](OperationChoices& c) {
         c.operation = FileOp::FindReplace;
         c.findText = "a";
         c.replaceText = "b";
         c.textExtensions = ".TXT,.MD";
         c.backup = true;
       },
       "\r\nOperation: Find & Replace Text\r\n  Finding: a\r\n  Replace with: b\r\n  In files ending in: .TXT,.MD\r\n"
       "  A backup of each changed file is kept (_DVBU)" + dirLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_TRUE(std::get<FindReplaceChoice>(s.details).createBackup); }},
      {"open with its macro",
       [](OperationChoices& c) {
         c.operation = FileOp::OpenWithMacro;
         c.pauseBetweenOpens = true;
         c.macro = "{ENTER}";
       },
       "Operation: Open (Pausing between files)\r\n  Macro: {ENTER}" + dirLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(std::get<OpenChoice>(s.details).macro, "{ENTER}"); }},
      {"rename from the end",
       [](OperationChoices& c) {
         c.operation = FileOp::Rename;
         c.renamePattern = "a";
         c.renameReplacement = "b";
       },
       "\r\nOperation: Rename Files\r\n  Search Pattern: a (Regular Expression)\r\n  Replace with: b" + dirLines +
           filtersAll,
       [](const OperationSettings& s) {
         EXPECT_EQ(std::get<RenameChoice>(s.details).startReplacingAt, kEveryMatch);
         EXPECT_EQ(std::get<RenameChoice>(s.details).patternMatching, 2);
       }},
      {"rename by wildcards, whatever the filters use",
       [](OperationChoices& c) {
         c.operation = FileOp::Rename;
         c.renamePattern = "*.JPG";
         c.renameReplacement = "b";
         c.renameWildcards = true;
       },
       "\r\nOperation: Rename Files\r\n  Search Pattern: *.JPG (Wildcards)\r\n  Replace with: b" + dirLines +
           filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(std::get<RenameChoice>(s.details).patternMatching, 1); }},
      {"attributes: checked adds, unchecked removes, grayed leaves alone",
       [](OperationChoices& c) {
         c.operation = FileOp::Attributes;
         c.attributes = {AttributeBox::Checked, AttributeBox::Unchecked, AttributeBox::Grayed, AttributeBox::Checked};
       },
       "\r\nOperation: Change Attributes ->  +A -R +H" + dirLines + filtersAll,
       [](const OperationSettings& s) {
         EXPECT_EQ(std::get<AttributeChoice>(s.details).add, 34);
         EXPECT_EQ(std::get<AttributeChoice>(s.details).remove, 1);
       }},
      {"modified date",
       [](OperationChoices& c) {
         c.operation = FileOp::ModifiedDate;
         c.newDate = LocalTime{2024, 2, 29};
         c.newDateText = "2024-02-29";
       },
       "Operation: Change Modified Date to 2024-02-29" + dirLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(s.operation, FileOp::ModifiedDate); }},
      {"created date: the summary says Linux cannot set it",
       [](OperationChoices& c) {
         c.operation = FileOp::CreatedDate;
         c.newDate = LocalTime{2024, 2, 29};
         c.newDateText = "2024-02-29";
       },
       "Operation: Change Created Date to 2024-02-29\r\n  ** The created date cannot be changed on Linux: every file "
       "will fail with an error." + dirLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(s.operation, FileOp::CreatedDate); }},
      {"run one at a time waits the seconds given",
       [](OperationChoices& c) {
         c.operation = FileOp::RunProcess;
         c.runCommand = "wc -c <<FileName>>";
         c.runMode = 1;
         c.waitSeconds = 5;
       },
       "Operation: Run Process On File\r\n  Command: wc -c <<FileName>>" + dirLines + filtersAll,
       [](const OperationSettings& s) { EXPECT_EQ(std::get<RunProcChoice>(s.details).waitMilliseconds, 5000); }},
      {"compare with the filters in force",
       [](OperationChoices& c) {
         c.operation = FileOp::Compare;
         c.sizeOperator = "<=";
         c.sizeText = "10";
         c.sizeUnit = "KB";
         c.extensions = "*.txt";
         c.includeExtensions = false;
         c.dateType = "Date Modified";
         c.dateOperator = ">=";
         c.filterDate = LocalTime{2025, 1, 2};
         c.filterDateText = "01-02-2025";
         c.showHidden = false;
         c.levelsOnly = true;
         c.levels = 2;
       },
       "Operation: Compare Files" + copyLines + filtersAll +
           "\r\n  Size is <= 10 KB\r\n  Exclude extensions: *.txt\r\n  Modified Date: >= 01-02-2025\r\n  Hide System "
           "& Hidden Files\r\n  Only Process up to 2 directory levels deep",
       [](const OperationSettings& s) {
         EXPECT_EQ(s.scan.sizeUnit, SizeUnit::KB);
         EXPECT_EQ(s.scan.fileSize->value, 10);
         EXPECT_EQ(s.scan.fileSize->op, CompareOp::LessOrEqual);
         EXPECT_EQ(s.scan.extensions->kind, 2);
         EXPECT_EQ(s.scan.date->type, DateType::Modified);
         EXPECT_EQ(s.scan.levels, 2);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OperationChoices choices = Base(FileOp::Copy);
    c.choose(choices);
    ScriptedPrompter prompter;
    prompter.QueueAnswerFor(kConfirmationTitle, Answer::Yes);
    const PreparedOperation prepared = PrepareOperation(choices, prompter);
    EXPECT_TRUE(prepared.confirmed);
    EXPECT_EQ(prepared.summary, c.summary);
    ASSERT_EQ(prompter.Log().size(), 1u);
    EXPECT_EQ(prompter.Log()[0].text, c.summary + "\r\n\r\nProceed?");
    c.check(prepared.settings);
  }
}

TEST(PrepareOperation, SelectionSourceFollowsBankThenPickedFilesThenFolder) {
  ScriptedPrompter prompter;
  prompter.DefaultAnswer(Answer::Yes);
  OperationChoices c = Base(FileOp::Copy);
  for (int i = 1; i <= 20; ++i) c.bank.push_back("/b/" + std::to_string(i));
  // Repeats run once, so the summary lists them once.
  c.bank.insert(c.bank.begin() + 1, {"/b/1", "/b//1"});
  c.selectedFiles = {"x.txt"};
  PreparedOperation p = PrepareOperation(c, prompter);
  EXPECT_EQ(std::get<BankSource>(p.source).entries.size(), 20u);
  EXPECT_EQ(p.settings.gathering, Gathering::FilesAndFolders);
  EXPECT_NE(p.summary.find("\r\nSource: \r\n/b/1\r\n"), std::string::npos);
  EXPECT_NE(p.summary.find("\r\n/b/16\r\n{4} more entries ...\r\n\r\nDestination: "), std::string::npos);
  EXPECT_EQ(p.summary.find("/b/17"), std::string::npos);

  c.bank.clear();
  c.source = "/data/src/x.txt";
  c.sourceIsFile = true;
  p = PrepareOperation(c, prompter);
  EXPECT_EQ(std::get<PickedFiles>(p.source).folder, "/data/src/");
  EXPECT_EQ(std::get<PickedFiles>(p.source).names, std::vector<std::string>{"x.txt"});
  EXPECT_EQ(p.settings.scan.levels, 0);
  // Typed rather than picked: still that one file, never the files beside it.
  c.selectedFiles.clear();
  c.source = "/data/src/y.txt";
  p = PrepareOperation(c, prompter);
  EXPECT_EQ(std::get<PickedFiles>(p.source).folder, "/data/src/");
  EXPECT_EQ(std::get<PickedFiles>(p.source).names, std::vector<std::string>{"y.txt"});

  // A folder's contents as the box writes them.
  c = Base(FileOp::Copy);
  c.source = "/data/src/*.*";
  const auto contents = std::get<SourceFolder>(PrepareOperation(c, prompter).source);
  EXPECT_TRUE(contents.path == "/data/src/" && contents.contentsOnly);
}

// The checks that refuse an operation, and what they change in the choices.
TEST(PrepareOperation, BinaryReplacementCodesAndOtherRefusals) {
  const std::string code = "Binary Replacement Operation Confirmation", hidden = "Dorvane",
                    confirm = kConfirmationTitle;
  struct Case {
    const char* find;
    const char* replace;
    std::optional<std::string> answer;
    std::vector<std::string> titles;  // every box, in order
    bool binaryAfter;
  };
  const Case cases[] = {
      {"abc", "xyz", "Scramble My Data", {code, hidden, confirm}, true},
      {"abcd", "wxyz", "Scramble My Data", {code, "Incorrect Code Supplied"}, true},
      {"abcd", "wxyz", "Risky Run", {code, hidden, confirm}, true},
      {"abcd", "wxy", "Risky Run", {code, hidden, "Unequal Strings Detected"}, false},
      {"abcd", "wxyz", std::nullopt, {code, "Incorrect Code Supplied"}, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.find) + "/" + k.replace);
    ScriptedPrompter prompter;
    prompter.DefaultAnswer(Answer::Yes);
    if (k.answer) prompter.QueueInput(*k.answer);
    else prompter.QueueAnswerFor(code, Answer::Cancel);
    OperationChoices c = Base(FileOp::FindReplace);
    c.findText = k.find;
    c.replaceText = k.replace;
    c.binary = true;
    const PreparedOperation p = PrepareOperation(c, prompter);
    std::vector<std::string> titles;
    for (const auto& asked : prompter.Log()) titles.push_back(asked.title);
    EXPECT_EQ(titles, k.titles);
    EXPECT_NE(prompter.Log()[0].text.find(std::string(k.find).size() < 4 ? "less than 4" : "can be very"),
              std::string::npos);
    EXPECT_EQ(p.confirmed, k.titles.back() == confirm);
    EXPECT_EQ(c.binary, k.binaryAfter);
    if (p.confirmed) {
      EXPECT_TRUE(c.backup);
      EXPECT_FALSE(c.showHidden);
      EXPECT_EQ(std::get<FindReplaceChoice>(p.settings.details).fileTypes, 1);
    }
  }

  // Refusals before the confirmation: an empty find text says nothing; a date that is none, a command without
  // the file name say why. An unreadable filter date only turns the filter off.
  const std::pair<std::function<void(OperationChoices&)>, std::string> refusals[] = {
      {[](OperationChoices& c) { c.operation = FileOp::FindReplace; }, ""},
      {[](OperationChoices& c) { c.operation = FileOp::ModifiedDate; }, "Dorvane"},
      {[](OperationChoices& c) {
         c.operation = FileOp::RunProcess;
         c.runCommand = "ls";
       },
       "<<filename>> variable missing from process string"},
  };
  for (const auto& [choose, title] : refusals) {
    ScriptedPrompter prompter;
    prompter.DefaultAnswer(Answer::Yes);
    OperationChoices c = Base(FileOp::Copy);
    choose(c);
    EXPECT_FALSE(PrepareOperation(c, prompter).confirmed);
    EXPECT_EQ(prompter.Count(), title.empty() ? 0 : 1);
    if (!title.empty()) EXPECT_EQ(prompter.Log()[0].title, title);
  }
  ScriptedPrompter prompter;
  prompter.DefaultAnswer(Answer::Yes);
  OperationChoices c = Base(FileOp::Copy);
  c.dateType = "Date Created";
  c.dateOperator = "=";
  c.filterDateText = "31-31-2020";
  const PreparedOperation p = PrepareOperation(c, prompter);
  EXPECT_TRUE(p.confirmed);
  EXPECT_EQ(prompter.CountTitled("Invalid Date Entered."), 1);
  EXPECT_FALSE(p.settings.scan.date->on);
}

}  // namespace
}  // namespace dv
