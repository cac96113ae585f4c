#pragma once
// The program's icon (resources/icons/dorvane.svg), built into each executable as a Qt resource so that it shows
// from the build tree and from an installation alike. Header-only: the progress program uses it as well.
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

namespace dv {

inline constexpr char kProgramIconResource[] = ":/icons/dorvane.svg";

// Sets the icon that every window of the program takes unless it has one of its own (the working windows in the
// main window's area, dialogs, message boxes). Drawing it needs Qt's SVG plugin; without it the windows keep the
// toolkit's default and nothing else changes. True when the icon was set.
inline bool SetProgramIcon() {
  const QIcon icon(QString::fromLatin1(kProgramIconResource));
  if (icon.isNull() || icon.pixmap(32, 32).isNull()) return false;
  QGuiApplication::setWindowIcon(icon);
  return true;
}

}  // namespace dv
