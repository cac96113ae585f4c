#include "fileops_ui/file_ops_save.h"

#include <fcntl.h>

#include <QFileInfo>
#include <QLocale>

#include "platform/atomic_file.h"
#include "export/report_lines.h"
#include "export/rtf_writer.h"
#include "platform/error.h"

namespace dv {

QString FileOpsSaveName(const char* prefix, const QDateTime& now) {
  return QString(prefix) + QLocale::c().toString(now, "MM-dd-yy_hh-mm-ap");
}

SaveSource WhatToSave(const QString& shownPath, const QString& shownText, const QString& lastFile) {
  if (!shownPath.isEmpty()) return {shownPath, {}};
  if (!shownText.isEmpty()) return {{}, shownText};
  const QFileInfo last(lastFile);
  if (!lastFile.isEmpty() && last.isFile() && !last.isSymLink() && last.size() > 0) return {lastFile, {}};
  return {};
}

void SaveViewAsRtf(const QString& sourcePath, const QString& shownText, const std::string& target) {
  AtomicFile out(target);
  if (sourcePath.isEmpty()) {
    const std::string text = shownText.toStdString();
    ReportLines lines = ReportLines::FromText(text);
    WriteRtf(lines, out.Out());
  } else {
    const std::string from = sourcePath.toStdString();
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + ": " + from);
    ReportLines lines = ReportLines::FromFd(UniqueFd(fd), from);
    WriteRtf(lines, out.Out());
  }
  out.Commit();
}

}  // namespace dv
