#include "common/setting_defaults.h"
#include "support/map_settings.h"

#include <gtest/gtest.h>

#include <map>

namespace dv {
namespace {

using MapSettings = test::MapSettings;

TEST(SettingDefaults, EveryKnownKeyHasItsDefault) {
  EXPECT_STREQ(setting::DefaultSaveLocation, "Default Save Location");
  EXPECT_STREQ(setting::ShowTipsAtStartup, "Show Tips at Startup");
  EXPECT_EQ(SettingDefault(setting::DefaultExt), "3");
  EXPECT_EQ(SettingDefault(setting::HTMLbc), "FFFFFF,16777215");
  EXPECT_EQ(SettingDefault(setting::HTMLfc), "000000,0");
  EXPECT_EQ(SettingDefault(setting::HTMLfsize), "12");
  EXPECT_EQ(SettingDefault(setting::HTMLtborder), "0");
  EXPECT_EQ(SettingDefault(setting::ShowTipsAtStartup), "1");
  EXPECT_EQ(SettingDefault(setting::ProcessingBank), "");
  EXPECT_EQ(SettingDefault(setting::DefaultSaveLocation), "") << "worked out by its callers";
}

TEST(SettingDefaults, NamesMatchRegardlessOfCaseButNotLoosely) {
  EXPECT_EQ(SettingDefault("show tips at startup"), "1");
  EXPECT_EQ(SettingDefault("HTMLFSIZE"), "12");
  EXPECT_EQ(SettingDefault("HTMLfsize "), "");
  EXPECT_EQ(SettingDefault("HTMLf"), "");
  EXPECT_EQ(SettingDefault(""), "");
  EXPECT_EQ(SettingDefault("Unknown"), "");
}

TEST(SettingDefaults, StoredValueWinsOverTheDefault) {
  MapSettings s;
  EXPECT_EQ(SettingOrDefault(s, setting::HTMLbc), "FFFFFF,16777215");
  s.SaveSetting(setting::HTMLbc, "000080,8388608");
  s.SaveSetting(setting::HTMLtborder, "");
  EXPECT_EQ(SettingOrDefault(s, setting::HTMLbc), "000080,8388608");
  EXPECT_EQ(SettingOrDefault(s, setting::HTMLtborder), "") << "a stored empty value is no missing one";
}

}  // namespace
}  // namespace dv
