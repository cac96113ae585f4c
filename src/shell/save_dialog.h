#pragma once
// The save dialog both working windows show: a non-native file dialog with the report's two options below its
// file type, and the request and choice that let tests script it in its place.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace dv {

// What the save dialog is asked to show. `filterIndex` counts from 1, as the stored "Default Ext" does.
struct SaveDialogRequest {
  QString title;
  QString initialFolder;
  QString fileName;
  QStringList filters;  // Qt name filters, e.g. "Rich Text Files (*.rtf)"
  QString defaultExtension;
  int filterIndex = 1;
  bool askWebPageSettings = false;  // the remembered state of chkAskWebPageSettings
};

// What the user chose: the full path and the position (from 1) of the file type picked.
struct SaveDialogChoice {
  QString path;
  int filterIndex = 1;
  bool askWebPageSettings = false;  // chkAskWebPageSettings as the user left it
  bool makeDefaultFolder = false;   // chkDefaultSaveFolder: the chosen folder becomes the default save location
};

// The save dialog's two options, so that one save asks one thing: whether a web page opens the HTML settings
// first (the window remembers it), and whether the folder saved into becomes the default save location (asked
// for each save, off unless ticked).
inline constexpr const char* kAskWebPageSettingsText = "Ask for web page settings";
inline constexpr const char* kDefaultSaveFolderText = "Make this folder the default save location";

// The save dialog the window shows unless a caller replaces it: a non-native QFileDialog in save mode, with the
// two option boxes chkAskWebPageSettings and chkDefaultSaveFolder below its file type.
std::optional<SaveDialogChoice> RunSaveFileDialog(const SaveDialogRequest& request, QWidget* parent);

}  // namespace dv
