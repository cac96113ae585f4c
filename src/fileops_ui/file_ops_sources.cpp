// Where an operation takes its items from and puts them: the two folder trees and file lists, the source and
// destination boxes, files picked one by one in the source list, the processing bank, and RefreshDrives after a
// run changed the file system.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>
#include <algorithm>
#include <cerrno>

#include "common/prompter.h"
#include "fileops_engine/bank_file.h"
#include "fileops_ui/file_list_model.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/shell_services.h"

namespace dv {

namespace {

const char* const kMultipleFiles = "Multiple.Files";

// A folder's path as the boxes show it for joining: with one final "/".
QString WithSlash(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

QString Cleaned(const QString& folder) { return QDir::cleanPath(folder); }

}  // namespace

void frmFileOps::ShowFolder(QTreeView* tree, const QString& folder) {
  ShowPathInTree(tree, treeModel_, Cleaned(folder), services_.errors);
}

void frmFileOps::SetListFolder(QListView* list, FileListModel* model, const QString& folder) {
  if (!QFileInfo(folder).isDir()) return;
  list->clearSelection();
  list->setRootIndex(model->SetFolder(Cleaned(folder)));
}

void frmFileOps::TreeFolderClicked(bool source, const QModelIndex& index) {
  const QString path = treeModel_->filePath(index);
  if (path.isEmpty()) return;
  struct stat st {};
  const QByteArray native = QFile::encodeName(path);
  if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    const int err = errno;
    if (err == ENOMEDIUM || err == ENODEV || err == ENXIO)
      prompter_.Message(source ? "Unable to retrieve filenames.\r\n\r\nPlease try another drive or make sure media "
                                 "is in drive."
                               : "Device was unavailable.  Please try another drive or make sure media is in drive.",
                        "Device Unavailable");
    else
      prompter_.Message(
          "The clicked path was not found.\r\n\r\nIt may have been removed since Dorvane was loaded or you may not "
          "have permissions to view it.\r\n\r\nTry using the menu to refresh the directory tree -> File Ops - "
          "Refresh Directories",
          "Path is no longer valid");
    return;
  }
  if (source) {
    lastSourceFolder_ = path;
    // Files picked in another folder are no choice of this one.
    selectedFiles_.clear();
    if (bank_.empty()) txtSource_->setText(path);
    SetListFolder(flbSource_, sourceFiles_, path);
  } else {
    txtDestination_->setText(path);
    SetListFolder(flbDestination_, destinationFiles_, path);
  }
}

void frmFileOps::flbSource_Click() {
  // While the bank holds entries it is the source: the list only picks what to add to it.
  if (!bank_.empty()) return;
  const QString folder = sourceFiles_->Folder();
  selectedFiles_.clear();
  const QModelIndex clicked = flbSource_->currentIndex();
  if (clicked.isValid()) txtSource_->setText(WithSlash(folder) + sourceFiles_->FileName(clicked));
  QModelIndexList picked = flbSource_->selectionModel()->selectedIndexes();
  std::sort(picked.begin(), picked.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& i : picked) selectedFiles_.push_back(sourceFiles_->FileName(i).toStdString());
  if (selectedFiles_.size() >= 2) {
    txtSource_->setText(WithSlash(folder) + kMultipleFiles);
  } else if (selectedFiles_.size() == 1) {
    txtSource_->setText(WithSlash(folder) + QString::fromStdString(selectedFiles_[0]));
  } else {
    // Every file unpicked again: the folder is the source, not the file last clicked.
    txtSource_->setText(folder);
  }
}

void frmFileOps::flbDestination_Click(const QModelIndex& index) {
  if (!index.isValid()) return;
  txtDestination_->setText(destinationFiles_->FilePath(index));
}

void frmFileOps::txtSource_Change(const QString& text) {
  if (isLoading_) return;
  // Typing names a new source: files picked in the list are no longer the choice.
  selectedFiles_.clear();
  flbSource_->clearSelection();
  if (text.isEmpty() || !QFileInfo(text).isDir()) return;
  lastSourceFolder_ = text;
  ShowFolder(ExploreTreeFileOpsSource_, text);
  SetListFolder(flbSource_, sourceFiles_, text);
}

void frmFileOps::txtDestination_Change(const QString& text) {
  if (isLoading_) return;
  if (text.isEmpty() || !QFileInfo(text).isDir()) return;
  ShowFolder(ExploreTreeFileOpsDestination_, text);
  SetListFolder(flbDestination_, destinationFiles_, text);
}

void frmFileOps::SourceListFilterChanged() {
  QDir::Filters f = QDir::Files;
  if (chkDisplayHiddenAndSystem_->isChecked()) f |= QDir::Hidden | QDir::System;
  sourceFiles_->Files()->setFilter(f);
}

void frmFileOps::RefreshDrives() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:36");
  QString s;
  // Files picked one by one show as their folder and "Multiple.Files"; a folder of that name is a folder.
  bool picked = false;
  scope.Step([&] {
    s = txtSource_->text();
    picked = selectedFiles_.size() > 1;
  });
  scope.Step([&] {
    selectedFiles_.clear();
    flbSource_->clearSelection();
  });
  scope.Step([&] {
    // Picked files were the user's choice within their folder: the folder stays the source. A source that is gone
    // (removed by the run, or elsewhere) stays as it is and is shown as missing; no other folder takes its place.
    if (picked && s.endsWith(kMultipleFiles)) {
      s.chop(static_cast<int>(qstrlen(kMultipleFiles)));
      txtSource_->setText(s);
    }
    if (QFileInfo(s).isDir()) ShowFolder(ExploreTreeFileOpsSource_, s);
  });
  scope.Step([&] {
    const QString folder = sourceFiles_->Folder();
    if (QFileInfo(folder).isDir() || QFileInfo(s).isFile()) SetListFolder(flbSource_, sourceFiles_, folder);
  });
  scope.Step([&] { ShowFolder(ExploreTreeFileOpsDestination_, txtDestination_->text()); });
  scope.Step([&] { ShowSourceState(); });
}

