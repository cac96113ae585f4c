// Times the directory printer's sortable view on the generated 200,000-file tree: the scan writing the sortable
// report, loading the report into the window's preview (indexed, visible lines read), filling the sortable list, and sorting it by the
// size column (both ways) and by the name column; then the whole job without and with the real progress program
// VORizivuzuvi of the build (DV_PROGRESS_PROGRAM names another one). Prints the times; nothing here passes or
// fails on time. DV_BENCH_FILES sets the number of files (default 200000); the tree lives in a temporary folder
// removed at the end.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

#include "common/error_handler.h"
#include "common/prompter.h"
#include "dirprint/dir_print_job.h"
#include "shell/report_view.h"
#include "dirprint/sortable_list.h"
#include "scan/cls_dir_processing.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "tree_gen.h"

namespace {

class SilentPrompter : public dv::Prompter {
 public:
  void Message(const std::string&, const std::string&) override {}
  bool YesNo(const std::string&, const std::string&) override { return false; }
  dv::Answer YesNoCancel(const std::string&, const std::string&) override { return dv::Answer::Cancel; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

long Files() {
  const char* v = std::getenv("DV_BENCH_FILES");
  return v ? std::atol(v) : 200000;
}

// The progress program of the build (the bench runs from build/bench, the program lives in build/src).
QString ProgressProgram() {
  const QString chosen = qEnvironmentVariable("DV_PROGRESS_PROGRAM");
  return chosen.isEmpty() ? QCoreApplication::applicationDirPath() + "/../src/VORizivuzuvi" : chosen;
}

// The real controller, counting what the job hands it.
class CountingCancel : public dv::frmCancel {
 public:
  using frmCancel::frmCancel;
  int updates = 0, checks = 0;
  void UpdateProgressBox(const QString& text) override {
    ++updates;
    frmCancel::UpdateProgressBox(text);
  }
  bool CloseMeCheck() override {
    ++checks;
    return frmCancel::CloseMeCheck();
  }
};

void Row(const char* job, double seconds) {
  std::printf("| %s | %.3f s |\n", job, seconds);
  std::fflush(stdout);
}

}  // namespace

class DirPrintBench : public QObject {
  Q_OBJECT

 private slots:
  void sortableView() {
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString root = work.path() + "/tree";
    const dv::bench::TreeStats stats = dv::bench::GenerateTree(root.toStdString(), Files(), 27, 3);
    const QString report = work.path() + "/tmpOuput.txt";

    SilentPrompter prompter;
    dv::SessionErrorLog log((work.path() + "/DVcurerr.txt").toStdString());
    dv::ErrorHandler errors(prompter, log, nullptr);
    dv::clsDirProcessing engine(prompter);
    dv::DirPrintChoices c;
    c.view = 3;
    c.columns = {"Size", "File Type", "Modified"};
    c.sizeUnit = 0;
    c.extensionsText = "*.*";
    c.startingDirectory = root.toStdString();

    std::printf("\n%llu files in %llu folders\n\n| step | time |\n|---|---|\n",
                static_cast<unsigned long long>(stats.files), static_cast<unsigned long long>(stats.folders));
    dv::ProcessDirPrintJob(c, engine, errors, report.toStdString());  // warms the caches
    dv::ReportPreview preview;
    preview.resize(900, 500);
    preview.show();
    QElapsedTimer t;
    double previewSeconds = 0;
    t.start();
    dv::ProcessDirPrintJob(c, engine, errors, report.toStdString());
    Row("scan writing the sortable report (size, type, modified)", t.nsecsElapsed() / 1e9);
    {
      QElapsedTimer p;
      p.start();
      preview.Load(report);
      QCoreApplication::processEvents();  // the preview paints
      previewSeconds = p.nsecsElapsed() / 1e9;
    }
    Row("report loaded into the preview and painted", previewSeconds);

    QTableView view;
    view.resize(900, 500);
    view.show();
    dv::SortableListModel model;
    t.restart();
    dv::FormatSortableView(report.toStdString(), &view, &model, errors);
    QCoreApplication::processEvents();
    Row(qPrintable(QString("sortable list filled (%1 rows) and painted").arg(model.rowCount())), t.nsecsElapsed() / 1e9);
    QVERIFY(model.rowCount() >= int(stats.files));

    t.restart();
    model.ColumnClick(0);
    QCoreApplication::processEvents();
    Row("sort by size, ascending", t.nsecsElapsed() / 1e9);
    t.restart();
    model.ColumnClick(0);
    QCoreApplication::processEvents();
    Row("sort by size, descending", t.nsecsElapsed() / 1e9);
    t.restart();
    model.ColumnClick(2);
    QCoreApplication::processEvents();
    Row("sort by date (Modified), ascending", t.nsecsElapsed() / 1e9);
    t.restart();
    model.ColumnClick(3);
    QCoreApplication::processEvents();
    Row("sort by name (text, case ignored), ascending", t.nsecsElapsed() / 1e9);

    t.restart();
    dv::ProcessDirPrintJob(c, engine, errors, report.toStdString());
    Row("whole job, no progress program", t.nsecsElapsed() / 1e9);
    const QString program = ProgressProgram();
    if (!QFileInfo(program).isExecutable()) QSKIP(qPrintable("no progress program at " + program));
    CountingCancel cancel(errors, program);
    dv::BackgroundJob job(&cancel);
    bool done = false;
    t.restart();
    QVERIFY(dv::StartDirPrintJob(job, &cancel, c, engine, errors, report.toStdString(), [&](long) { done = true; }));
    QVERIFY(QTest::qWaitFor([&] { return done; }, 600000));
    const double withProgram = t.nsecsElapsed() / 1e9;
    Row(qPrintable(QString("whole job with VORizivuzuvi (started, %1 progress texts, %2 checks, closed)")
                       .arg(cancel.updates)
                       .arg(cancel.checks)),
        withProgram);
    QVERIFY(!engine.ClosingDown());
  }
};

QTEST_MAIN(DirPrintBench)
#include "dirprint_bench.moc"
