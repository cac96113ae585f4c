#include "fileops_ui/frm_file_bank.h"

#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "fileops_engine/bank_file.h"
#include "fileops_ui/user_data_files.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr char kNewBank[] = "<New>";
constexpr int kTwipsPerPixel = 15;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The folder part of an entry: its text up to and including the last "/".
std::string FolderPart(const std::string& entry) { return entry.substr(0, entry.rfind('/') + 1); }

}  // namespace

frmFileBank::frmFileBank(Context context, const std::vector<std::string>& bank, int lastPosition, QWidget* parent)
    : QDialog(parent), c_(std::move(context)) {
  setObjectName("frmFileBank");
  setWindowTitle("Files & Folders to Process (Processing Bank)");
  setModal(true);
  cbxSelectABank_ = new QComboBox;
  cbxSelectABank_->setObjectName("cbxSelectABank");
  lvwProcessingBank_ = new QTreeWidget;
  lvwProcessingBank_->setObjectName("lvwProcessingBank");
  lvwProcessingBank_->setHeaderHidden(true);
  lvwProcessingBank_->setRootIsDecorated(false);
  lvwProcessingBank_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvwProcessingBank_->setAcceptDrops(true);
  lvwProcessingBank_->viewport()->setAcceptDrops(true);
  lvwProcessingBank_->viewport()->installEventFilter(this);
  lvwProcessingBank_->header()->setStretchLastSection(false);
  auto button = [](const char* name, const char* caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    return b;
  };
  QPushButton* save = button("cmdSaveABank", "Save Bank");
  QPushButton* removeBank = button("cmdRemoveABank", "Delete Bank");
  QPushButton* remove = button("cmdRemove", "Remove Selected Item(s)");
  QPushButton* sort = button("cmdSort", "Sort");
  QPushButton* exit = button("cmdExitPopUp", "Close");
  auto* top = new QHBoxLayout;
  top->addWidget(cbxSelectABank_, 1);
  top->addWidget(save);
  top->addWidget(removeBank);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(remove);
  bottom->addWidget(sort);
  bottom->addStretch();
  bottom->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lvwProcessingBank_, 1);
  layout->addLayout(bottom);
  resize(560, 420);

  connect(cbxSelectABank_, &QComboBox::activated, this, &frmFileBank::ChooseBank);
  connect(save, &QPushButton::clicked, this, &frmFileBank::SaveBank);
  connect(removeBank, &QPushButton::clicked, this, &frmFileBank::RemoveBank);
  connect(remove, &QPushButton::clicked, this, &frmFileBank::RemoveSelected);
  connect(sort, &QPushButton::clicked, this, [this] {
    lvwProcessingBank_->setSortingEnabled(true);
    lvwProcessingBank_->sortItems(0, Qt::AscendingOrder);
  });
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);

  ResumeScope scope(c_.report, "ffb:10");
  suppress_ = true;
  scope.Step([&] { LoadBankFile(); });
  scope.Step([&] { PopulateFiles(bank); });
  scope.Step([&] {
    if (lastPosition > 0 && lastPosition < cbxSelectABank_->count()) {
      cbxSelectABank_->setCurrentIndex(lastPosition);
      position_ = lastPosition;
    }
  });
  // Selecting by program raises no "activated": the flag only matters for a user's first pick.
  suppress_ = false;
}

std::vector<std::string> frmFileBank::Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < lvwProcessingBank_->topLevelItemCount(); ++i)
    items.push_back(lvwProcessingBank_->topLevelItem(i)->text(0).toStdString());
  return items;
}

std::string frmFileBank::BankName() const { return cbxSelectABank_->currentText().toStdString(); }

