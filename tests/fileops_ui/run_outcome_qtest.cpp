// What the file operations window says when a run ends: a run stopped early is told apart from a finished one
// by the results button's colour and caption, and failed items are said in a box, not only by a red button.
#include <QKeyEvent>
#include <QPushButton>
#include <QtTest>

#include "fileops_ui/frm_file_ops.h"
#include "shell/shell_services.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using dv::test::TempTree;

class RunOutcomeTest : public QObject {
  Q_OBJECT

 private slots:
  void theResultsButtonAndABoxTellHowTheRunEnded() {
    struct Row {
      const char* name;
      bool escape;      // pressed as the run starts
      bool blockAFile;  // a folder stands where a copied file is to go
      QColor colour;
      const char* caption;
      const char* said;  // the box after the run, or nothing
    };
    const Row rows[] = {
        {"finished", false, false, dv::frmFileOps::kNewResults, "View Operation Results", nullptr},
        {"stopped", true, false, dv::frmFileOps::kStoppedResults, "View Operation Results (Stopped early)", nullptr},
        {"stopped twice", true, false, dv::frmFileOps::kStoppedResults, "View Operation Results (Stopped early)",
         nullptr},
        {"failed", false, true, dv::frmFileOps::kNewResults, "View Operation Results",
         "1 of 2 items failed; see Errors This Session"},
    };
    TempTree tree;
    dv::test::IsolatedEnvironment env(tree);
    dv::ShellServices services;
    services.log.OpenSessionErrorLog();
    dv::test::ScriptedPrompter prompter;
    prompter.DefaultAnswer(dv::Answer::Yes);
    dv::frmFileOps w(services, nullptr, &prompter);
    w.resize(1200, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    tree.File("src/a.txt", "alpha");
    tree.File("src/b.txt", "bravo");
    dv::test::Child<QLineEdit>(&w, "txtSource")->setText(QString::fromStdString(tree / "src"));
    dv::test::Child<QAbstractButton>(&w, "chkCopyOverwrite")->click();
    auto* results = dv::test::Child<QPushButton>(&w, "cmdLastOperationResults");
    int n = 0;
    for (const Row& r : rows) {
      const std::string dst = tree.Dir("dst" + std::to_string(++n));
      if (r.blockAFile) tree.Dir("dst" + std::to_string(n) + "/a.txt/inside");
      dv::test::Child<QLineEdit>(&w, "txtDestination")->setText(QString::fromStdString(dst));
      prompter.Clear();
      // Seen by the run at its first check, as a key pressed while it runs.
      if (r.escape) QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      w.PerformFileOperation();
      QCOMPARE(results->palette().color(QPalette::Button), r.colour);
      QCOMPARE(results->text(), QString(r.caption));
      QCOMPARE(prompter.Count("Message"), r.said ? 1 : 0);
      if (r.said) QCOMPARE(QString::fromStdString(prompter.Log().back().text), QString(r.said));
    }
    // Viewing the results gives the button its usual caption back.
    results->click();
    results->click();
    QCOMPARE(results->text(), QString("View Operation Results"));
  }
};

QTEST_MAIN(RunOutcomeTest)
#include "run_outcome_qtest.moc"
