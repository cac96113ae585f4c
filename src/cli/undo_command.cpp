#include "cli/undo_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <optional>

#include "cli/cli_prompter.h"
#include "cli/op_prompter.h"
#include "cli/signal_scope.h"
#include "cli/status_line.h"
#include "fileops_engine/journal.h"
#include "fileops_engine/results_file.h"
#include "fileops_engine/undo_operation.h"
#include "platform/error.h"
#include "platform/text_stream.h"
#include "platform/unique_fd.h"

#ifdef DV_CLI_SETTINGS
#include "settings/settings_store.h"
#endif

namespace dv {

namespace {

const char* const kUndoHelp =
    "Usage: dorvane-cli undo [RUN] [--yes|--no]\n"
    "       dorvane-cli undo --list\n"
    "       dorvane-cli undo --forget RUN\n"
    "Every real run of a file operation keeps a journal of what it changed ($XDG_DATA_HOME/dorvane/journal).\n"
    "undo reverses the last run not undone yet (runs that are undos themselves are left to an explicit RUN), or\n"
    "RUN, newest item first. An item is reversed only while it is still exactly what the run left; anything\n"
    "else is skipped and reported, never overwritten, and no existing name is ever replaced. The undo keeps a\n"
    "journal of its own, so it can be undone in turn.\n"
    "The summary and the question \"Undo this operation?\" go to standard error; the results go to standard\n"
    "output, one line per item: \"Undone: \", \"Skipped (changed since): \", \"Skipped (cannot be undone): \" (a\n"
    "delete that did not go to the trash) or \"Failure: \".\n"
    "\n"
    "Options:\n"
    "  --list        the runs, newest first: RUN, time, operation, items, and \"can be undone\", \"partly\" (an\n"
    "                item changed since, or a delete) or \"undone\"\n"
    "  --forget RUN  remove the journal of RUN and its kept files now\n"
    "  --yes, --no   answer the question; without either and without a terminal nothing is undone\n"
    "Journals older than the setting UndoKeepDays (30 days; 0 keeps them) are removed when the command starts.\n"
    "\n"
    "Exit status: 0 everything undone or nothing to undo, 1 an item was skipped or failed, 2 bad options, no such\n"
    "run, or the undo refused.\n";

struct UndoOptions {
  bool help = false, list = false;
  std::string forget, run;
  std::optional<bool> answerAll;
};

UndoOptions ParseUndoOptions(const std::vector<std::string>& args) {
  UndoOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h")
      o.help = true;
    else if (a == "--list")
      o.list = true;
    else if (a == "--yes" || a == "--no") {
      if (o.answerAll && *o.answerAll != (a == "--yes")) throw std::invalid_argument("--yes and --no together");
      o.answerAll = a == "--yes";
    } else if (a == "--forget") {
      if (i + 1 >= args.size()) throw std::invalid_argument("--forget needs a RUN");
      o.forget = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      throw std::invalid_argument("unknown option '" + a + "'");
    } else if (o.run.empty()) {
      o.run = a;
    } else {
      throw std::invalid_argument("more than one RUN given");
    }
  }
  if (int(o.list) + int(!o.forget.empty()) + int(!o.run.empty()) > 1)
    throw std::invalid_argument("--list, --forget and RUN go alone");
  return o;
}

int KeepDays() {
#ifdef DV_CLI_SETTINGS
  IniUserSettings store("dorvane");
  return UndoKeepDays(store);
#else
  return kUndoKeepDaysDefault;
#endif
}

void WriteToStandardOutput(const ResultsContent& content) {
  std::fflush(stdout);
  UniqueFd out(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!out.Valid()) ThrowErrno("standard output");
  TextStream stream = TextStream::Adopt(std::move(out), "standard output", true);
  WriteResults(stream, content);
  stream.Close();
}

int List(const std::vector<RunListing>& runs) {
  for (const RunListing& run : runs) {
    const JournalHeader& h = run.journal.header;
    std::printf("%s  %s  %s  %zu items  %s\n", h.run.c_str(), h.time.c_str(), h.operation.c_str(),
                run.journal.items.size(), UndoStateText(run).c_str());
  }
  return 0;
}

}  // namespace

int RunUndoCommand(const std::vector<std::string>& args) {
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  UndoOptions options;
  try {
    options = ParseUndoOptions(args);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "dorvane-cli undo: %s\n(dorvane-cli undo --help lists the options)\n",
                 ShownOnStderr(e.what(), terminal).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kUndoHelp, stdout);
    return 0;
  }
  std::setlocale(LC_TIME, "");
  try {
    const std::string folder = DefaultJournalFolder();
    ForgetOldJournals(folder, KeepDays());
    if (!options.forget.empty()) {
      if (ForgetJournal(folder, options.forget)) return 0;
      std::fprintf(stderr, "dorvane-cli undo: no run %s\n", ShownOnStderr(options.forget, terminal).c_str());
      return 2;
    }
    const std::vector<RunListing> runs = ListRuns(folder);
    if (options.list) return List(runs);

    const RunListing* run = nullptr;
    if (options.run.empty()) {
      run = LastRunToUndo(runs);
      if (!run) {
        std::fputs("dorvane-cli undo: nothing to undo\n", stderr);
        return 0;
      }
    } else {
      for (const RunListing& r : runs)
        if (r.journal.header.run == options.run) run = &r;
      if (!run) {
        std::fprintf(stderr, "dorvane-cli undo: no run %s\n", ShownOnStderr(options.run, terminal).c_str());
        return 2;
      }
    }
    if (!options.answerAll && ::isatty(STDIN_FILENO) != 1) {
      std::fputs("dorvane-cli undo: the undo needs a Yes and there is no terminal to ask: give --yes (or --no)\n",
                 stderr);
      return 2;
    }
    OpPrompter prompter(options.answerAll, std::nullopt, terminal);
    if (!ConfirmUndo(run->journal, prompter)) return 2;

    StatusLine status(stderr, terminal);
    std::atomic<bool> stop{false};
    UndoHooks hooks;
    hooks.stop = &stop;
    hooks.onError = [&](const Error& e, const std::string& path) { status.Error(e, "Undo", path); };
    UndoResult result;
    {
      SignalScope stopSignals(&stop);
      result = UndoJournal(run->journal, folder, hooks);
    }
    WriteToStandardOutput(UndoResultsContent(run->journal, result));
    if (int sig = SignalScope::Caught()) return 128 + sig;
    return result.undone == static_cast<long>(result.lines.size()) ? 0 : 1;
  } catch (const Error& e) {
    std::fprintf(stderr, "dorvane-cli undo: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
    return 2;
  }
}

}  // namespace dv
