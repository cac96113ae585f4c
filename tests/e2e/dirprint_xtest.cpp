// The directory printer end to end on a real X server: the user types a folder into the path box, clicks
// "Get Directory Information" (the real progress program comes and goes), and the preview shows the report; then
// the sortable view. Screenshots are kept in the artifacts folder.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "dirprint/frm_dir_print.h"
#include "shell/report_view.h"
#include "shell/frm_main.h"
#include "shell/shell_services.h"

class DirPrintEndToEnd : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  void Write(const QString& rel, int bytes) {
    QString path = dir_.filePath("tree/" + rel);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
  }

  void Shot(QWidget* w, const QString& name) {
    QString folder = qEnvironmentVariable("DV_ARTIFACT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(w->grab().save(folder + "/" + name, "PNG"));
  }

 private slots:
  void typesAPathClicksAndSeesTheReport() {
    qputenv("XDG_RUNTIME_DIR", dir_.filePath("run").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    qputenv("HOME", dir_.filePath("home").toUtf8());
    for (const char* d : {"run", "config", "home"}) QDir().mkpath(dir_.filePath(d));
    QFile::setPermissions(dir_.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The progress program is looked for beside the running program.
    QString progress = QCoreApplication::applicationDirPath() + "/VORizivuzuvi";
    if (!QFile::exists(progress)) QFile::link(DV_BUILD_BIN_DIR "/VORizivuzuvi", progress);
    Write("letters/a letter.txt", 2048);
    Write("letters/old/archive.doc", 100);
    Write("pictures/holiday.jpg", 5000);
    QString root = dir_.filePath("tree");

    dv::ShellServices services;
    dv::frmMain w(services, [](dv::ShellServices& s, dv::frmCancel* c) { return new dv::frmDirPrint(s, c); });
    w.show();
    w.Load();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 30000));  // a loaded machine may take a while

    auto* path = w.findChild<QLineEdit*>("txtPathSelected");
    auto* button = w.findChild<QPushButton*>("cmdProcessDirPrint");
    auto* preview = w.findChild<dv::ReportPreview*>("rtfPreviewDirPrint");
    auto* job = w.findChild<dv::frmDirPrint*>();
    QVERIFY(path && button && preview && job);
    // A job runs on its worker: the window takes input again once it has ended.
    auto idle = [&] { return QTest::qWaitFor([&] { return !job->JobRunning(); }, 30000); };
    path->setFocus();
    path->selectAll();
    QTest::keyClicks(path, root);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(preview->Text().contains("Dorvane Hierarchical Directory Report"));
    QString report = preview->Text();
    QVERIFY2(report.contains("Starting Directory: " + root), qPrintable(report));
    QVERIFY(report.contains("--letters"));
    QVERIFY(report.contains("a letter.txt"));
    QVERIFY(report.contains("Files Shown:3"));
    QVERIFY(idle());
    Shot(&w, "dirprint-report.png");

    // The sortable view fills the list (choosing it walks again: the report at hand is laid out for another view).
    w.findChild<QRadioButton*>("optSortableView")->click();
    QVERIFY(idle());
    QTest::mouseClick(button, Qt::LeftButton);
    auto* list = w.findChild<QTableView*>("lvFilesFolders");
    QVERIFY(list);
    QTRY_VERIFY(list->isVisible() && list->model() && list->model()->rowCount() == 6);
    QVERIFY(idle());
    Shot(&w, "dirprint-sortable.png");

    // Closing the window from its window menu, then going back to it from the main menu: the same window comes
    // back (this used to crash the program) and still runs a job.
    auto* sub = w.findChild<QMdiArea*>()->activeSubWindow();
    QVERIFY(sub && sub->systemMenu());
    QAction* close = nullptr;
    for (QAction* a : sub->systemMenu()->actions())
      if (a->text().remove('&').startsWith("Close")) close = a;
    QVERIFY(close);
    close->trigger();
    QTRY_VERIFY(!sub->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // any deferred deletion runs here
    w.Item("mnuGetNewDirectoryInfo")->trigger();
    QVERIFY(idle());
    w.Item("mnuGotoDirectoryPrinter")->trigger();
    QTRY_VERIFY(button->isVisible());
    w.findChild<QRadioButton*>("optHierarchicalView")->click();
    QVERIFY(idle());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(preview->isVisible() && preview->Text().contains("Files Shown:3"));
  }
};

QTEST_MAIN(DirPrintEndToEnd)
#include "dirprint_xtest.moc"
