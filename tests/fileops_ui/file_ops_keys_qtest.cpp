// The file operations window by keyboard: arrow keys, Enter and Space in either folder tree choose the folder as
// a click does, and Escape closes the results and the errors view.
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include "shell/report_view.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/shell_services.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using dv::test::Child;
using dv::test::TempTree;

class FileOpsKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void treesAndViewsByKeyboard() {
    TempTree tree;
    dv::test::IsolatedEnvironment env(tree);
    for (const char* d : {"src/one", "src/two", "src/three"}) tree.Dir(d);
    dv::ShellServices services;
    services.log.OpenSessionErrorLog();
    dv::test::ScriptedPrompter prompter;
    dv::frmFileOps w(services, nullptr, &prompter);
    w.resize(1200, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QFileSystemModel* model = w.TreeModel();
    const QModelIndex src = model->index(QString::fromStdString(tree / "src"));
    for (const char* name : {"ExploreTreeFileOpsSource", "ExploreTreeFileOpsDestination"})
      Child<QTreeView>(&w, name)->expand(src);
    if (model->canFetchMore(src)) model->fetchMore(src);
    QTRY_COMPARE(model->rowCount(src), 3);  // the model reads folders in the background

    struct Row {
      const char* tree;
      const char* box;
      int startRow;  // of the three folders, as the tree shows them
      Qt::Key key;
      int move;  // the folder chosen: the row below (1), above (-1) or the start itself (0)
    };
    const Row rows[] = {
        {"ExploreTreeFileOpsSource", "txtSource", 0, Qt::Key_Down, 1},
        {"ExploreTreeFileOpsSource", "txtSource", 2, Qt::Key_Up, -1},
        {"ExploreTreeFileOpsSource", "txtSource", 1, Qt::Key_Return, 0},
        {"ExploreTreeFileOpsDestination", "txtDestination", 2, Qt::Key_Space, 0},
        {"ExploreTreeFileOpsDestination", "txtDestination", 1, Qt::Key_Down, 1},
    };
    for (const Row& r : rows) {
      auto* view = Child<QTreeView>(&w, r.tree);
      const QModelIndex start = model->index(r.startRow, 0, src);
      const QModelIndex chosen = r.move > 0 ? view->indexBelow(start) : r.move < 0 ? view->indexAbove(start) : start;
      view->setCurrentIndex(start);
      Child<QLineEdit>(&w, r.box)->clear();
      view->setFocus();
      QTest::keyClick(view, r.key);
      QCOMPARE(QDir(Child<QLineEdit>(&w, r.box)->text()).dirName(), model->fileName(chosen));
    }

    for (const char* name : {"cmdLastOperationResults", "cmdDisplayErrors"}) {
      Child<QPushButton>(&w, name)->click();
      auto* shown = w.findChildren<dv::ReportPreview*>().first();
      for (dv::ReportPreview* v : w.findChildren<dv::ReportPreview*>())
        if (!v->isHidden()) shown = v;
      QVERIFY2(!shown->isHidden(), name);
      shown->setFocus();
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : shown, Qt::Key_Escape);
      QVERIFY2(shown->isHidden(), name);
    }
  }
};

QTEST_MAIN(FileOpsKeysTest)
#include "file_ops_keys_qtest.moc"
