// The macro choosers and the processing bank window, driven by objectName with a scripted prompter, real files
// and the real settings store in a private configuration folder.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

#include "fileops_ui/frm_file_bank.h"
#include "fileops_ui/user_data_files.h"
#include "fileops_ui/frm_load_macro.h"
#include "fileops_ui/frm_key_chooser.h"
#include "settings/settings_store.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace {

void Click(QWidget* parent, const char* name) {
  auto* button = parent->findChild<QPushButton*>(name);
  QVERIFY2(button, name);
  button->click();
}

QStringList Shown(QTreeWidget* list) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
  return out;
}

}  // namespace

class MacroBankTest : public QObject {
  Q_OBJECT
  std::unique_ptr<dv::test::TempTree> tree_;
  std::unique_ptr<dv::test::IsolatedEnvironment> env_;
  dv::test::ScriptedPrompter prompter_;
  QStringList errors_;
  int choices_ = 0;
  int nextChoice_ = 1;
  std::unique_ptr<dv::IniUserSettings> settings_;  // made once the test's own configuration folder is set

  dv::frmFileBank::Context Context() {
    dv::frmFileBank::Context c;
    c.prompter = &prompter_;
    c.settings = settings_.get();
    c.report = [this](const dv::Error& e, const std::string& l) { errors_ << QString::fromStdString(l + " " + e.Description()); };
    c.giveChoice = [this](const QString&, const QString&, const QString&, const QString&) {
      ++choices_;
      return nextChoice_;
    };
    c.programFolder = tree_->Dir("program");
    c.userDataFolder = *tree_ / "data";
    return c;
  }

 private slots:
  void init() {
    tree_ = std::make_unique<dv::test::TempTree>();
    env_ = std::make_unique<dv::test::IsolatedEnvironment>(*tree_);
    settings_ = std::make_unique<dv::IniUserSettings>();
    prompter_.Reset();
    errors_.clear();
    choices_ = 0;
    nextChoice_ = 1;
  }
  void cleanup() {
    settings_.reset();
    env_.reset();
    tree_.reset();
  }

  void specialKeysHandBackTheirCodes() {
    struct Case {
      const char* button;
      QString seconds;
      std::string code;
      int messages;
    };
    const Case cases[] = {{"cmdSpecialKey_101", "", "{F1}", 0},       {"cmdSpecialKey_216", "", "{DOWN}", 0},
                          {"cmdSpecialKey_203", "", "[SHIFT]", 0},    {"cmdSpecialKey_211", "", "{DEL}", 0},
                          {"cmdSpecialKey_218", "-20", "[DELAY]20", 0}, {"cmdSpecialKey_218", "3601", "", 1},
                          {"cmdSpecialKey_218", "soon", "", 0}};
    for (const Case& c : cases) {
      prompter_.Reset();
      dv::frmSpecialKeys keys(prompter_);
      QCOMPARE(keys.findChild<QLineEdit*>("txtSeconds")->text(), QString("5"));
      if (!c.seconds.isEmpty()) keys.findChild<QLineEdit*>("txtSeconds")->setText(c.seconds);
      Click(&keys, c.button);
      QVERIFY2(keys.Code().has_value(), c.button);
      QCOMPARE(*keys.Code(), c.code);
      QCOMPARE(prompter_.CountTitled("Maximum Delay Exceeded"), c.messages);
      QCOMPARE(keys.result(), int(QDialog::Accepted));
    }
  }

