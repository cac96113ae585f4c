#include "settings/settings_store.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cstdlib>

#include "platform/error.h"

namespace dv {

namespace {

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

std::string UserConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(xdg)) return xdg;
  const char* home = std::getenv("HOME");
  std::string base = IsAbsolute(home) ? std::string(home) : QDir::homePath().toStdString();
  return base + "/.config";
}

std::vector<std::string> MachineConfigDirs() {
  std::vector<std::string> dirs;
  if (const char* env = std::getenv("XDG_CONFIG_DIRS")) {
    std::string all = env;
    size_t start = 0;
    while (start <= all.size()) {
      size_t colon = all.find(':', start);
      if (colon == std::string::npos) colon = all.size();
      std::string dir = all.substr(start, colon - start);
      if (!dir.empty() && dir[0] == '/') dirs.push_back(dir);
      start = colon + 1;
    }
  }
  if (dirs.empty()) dirs.push_back("/etc/xdg");
  return dirs;
}

std::string MachineSettingsFile() {
  const auto dirs = MachineConfigDirs();
  for (const auto& dir : dirs) {
    std::string file = dir + "/Brantwick/Dorvane.ini";
    if (QFileInfo(Q(file)).isFile()) return file;
  }
  return dirs.front() + "/Brantwick/Dorvane.ini";
}

std::string DefaultApplicationName() {
  if (QCoreApplication::instance()) {
    QString name = QCoreApplication::applicationName();
    if (!name.isEmpty()) return name.toStdString();
  }
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) {
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(exe.find_last_of('/') + 1);
  }
  return "dorvane";
}

IniUserSettings::IniUserSettings(std::string applicationName)
    : file_(UserConfigHome() + "/Brantwick/" + applicationName + ".ini") {}

std::string IniUserSettings::GetSetting(const std::string& key, const std::string& defaultValue) {
  if (key.empty()) return defaultValue;
  QSettings s(Q(file_), QSettings::IniFormat);
  auto found = ini::FindKey(s, ini::kSection, Q(key));
  if (!found) return defaultValue;
  return ini::FromStored(s.value(*found));
}

void IniUserSettings::SaveSetting(const std::string& key, const std::string& value) {
  if (key.empty()) throw Error(err::Application, "A setting needs a name");
  QSettings s(Q(file_), QSettings::IniFormat);
  // Write in place when the folder refuses the temporary file of an atomic save but the file is writable.
  s.setAtomicSyncRequired(false);
  // Overwrite the stored spelling of the key (and of a hand-written section) so one setting never ends up under
  // two names.
  QString target = ini::FindKey(s, ini::kSection, Q(key))
                       .value_or(ini::JoinKey(ini::ResolveGroup(s, ini::kSection).path, Q(key)));
  s.setValue(target, ini::ToStored(value));
  s.sync();
  if (s.status() != QSettings::NoError)
    throw Error(err::PermissionDenied, "Cannot save setting \"" + key + "\" to " + file_);
}

namespace ini {

QString MatchName(const QStringList& names, const QString& name) {
  QString loose;
  for (const auto& n : names) {
    if (n == name) return n;
    if (loose.isEmpty() && n.compare(name, Qt::CaseInsensitive) == 0) loose = n;
  }
  return loose;
}

ResolvedGroup ResolveGroup(QSettings& settings, const QString& path) {
  ResolvedGroup result{QString(), true};
  // QSettings reads "\" in a name as "/"; so must the search.
  for (const auto& part : QString(path).replace('\\', '/').split('/', Qt::SkipEmptyParts)) {
    QString actual;
    if (result.exists) {
      settings.beginGroup(result.path);
      actual = MatchName(settings.childGroups(), part);
      settings.endGroup();
    }
    if (actual.isEmpty()) {
      result.exists = false;
      actual = part;
    }
    result.path = result.path.isEmpty() ? actual : result.path + '/' + actual;
  }
  return result;
}

std::optional<QString> FindKey(QSettings& settings, const QString& group, const QString& name) {
  // A name with separators addresses a value in a subgroup.
  QString path = QString(name).replace('\\', '/');
  qsizetype slash = path.lastIndexOf('/');
  QString leaf = path.mid(slash + 1);
  if (leaf.isEmpty()) return std::nullopt;
  auto g = ResolveGroup(settings, slash < 0 ? group : JoinKey(group, path.left(slash)));
  if (!g.exists) return std::nullopt;
  settings.beginGroup(g.path);
  QString actual = MatchName(settings.childKeys(), leaf);
  settings.endGroup();
  if (actual.isEmpty()) return std::nullopt;
  return JoinKey(g.path, actual);
}

QString JoinKey(const QString& group, const QString& name) { return group.isEmpty() ? name : group + '/' + name; }

QVariant ToStored(const std::string& text) {
  QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  QString str = QString::fromUtf8(bytes);
  if (str.toUtf8() == bytes) return str;
  return bytes;
}

std::string FromStored(const QVariant& value) {
  QByteArray bytes;
  switch (value.typeId()) {
    case QMetaType::QByteArray: bytes = value.toByteArray(); break;
    case QMetaType::QStringList: bytes = value.toStringList().join(',').toUtf8(); break;
    default: bytes = value.toString().toUtf8(); break;
  }
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace ini
}  // namespace dv