void frmFileBank::LoadBankFile() {
  lines_ = {std::string(kNewBank) + kBankSeparator + "0"};
  bankFilePath_ = c_.settings->GetSetting("ProcessingBank", "");
  // A bank an older version kept beside the program moves to the user's data folder once, and is used there.
  if (bankFilePath_.empty() || ParentOfPath(bankFilePath_) == c_.programFolder) {
    try {
      const std::string carried =
          JoinPath(CarriedOver(c_.programFolder, c_.userDataFolder, kBankFileName), kBankFileName);
      if (FileSystemObject().FileExists(carried)) {
        bankFilePath_ = carried;
        c_.settings->SaveSetting("ProcessingBank", bankFilePath_);
      }
    } catch (const Error&) {
      // Not carried over: the old file is read as it is, and the next save goes to the user's folder.
    }
  }
  if (!bankFilePath_.empty() && FileSystemObject().FileExists(bankFilePath_))
    for (std::string& line : ReadBankLines(bankFilePath_)) lines_.push_back(std::move(line));
  cbxSelectABank_->clear();
  // Lines without a bank keep their place in `lines_` but are not offered; each combo item knows its line.
  for (size_t i = 0; i < lines_.size(); ++i)
    if (auto bank = ParseBankLine(lines_[i])) cbxSelectABank_->addItem(Q(bank->name), static_cast<int>(i));
}

bool frmFileBank::AddItem(const std::string& entry) {
  if (entry.empty() || !shown_.insert(entry).second) return false;
  static const QStyle::StandardPixmap kIcons[] = {QStyle::SP_DirIcon, QStyle::SP_FileIcon, QStyle::SP_DirOpenIcon};
  auto* item = new QTreeWidgetItem(lvwProcessingBank_, QStringList{Q(entry)});
  item->setIcon(0, style()->standardIcon(kIcons[BankEntryIcon(entry) - 1]));
  return true;
}

void frmFileBank::PopulateFiles(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) AddItem(entry);
  SizeColumn();
}

void frmFileBank::SizeColumn() {
  lvwProcessingBank_->setColumnWidth(0, static_cast<int>(BankColumnTwips(Items()) / kTwipsPerPixel));
}

void frmFileBank::ChooseBank(int position) {
  ResumeScope scope(c_.report, "ffb:04");
  if (suppress_) {
    suppress_ = false;
    return;
  }
  scope.Step([&] {
    if (position == 0) {
      if (lvwProcessingBank_->topLevelItemCount() > 0 &&
          c_.prompter->YesNo("Clear current file(s) and/or folder(s) from bank?", "Clean Slate?")) {
        lvwProcessingBank_->clear();
        shown_.clear();
      }
    } else {
      const auto bank = ParseBankLine(lines_.at(cbxSelectABank_->itemData(position).toInt()));
      lvwProcessingBank_->clear();
      shown_.clear();
      if (bank) PopulateFiles(bank->entries);
    }
  });
  position_ = position;
}

void frmFileBank::SaveBank() {
  ResumeScope scope(c_.report, "ffb:08");
  scope.Step([&] {
    std::string name;
    size_t line;
    if (cbxSelectABank_->currentIndex() <= 0) {
      std::optional<std::string> answer =
          c_.prompter->Input("Please Enter The name for the Processing Bank:", "Processing Bank Name", "");
      if (!answer || answer->empty()) return;
      // The separator inside a name would split it into a name and an entry when read back.
      if (answer->find(kBankSeparator) != std::string::npos) {
        c_.prompter->Message(std::string("A bank name cannot contain \"") + kBankSeparator + "\".",
                             "Processing Bank Name");
        return;
      }
      name = *answer;
      line = lines_.size();
      lines_.emplace_back();
    } else {
      name = BankName();
      line = static_cast<size_t>(cbxSelectABank_->currentData().toInt());
    }
    lines_[line] = BankLine(name, Items());
    if (!WriteBankLines()) return;
    LoadBankFile();
    // The saved line's place in the combo: lines before it without a bank are not offered.
    const int shownAt = cbxSelectABank_->findData(static_cast<int>(line));
    cbxSelectABank_->setCurrentIndex(shownAt);
    position_ = shownAt;
  });
}

void frmFileBank::RemoveBank() {
  ResumeScope scope(c_.report, "ffb:06");
  scope.Step([&] {
    const int position = cbxSelectABank_->currentIndex();
    if (position <= 0) return;
    if (!c_.prompter->YesNo("Are you sure you want to delete the processing bank named '" + BankName() + "'?",
                            "Confirm Deletion of Processing Bank"))
      return;
    lines_[static_cast<size_t>(cbxSelectABank_->itemData(position).toInt())].clear();
    if (!WriteBankLines()) return;
    LoadBankFile();
    cbxSelectABank_->setCurrentIndex(0);
    position_ = 0;
  });
}

