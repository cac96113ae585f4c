#include "shell/resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace dv {

QString ResourceFolderFor(const QString& executableDir) {
  const QDir dir(executableDir);
  const QString beside = QDir::cleanPath(dir.filePath(QStringLiteral("resources")));
  if (QFileInfo(beside).isDir()) return beside;
  const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../share/dorvane")));
  if (QFileInfo(installed).isDir()) return installed;
  return beside;
}

QString ResourceFolder() { return ResourceFolderFor(QCoreApplication::applicationDirPath()); }

QString ResourcePath(const QString& name) { return ResourceFolder() + QLatin1Char('/') + name; }

}  // namespace dv
