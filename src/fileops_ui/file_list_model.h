#pragma once
// The file lists of the file operations window: the files of one folder of a QFileSystemModel. The model keeps
// showing every folder that was ever its root path, whatever its filter says, so after a few folders a list
// would offer folders as files; this proxy leaves out the folders inside the list's folder.
#include <QFileSystemModel>
#include <QPersistentModelIndex>
#include <QSortFilterProxyModel>

namespace dv {

class FileListModel : public QSortFilterProxyModel {
 public:
  explicit FileListModel(QFileSystemModel* files, QObject* parent = nullptr) : QSortFilterProxyModel(parent), files_(files) {
    setSourceModel(files);
  }
  QFileSystemModel* Files() const { return files_; }

  // Shows `folder` (an existing folder's path) and answers the list's root index.
  QModelIndex SetFolder(const QString& folder) {
    folder_ = files_->setRootPath(folder);
    invalidateFilter();
    return mapFromSource(folder_);
  }
  QString Folder() const { return files_->filePath(folder_); }
  QString FileName(const QModelIndex& index) const { return files_->fileName(mapToSource(index)); }
  QString FilePath(const QModelIndex& index) const { return files_->filePath(mapToSource(index)); }
  QModelIndex IndexOf(const QString& path) const { return mapFromSource(files_->index(path)); }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (parent != QModelIndex(folder_)) return true;
    return !files_->isDir(files_->index(row, 0, parent));
  }

 private:
  QFileSystemModel* files_;
  QPersistentModelIndex folder_;
};

}  // namespace dv