bool frmFileOps::SourceMissing() const {
  if (!bank_.empty()) return false;
  QString path = txtSource_->text();
  if (path.trimmed().isEmpty()) return false;
  if (selectedFiles_.size() > 1 && path.endsWith(kMultipleFiles))
    path.chop(static_cast<int>(qstrlen(kMultipleFiles)));
  const QFileInfo info(path);
  return !info.exists() && !info.isSymLink();
}

void frmFileOps::ShowSourceState() {
  const bool missing = SourceMissing();
  // While the bank is the source the label names the bank.
  if (bank_.empty()) lblSource_->setText(missing ? "From   (not found: choose an existing folder)" : "From");
  QPalette p = txtSource_->palette();
  p.setColor(QPalette::Base, missing ? kNewErrors : QApplication::palette(txtSource_).color(QPalette::Base));
  txtSource_->setPalette(p);
  txtSource_->setToolTip(missing ? "This folder does not exist: Perform Operation is refused until it does or "
                                   "another folder is chosen"
                                 : QString());
}

// ---- the processing bank ----

std::vector<std::string> frmFileOps::BankEntries() const {
  std::vector<std::string> entries;
  for (const std::string& e : bank_)
    if (!e.empty()) entries.push_back(e);
  return entries;
}

void frmFileOps::ProcessingBankItems(std::vector<std::string> items, const std::string& bankName) {
  bank_ = std::move(items);
  bankName_ = bankName;
  ResetBankIfEmpty();
  UpdateSourceCaption();
}

void frmFileOps::AddFileToBank(const std::string& path) {
  if (std::find(bank_.begin(), bank_.end(), path) == bank_.end()) bank_.push_back(path);
  UpdateSourceCaption();
}

