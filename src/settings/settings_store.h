#pragma once
// The settings store on Linux: INI files read and written through QSettings. The per-user settings (section
// "Options") live in $XDG_CONFIG_HOME/Brantwick/<executable name>.ini; the machine-wide values that clsReg
// reaches live in Brantwick/Dorvane.ini of the XDG system config folders. docs/settings-store.md has the mapping.
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <string>
#include <vector>

#include "common/user_settings.h"

namespace dv {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string UserConfigHome();

// The folders of $XDG_CONFIG_DIRS in order, empty and relative entries skipped; {"/etc/xdg"} when none is left.
std::vector<std::string> MachineConfigDirs();

// Brantwick/Dorvane.ini in the first machine config folder that has it; in the first folder when none has it.
std::string MachineSettingsFile();

// QCoreApplication::applicationName() when an application object exists, else the executable's file name.
std::string DefaultApplicationName();

// GetSetting/SaveSetting of one application, section "Options". Every call opens the file afresh, so two stores
// of the same application (or an editor) never see stale values.
class IniUserSettings : public UserSettings {
 public:
  explicit IniUserSettings(std::string applicationName = DefaultApplicationName());

  // The stored text, byte for byte as saved; `defaultValue` when the key is missing (or the name empty). Key names
  // match regardless of case.
  std::string GetSetting(const std::string& key, const std::string& defaultValue) override;
  // Throws dv::Error 70 when the file cannot be written, 50000 for an empty key name.
  void SaveSetting(const std::string& key, const std::string& value) override;

  const std::string& FilePath() const { return file_; }

 private:
  std::string file_;
};

// Helpers shared by the per-user store and clsReg.
namespace ini {

inline const QString kSection = QStringLiteral("Options");

// The entry of `names` equal to `name`, else the first one equal regardless of case, else an empty string.
QString MatchName(const QStringList& names, const QString& name);

struct ResolvedGroup {
  QString path;  // the group as stored where it exists, the asked spelling for the missing rest
  bool exists;   // every part of the path exists
};
// Resolves a group path ("/" or "\" between the parts) part by part, regardless of case.
ResolvedGroup ResolveGroup(QSettings& settings, const QString& path);

// The full stored key of value `name` in `group` (regardless of case), nullopt when missing.
std::optional<QString> FindKey(QSettings& settings, const QString& group, const QString& name);

// group + "/" + name, or name alone for the root group.
QString JoinKey(const QString& group, const QString& name);

// The stored form of a text: a string when it is valid UTF-8, else the bytes, so every text round-trips.
QVariant ToStored(const std::string& text);
// The text of a stored value; a list (a hand-written unquoted "a,b") is joined with ",".
std::string FromStored(const QVariant& value);

}  // namespace ini
}  // namespace dv
