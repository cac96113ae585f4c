#pragma once
// The names and defaults of the per-user settings (section "Options"), in one place so that every window asks
// for the same key with the same default.
#include <string>

#include "common/user_settings.h"

namespace dv {

namespace setting {
inline constexpr const char* DefaultSaveLocation = "Default Save Location";
inline constexpr const char* DefaultExt = "Default Ext";
inline constexpr const char* HTMLbc = "HTMLbc";
inline constexpr const char* HTMLfc = "HTMLfc";
inline constexpr const char* HTMLfsize = "HTMLfsize";
inline constexpr const char* HTMLtborder = "HTMLtborder";
inline constexpr const char* ShowTipsAtStartup = "Show Tips at Startup";
inline constexpr const char* ProcessingBank = "ProcessingBank";
}  // namespace setting

// The default of a setting, matched regardless of case like the store matches key names. Empty for
// "ProcessingBank" and for unknown keys, and for "Default Save Location", whose default (the default drive
// root) is a folder of the running system that its callers work out.
std::string SettingDefault(const std::string& key);

// The stored text of `key`, or its SettingDefault when it is missing.
std::string SettingOrDefault(UserSettings& settings, const std::string& key);

}  // namespace dv
