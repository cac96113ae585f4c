// "Undo Last Operation...": the last journaled run that is not undone, its summary and confirmation through the
// window's prompter, the undo on the job's worker with the progress program, and its results in the results view.
#include <QPushButton>
#include <atomic>
#include <memory>

#include "common/resume_scope.h"
#include "fileops_engine/undo_operation.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "shell/report_view.h"
#include "shell/shell_services.h"

namespace dv {

// What the worker hands back to the window's thread.
struct UndoWork {
  Journal journal;
  std::string folder;
  UndoResult result;
  std::vector<Error> errors;
  std::vector<std::string> errorPaths;
  std::atomic<bool> stop{false};
};

void frmFileOps::UndoLastOperation() {
  if (running_) return;
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:60");
  auto work = std::make_shared<UndoWork>();
  bool go = false;
  scope.Step([&] {
    work->folder = DefaultJournalFolder();
    const std::vector<RunListing> runs = ListRuns(work->folder);
    const RunListing* run = LastRunToUndo(runs);
    if (!run) {
      prompter_.Message("There is no operation to undo.", "");
      return;
    }
    work->journal = run->journal;
    go = ConfirmUndo(work->journal, prompter_);
  });
  if (!go) return;
  running_ = true;
  UpdateProcessEnabled();
  job_->OnStop([work] { work->stop.store(true); });
  scope.Step([&] {
    if (cancel_) cancel_->OpenExternalApp();
  });
  bool started = false;
  scope.Step([&] {
    started = job_->Start(
        [this, work] {
          UndoHooks hooks;
          hooks.stop = &work->stop;
          hooks.onError = [work](const Error& e, const std::string& path) {
            work->errors.push_back(e);
            work->errorPaths.push_back(path);
          };
          hooks.onProgress = [this](long done, long total) {
            job_->Progress("Undoing item " + std::to_string(done + 1) + " of " + std::to_string(total));
          };
          try {
            work->result = UndoJournal(work->journal, work->folder, hooks);
          } catch (const Error& e) {
            work->errors.push_back(e);
            work->errorPaths.push_back(work->journal.file);
          }
        },
        [this, work] { UndoFinished(*work); });
  });
  if (started) return;
  job_->OnStop(nullptr);
  running_ = false;
  UpdateProcessEnabled();
  scope.Step([&] {
    if (cancel_) cancel_->CloseExternalApp();
  });
}

void frmFileOps::UndoFinished(const UndoWork& work) {
  job_->OnStop(nullptr);
  running_ = false;
  UpdateProcessEnabled();
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:61");
  for (size_t i = 0; i < work.errors.size(); ++i)
    services_.log.WriteErrorLogRecord(work.errors[i].Number(), work.errors[i].Description(), "ffo:60",
                                      work.errorPaths[i]);
  if (!work.errors.empty()) SetButtonColour(cmdDisplayErrors_, kNewErrors);
  scope.Step([&] { WriteResultsFile(ResultsPath().toStdString(), UndoResultsContent(work.journal, work.result)); });
  scope.Step([&] { LoadResults(); });
  scope.Step([&] {
    if (txtInfoDisplay_->isHidden()) cmdLastOperationResults_Click();
  });
}

}  // namespace dv
