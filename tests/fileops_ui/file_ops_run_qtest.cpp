// The answers to the engine's events during a run: progress with the count of this run's items, handed on at the
// job's ticks, the cancel question stopping the engine, and errors by kind.
#include <QtTest>

#include "common/error_handler.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_ui/file_ops_run.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace {

// The progress controller without its program: notes what it is sent and answers the cancel question.
class FakeCancel : public dv::frmCancel {
 public:
  using frmCancel::frmCancel;
  QStringList sent;
  int checks = 0;
  bool cancelled = false;
  void UpdateProgressBox(const QString& text) override { sent << text; }
  bool CloseMeCheck() override {
    ++checks;
    return cancelled;
  }
};

}  // namespace

class FileOpsRunTest : public QObject {
  Q_OBJECT
  std::unique_ptr<dv::test::TempTree> tree_;
  dv::test::ScriptedPrompter prompter_;
  std::unique_ptr<dv::SessionErrorLog> log_;
  std::unique_ptr<dv::ErrorHandler> errors_;
  std::unique_ptr<dv::clsFileOps> engine_;
  std::unique_ptr<FakeCancel> cancel_;
  std::unique_ptr<dv::BackgroundJob> job_;
  std::unique_ptr<dv::FileOpsRun> run_;

 private slots:
  void init() {
    tree_ = std::make_unique<dv::test::TempTree>();
    prompter_.Reset();
    log_ = std::make_unique<dv::SessionErrorLog>(*tree_ / "DVcurerr.txt");
    log_->OpenSessionErrorLog();
    errors_ = std::make_unique<dv::ErrorHandler>(prompter_, *log_, nullptr);
    engine_ = std::make_unique<dv::clsFileOps>(prompter_, tree_->Root());
    cancel_ = std::make_unique<FakeCancel>(*errors_, "/nonexistent/VORizivuzuvi");
    job_ = std::make_unique<dv::BackgroundJob>(cancel_.get());
    run_ = std::make_unique<dv::FileOpsRun>(*engine_, *job_, *errors_);
  }
  void cleanup() {
    run_.reset();
    job_.reset();
    cancel_.reset();
    engine_.reset();
    errors_.reset();
    log_.reset();
    tree_.reset();
  }

  void progressCarriesTheCountOnceATick() {
    struct Step {
      const char* progress;  // nullptr: none
      int checks;            // checks for closing after it
      const char* sent;      // what the next tick hands the progress program
    };
    // A preview counts one check per item, after the one check before the items. The time is the progress
    // window's own: the text carries no second clock. However many events come between two ticks, one text goes.
    engine_->PreviewOnly(true);
    const Step steps[] = {
        {"\r\nGathering Files...", 0, "\r\nGathering Files..."},
        {"Gathering information for folder #2", 1, "Gathering information for folder #2"},
        {"Processing Operation...", 3, "Processing Operation... - Items done: 2"},
        {"Processing Folder \r\n/x", 0, "Processing Folder - Items done: 2\r\n/x"},
        {nullptr, 1, "Processing Folder - Items done: 3\r\n/x"},
    };
    for (const Step& s : steps) {
      if (s.progress) run_->evtCFOUpdateProgress(s.progress);
      for (int i = 0; i < s.checks; ++i) run_->evtCFOCheckForClosing();
      const qsizetype before = cancel_->sent.size();
      job_->Tick();
      QCOMPARE(cancel_->sent.size(), before + 1);
      QCOMPARE(cancel_->sent.last(), QString(s.sent));
    }
    QCOMPARE(cancel_->checks, 5);
    QVERIFY(!engine_->StopProcessing());
    // Cancel in the progress program stops the engine at the tick that sees it.
    cancel_->cancelled = true;
    job_->Start([] {}, {});
    job_->Tick();
    QVERIFY(engine_->StopProcessing() && engine_->scFileOperations().ClosingDown());
    QTRY_VERIFY(!job_->Running());
  }

  // A run counts its own items, whatever number of checks each item makes.
  void aRunCountsItsItems() {
    tree_->File("src/a.txt", "a");
    tree_->File("src/b.txt", "b");
    // The real copy counts the two files it copied; the preview also lists the folder itself.
    const struct {
      bool preview;
      long items;
    } rows[] = {{false, 2}, {true, 3}};
    for (const auto& [preview, items] : rows) {
      run_.reset();
      run_ = std::make_unique<dv::FileOpsRun>(*engine_, *job_, *errors_);
      engine_->scFileOperations().DirLevelsDeep(32000);
      engine_->scFileOperations().PatternMatchingOption(1);
      engine_->SourceDirectory(*tree_ / "src");
      engine_->scFileOperations().StartingDirectory(*tree_ / "src");
      engine_->DestinationDirectory(tree_->Dir(preview ? "dst-preview" : "dst"));
      engine_->FileOperation(dv::FileOp::Copy);
      engine_->PreviewOnly(preview);
      engine_->ProcessOperation();
      QCOMPARE(run_->ItemsDone(), items);
      const QString text = QString::fromStdString(run_->ProgressText());
      QVERIFY2(text.contains(QString("Items done: %1").arg(items)), qPrintable(text));
    }
  }

  void errorsAreShownOrLoggedByTheirKind() {
    struct Row {
      long kind;
      int messages;  // boxes shown
      bool logged;
    };
    const Row rows[] = {{1, 1, false}, {2, 1, false}, {3, 0, true}, {4, 0, true}, {5, 0, false}};
    QVERIFY(!run_->ErrorsThisRun());
    for (const Row& r : rows) {
      prompter_.Clear();
      const std::string before = dv::test::TempTree::Read(log_->Path());
      run_->evtCFOExternalPassError(dv::Error(70, "Permission denied"), "cfo:9", r.kind, "item " + std::to_string(r.kind));
      QCOMPARE(prompter_.Count("Message"), r.messages);
      const std::string after = dv::test::TempTree::Read(log_->Path());
      QCOMPARE(after.size() > before.size(), r.logged);
      if (r.logged) QVERIFY(after.find("item " + std::to_string(r.kind)) != std::string::npos);
      QVERIFY(run_->ErrorsThisRun());
    }
  }
};

QTEST_MAIN(FileOpsRunTest)
#include "file_ops_run_qtest.moc"
