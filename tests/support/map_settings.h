#pragma once
// An in-memory settings store for the code that reads and writes user settings; the INI-file store has tests of
// its own. `failSaves` makes every save fail as an unwritable settings file does.
#include <map>
#include <string>

#include "common/user_settings.h"
#include "platform/error.h"

namespace dv::test {

struct MapSettings : UserSettings {
  std::map<std::string, std::string> values;
  bool failSaves = false;
  int saves = 0;
  std::string GetSetting(const std::string& key, const std::string& defaultValue) override {
    auto it = values.find(key);
    return it == values.end() ? defaultValue : it->second;
  }
  void SaveSetting(const std::string& key, const std::string& value) override {
    ++saves;
    if (failSaves) throw Error(70, "Permission denied");
    values[key] = value;
  }
};

}  // namespace dv::test
