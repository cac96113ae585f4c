#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <memory>

#include "platform/error.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::FailsWith;
using test::InChild;
using test::TempTree;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The forked "nobody" child must be able to reach the files: mkdtemp makes the root private.
    ::chmod(tree.Root().c_str(), 0755);
  }
  std::string UserFile(const std::string& app) { return env.ConfigHome() + "/Brantwick/" + app + ".ini"; }

  TempTree tree;
  test::IsolatedEnvironment env{tree};
};

// --- Where the files are -----------------------------------------------------------------------------------------

TEST_F(SettingsStoreTest, UserConfigHomeFollowsXdgElseHomeConfig) {
  EXPECT_EQ(UserConfigHome(), env.ConfigHome());
  env.Set("XDG_CONFIG_HOME", "relative/config");  // not absolute: ignored as the XDG rules say
  EXPECT_EQ(UserConfigHome(), env.Home() + "/.config");
  env.Set("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(UserConfigHome(), env.Home() + "/.config");
}

TEST_F(SettingsStoreTest, MachineConfigDirsSkipEmptyAndRelativeEntries) {
  env.Set("XDG_CONFIG_DIRS", ":/opt/a::rel/b:/opt/c:");
  EXPECT_EQ(MachineConfigDirs(), (std::vector<std::string>{"/opt/a", "/opt/c"}));
  env.Set("XDG_CONFIG_DIRS", "rel:");
  EXPECT_EQ(MachineConfigDirs(), std::vector<std::string>{"/etc/xdg"});
  env.Set("XDG_CONFIG_DIRS", "");
  EXPECT_EQ(MachineConfigDirs(), std::vector<std::string>{"/etc/xdg"});
  env.Set("XDG_CONFIG_DIRS", nullptr);
  EXPECT_EQ(MachineConfigDirs(), std::vector<std::string>{"/etc/xdg"});
}

TEST_F(SettingsStoreTest, MachineSettingsFileIsTheFirstThatExistsElseInTheFirstFolder) {
  std::string first = tree.Dir("xdg1"), second = tree.Dir("xdg2");
  env.Set("XDG_CONFIG_DIRS", (first + ":" + second).c_str());
  EXPECT_EQ(MachineSettingsFile(), first + "/Brantwick/Dorvane.ini");

  tree.Dir("xdg1/Brantwick/Dorvane.ini");  // a folder of that name is no settings file
  tree.File("xdg2/Brantwick/Dorvane.ini", "[Software]\n");
  EXPECT_EQ(MachineSettingsFile(), second + "/Brantwick/Dorvane.ini");

  env.Set("XDG_CONFIG_DIRS", (tree / "xdg3" + ":" + second).c_str());
  tree.File("xdg3/Brantwick/Dorvane.ini");
  EXPECT_EQ(MachineSettingsFile(), tree / "xdg3/Brantwick/Dorvane.ini");
}

TEST(DefaultApplicationName, IsTheExecutableNameOrTheApplicationsName) {
  if (!QCoreApplication::instance()) EXPECT_EQ(DefaultApplicationName(), "settings_tests");

  int argc = 1;
  char arg0[] = "settings_tests";
  char* argv[] = {arg0, nullptr};
  std::unique_ptr<QCoreApplication> app;
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
  const QString saved = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName("DorvaneRenamed");
  EXPECT_EQ(DefaultApplicationName(), "DorvaneRenamed");
  QCoreApplication::setApplicationName(saved);
}

// --- GetSetting and SaveSetting ----------------------------------------------------------------------------------

TEST_F(SettingsStoreTest, FileIsNamedAfterTheApplicationInConfigHome) {
  IniUserSettings a("Dorvane"), b("dorvane-cli");
  EXPECT_EQ(a.FilePath(), UserFile("Dorvane"));
  a.SaveSetting("Default Ext", "2");
  EXPECT_TRUE(TempTree::Exists(UserFile("Dorvane")));
  EXPECT_EQ(b.GetSetting("Default Ext", "3"), "3") << "applications keep separate settings";
  EXPECT_NE(TempTree::Read(UserFile("Dorvane")).find("[Options]"), std::string::npos);
}

TEST_F(SettingsStoreTest, MissingKeyGivesTheDefaultAndCreatesNothing) {
  IniUserSettings s("Dorvane");
  EXPECT_EQ(s.GetSetting("HTMLfsize", "12"), "12");
  EXPECT_EQ(s.GetSetting("", "dflt"), "dflt");
  EXPECT_FALSE(TempTree::Exists(env.ConfigHome() + "/Brantwick"));
}

TEST_F(SettingsStoreTest, TrickyValuesRoundTripByteForByte) {
  const std::string values[] = {
      "FFFFFF,16777215",
      "a=b",
      "\"quoted\"",
      "'single'",
      "two\nlines\r\nand CR\r",
      "  leading and trailing  ",
      "tab\there",
      "semi;colon #hash",
      "back\\slash\\",
      "@ByteArray(not bytes)",
      "@String(x)",
      "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80",  // umlauts, CJK, a non-BMP character
      "caf\xE9 in Latin-1",                                               // not UTF-8
      "\xFF\xFE\x80",
      std::string("zero\0inside", 11),
      "%20 percent",
      "[Options]",
      "/home/user/My Reports",
  };
  IniUserSettings writer("Dorvane");
  for (size_t i = 0; i < std::size(values); ++i) writer.SaveSetting("Value " + std::to_string(i), values[i]);
  IniUserSettings reader("Dorvane");
  for (size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(reader.GetSetting("Value " + std::to_string(i), "<missing>"), values[i]) << "value " << i;
}

TEST_F(SettingsStoreTest, EmptyValueIsStoredNotMissing) {
  IniUserSettings s("Dorvane");
  s.SaveSetting("ProcessingBank", "");
  EXPECT_EQ(IniUserSettings("Dorvane").GetSetting("ProcessingBank", "dflt"), "");
  s.SaveSetting("ProcessingBank", "bank");
  s.SaveSetting("ProcessingBank", "");
  EXPECT_EQ(s.GetSetting("ProcessingBank", "dflt"), "");
}

TEST_F(SettingsStoreTest, KeyNamesMatchRegardlessOfCaseAndKeepOneEntry) {
  IniUserSettings s("Dorvane");
  s.SaveSetting("Show Tips at Startup", "0");
  EXPECT_EQ(s.GetSetting("SHOW TIPS AT STARTUP", "1"), "0");
  s.SaveSetting("show tips at startup", "1");
  EXPECT_EQ(s.GetSetting("Show Tips at Startup", "x"), "1");

  QSettings raw(QString::fromStdString(s.FilePath()), QSettings::IniFormat);
  EXPECT_EQ(raw.allKeys(), QStringList{"Options/Show Tips at Startup"}) << "the first spelling is kept";
}

TEST_F(SettingsStoreTest, ExactSpellingWinsOverACaseVariant) {
  tree.File("env/config/Brantwick/Dorvane.ini", "[Options]\nhtmlbc=lower\nHTMLbc=exact\n");
  EXPECT_EQ(IniUserSettings("Dorvane").GetSetting("HTMLbc", ""), "exact");
  EXPECT_EQ(IniUserSettings("Dorvane").GetSetting("htmlbc", ""), "lower");
}

TEST_F(SettingsStoreTest, ReadsHandWrittenFiles) {
  tree.File("env/config/Brantwick/Dorvane.ini",
            "; written by hand\n"
            "[options]\n"
            "HTMLbc=FFFFFF,16777215\n"  // unquoted: INI reads this as a list
            "HTMLfc = 000000, 0\n"
            "Default Save Location=/home/user/My Reports\n"
            "Default%20Ext=5\n"
            "HTMLfsize=\"14\"\n"
            "\n[Other]\nHTMLtborder=9\n");
  IniUserSettings s("Dorvane");
  EXPECT_EQ(s.GetSetting("HTMLbc", ""), "FFFFFF,16777215");
  EXPECT_EQ(s.GetSetting("HTMLfc", ""), "000000,0");
  EXPECT_EQ(s.GetSetting("Default Save Location", ""), "/home/user/My Reports");
  EXPECT_EQ(s.GetSetting("Default Ext", ""), "5");
  EXPECT_EQ(s.GetSetting("HTMLfsize", ""), "14");
  EXPECT_EQ(s.GetSetting("HTMLtborder", "0"), "0") << "only section Options counts";

  // Saving into the hand-written section keeps its other values.
  s.SaveSetting("htmlfsize", "16");
  EXPECT_EQ(IniUserSettings("Dorvane").GetSetting("HTMLfsize", ""), "16");
  EXPECT_EQ(IniUserSettings("Dorvane").GetSetting("HTMLbc", ""), "FFFFFF,16777215");
  s.SaveSetting("ProcessingBank", "new");
  QSettings raw(QString::fromStdString(s.FilePath()), QSettings::IniFormat);
  EXPECT_EQ(raw.childGroups(), (QStringList{"Other", "options"})) << "a new key joins the hand-written section";
}

// --- Failures ----------------------------------------------------------------------------------------------------

TEST_F(SettingsStoreTest, EmptyKeyNameIsAnError) {
  IniUserSettings s("Dorvane");
  EXPECT_TRUE(FailsWith([&] { s.SaveSetting("", "x"); }, err::Application));
}

TEST_F(SettingsStoreTest, UnwritableFolderGivesError70AndReadsDefaults) {
  tree.File("env/config/Brantwick", "a file where the folder should be");
  IniUserSettings s("Dorvane");
  EXPECT_TRUE(FailsWith([&] { s.SaveSetting("Default Ext", "2"); }, err::PermissionDenied, "Default Ext"));
  EXPECT_EQ(s.GetSetting("Default Ext", "3"), "3");
}

TEST_F(SettingsStoreTest, ReadOnlyFileIsReadButNotWritten) {
  const std::string text = "[Options]\nDefault%20Ext=2\n";
  std::string file = tree.File("env/config/Brantwick/Dorvane.ini", text);
  ::chmod(file.c_str(), 0444);
  std::string result = InChild(tree.Root(), [] {
    IniUserSettings s("Dorvane");
    std::string out = "read " + s.GetSetting("Default Ext", "3");
    try {
      s.SaveSetting("Default Ext", "5");
      out += ", saved";
    } catch (const Error& e) {
      out += ", error " + std::to_string(e.Number());
    }
    return out;
  }, /*asUser=*/true);
  EXPECT_EQ(result, "read 2, error 70");
  EXPECT_EQ(TempTree::Read(file), text);
}

TEST_F(SettingsStoreTest, WritableFileInAReadOnlyFolderIsSavedInPlace) {
  std::string file = tree.File("env/config/Brantwick/Dorvane.ini", "[Options]\nDefault%20Ext=2\n");
  if (::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(::chown(file.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  }
  ::chmod((env.ConfigHome() + "/Brantwick").c_str(), 0555);
  std::string result = InChild(tree.Root(), [] {
    IniUserSettings s("Dorvane");
    try {
      s.SaveSetting("Default Ext", "5");
    } catch (const Error& e) {
      return "error " + std::to_string(e.Number());
    }
    return "read " + IniUserSettings("Dorvane").GetSetting("Default Ext", "");
  }, /*asUser=*/true);
  EXPECT_EQ(result, "read 5");
}

// --- Helpers shared with clsReg ----------------------------------------------------------------------------------

TEST_F(SettingsStoreTest, ResolveGroupAndFindKeyIgnoreCaseAndSeparatorStyle) {
  std::string file = tree.File("machine.ini", "[Software\\Brantwick\\Dorvane]\nOpenMacros=/opt/m\n");
  QSettings s(QString::fromStdString(file), QSettings::IniFormat);

  auto g = ini::ResolveGroup(s, "software\\BRANTWICK/dorvane");
  EXPECT_TRUE(g.exists);
  EXPECT_EQ(g.path, "Software/Brantwick/Dorvane");

  auto missing = ini::ResolveGroup(s, "Software\\brantwick\\New\\Deeper");
  EXPECT_FALSE(missing.exists);
  EXPECT_EQ(missing.path, "Software/Brantwick/New/Deeper");

  EXPECT_EQ(ini::FindKey(s, "SOFTWARE/Brantwick/Dorvane", "openmacros"), "Software/Brantwick/Dorvane/OpenMacros");
  EXPECT_EQ(ini::FindKey(s, "", "software\\brantwick\\dorvane\\OPENMACROS"),
            "Software/Brantwick/Dorvane/OpenMacros");
  EXPECT_EQ(ini::FindKey(s, "Software", "Brantwick"), std::nullopt) << "a group is not a value";
  EXPECT_EQ(ini::FindKey(s, "Software/Brantwick/Dorvane", "Dorvane\\"), std::nullopt);
  EXPECT_EQ(ini::JoinKey("", "k"), "k");
  EXPECT_EQ(ini::JoinKey("a/b", "k"), "a/b/k");
}

}  // namespace
}  // namespace dv
