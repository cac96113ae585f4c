#include "cli/report_options.h"

#include <gtest/gtest.h>

#include "scan/cls_dir_processing.h"
#include "support/scripted_prompter.h"

namespace dv {
namespace {

using Args = std::vector<std::string>;

std::string UsageMessage(const Args& args) {
  try {
    ParseReportOptions(args);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(ReportOptionsTest, DefaultsAreTheWindowsDefaults) {
  ReportOptions o = ParseReportOptions({"/some/folder"});
  EXPECT_EQ(o.view, 0);
  EXPECT_EQ(o.columns, (std::vector<long>{1, 3}));
  EXPECT_EQ(o.levels, 32000);
  EXPECT_EQ(o.sizeUnit, 1);
  EXPECT_EQ(o.directorySummary, 1);
  EXPECT_TRUE(o.showHidden);
  EXPECT_EQ(o.patternOption, 1);
  EXPECT_EQ(o.folder, "/some/folder");
}

TEST(ReportOptionsTest, EveryOptionMapsOntoItsSetting) {
  ReportOptions o = ParseReportOptions(
      {"--VIEW", "Dos", "--columns", "Modified, size,COUNT", "--levels=3", "--size-unit", "MB", "--dirs-only",
       "--exclude-empty", "--full-path", "--file-counts", "--no-folder-details", "--no-hidden", "--regex",
       "--file-pattern", " a.* ", "--folder-pattern", "b", "--extensions", "*.txt", "--exclude-extensions",
       "--file-size", ">= 10 KB", "--folder-size", "<2047mb", "--date", "Accessed <= 2024-02-29", "--output", "o.txt",
       "dir"});
  EXPECT_EQ(o.view, 1);
  EXPECT_EQ(o.columns, (std::vector<long>{5, 1, 7}));
  EXPECT_EQ(o.levels, 3);
  EXPECT_EQ(o.sizeUnit, 2);
  EXPECT_TRUE(o.dirsOnly && o.excludeEmpty && o.fullPath && o.fileCounts && o.excludeExtensions);
  EXPECT_EQ(o.directorySummary, 0);
  EXPECT_FALSE(o.showHidden);
  EXPECT_EQ(o.patternOption, 2);
  ASSERT_TRUE(o.fileSize && o.folderSize && o.date);
  EXPECT_EQ(o.fileSize->op, 3);
  EXPECT_EQ(o.fileSize->value, 10);
  EXPECT_EQ(o.fileSize->unit, 1);
  EXPECT_EQ(o.folderSize->op, 1);
  EXPECT_EQ(o.folderSize->unit, 2);
  EXPECT_EQ(o.date->type, 2);
  EXPECT_EQ(o.date->op, 4);
  EXPECT_EQ(o.date->day.day, 29);
  EXPECT_EQ(o.output, "o.txt");

  test::ScriptedPrompter prompter;
  clsDirProcessing engine(prompter);
  ApplyReportOptions(o, engine);
  EXPECT_EQ(engine.ShowType(), 1);
  EXPECT_EQ(engine.DirLevelsDeep(), 3);
  EXPECT_EQ(engine.RegExFilePattern(), "a.*");  // trimmed; a regular expression stays as it is
  EXPECT_TRUE(engine.IsExtensionRestrictionOn());
  EXPECT_EQ(engine.Settings().extensions.RestrictType(), 2);
  EXPECT_TRUE(engine.IsSizeRestrictionOn());
  EXPECT_TRUE(engine.IsDateRestrictionOn());
  EXPECT_EQ(engine.StartingDirectory(), "dir");
}

TEST(ReportOptionsTest, BadValuesNameTheirOption) {
  EXPECT_NE(UsageMessage({"--view", "tree", "d"}).find("--view"), std::string::npos);
  EXPECT_NE(UsageMessage({"--columns", "size,none", "d"}).find("stands alone"), std::string::npos);
  EXPECT_NE(UsageMessage({"--columns", "sise", "d"}).find("--columns"), std::string::npos);
  EXPECT_NE(UsageMessage({"--levels", "32768", "d"}).find("--levels"), std::string::npos);
  EXPECT_NE(UsageMessage({"--levels", "-1", "d"}).find("--levels"), std::string::npos);
  EXPECT_NE(UsageMessage({"--file-size", "2048 MB", "d"}).find("--file-size"), std::string::npos);
  EXPECT_NE(UsageMessage({"--file-size", "> 2048 MB", "d"}).find("2,047 MB"), std::string::npos);
  EXPECT_NE(UsageMessage({"--folder-size", "> 2096129 KB", "d"}).find("--folder-size"), std::string::npos);
  EXPECT_NE(UsageMessage({"--file-size", "> 10 GB", "d"}).find("unit"), std::string::npos);
  EXPECT_NE(UsageMessage({"--date", "modified > 2023-02-29", "d"}).find("not a date"), std::string::npos);
  EXPECT_NE(UsageMessage({"--date", "changed > 2023-02-01", "d"}).find("--date type"), std::string::npos);
  EXPECT_NE(UsageMessage({"--dirs-only=yes", "d"}).find("takes no value"), std::string::npos);
  EXPECT_NE(UsageMessage({"--view"}).find("needs a value"), std::string::npos);
  EXPECT_NE(UsageMessage({"--frobnicate", "d"}).find("unknown option"), std::string::npos);
  EXPECT_NE(UsageMessage({}).find("FOLDER"), std::string::npos);
  EXPECT_NE(UsageMessage({"a", "b"}).find("only one FOLDER"), std::string::npos);
  EXPECT_EQ(UsageMessage({"--file-size", "= 2146435072 Bytes", "d"}), "(accepted)");
  EXPECT_EQ(UsageMessage({"--levels", "ALL", "d"}), "(accepted)");
  EXPECT_EQ(UsageMessage({"--", "--odd-folder-name"}), "(accepted)");
}

}  // namespace
}  // namespace dv
