// The file operations window end to end on a real X server: from the main window's File menu the user switches to
// File Operations, types a source and a destination folder, presses "Perform Operation", answers the real
// confirmation box, and the real progress program comes and goes while the tree is copied; the results button
// turns green and the results view shows every copied file; closed from its window menu, the window comes back
// from the main menu as it was. Screenshots are kept in the artifacts folder.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "shell/report_view.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/frm_cancel.h"
#include "shell/frm_main.h"
#include "shell/shell_services.h"

namespace {

// The progress controller, noting what it sends to the progress program and whether the program ran.
class RecordingCancel : public dv::frmCancel {
 public:
  using frmCancel::frmCancel;
  QStringList sent;
  bool programSeen = false;
  void UpdateProgressBox(const QString& text) override {
    sent << text;
    programSeen = programSeen || ProgressRunning();
    frmCancel::UpdateProgressBox(text);
  }
};

}  // namespace

class FileOpsEndToEnd : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  void Shot(QWidget* w, const QString& name) {
    QString folder = qEnvironmentVariable("DV_ARTIFACT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(w->grab().save(folder + "/" + name, "PNG"));
  }

  // Clicks `button` and answers every box it brings with Yes (or OK) until the window's run has ended; the titles
  // asked, in order. The box titled `shotTitle` is kept as a screenshot named `shotName`.
  QStringList ClickAnsweringYes(QWidget* button, const QString& shotTitle = {}, const QString& shotName = {}) {
    QStringList asked;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      asked << box->windowTitle();
      if (box->windowTitle() == shotTitle) Shot(box, shotName);
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      (yes ? yes : box->button(QMessageBox::Ok))->click();
    });
    answer.start(100);
    auto* ops = qobject_cast<dv::frmFileOps*>(button->parentWidget());
    for (QObject* o = button; o && !ops; o = o->parent()) ops = qobject_cast<dv::frmFileOps*>(o);
    QTest::mouseClick(button, Qt::LeftButton);
    // The run goes on on its worker; the boxes it asks come while it lasts.
    if (!QTest::qWaitFor([&] { return ops && !ops->Running(); }, 60000)) asked << "(the run did not end)";
    answer.stop();
    return asked;
  }

 private slots:
  void initTestCase() {
    qputenv("XDG_RUNTIME_DIR", dir_.filePath("run").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    qputenv("HOME", dir_.filePath("home").toUtf8());
    qputenv("XDG_DATA_HOME", dir_.filePath("data").toUtf8());
    for (const char* d : {"run", "config", "home"}) QDir().mkpath(dir_.filePath(d));
    QFile::setPermissions(dir_.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QString progress = QCoreApplication::applicationDirPath() + "/VORizivuzuvi";
    if (!QFile::exists(progress)) QFile::link(DV_BUILD_BIN_DIR "/VORizivuzuvi", progress);
  }

  void copiesATreeWithTheProgressProgram() {
    // 300 files in 30 folders, each holding its own name.
    const QString source = dir_.filePath("tree"), target = dir_.filePath("copy");
    for (int f = 0; f < 30; ++f)
      for (int i = 0; i < 10; ++i) {
        const QString rel = QString("folder %1/file %2.txt").arg(f).arg(i);
        QDir().mkpath(QFileInfo(source + "/" + rel).path());
        QFile file(source + "/" + rel);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rel.toUtf8());
      }

    dv::ShellServices services;
    RecordingCancel* cancel = nullptr;
    dv::frmMain w(services, {}, [&](dv::ShellServices& s) {
      cancel = new RecordingCancel(s.errors, dv::frmCancel::DefaultProgramPath(), &w);
      cancel->ExchangeWaitMs(5000);
      return new dv::frmFileOps(s, cancel);
    });
    w.show();
    w.Load();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 30000));  // a loaded machine may take a while
    w.Item("mnuGotoFileOperations")->trigger();
    auto* ops = qobject_cast<dv::frmFileOps*>(w.FileOps());
    QVERIFY(ops && cancel);
    QTRY_VERIFY(ops->isVisible());
    QVERIFY(w.Item("mnuPerformFileOperation")->isEnabled());

    auto type = [&](const char* box, const QString& text) {
      auto* edit = ops->findChild<QLineEdit*>(box);
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, text);
    };
    type("txtSource", source);
    type("txtDestination", target);
    // The real confirmation box (and the question whether to create the destination) answered Yes.
    const QStringList asked = ClickAnsweringYes(ops->findChild<QPushButton*>("cmdProcess"), "Operation Confirmation",
                                                "fileops-confirmation.png");

    QVERIFY2(asked.contains("Operation Confirmation"), qPrintable(asked.join(", ")));
    for (int f = 0; f < 30; ++f)
      for (int i = 0; i < 10; ++i) {
        const QString rel = QString("folder %1/file %2.txt").arg(f).arg(i);
        QFile copied(target + "/" + rel);
        QVERIFY2(copied.open(QIODevice::ReadOnly), qPrintable(rel));
        QCOMPARE(copied.readAll(), rel.toUtf8());
      }
    QVERIFY(cancel->programSeen);
    // One clock (the progress window's own); once the items are worked through, the text counts them.
    QVERIFY2(!cancel->sent.isEmpty(), "no progress sent");
    for (const QString& text : cancel->sent)
      QVERIFY2(!text.contains("elapsed") && (!text.startsWith("Processing") || text.contains("Items done: ")),
               qPrintable(cancel->sent.join(" | ")));
    QTRY_VERIFY(!cancel->ProgressRunning());
    auto* results = ops->findChild<QPushButton*>("cmdLastOperationResults");
    QCOMPARE(results->palette().color(QPalette::Button), dv::frmFileOps::kNewResults);
    Shot(&w, "fileops-after-copy.png");

    w.Item("mnuViewFileOpLastOperationResults")->trigger();
    auto* view = ops->findChild<dv::ReportPreview*>("txtInfoDisplay");
    QTRY_VERIFY(view->isVisible());
    const QString text = view->Text();
    QVERIFY2(text.contains("Operation Summary: File(s) processed Successfully=330 Failure=0"), qPrintable(text));
    QVERIFY(text.contains("Success: " + source + "/folder 29/file 9.txt"));
    QVERIFY(!w.Item("mnuPerformFileOperation")->isEnabled());
    Shot(&w, "fileops-results.png");

    // Closing the window from its window menu, then going back to it from the main menu: the same window comes
    // back as it was, and the menu items still reach it.
    auto* sub = w.findChild<QMdiArea*>()->activeSubWindow();
    QVERIFY(sub && sub->systemMenu());
    QAction* close = nullptr;
    for (QAction* a : sub->systemMenu()->actions())
      if (a->text().remove('&').startsWith("Close")) close = a;
    QVERIFY(close);
    close->trigger();
    QTRY_VERIFY(!sub->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // any deferred deletion runs here
    w.Item("mnuViewFileOpLastOperationResults")->trigger();
    w.Item("mnuGotoFileOperations")->trigger();
    QTRY_VERIFY(ops->isVisible());
    QVERIFY(!view->isVisible());
    QVERIFY(w.Item("mnuPerformFileOperation")->isEnabled());
  }

  // A delete with "Remove Empty Directories" removes the chosen folder itself; the From box keeps its path, shows
  // it as missing, and the next Perform is refused with a message instead of deleting in the parent folder.
  void aSourceRemovedByItsRunStaysAndPerformRefuses() {
    const QString parent = dir_.filePath("parent"), chosen = parent + "/chosen";
    QVERIFY(QDir().mkpath(chosen));
    for (const QString& path : {parent + "/keep.txt", chosen + "/gone.txt"}) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    dv::ShellServices services;
    dv::frmMain w(services, {}, [&](dv::ShellServices& s) {
      auto* cancel = new dv::frmCancel(s.errors, dv::frmCancel::DefaultProgramPath(), &w);
      cancel->ExchangeWaitMs(5000);
      return new dv::frmFileOps(s, cancel);
    });
    w.show();
    w.Load();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 30000));  // a loaded machine may take a while
    w.Item("mnuGotoFileOperations")->trigger();
    auto* ops = qobject_cast<dv::frmFileOps*>(w.FileOps());
    QVERIFY(ops);
    QTRY_VERIFY(ops->isVisible());
    auto* source = ops->findChild<QLineEdit*>("txtSource");
    source->setFocus();
    source->selectAll();
    QTest::keyClicks(source, chosen);
    ops->findChild<QAbstractButton*>("optFileOps_2")->click();
    ops->findChild<QAbstractButton*>("chkDeleteEmptyDirectories")->click();
    QVERIFY(ops->findChild<QAbstractButton*>("chkDeleteEmptyDirectories")->isChecked());

    auto* perform = ops->findChild<QPushButton*>("cmdProcess");
    QStringList asked = ClickAnsweringYes(perform);
    QVERIFY2(asked.contains("Operation Confirmation"), qPrintable(asked.join(", ")));
    QVERIFY2(!QFileInfo::exists(chosen), qPrintable(asked.join(", ") + " / " + ops->findChild<dv::ReportPreview*>("txtInfoDisplay")->Text()));
    QCOMPARE(source->text(), chosen);
    QVERIFY(ops->findChild<QLabel*>("lblSource")->text().contains("not found"));
    Shot(&w, "fileops-missing-source.png");

    asked = ClickAnsweringYes(perform, "Source does not exist", "fileops-missing-source-refused.png");
    QCOMPARE(asked, QStringList{"Source does not exist"});
    QVERIFY(QFileInfo::exists(parent + "/keep.txt"));
    QCOMPARE(source->text(), chosen);
  }
};

QTEST_MAIN(FileOpsEndToEnd)
#include "fileops_xtest.moc"
