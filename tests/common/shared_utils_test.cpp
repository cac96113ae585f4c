#include "common/shared_utils.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/temp_folder.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/map_settings.h"

namespace dv {
namespace {

using MapSettings = test::MapSettings;

class SharedUtilitiesTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::IsolatedEnvironment env{tree};
  test::ScriptedPrompter prompter;
  MapSettings settings;
  SessionErrorLog log{PrivateTempFolder() + "/DVcurerr.txt"};
  ErrorHandler errors{prompter, log, nullptr};
  SharedUtilities utils{prompter, settings, errors};
};

TEST(OperatorCode, MapsTheFiveOperatorsAndAnythingElseToZero) {
  EXPECT_EQ(GetOperatorCode(">"), 0);
  EXPECT_EQ(GetOperatorCode("<"), 1);
  EXPECT_EQ(GetOperatorCode("="), 2);
  EXPECT_EQ(GetOperatorCode(">="), 3);
  EXPECT_EQ(GetOperatorCode("<="), 4);
  EXPECT_EQ(GetOperatorCode("=>"), 0);
  EXPECT_EQ(GetOperatorCode(""), 0);
}

TEST(LeadingNumberTest, ReadsTheNumericStartOfTheText) {
  EXPECT_EQ(LeadingNumber("2047"), 2047);
  EXPECT_EQ(LeadingNumber(" 12abc"), 12);
  EXPECT_EQ(LeadingNumber("-1"), -1);
  EXPECT_EQ(LeadingNumber("1.5MB"), 1.5);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("-"), 0);
}

TEST_F(SharedUtilitiesTest, SizeRestrictionLimitsPerUnit) {
  EXPECT_TRUE(utils.ValidSizeRestriction("2047", "MB"));
  EXPECT_TRUE(utils.ValidSizeRestriction("0", "mb"));
  EXPECT_TRUE(utils.ValidSizeRestriction("2096128", "KB"));
  EXPECT_TRUE(utils.ValidSizeRestriction("2146435072", "Bytes"));
  EXPECT_TRUE(utils.ValidSizeRestriction("99999999999", "GB"));  // unknown unit: not checked
  EXPECT_TRUE(prompter.Log().empty());

  EXPECT_FALSE(utils.ValidSizeRestriction("2048", "MB"));
  ASSERT_EQ(prompter.Log().size(), 1u);
  EXPECT_EQ(prompter.Log()[0].title, "2 GB Limit for File/Folder Restrictions");
  EXPECT_EQ(prompter.Log()[0].text,
            "2 GB Size Limitation for File/Folder Size Restrictions:\r\n\r\n0 - 2,047 MB\r\n0 - 2,096,128 KB\r\n"
            "0 - 2,146,435,072 Bytes");
  EXPECT_FALSE(utils.ValidSizeRestriction("-1", "Bytes"));
  EXPECT_FALSE(utils.ValidSizeRestriction("2096129", "KB"));
  EXPECT_FALSE(utils.ValidSizeRestriction("2146435073", "BYTES"));
  EXPECT_EQ(prompter.Log().size(), 4u);
}

TEST_F(SharedUtilitiesTest, SavePathNeedsAnExistingFolderAndAPlainName) {
  tree.Dir("out dir");
  EXPECT_TRUE(utils.ValidSavePath(tree / "out dir/report.txt"));
  EXPECT_TRUE(utils.ValidSavePath(tree / "out dir/\xff name.htm"));
  EXPECT_FALSE(utils.ValidSavePath(tree / "out dir/"));  // ends with the separator
  EXPECT_FALSE(utils.ValidSavePath("report.txt"));       // no folder at all
  EXPECT_FALSE(utils.ValidSavePath(""));
  EXPECT_FALSE(utils.ValidSavePath(tree / "missing/report.txt"));
  for (const char* bad : {"a?.txt", "a*.txt", "a:b", "a\"b", "a<b", "a>b", "a|b", "a\\b"})
    EXPECT_FALSE(utils.ValidSavePath(tree / "out dir/" + bad)) << bad;
  EXPECT_TRUE(prompter.Log().empty());
}

TEST_F(SharedUtilitiesTest, DefaultSaveLocationIsOfferedOnceForANewFolder) {
  utils.DefaultDriveRoot = tree.Root() + "/";
  EXPECT_EQ(utils.GetDefaultSaveLocation(), tree.Root() + "/");

  std::string folder = tree.Dir("reports") + "/";
  prompter.QueueAnswer(Answer::Yes);
  utils.OfferDefaultSaveLocation(utils.GetDefaultSaveLocation(), folder + "a.txt");
  ASSERT_EQ(prompter.Log().size(), 1u);
  EXPECT_EQ(prompter.Log()[0].kind, "YesNo");
  EXPECT_EQ(prompter.Log()[0].title, "Change Default Save Location");
  EXPECT_EQ(prompter.Log()[0].text, "Would you like to change Dorvane's default save location to: \r\n\r\n" + folder);
  EXPECT_EQ(utils.GetDefaultSaveLocation(), folder);

  // The second save into the same folder does not ask again.
  utils.OfferDefaultSaveLocation(utils.GetDefaultSaveLocation(), folder + "b.txt");
  EXPECT_EQ(prompter.Log().size(), 1u);

  // No keeps the old default; names that differ only by case are different folders here.
  std::string other = tree.Dir("Reports") + "/";
  utils.OfferDefaultSaveLocation(utils.GetDefaultSaveLocation(), other + "c.txt");
  EXPECT_EQ(prompter.Log().size(), 2u);
  EXPECT_EQ(utils.GetDefaultSaveLocation(), folder);
}

TEST_F(SharedUtilitiesTest, DefaultExtensionIsStoredOnlyWhenItChanges) {
  EXPECT_EQ(utils.GetDefaultExtension(), 3);
  utils.SaveDefaultExtension(3, 3);
  EXPECT_EQ(settings.saves, 0);
  utils.SaveDefaultExtension(3, 1);
  EXPECT_EQ(settings.values["Default Ext"], "1");
  EXPECT_EQ(utils.GetDefaultExtension(), 1);
  settings.values["Default Ext"] = "garbage";
  EXPECT_EQ(utils.GetDefaultExtension(), 3);
  settings.values["Default Ext"] = "70000";
  EXPECT_EQ(utils.GetDefaultExtension(), 3);
}

TEST_F(SharedUtilitiesTest, FirstDriveRootIsTheHomeFolderWithATrailingSlash) {
  EXPECT_EQ(utils.FirstDriveRoot(), env.Home() + "/");
  env.Set("HOME", (tree / "no such home").c_str());
  EXPECT_EQ(utils.FirstDriveRoot(), "/");
}

TEST_F(SharedUtilitiesTest, ConvertPatternGoesThroughTheSharedConversion) {
  EXPECT_EQ(utils.ConvertPattern("*.txt", 1), ".*\\.txt$");
  EXPECT_EQ(utils.ConvertPattern("*abc", 2), ".*abc");
  EXPECT_TRUE(prompter.Log().empty());
}

}  // namespace
}  // namespace dv
