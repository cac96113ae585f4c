// The directory printer job against the real scanning engine on real temporary trees: every view's report
// reflects the choices, the conversions whose order matters, the error kinds reaching the log or the user, and
// the progress program around the scan (also cancelled through it, and missing).
#include <fcntl.h>
#include <sys/stat.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <thread>

#include "common/error_handler.h"
#include "common/pattern.h"
#include "dirprint/dir_print_job.h"
#include "ui_common/progress_protocol.h"
#include "scan/cls_dir_processing.h"
#include "scan/report_writer.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "support/prompter_texts.h"
#include "support/scripted_prompter.h"

using dv::test::Texts;

namespace {

const QString kProgram = QStringLiteral(DV_BUILD_BIN_DIR "/VORizivuzuvi");

void WriteFile(const QString& path, qint64 bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << std::string(size_t(bytes), 'x');
}

void SetModified(const QString& path, const dv::LocalTime& when) {
  const timespec t = dv::DateTime::FromLocal(when).ToTimespec();
  const timespec times[2] = {t, t};
  QVERIFY(::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, AT_SYMLINK_NOFOLLOW) == 0);
}

// One fresh tree, log, error handler and engine per test.
struct Harness {
  QTemporaryDir dir;
  QString root = dir.path() + "/tree";
  QString report = dir.path() + "/tmpOuput.txt";
  dv::test::ScriptedPrompter prompter;
  dv::SessionErrorLog log{(dir.path() + "/DVcurerr.txt").toStdString()};
  dv::ErrorHandler errors{prompter, log, nullptr};
  dv::clsDirProcessing engine{prompter};

  // tree/a.txt (3 bytes), tree/b.doc (2000), tree/.hidden.txt (1), tree/sub/c.txt (5), tree/sub/deeper/d.txt (7)
  Harness() {
    QDir().mkpath(root + "/sub/deeper");
    WriteFile(root + "/a.txt", 3);
    WriteFile(root + "/b.doc", 2000);
    WriteFile(root + "/.hidden.txt", 1);
    WriteFile(root + "/sub/c.txt", 5);
    WriteFile(root + "/sub/deeper/d.txt", 7);
    SetModified(root + "/a.txt", {2004, 10, 4, 15, 15, 0});
  }

  dv::DirPrintChoices Choices() const {
    dv::DirPrintChoices c;
    c.columns = {"Size", "File Type"};
    c.extensionsText = "*.*";
    c.startingDirectory = root.toStdString();
    return c;
  }

  // Without a progress program on the calling thread, with one on a job's worker as the window runs it.
  void Run(const dv::DirPrintChoices& c, dv::frmCancel* cancel = nullptr,
           const std::function<void()>& atPreview = {}) {
    if (!cancel) {
      dv::ProcessDirPrintJob(c, engine, errors, report.toStdString());
      return;
    }
    dv::BackgroundJob job(cancel);
    bool done = false;
    QVERIFY(dv::StartDirPrintJob(job, cancel, c, engine, errors, report.toStdString(), [&](long) {
      if (atPreview) atPreview();
      done = true;
    }));
    QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
  }