  void savedMacrosLoadAndDelete() {
    const std::string folder = tree_->Dir("macros");
    tree_->File("macros/DVOMacs.txt", "Notepad:::hello:::{ENTER}\r\nno separator\r\n");
    const auto report = [this](const dv::Error& e, const std::string& l) {
      errors_ << QString::fromStdString(l + " " + e.Description());
    };
    {
      dv::frmLoadMacro chooser(prompter_, report, folder);
      auto* list = chooser.findChild<QListWidget*>("lbxMacros");
      QCOMPARE(list->count(), 1);
      QCOMPARE(prompter_.Count("Message"), 1);
      Click(&chooser, "cmdLoadMacro");  // nothing chosen yet: nothing loaded
      QVERIFY(!chooser.Loaded());
      emit list->itemClicked(list->item(0));
      Click(&chooser, "cmdLoadMacro");
      QCOMPARE(chooser.Loaded().value_or("-"), std::string(":::hello:::{ENTER}"));
    }
    dv::frmLoadMacro chooser(prompter_, report, folder);
    auto* list = chooser.findChild<QListWidget*>("lbxMacros");
    emit list->itemClicked(list->item(0));
    prompter_.QueueAnswerFor("Confirm Delete", dv::Answer::Yes);
    Click(&chooser, "cmdDeleteMacro");
    QCOMPARE(list->count(), 0);
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(folder + "/DVOMacs.txt")), QString());
    QCOMPARE(errors_, QStringList());
  }

  // Saving, saving again in place, a second bank of the same name, deleting, and the bank handed back.
  void banksSaveReplaceAndDelete() {
    // Written in the user's data folder, never beside the program (even when that folder is writable).
    const std::string file = *tree_ / "data/DVPBank.dvb";
    dv::frmFileBank bank(Context(), {"/a.txt", "/data/"}, 0);
    auto* combo = bank.findChild<QComboBox*>("cbxSelectABank");
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentText(), QString("<New>"));
    prompter_.QueueInput("Work");
    Click(&bank, "cmdSaveABank");
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(file)), QString("Work@FBS@/a.txt@FBS@/data/\r\n"));
    QCOMPARE(QString::fromStdString(settings_->GetSetting("ProcessingBank", "")),
             QString::fromStdString(file));
    QCOMPARE(combo->currentText(), QString("Work"));

    bank.DropPaths({QString::fromStdString(tree_->File("more.txt", "m"))});
    Click(&bank, "cmdSaveABank");  // in place
    const std::string more = *tree_ / "more.txt";
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(file)),
             QString::fromStdString("Work@FBS@/a.txt@FBS@/data/@FBS@" + more + "\r\n"));
    combo->setCurrentIndex(0);
    prompter_.QueueInput("Work");
    Click(&bank, "cmdSaveABank");  // a second line of the same name
    QCOMPARE(combo->count(), 3);
    QCOMPARE(bank.Position(), 2);

    prompter_.QueueAnswerFor("Confirm Deletion of Processing Bank", dv::Answer::Yes);
    Click(&bank, "cmdRemoveABank");
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(file)),
             QString::fromStdString("Work@FBS@/a.txt@FBS@/data/@FBS@" + more + "\r\n"));
    QCOMPARE(combo->currentText(), QString("<New>"));
    QCOMPARE(bank.Items(), (std::vector<std::string>{"/a.txt", "/data/", more}));
    QCOMPARE(errors_, QStringList());

    // Opening again at the remembered position shows the bank handed in, not the file's.
    dv::frmFileBank again(Context(), {"/other"}, 1);
    QCOMPARE(again.findChild<QComboBox*>("cbxSelectABank")->currentText(), QString("Work"));
    QCOMPARE(again.Items(), std::vector<std::string>{"/other"});
    QVERIFY(!dv::test::TempTree::Exists(*tree_ / "program/DVPBank.dvb"));
  }

  // Macros and banks an older version left beside the program are carried into the user's data folder once:
  // later changes there are the user's, the old file stays as it was, and a link is never followed.
  void oldFilesAreCarriedOverOnce() {
    struct Row {
      const char* name;
      const char* old;   // the old file's content; nullptr: a link to a file outside instead
      const char* mine;  // already in the user's folder, or nullptr
      const char* after;
    };
    const Row rows[] = {{"carried", "Old:::a\r\n", nullptr, "Old:::a\r\n"},
                        {"user's own kept", "Old:::a\r\n", "Mine:::b\r\n", "Mine:::b\r\n"},
                        {"link not followed", nullptr, nullptr, nullptr}};
    int n = 0;
    for (const Row& r : rows) {
      const std::string program = tree_->Dir("prog" + std::to_string(++n)), data = *tree_ / ("data" + std::to_string(n));
      if (r.old) tree_->File("prog" + std::to_string(n) + "/DVOMacs.txt", r.old);
      else QVERIFY(QFile::link(QString::fromStdString(tree_->File("outside.txt", "secret")),
                               QString::fromStdString(program + "/DVOMacs.txt")));
      if (r.mine) tree_->File("data" + std::to_string(n) + "/DVOMacs.txt", r.mine);
      QCOMPARE(dv::CarriedOver(program, data, "DVOMacs.txt"), data);
      QCOMPARE(dv::test::TempTree::Exists(data + "/DVOMacs.txt"), r.after != nullptr);
      if (!r.after) continue;
      QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(data + "/DVOMacs.txt")), QString(r.after));
      tree_->File("prog" + std::to_string(n) + "/DVOMacs.txt", "Changed:::c\r\n");
      dv::CarriedOver(program, data, "DVOMacs.txt");  // read once: the user's copy is not replaced
      QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(data + "/DVOMacs.txt")), QString(r.after));
    }

    // A bank beside the program is shown, and saving writes the user's copy only.
    tree_->File("program/DVPBank.dvb", "Old@FBS@/x\r\n");
    dv::frmFileBank bank(Context(), {"/y"}, 0);
    QCOMPARE(bank.findChild<QComboBox*>("cbxSelectABank")->count(), 2);
    prompter_.QueueInput("New");
    Click(&bank, "cmdSaveABank");
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(*tree_ / "data/DVPBank.dvb")),
             QString("Old@FBS@/x\r\nNew@FBS@/y\r\n"));
    QCOMPARE(QString::fromStdString(dv::test::TempTree::Read(*tree_ / "program/DVPBank.dvb")),
             QString("Old@FBS@/x\r\n"));
  }

  // Choosing "<New>" and answering No keeps the list; choosing a bank shows it; removing selects the next one.
  void choosingRemovingAndDropping() {
    tree_->File("program/DVPBank.dvb", "Work@FBS@/w1@FBS@/w2/\r\nskipped\r\n");
    settings_->SaveSetting("ProcessingBank", *tree_ / "program/DVPBank.dvb");
    dv::frmFileBank bank(Context(), {"/x", "/y", "/z"}, 0);
    auto* combo = bank.findChild<QComboBox*>("cbxSelectABank");
    auto* list = bank.findChild<QTreeWidget*>("lvwProcessingBank");
    QCOMPARE(combo->count(), 2);
    prompter_.QueueAnswerFor("Clean Slate?", dv::Answer::No);
    emit combo->activated(0);
    QCOMPARE(Shown(list), (QStringList{"/x", "/y", "/z"}));
    list->topLevelItem(1)->setSelected(true);
    Click(&bank, "cmdRemove");
    QCOMPARE(Shown(list), (QStringList{"/x", "/z"}));
    QCOMPARE(list->currentItem()->text(0), QString("/z"));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(Shown(list), (QStringList{"/w1", "/w2/"}));

    // Dropped through the list's own drop handling: a folder asked about once, a file added once.
    const std::string folder = tree_->Dir("drop/folder"), file = tree_->File("drop/f.txt", "f");
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(folder)), QUrl::fromLocalFile(QString::fromStdString(file)),
                   QUrl::fromLocalFile(QString::fromStdString(folder)), QUrl::fromLocalFile(QString::fromStdString(file))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    QCOMPARE(choices_, 1);
    QCOMPARE(Shown(list), (QStringList{"/w1", "/w2/", QString::fromStdString(folder + "/"), QString::fromStdString(file)}));
    nextChoice_ = 2;
    bank.DropPaths({QString::fromStdString(tree_->Dir("drop/other"))});
    QCOMPARE(Shown(list).last(), QString::fromStdString(*tree_ / "drop/other/*.*"));
    QCOMPARE(list->columnWidth(0), 6700 / 15);
    bank.DropPaths({QString::fromStdString(tree_->File("drop/" + std::string(60, 'n'), "n"))});
    QCOMPARE(list->columnWidth(0), int(115 * (tree_->Root().size() + 6 + 60) / 15));
    delete mime;
  }
};

QTEST_MAIN(MacroBankTest)
#include "macro_bank_qtest.moc"
