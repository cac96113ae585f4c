#pragma once
// frmFileBank: the processing bank in a window of its own. The list can be edited (remove, sort, drop files and
// folders), saved under a name as one line of the bank file, and replaced by a bank loaded from it. Closing hands
// the list, the chosen bank's position and its name back to the caller.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "common/resume_scope.h"
#include "common/user_settings.h"

class QComboBox;
class QTreeWidget;

namespace dv {

class frmFileBank : public QDialog {
  Q_OBJECT
 public:
  // What the window needs from outside; tests replace the questions and the places.
  struct Context {
    Prompter* prompter = nullptr;
    UserSettings* settings = nullptr;  // key "ProcessingBank": the bank file's path
    ResumeScope::OnError report;
    // The two-button question: 1 left, 2 right, 0 closed.
    std::function<int(const QString& text, const QString& left, const QString& right, const QString& title)>
        giveChoice;
    // The save dialog asking where the bank file goes; nullopt when cancelled.
    std::function<std::optional<std::string>()> askLocation;
    std::string programFolder, userDataFolder;
  };

  frmFileBank(Context context, const std::vector<std::string>& bank, int lastPosition, QWidget* parent = nullptr);

  // Handed back on closing.
  std::vector<std::string> Items() const;
  int Position() const { return position_; }
  std::string BankName() const;

  // Adds dropped files and folders as the list's drop does (also reached by a real drop on the list).
  void DropPaths(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadBankFile();
  void PopulateFiles(const std::vector<std::string>& entries);
  bool AddItem(const std::string& entry);
  void SizeColumn();
  void ChooseBank(int position);
  void SaveBank();
  void RemoveBank();
  void RemoveSelected();
  bool WriteBankLines();
  bool ChooseLocation();

  Context c_;
  std::vector<std::string> lines_;  // position 0: "<New>@FBS@0", never written
  std::string bankFilePath_;
  int position_ = 0;
  bool suppress_ = false;
  std::set<std::string> shown_;  // an entry is listed once
  QComboBox* cbxSelectABank_;
  QTreeWidget* lvwProcessingBank_;
};

}  // namespace dv