void frmFileOps::AddFolderToBank(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  const int choice = GiveChoice("Would you like to add the folder and its contents or just the contents of the folder?",
                                "Folder && Contents", "Contents Only", "Add Folder with Contents?");
  if (choice == 0) return;
  const std::string entry = BankEntryText({choice == 1 ? BankEntry::Kind::Folder : BankEntry::Kind::Contents, folder});
  if (std::find(bank_.begin(), bank_.end(), entry) == bank_.end()) bank_.push_back(entry);
  UpdateSourceCaption();
}

void frmFileOps::cmdAddFiles_Click() {
  if (typedSource_ && bank_.empty()) {
    // A path typed into the source box goes to the bank as the user says it is.
    typedSource_ = false;
    const std::string typed = txtSource_->text().toStdString();
    const int choice = GiveChoice("You have chosen to add a file or folder directly to the file processing bank via "
                                  "the From text.\r\n\r\nIs this entry a file or a folder?",
                                  "File", "Folder", "File or Folder?");
    if (choice == 1) AddFileToBank(typed);
    if (choice == 2) AddFolderToBank(typed);
    return;
  }
  const QString folder = sourceFiles_->Folder();
  const QModelIndexList picked = flbSource_->selectionModel()->selectedIndexes();
  if (picked.isEmpty()) {
    AddFolderToBank((bank_.empty() && QFileInfo(txtSource_->text()).isDir() ? txtSource_->text() : folder).toStdString());
    return;
  }
  for (const QModelIndex& i : picked) AddFileToBank((WithSlash(folder) + sourceFiles_->FileName(i)).toStdString());
}

void frmFileOps::cmdRemoveFiles_Click() {
  const QString folder = sourceFiles_->Folder();
  const QModelIndexList picked = flbSource_->selectionModel()->selectedIndexes();
  if (picked.isEmpty()) {
    RemoveFolderFromBank(CurrentPathInTree(ExploreTreeFileOpsSource_, treeModel_).toStdString());
  } else {
    for (const QModelIndex& i : picked) {
      const std::string path = (WithSlash(folder) + sourceFiles_->FileName(i)).toStdString();
      for (std::string& e : bank_)
        if (e == path) e.clear();
    }
  }
  ResetBankIfEmpty();
  UpdateSourceCaption();
}

void frmFileOps::DroppedOnBankButton(const QStringList& paths, bool add) {
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (!info.exists()) continue;
    const std::string p = path.toStdString();
    if (info.isDir()) {
      if (add) AddFolderToBank(p);
      else RemoveFolderFromBank(p);
    } else if (add) {
      AddFileToBank(p);
    } else {
      for (std::string& e : bank_)
        if (e == p) e.clear();
    }
  }
  ResetBankIfEmpty();
  UpdateSourceCaption();
}

void frmFileOps::RemoveFolderFromBank(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  for (std::string& e : bank_)
    if (e == folder || e == BankEntryText({BankEntry::Kind::Contents, folder})) e.clear();
}

void frmFileOps::ResetBankIfEmpty() {
  if (BankEntries().empty()) bank_.clear();
}

void frmFileOps::UpdateSourceCaption() {
  if (BankEntries().empty()) {
    // Only a box that named the bank gets the last folder back; a picked file or a typed path stays.
    if (txtSource_->isReadOnly()) txtSource_->setText(lastSourceFolder_);
    txtSource_->setReadOnly(false);
    ShowSourceState();
    return;
  }
  const bool unnamed = bankName_.empty() || bankName_ == "<New>";
  const QString name = unnamed ? QString(" Unsaved Bank") : QString::fromStdString(bankName_);
  txtSource_->setText("Operate on Files and Folders from Processing Bank ->" + name);
  lblSource_->setText("Operate on Files and Folders from Processing Bank->" + name);
  txtSource_->setReadOnly(true);
  selectedFiles_.clear();
}

}  // namespace dv
