#pragma once
// Saving the file operations window's viewers: the suggested name and the rich-text file.
#include <QDateTime>
#include <QString>
#include <string>

namespace dv {

// `prefix` + month-day-two-digit-year + "_" + 12-hour hour-minutes + "-am" or "-pm", every number two digits:
// DV_Op_Results_03-02-05_03-07-pm. The dialog adds ".rtf".
QString FileOpsSaveName(const char* prefix, const QDateTime& now);

// What a save of a viewer writes: the file it shows, else the text it shows, else `lastFile` when that holds
// something (right after a restart the viewer is empty, while the last run's file is still there). Both empty:
// nothing to save.
struct SaveSource {
  QString path, text;
  bool Empty() const { return path.isEmpty() && text.isEmpty(); }
};
SaveSource WhatToSave(const QString& shownPath, const QString& shownText, const QString& lastFile);

// Writes the viewer's content as rich text to `target`: the file it shows (`sourcePath`, read a piece at a time)
// or, when it shows no file, `shownText`. Written beside the target and renamed into place, so a failure leaves
// the target as it was. Throws dv::Error.
void SaveViewAsRtf(const QString& sourcePath, const QString& shownText, const std::string& target);

}  // namespace dv