bool frmFileBank::WriteBankLines() {
  // A remembered place whose folder has gone (a removed drive, a deleted folder) is chosen anew.
  const bool placeGone = !bankFilePath_.empty() && !FileSystemObject().FolderExists(ParentOfPath(bankFilePath_));
  // Nothing is ever written beside the program.
  const bool oldPlace = !bankFilePath_.empty() && ParentOfPath(bankFilePath_) == c_.programFolder;
  if ((bankFilePath_.empty() || placeGone || oldPlace) && !ChooseLocation()) return false;
  WriteBankFile(bankFilePath_, std::vector<std::string>(lines_.begin() + 1, lines_.end()));
  return true;
}

bool frmFileBank::ChooseLocation() {
  // Never the program's folder: installed, it is root's (and run as root, writable).
  std::string path = LocateBankFile(c_.userDataFolder, c_.userDataFolder);
  while (path.empty()) {
    std::optional<std::string> chosen = c_.askLocation ? c_.askLocation() : std::nullopt;
    if (!chosen) return false;
    const std::string name = NameOfPath(*chosen);
    if (!name.empty() && FileSystemObject().FolderExists(ParentOfPath(*chosen))) {
      path = *chosen;
      break;
    }
    if (!c_.prompter->YesNo("Either the directory does not exist or the file name has invalid characters in it.\r\n\r\n"
                            "Would you like to try to save again?",
                            "Invalid Path or Name"))
      return false;
  }
  c_.settings->SaveSetting("ProcessingBank", path);
  bankFilePath_ = path;
  return true;
}

void frmFileBank::RemoveSelected() {
  ResumeScope scope(c_.report, "ffb:05");
  scope.Step([&] {
    // From the last to the first: the last one removed is the first selected.
    int lastRemoved = -1;
    for (int i = lvwProcessingBank_->topLevelItemCount() - 1; i >= 0; --i) {
      QTreeWidgetItem* item = lvwProcessingBank_->topLevelItem(i);
      if (!item->isSelected()) continue;
      shown_.erase(item->text(0).toStdString());
      delete item;
      lastRemoved = i;
    }
    if (lastRemoved < 0) return;
    if (const int count = lvwProcessingBank_->topLevelItemCount(); count > 0)
      lvwProcessingBank_->setCurrentItem(lvwProcessingBank_->topLevelItem(std::min(lastRemoved, count - 1)));
    lvwProcessingBank_->setFocus();
  });
}

void frmFileBank::DropPaths(const QStringList& paths) {
  ResumeScope scope(c_.report, "ffb:13");
  FileSystemObject fso;
  for (const QString& dropped : paths) {
    scope.Step([&] {
      std::string path = dropped.toStdString();
      if (fso.FolderExists(path)) {
        if (path.back() != '/') path += '/';
        // A folder already listed, whole or its contents, is not asked about again.
        for (int i = 0; i < lvwProcessingBank_->topLevelItemCount(); ++i) {
          const std::string entry = lvwProcessingBank_->topLevelItem(i)->text(0).toStdString();
          if (BankEntryIcon(entry) != 2 && FolderPart(entry) == path) return;
        }
        const int choice = c_.giveChoice ? c_.giveChoice("Would you like to add the folder and its contents or just "
                                                         "the contents for the folder? \r\n(" +
                                                             Q(path) + ")",
                                                         "Folder && Contents", "Contents Only",
                                                         "Add Folder with Contents?")
                                         : 0;
        if (choice == 1) AddItem(path);
        else if (choice == 2) AddItem(BankEntryText({BankEntry::Kind::Contents, path}));
      } else if (fso.FileExists(path)) {
        AddItem(path);
      }
    });
  }
  SizeColumn();
}

bool frmFileBank::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvwProcessingBank_->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDropEvent*>(event);
      // Only a list of files is taken.
      if (drag->mimeData()->hasUrls()) {
        drag->acceptProposedAction();
        return true;
      }
    } else if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      QStringList paths;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
      if (paths.isEmpty()) return false;
      drop->acceptProposedAction();
      DropPaths(paths);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace dv
