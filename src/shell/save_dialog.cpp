#include "shell/save_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

namespace dv {

namespace {

// A name typed without extension gets the one of the file type picked last, not the one picked first.
class SaveFileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QString filter = selectedNameFilter();
    const qsizetype star = filter.lastIndexOf("*.");
    const qsizetype close = filter.indexOf(')', star);
    if (star >= 0 && close > star) setDefaultSuffix(filter.mid(star + 2, close - star - 2));
    QFileDialog::accept();
  }
};

}  // namespace

std::optional<SaveDialogChoice> RunSaveFileDialog(const SaveDialogRequest& request, QWidget* parent) {
  SaveFileDialog dialog(parent, request.title, request.initialFolder);
  // The same dialog on every desktop, and one that tests and scripts can reach by its widgets.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(request.filters);
  if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size())
    dialog.selectNameFilter(request.filters[request.filterIndex - 1]);
  dialog.setDefaultSuffix(request.defaultExtension);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  auto* askSettings = new QCheckBox(QString::fromLatin1(kAskWebPageSettingsText), &dialog);
  askSettings->setObjectName("chkAskWebPageSettings");
  askSettings->setChecked(request.askWebPageSettings);
  auto* defaultFolder = new QCheckBox(QString::fromLatin1(kDefaultSaveFolderText), &dialog);
  defaultFolder->setObjectName("chkDefaultSaveFolder");
  // The non-native dialog lays itself out in a grid; the options go in rows of their own below it.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(askSettings, row, 0, 1, grid->columnCount());
    grid->addWidget(defaultFolder, row + 1, 0, 1, grid->columnCount());
  } else {
    askSettings->hide();
    defaultFolder->hide();
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  SaveDialogChoice choice;
  choice.path = dialog.selectedFiles().first();
  choice.filterIndex = static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (choice.filterIndex < 1) choice.filterIndex = request.filterIndex;
  choice.askWebPageSettings = askSettings->isChecked();
  choice.makeDefaultFolder = defaultFolder->isChecked();
  return choice;
}

}  // namespace dv
