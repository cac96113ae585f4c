#pragma once
// Where the files shipped with the program (tips, help pages, icons) are found at run time: beside the
// executable in the build, or in the shared data folder of an installation.
#include <QString>

namespace dv {

// The resource folder for an executable living in `executableDir`: "<dir>/resources" when it exists, else
// "<dir>/../share/dorvane" when that exists, else "<dir>/resources" (so that a missing file is reported with
// the path where it was expected).
QString ResourceFolderFor(const QString& executableDir);

// ResourceFolderFor the running executable (QCoreApplication::applicationDirPath()).
QString ResourceFolder();

// ResourceFolder() + "/" + name.
QString ResourcePath(const QString& name);

}  // namespace dv
