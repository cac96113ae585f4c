#pragma once
// The per-user settings of section "Options" (GetSetting/SaveSetting). The Qt shell provides the INI-file store;
// Qt-free services and tests receive it injected.
#include <string>

namespace dv {

class UserSettings {
 public:
  virtual ~UserSettings() = default;
  // The stored text of `key`, or `defaultValue` when the key is missing.
  virtual std::string GetSetting(const std::string& key, const std::string& defaultValue) = 0;
  virtual void SaveSetting(const std::string& key, const std::string& value) = 0;
};

}  // namespace dv