  QString Report() const {
    QFile f(report);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<no report>");
  }
  QString Log() const {
    QFile f(QString::fromStdString(log.Path()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
};

// Sends one request to a progress program; empty when it cannot be reached yet.
QByteArray Ask(const QString& server, QByteArrayView request) {
  QLocalSocket socket;
  socket.connectToServer(server);
  if (!socket.waitForConnected(200)) return {};
  socket.write(request.toByteArray() + '\n');
  socket.flush();
  const QDeadlineTimer deadline(15000);
  while (!socket.canReadLine() && !deadline.hasExpired()) socket.waitForReadyRead(100);
  return socket.readLine().trimmed();
}

}  // namespace

class DirPrintJobTest : public QObject {
  Q_OBJECT

 private slots:
  void eachViewWritesItsReport_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("hierarchical") << 0 << "Dorvane Hierarchical Directory Report";
    QTest::newRow("DOS") << 1 << "Dorvane DOS Style Directory Report";
    QTest::newRow("CSV") << 2 << "Size(KB),File Type,Name";
    QTest::newRow("sortable") << 3 << "Size(KB),File Type,Name";
  }
  void eachViewWritesItsReport() {
    QFETCH(int, view);
    QFETCH(QString, firstLine);
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = view;
    h.Run(c);
    QCOMPARE(h.engine.ShowType(), long(view));
    const QString text = h.Report();
    QCOMPARE(text.section("\r\n", 0, 0), firstLine);
    for (const char* name : {"a.txt", "b.doc", ".hidden.txt", "c.txt", "d.txt"}) QVERIFY2(text.contains(name), name);
    if (view >= 2) {
      QVERIFY(text.contains("TXT File," + h.root + "/sub/c.txt\r\n"));
      QVERIFY(!text.contains("Summary"));
    } else {
      QVERIFY(text.contains("** Folders Shown: 3  Files Shown:5 **"));
    }
    QVERIFY(h.prompter.Log().empty());
  }

  void dosHeaderReflectsTheChoices() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = 1;
    c.columns = {"Size", "Modified"};
    c.levelsOnly = true;
    c.levelsText = "1";
    c.sizeUnit = 0;
    c.showHidden = false;
    h.Run(c);
    const QStringList lines = h.Report().split("\r\n");
    QCOMPARE(lines.value(1), QString("Column(s) Shown: Size, Modified, Name"));
    QCOMPARE(lines.value(2), QString("Filter(s) Inactive "));
    QCOMPARE(lines.value(3), QString("& Subdirectory Level Depth=1"));
    QCOMPARE(lines.value(4), "Starting Directory: " + h.root);
    QCOMPARE(lines.value(5), QString());
    QCOMPARE(lines.value(6), QString("Size(Byte)  Modified    Name      "));
    const QString text = h.Report();
    QVERIFY(text.contains("c.txt"));
    QVERIFY2(!text.contains("d.txt"), "one level deep only");
    QVERIFY2(!text.contains(".hidden.txt"), "hidden files off");
    QVERIFY(text.contains("2000        10-04-04    a.txt") == false);  // a.txt is 3 bytes
    QVERIFY(text.contains("3           10-04-04    a.txt"));

    c.extensionsText = "*.doc";
    h.Run(c);
    QVERIFY(h.Report().split("\r\n").value(2).startsWith("Filter(s) Active "));
    QVERIFY(h.Report().contains("b.doc"));
    QVERIFY(!h.Report().contains("a.txt"));
  }

