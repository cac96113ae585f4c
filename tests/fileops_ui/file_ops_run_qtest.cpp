// The answers to the engine's events during a run: progress with the count of this run's items at most every
// 200 ms, the cancel question, Escape stopping the run while other input is dropped, and errors by kind.
#include <QLineEdit>
#include <QtTest>

#include "common/error_handler.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_ui/file_ops_run.h"
#include "shell/frm_cancel.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace {

using Clock = dv::FileOpsRun::Clock;

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
  Clock::time_point now_;
  std::unique_ptr<dv::FileOpsRun> run_;

  void At(int ms) { now_ = Clock::time_point{} + std::chrono::milliseconds(ms); }

 private slots:
  void init() {
    tree_ = std::make_unique<dv::test::TempTree>();
    prompter_.Reset();
    log_ = std::make_unique<dv::SessionErrorLog>(*tree_ / "DVcurerr.txt");
    log_->OpenSessionErrorLog();
    errors_ = std::make_unique<dv::ErrorHandler>(prompter_, *log_, nullptr);
    engine_ = std::make_unique<dv::clsFileOps>(prompter_, tree_->Root());
    cancel_ = std::make_unique<FakeCancel>(*errors_, "/nonexistent/VORizivuzuvi");
    At(0);
    run_ = std::make_unique<dv::FileOpsRun>(*engine_, cancel_.get(), *errors_, nullptr, [this] { return now_; });
  }
  void cleanup() {
    run_.reset();
    cancel_.reset();
    engine_.reset();
    errors_.reset();
    log_.reset();
    tree_.reset();
  }

  void progressCarriesTheCountAtMostEvery200Ms() {
    struct Step {
      int ms;
      const char* progress;  // nullptr: a check for closing
      const char* sent;      // what reaches the progress program then, or nothing
    };
    // A preview counts one check per item, after the one check before the items. The time is the progress
    // window's own: the text carries no second clock.
    engine_->PreviewOnly(true);
    const Step steps[] = {
        {0, "\r\nGathering Files...", "\r\nGathering Files..."},
        {100, "Gathering information for folder #2", nullptr},
        {150, nullptr, "Gathering information for folder #2"},
        {200, "Processing Operation...", nullptr},
        {210, nullptr, nullptr},
        {220, nullptr, nullptr},
        {400, nullptr, "Processing Operation... - Items done: 2"},
        {65000, "Processing Folder \r\n/x", "Processing Folder - Items done: 2\r\n/x"},
        {3725000, nullptr, "Processing Folder - Items done: 3\r\n/x"},
    };
    for (const Step& s : steps) {
      At(s.ms);
      const qsizetype before = cancel_->sent.size();
      if (s.progress) run_->evtCFOUpdateProgress(s.progress);
      else run_->evtCFOCheckForClosing();
      if (s.sent) {
        QCOMPARE(cancel_->sent.size(), before + 1);
        QCOMPARE(cancel_->sent.last(), QString(s.sent));
      } else {
        QCOMPARE(cancel_->sent.size(), before);
      }
    }
    QCOMPARE(cancel_->checks, 3);
    QVERIFY(!engine_->StopProcessing());
    cancel_->cancelled = true;
    At(4000000);
    run_->evtCFOCheckForClosing();
    QVERIFY(engine_->StopProcessing() && engine_->scFileOperations().ClosingDown());
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
      run_ = std::make_unique<dv::FileOpsRun>(*engine_, cancel_.get(), *errors_, nullptr, [this] { return now_; });
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

  void escapeStopsTheRunAndOtherInputIsDropped() {
    QLineEdit box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_A);  // dropped while the run lasts
    QCOMPARE(box.text(), QString());
    QVERIFY(!engine_->StopProcessing());
    QTest::keyClick(&box, Qt::Key_Escape);
    At(1000);
    run_->evtCFOCheckForClosing();
    QVERIFY(engine_->StopProcessing());
    run_.reset();
    QTest::keyClick(&box, Qt::Key_B);  // the window takes input again after the run
    QCOMPARE(box.text(), QString("b"));
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
