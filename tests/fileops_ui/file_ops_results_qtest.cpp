// What the file operations window says about a run's results: a run stopped early is told apart from a finished
// one by the results button's colour and caption, failed items are said in a box, not only by a red button, and
// the results are saved also right after a restart, or the user is told there are none.
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "fileops_ui/frm_file_ops.h"
#include "shell/shell_services.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using dv::test::TempTree;

namespace {

// A session of the program as far as these tests need one: its services and its file operations window.
struct Session {
  dv::ShellServices services;
  dv::test::ScriptedPrompter prompter;
  dv::frmFileOps w{services, nullptr, &prompter};
  Session() {
    services.log.OpenSessionErrorLog();
    prompter.DefaultAnswer(dv::Answer::Yes);
    w.resize(1200, 800);
    w.show();
  }
  void Copy(const std::string& from, const std::string& to) {
    dv::test::Child<QLineEdit>(&w, "txtSource")->setText(QString::fromStdString(from));
    dv::test::Child<QLineEdit>(&w, "txtDestination")->setText(QString::fromStdString(to));
    w.PerformFileOperation();
    QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 60000);
  }
};

}  // namespace

class FileOpsResultsTest : public QObject {
  Q_OBJECT

 private slots:
  void theResultsButtonAndABoxTellHowTheRunEnded() {
    struct Row {
      const char* name;
      bool escape;      // pressed while the run asks to create its destination
      bool blockAFile;  // a folder stands where a copied file is to go
      QColor colour;
      bool stoppedEarly;  // said in the caption
      const char* said;  // the box after the run, or nothing
    };
    const Row rows[] = {
        {"finished", false, false, dv::frmFileOps::kNewResults, false, nullptr},
        {"stopped", true, false, dv::frmFileOps::kStoppedResults, true, nullptr},
        {"stopped twice", true, false, dv::frmFileOps::kStoppedResults, true, nullptr},
        {"failed", false, true, dv::frmFileOps::kNewResults, false, "1 of 2 items failed; see Errors This Session"},
    };
    TempTree tree;
    dv::test::IsolatedEnvironment env(tree);
    Session session;
    dv::frmFileOps& w = session.w;
    dv::test::ScriptedPrompter& prompter = session.prompter;
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    tree.File("src/a.txt", "alpha");
    tree.File("src/b.txt", "bravo");
    dv::test::Child<QAbstractButton>(&w, "chkCopyOverwrite")->click();
    auto* results = dv::test::Child<QPushButton>(&w, "cmdLastOperationResults");
    const QString caption = results->text();
    // The run waits for the answer, so the key is pressed while it runs, whatever the machine's speed.
    bool escape = false;
    prompter.OnAsk([&](const dv::test::Asked& asked) {
      if (escape && asked.title == "Create Folder") QTest::keyClick(&w, Qt::Key_Escape);
    });
    int n = 0;
    for (const Row& r : rows) {
      const std::string dst = tree / ("dst" + std::to_string(++n));
      if (r.blockAFile) tree.Dir("dst" + std::to_string(n) + "/a.txt/inside");
      prompter.Clear();
      escape = r.escape;
      session.Copy(tree / "src", dst);
      QCOMPARE(results->palette().color(QPalette::Button), r.colour);
      QCOMPARE(results->text(), r.stoppedEarly ? caption + " (Stopped early)" : caption);
      QCOMPARE(prompter.Count("Message"), r.said ? 1 : 0);
      if (r.said) QCOMPARE(QString::fromStdString(prompter.Log().back().text), QString(r.said));
    }
    // Viewing the results gives the button its usual caption back.
    escape = true;
    session.Copy(tree / "src", tree / "dst-last");
    results->click();
    results->click();
    QVERIFY2(!results->text().contains("Stopped early"), qPrintable(results->text()));
  }

  // Right after a restart the viewer is empty: the last run's results file is saved, or the user hears there is
  // none, and no empty file is written.
  void savingRightAfterARestart() {
    struct Row {
      const char* name;
      bool resultsLeft;
      const char* said;  // the box instead of the save dialog, or nothing
    };
    const Row rows[] = {{"results left", true, nullptr},
                        {"none", false, "There are no operation results to save yet."}};
    for (const Row& r : rows) {
      TempTree tree;
      dv::test::IsolatedEnvironment env(tree);
      tree.File("src/a.txt", "alpha");
      if (r.resultsLeft) Session().Copy(tree / "src", tree.Dir("dst"));
      Session restarted;
      int dialogs = 0;
      const std::string target = tree / "saved.rtf";
      restarted.w.SaveDialog = [&](const dv::SaveDialogRequest&) -> std::optional<dv::SaveDialogChoice> {
        ++dialogs;
        return dv::SaveDialogChoice{QString::fromStdString(target), 1};
      };
      restarted.w.SaveLastOperationResults();
      QCOMPARE(dialogs, r.said ? 0 : 1);
      QCOMPARE(restarted.prompter.Count("Message"), r.said ? 1 : 0);
      if (r.said) QCOMPARE(QString::fromStdString(restarted.prompter.Log().back().text), QString(r.said));
      QCOMPARE(TempTree::Exists(target), !r.said);
      if (!r.said) QVERIFY2(TempTree::Read(target).find("Success: ") != std::string::npos, r.name);
    }
  }
};

QTEST_MAIN(FileOpsResultsTest)
#include "file_ops_results_qtest.moc"