  void columnTextsBecomeCodesEndingInZero() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    h.Run(c);
    QCOMPARE(h.engine.Columns(), (std::vector<long>{1, 3, 0}));
    c.columns = {"Attributes", "Bogus", "Accessed", "Created", "Modified"};
    h.Run(c);
    QCOMPARE(h.engine.Columns(), (std::vector<long>{2, 0, 6, 4, 5, 0}));
    c.columns = {};
    h.Run(c);
    QCOMPARE(h.engine.Columns(), (std::vector<long>{0}));
  }

  void depthFromTheLevelsText() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    h.Run(c);
    QCOMPARE(h.engine.DirLevelsDeep(), int16_t(32000));
    c.levelsOnly = true;
    c.levelsText = "3";
    h.Run(c);
    QCOMPARE(h.engine.DirLevelsDeep(), int16_t(3));
    c.levelsText = "2.5";  // halves go to the even neighbour
    h.Run(c);
    QCOMPARE(h.engine.DirLevelsDeep(), int16_t(2));
    QVERIFY(h.prompter.Log().empty());
    c.levelsText = "40000";  // beyond 16 bits: reported, the depth stays
    h.Run(c);
    QCOMPARE(h.engine.DirLevelsDeep(), int16_t(2));
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY(Texts(h.prompter)[0].contains("fdp:04"));
    QVERIFY(h.Report().contains("d.txt"));  // the scan still ran, two levels deep
    c.levelsText = "1";
    h.Run(c);
    QVERIFY(!h.Report().contains("d.txt"));
  }

  void sizeUnitOnlyWhenShownAndBeforeTheSizeFilters() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.fileSizeOperator = ">=";
    c.fileSizeText = "10";
    c.fileSizeUnit = "KB";
    c.sizeUnit = 0;
    h.Run(c);
    QCOMPARE(h.engine.SizeType(), 0L);
    // The limit is converted into the display unit set just before it.
    QCOMPARE(h.engine.Settings().fileSize.Limit(), int64_t(10240));
    QVERIFY(h.engine.Settings().fileSize.On());

    c.sizeUnitShown = false;
    c.sizeUnit = 2;
    h.Run(c);
    QCOMPARE(h.engine.SizeType(), 0L);
    QCOMPARE(h.engine.Settings().fileSize.Limit(), int64_t(10240));

    c.sizeUnitShown = true;
    c.sizeUnit = 1;
    h.Run(c);
    QCOMPARE(h.engine.Settings().fileSize.Limit(), int64_t(10));
  }

  void sizeFiltersOffWhenAFieldIsEmptyKeptForAnUnknownUnit() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = 2;
    c.fileSizeOperator = ">";
    c.fileSizeText = "1,000";  // the leading number: 1
    c.fileSizeUnit = "KB";
    h.Run(c);
    QVERIFY(h.engine.Settings().fileSize.On());
    QVERIFY(h.Report().contains("b.doc"));
    QVERIFY(!h.Report().contains("a.txt"));

    c.fileSizeUnit = "GB";  // not a unit of the list: no call, the previous restriction stays
    h.Run(c);
    QVERIFY(h.engine.Settings().fileSize.On());
    QVERIFY(!h.Report().contains("a.txt"));

    for (int field = 0; field < 3; ++field) {
      dv::DirPrintChoices off = c;
      off.fileSizeUnit = "KB";
      (field == 0 ? off.fileSizeOperator : field == 1 ? off.fileSizeText : off.fileSizeUnit).clear();
      h.engine.FileSizeRestrict(true, 1, 0, 1);
      h.Run(off);
      QVERIFY(!h.engine.Settings().fileSize.On());
      QCOMPARE(h.engine.Settings().fileSize.Limit(), int64_t(0));
      QVERIFY(h.Report().contains("a.txt"));
    }

    c.fileSizeUnit = "Bytes";
    c.fileSizeText = "3000000000";  // beyond 32 bits: reported, no call
    h.engine.FileSizeRestrict(false, 0, 3, 0);
    h.Run(c);
    QVERIFY(!h.engine.Settings().fileSize.On());
    QCOMPARE(h.prompter.Count(), 1);

    c.fileSizeText.clear();
    c.folderSizeOperator = ">";
    c.folderSizeText = "1";
    c.folderSizeUnit = "KB";
    h.Run(c);
    QVERIFY(h.engine.Settings().folderSize.On());
    c.folderSizeText.clear();
    h.Run(c);
    QVERIFY(!h.engine.Settings().folderSize.On());
  }

  void extensionsAllOffIncludeOrExclude() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = 2;
    c.extensionsText = "*.txt";
    h.Run(c);
    QVERIFY(h.engine.IsExtensionRestrictionOn());
    QVERIFY(h.Report().contains("a.txt") && !h.Report().contains("b.doc"));
    c.includeExtensions = false;
    h.Run(c);
    QVERIFY(!h.Report().contains("a.txt") && h.Report().contains("b.doc"));
    c.extensionsText = "*.*";
    h.Run(c);
    QVERIFY(!h.engine.IsExtensionRestrictionOn());
    QVERIFY(h.Report().contains("a.txt") && h.Report().contains("b.doc"));
    c.extensionsText = " *.doc";  // untrimmed text still names DOC
    c.includeExtensions = true;
    h.Run(c);
    QVERIFY(!h.Report().contains("a.txt") && h.Report().contains("b.doc"));
  }

  void patternsTrimmedAndConvertedInTheChosenMode() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = 2;
    c.filePattern = "  a*  ";
    h.Run(c);
    QCOMPARE(h.engine.PatternMatchingOption(), 1L);
    QCOMPARE(h.engine.RegExFilePattern(), dv::ConvertPattern("a*", 1));
    QVERIFY(h.Report().contains("a.txt") && !h.Report().contains("b.doc"));
    c.wildcards = false;
    c.filePattern = " ^b ";
    c.folderPattern = "   ";
    h.Run(c);
    QCOMPARE(h.engine.PatternMatchingOption(), 2L);
    QCOMPARE(h.engine.RegExFilePattern(), dv::ConvertPattern("^b", 2));
    QCOMPARE(h.engine.RegExFolderPattern(), std::string());
    QVERIFY(!h.Report().contains("a.txt") && h.Report().contains("b.doc"));
  }

  void dateRestrictionFromTheTexts() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.view = 2;
    c.dateType = "Date Modified";
    c.dateOperator = "<";
    c.date = {2005, 1, 1};
    h.Run(c);
    QVERIFY(h.engine.IsDateRestrictionOn());
    QCOMPARE(h.engine.Settings().date.Type(), dv::DateType::Modified);
    QVERIFY(h.Report().contains("a.txt") && !h.Report().contains("b.doc"));

    c.dateType = "Date Changed";  // not in the list: the previous restriction stays
    h.Run(c);
    QVERIFY(h.engine.IsDateRestrictionOn());
    QVERIFY(!h.Report().contains("b.doc"));

    c.dateType = "Date Created";
    c.dateValid = false;  // reported, no call
    h.Run(c);
    QCOMPARE(h.engine.Settings().date.Type(), dv::DateType::Modified);
    QCOMPARE(h.prompter.Count(), 1);

    c.dateEmpty = true;
    h.Run(c);
    QVERIFY(!h.engine.IsDateRestrictionOn());
    QCOMPARE(h.engine.Settings().date.Limit(), dv::DateTime::FromLocal({2000, 1, 1}));
    c.dateEmpty = false;
    c.dateValid = true;
    c.dateOperator.clear();
    h.engine.DateRestrict(true, {2001, 1, 1}, 0, 0);
    h.Run(c);
    QVERIFY(!h.engine.IsDateRestrictionOn());
  }

  void walkErrorsAreLoggedOnly() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.wildcards = false;
    c.filePattern = "a(";  // not a valid expression: every file fails its name test
    h.Run(c);
    QVERIFY2(h.prompter.Log().empty(), qPrintable(Texts(h.prompter).join("|")));
    const QString log = h.Log();
    QVERIFY2(log.contains("Loc: cdp:8F"), qPrintable(log));
    QVERIFY(log.contains("Checking:a.txt against:"));
    QVERIFY(!h.Report().contains("a.txt"));
  }

  void settingErrorsAreShownAndOtherKindsIgnored() {
    Harness h;
    dv::DirPrintEvents events(h.errors);
    events.evtExternalPassError(dv::Error(5, "Invalid procedure call"), "cdp:5C", 1, "a setter");
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY(Texts(h.prompter)[0].contains("cdp:5C"));
    QVERIFY2(!h.Log().contains("cdp:5C"), "message and report, not the log");
    events.evtExternalPassError(dv::Error(53, "File not found"), "cdp:6B", 4, "listing at or near folder x");
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY(h.Log().contains("Loc: cdp:6B"));
    events.evtExternalPassError(dv::Error(70, "Permission denied"), "cdp:AB", 3, "size");
    events.evtExternalPassError(dv::Error(70, "Permission denied"), "cdp:AB", 2, "size");
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY(!h.Log().contains("cdp:AB"));
    // The items that could not be read (kinds 4 and 3) are counted for the window to say so.
    QCOMPARE(events.ItemErrors(), 2L);
  }

  void aMissingFolderGivesTheInvalidPathReport() {
    Harness h;
    dv::DirPrintChoices c = h.Choices();
    c.startingDirectory = (h.dir.path() + "/nowhere").toStdString();
    h.Run(c);
    QCOMPARE(h.Report(), QString(dv::kInvalidPathMarker));
    QCOMPARE(h.prompter.Count(), 1);
    QCOMPARE(h.prompter.Log()[0].title, std::string("Folder Does Not Exist"));
    QCOMPARE(Texts(h.prompter)[0],
             "The folder " + h.dir.path() + "/nowhere does not exist.  Please select another folder.");
  }

  // The message is the job's last word: no progress window comes up to cover it. A file is named as a file.
  void aMissingFolderOrAFileIsSaidWithoutTheProgressProgram() {
    Harness h;
    dv::frmCancel cancel(h.errors, kProgram);
    dv::DirPrintChoices c = h.Choices();
    c.startingDirectory = (h.root + "/a.txt").toStdString();
    h.Run(c, &cancel);
    QVERIFY(cancel.ServerName().isEmpty());  // never started
    QCOMPARE(h.prompter.Count(), 1);
    QCOMPARE(Texts(h.prompter)[0], "The path " + h.root + "/a.txt is a file, not a folder.  Please select a folder.");
  }

  void theProgressProgramRunsAroundTheScanAndThePreview() {
    Harness h;
    dv::frmCancel cancel(h.errors, kProgram);
    cancel.ExchangeWaitMs(10000);
    bool runningAtPreview = false;
    dv::DirPrintChoices c = h.Choices();
    h.Run(c, &cancel, [&] { runningAtPreview = cancel.ProgressRunning(); });
    QVERIFY(runningAtPreview);
    QVERIFY(!cancel.ProgressRunning());
    QVERIFY(!cancel.ServerName().isEmpty());
    QVERIFY(h.Report().contains("d.txt"));
    QVERIFY(!h.Report().contains(dv::kCancelledMarker));
    QVERIFY2(h.prompter.Log().empty(), qPrintable(Texts(h.prompter).join("|")));
    // The progress text of the last folder reached the controller.
    QVERIFY(cancel.txtDDEProgress->text().startsWith("Gathering information for folder #"));
  }

  void cancelInTheProgressProgramStopsTheScan() {
    Harness h;
    for (int i = 0; i < 30; ++i) {
      QDir().mkpath(h.root + QString("/many%1").arg(i));
      WriteFile(h.root + QString("/many%1/f.txt").arg(i), 1);
    }
    dv::frmCancel cancel(h.errors, kProgram);
    cancel.ExchangeWaitMs(10000);
    // The user presses Cancel as soon as the program listens; the scan holds at its first folder until the job's
    // timer has seen it.
    bool pressed = false;
    QTimer press;
    press.setInterval(0);
    connect(&press, &QTimer::timeout, [&] {
      if (pressed || cancel.ServerName().isEmpty()) return;
      if (Ask(cancel.ServerName(), dv::progress::kPressCancel) == "OK") pressed = true;
    });
    press.start();
    dv::DirPrintChoices c = h.Choices();
    c.view = 1;
    dv::BackgroundJob job(&cancel);
    dv::DirPrintHooks hooks = dv::JobHooks(job, &cancel, h.engine);
    hooks.progress = [&, shown = hooks.progress](const std::string& text) {
      shown(text);
      const QDeadlineTimer deadline(30000);
      while (!h.engine.ClosingDown() && !deadline.hasExpired()) std::this_thread::yield();
    };
    job.Start([&] { dv::ProcessDirPrintJob(c, h.engine, h.errors, h.report.toStdString(), hooks); }, {});
    QTRY_VERIFY_WITH_TIMEOUT(!job.Running(), 60000);
    press.stop();
    QVERIFY(pressed);
    QVERIFY(h.engine.ClosingDown());
    const QString text = h.Report();
    QVERIFY2(text.endsWith(dv::kCancelledMarker), qPrintable(text));
    QVERIFY(!text.contains("many29"));
    QVERIFY(!cancel.ProgressRunning());

    // The next job starts afresh.
    h.Run(c, &cancel);
    QVERIFY(!h.Report().contains(dv::kCancelledMarker));
    QVERIFY(h.Report().contains("many29"));
  }

  void aMissingProgressProgramIsReportedAndTheScanStillRuns() {
    Harness h;
    dv::frmCancel cancel(h.errors, h.dir.path() + "/no-such-program");
    h.Run(h.Choices(), &cancel);
    QVERIFY(!h.prompter.Log().empty());
    QVERIFY(Texts(h.prompter)[0].contains("FC:4"));
    QVERIFY(h.Report().contains("d.txt"));
  }
};

QTEST_MAIN(DirPrintJobTest)
#include "dir_print_job_qtest.moc"
