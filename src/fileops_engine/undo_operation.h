#pragma once
// Undoing a run from its journal (docs/undo.md): the run's items reversed newest first, each only while it is still
// exactly what the run left, reached through open folder handles without following links, and names given back
// only where they are free. What the undo does is journaled in turn, so an undo can be undone.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "common/user_settings.h"
#include "fileops_engine/journal.h"
#include "fileops_engine/results_file.h"
#include "platform/error.h"
#include "platform/stop_flag.h"

namespace dv {

// The setting that says how many days journals are kept (0: for ever), and its default.
inline constexpr const char* kUndoKeepDaysKey = "UndoKeepDays";
inline constexpr int kUndoKeepDaysDefault = 30;
int UndoKeepDays(UserSettings& settings);

// What is shown before an undo: the run's header and how many items will be reversed.
std::string UndoSummary(const Journal& journal);
// The summary and the question "Undo this operation?" through the prompter; true for Yes.
bool ConfirmUndo(const Journal& journal, Prompter& prompter);

// A run of the journal folder as `undo --list` shows it.
struct RunListing {
  Journal journal;
  bool undone = false;  // a later journal undid it
};
// The readable journals of `folder`, newest first (an unreadable one is left out).
std::vector<RunListing> ListRuns(const std::string& folder);
// The run `undo` without RUN reverses: the newest one that is not undone and is not itself an undo.
const RunListing* LastRunToUndo(const std::vector<RunListing>& runs);
// "can be undone", "partly" (an item changed since, or a delete) or "undone": looks at every item on disk.
std::string UndoStateText(const RunListing& run);

struct UndoHooks {
  // Every failure, with the path it concerns: the caller logs or shows it.
  std::function<void(const Error&, const std::string& path)> onError;
  // Called before each item with how many are done and the total.
  std::function<void(long done, long total)> onProgress;
  const StopFlag* stop = nullptr;  // looked at between items
};

struct UndoResult {
  std::vector<std::string> lines;  // "Undone: ", "Skipped (changed since): ", "Skipped (cannot be undone): ",
                                   // "Failure: "
  long undone = 0, changed = 0, notUndoable = 0, failed = 0;
  bool stopped = false;
  std::string undoRun;  // the undo's own journal; empty when it changed nothing (and wrote none)
};

// Reverses `journal`, writing the undo's own journal into `journalFolder`. Throws dv::Error only when the undo's
// journal cannot be started (nothing is then done); item failures are lines of the result.
UndoResult UndoJournal(const Journal& journal, const std::string& journalFolder, const UndoHooks& hooks);

// The results of an undo in the layout of the operations' results file (WriteResultsFile, WriteResults); the
// content points into `result`.
ResultsContent UndoResultsContent(const Journal& journal, const UndoResult& result);

}  // namespace dv
