#include "common/setting_defaults.h"

#include <string_view>

namespace dv {

namespace {

struct Default {
  std::string_view key;
  const char* value;
};

constexpr Default kDefaults[] = {
    {setting::DefaultSaveLocation, ""},
    {setting::DefaultExt, "3"},
    {setting::HTMLbc, "FFFFFF,16777215"},
    {setting::HTMLfc, "000000,0"},
    {setting::HTMLfsize, "12"},
    {setting::HTMLtborder, "0"},
    {setting::ShowTipsAtStartup, "1"},
    {setting::ProcessingBank, ""},
};

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII-only folding, independent of the locale: the key names are ASCII.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

}  // namespace

std::string SettingDefault(const std::string& key) {
  for (const auto& d : kDefaults)
    if (SameName(key, d.key)) return d.value;
  return {};
}

std::string SettingOrDefault(UserSettings& settings, const std::string& key) {
  return settings.GetSetting(key, SettingDefault(key));
}

}  // namespace dv
