#include "cli/op_command.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/cli_prompter.h"
#include "cli/op_prompter.h"
#include "cli/op_options.h"
#include "cli/signal_scope.h"
#include "cli/status_line.h"
#include "common/error_handler.h"
#include "fileops_engine/bank_file.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/fileops_codes.h"
#include "platform/atomic_file.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/temp_folder.h"
#include "platform/text_stream.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

const char* const kOpHelp =
    "Usage: dorvane-cli op OPERATION [OPTIONS] SOURCE [DESTINATION]\n"
    "       dorvane-cli op OPERATION [OPTIONS] --entry PATH... [DESTINATION]\n"
    "Runs one file operation over the files and folders of SOURCE that pass the filters, as the file operations\n"
    "window does: the same settings, the same questions and the same confirmation summary, which needs a Yes.\n"
    "The results file goes to standard output; questions, messages and item errors to standard error.\n"
    "\n"
    "Operations and their options (DESTINATION is needed by copy, shells, move and compare only):\n"
    "  copy        --flat (one folder, no structure)  --overwrite  --empty-folders\n"
    "              --duplicates number|overwrite (with --flat; default number)  --verify none|quick|full\n"
    "  shells      --folders-only (default: empty folders and empty file shells)\n"
    "  delete      --empty-folders (also remove folders left empty)\n"
    "              --trash (into the trash, where any desktop can restore them; an item on a device without a\n"
    "              usable trash fails and stays)\n"
    "  replace     --find TEXT  --replace TEXT  --backup  --text-extensions LIST (default .TXT)\n"
    "              --binary with --code CODE (the confirmation code of the help pages)\n"
    "  rename      --pattern REGEX  --with TEXT  --start N (default: from the end)\n"
    "  attributes  --set LETTERS  --clear LETTERS (A, R, S, H; a letter in neither is left alone)\n"
    "  move        --flat  --empty-folders  --duplicates  --verify, as for copy; with the structure (without\n"
    "              --flat) a file already at the target is always overwritten\n"
    "  open        --macro TEXT  --ask-each\n"
    "  modified-date, created-date, accessed-date   --to 'YYYY-MM-DD[ HH:MM:SS]' (local time)\n"
    "  run         --command TEMPLATE (with <<filename>>)  --wait SECONDS (default 30) | --no-wait |\n"
    "              --ask-each  --continue-on-timeout\n"
    "  compare     --sample BYTES (a random part of each file; default: whole files)\n"
    "              --hide matching,differing,missing\n"
    "\n"
    "Selection: --pick NAME (repeatable) picks files of SOURCE one by one; --entry PATH (repeatable) makes a\n"
    "processing bank instead of SOURCE: PATH ending in / is a folder with its contents, ending in /*.* the\n"
    "contents only, else a file. --bank FILE --bank-name NAME takes the entries of a bank saved by the window\n"
    "(DVPBank.dvb) instead.\n"
    "Filters (as for report): --regex  --file-pattern TEXT  --file-size 'OP N UNIT'  --extensions LIST\n"
    "  --exclude-extensions  --date 'TYPE OP YYYY-MM-DD'  --no-hidden  --levels N|all\n"
    "Runs: --preview (list what would be done, change nothing)  --report-preview (the directory report of the\n"
    "  items that would be affected, on standard output)  --results FILE (the results file to FILE)\n"
    "Hard links: attributes and dates belong to the file, so they change for all its names (as chmod does);\n"
    "  replace writes a new file in the name's place, so the other names keep the old text (as sed -i does).\n"
    "Questions: asked on the terminal; --yes answers Yes to all, --no No to all. Without either and without a\n"
    "  terminal the command refuses and changes nothing.\n"
    "\n"
    "Exit status: 0 nothing failed (previews included), 1 an item failed, an error was reported or the run was\n"
    "halted (a process past its --wait), 2 bad options, the operation refused or the results not written.\n"
    "Ctrl+C stops the operation; the results say it stopped early.\n";

class OpListener : public FileOpsListener {
 public:
  OpListener(clsFileOps& engine, bool terminal) : engine_(engine), status_(stderr, terminal) {}

  void evtCFOCheckForClosing() override {
    if (SignalScope::Caught()) {
      engine_.StopProcessing(true);
      engine_.scFileOperations().ClosingDown(true);
    }
  }
  void evtCFOUpdateProgress(const std::string& text) override {
    if (!status_.Terminal()) return;
    std::string line = text;
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    status_.Show(ShownOnStderr(line, true));
  }
  void evtCFOExternalPassError(const Error& e, const std::string& loc, long, const std::string& info) override {
    status_.Error(e, loc, info);
  }
  void ClearLine() { status_.Clear(); }
  long Errors() const { return status_.Errors(); }

 private:
  clsFileOps& engine_;
  StatusLine status_;
};

// Copies the results file's bytes into `out`. Throws dv::Error naming what failed, a full disk included.
void CopyInto(const std::string& from, TextStream& out) {
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!in.Valid()) ThrowErrno(from);
  std::string chunk(1 << 16, '\0');
  for (;;) {
    const ssize_t n = ::read(in.Get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno(from);
    if (n == 0) break;
    out.Write(std::string_view(chunk.data(), static_cast<size_t>(n)));
  }
}

// Copies the results file's bytes to the descriptor `out` inside the kernel; false, with nothing written, when the
// kernel cannot do so for these two (the caller then copies them itself). Throws dv::Error as CopyInto does.
bool SendInto(const std::string& from, int out, const std::string& outName) {
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!in.Valid()) ThrowErrno(from);
  for (bool sent = false;;) {
    const ssize_t n = ::sendfile(out, in.Get(), nullptr, 1 << 30);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && !sent && (errno == EINVAL || errno == ENOSYS)) return false;
    if (n < 0) ThrowErrno(outName);
    if (n == 0) return true;
    sent = true;
  }
}

// Copies a file's bytes to standard output, or into the --results file made ready before the run, which then
// replaces what was there.
void Deliver(const std::string& from, std::optional<AtomicFile>& results) {
  if (results) {
    CopyInto(from, results->Out());
    results->Commit();
    results.reset();
    return;
  }
  std::fflush(stdout);
  UniqueFd out(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!out.Valid()) ThrowErrno("standard output");
  if (SendInto(from, out.Get(), "standard output")) return;
  TextStream stream = TextStream::Adopt(std::move(out), "standard output", true);
  CopyInto(from, stream);
  stream.Close();
}

// A file of this run's own in the private folder (its results, its report preview), so that two runs at once
// never print each other's (the window keeps DVidt.txt and tmpOuput.txt). Removed when the command ends.
class OwnPrivateFile {
 public:
  OwnPrivateFile(const std::string& folder, const std::string& stem) : path_(folder + "/" + stem + "-cli-XXXXXX") {
    const int fd = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd < 0) ThrowErrno(folder);
    ::close(fd);
  }
  ~OwnPrivateFile() { ::unlink(path_.c_str()); }
  OwnPrivateFile(const OwnPrivateFile&) = delete;
  OwnPrivateFile& operator=(const OwnPrivateFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The entries of the first bank called `name` in the bank file, the emptied ones left out.
std::vector<std::string> BankEntries(const std::string& file, const std::string& name) {
  std::string names;
  for (const NamedBank& bank : ReadBankFile(file)) {
    if (bank.name != name) {
      names += (names.empty() ? "" : ", ") + bank.name;
      continue;
    }
    std::vector<std::string> entries;
    for (const std::string& entry : bank.entries)
      if (!entry.empty()) entries.push_back(entry);
    if (entries.empty()) throw Error(err::Application, "the bank '" + name + "' holds no entries");
    return entries;
  }
  throw Error(err::Application, "no bank called '" + name + "' in " + file +
                                    (names.empty() ? "" : " (it holds " + names + ")"));
}

}  // namespace

int RunOpCommand(const std::vector<std::string>& args) {
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  OpOptions options;
  try {
    options = ParseOpOptions(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "dorvane-cli op: %s\n(dorvane-cli op --help lists the options)\n",
                 ShownOnStderr(e.what(), terminal).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kOpHelp, stdout);
    return 0;
  }
  if (!options.bankFile.empty()) {
    try {
      options.choices.bank = BankEntries(options.bankFile, options.bankName);
    } catch (const Error& e) {
      std::fprintf(stderr, "dorvane-cli op: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
      return 2;
    }
  }
  if (!options.answerAll && ::isatty(STDIN_FILENO) != 1) {
    std::fputs("dorvane-cli op: the operation needs a Yes and there is no terminal to ask: give --yes (or --no)\n",
               stderr);
    return 2;
  }

  // The results file's "Date/Time:" is written in the user's own date and time format.
  std::setlocale(LC_TIME, "");
  // Where the results go is settled before anything is asked or done: an unusable private folder or --results
  // target stops the command here, not after the work.
  std::string temp;
  std::optional<OwnPrivateFile> own, ownReport;
  std::optional<AtomicFile> resultsFile;
  try {
    temp = PrivateTempFolder();
    own.emplace(temp, "DVidt");
    if (options.reportPreview) ownReport.emplace(temp, "tmpOuput");
    if (!options.results.empty()) resultsFile.emplace(options.results);
  } catch (const Error& e) {
    std::fprintf(stderr, "dorvane-cli op: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
    return 2;
  }
  OpPrompter prompter(options.answerAll, options.binaryCode, terminal);
  const PreparedOperation prepared = PrepareOperation(options.choices, prompter);
  if (!prepared.confirmed) return 2;  // refused at the confirmation: nothing ran, nothing written

  clsFileOps engine(prompter, temp);
  engine.JournalFolder(DefaultJournalFolder());
  engine.InformativeDisplayTXTLocation(own->Path());
  if (ownReport) engine.scFileOperations().ReportFilePath(ownReport->Path());
  OpListener listener(engine, terminal);
  engine.Listener(&listener);
  {
    SignalScope stopSignals(&engine.StopToken());
    engine.ProcessOperation(prepared.settings, prepared.source);
    listener.ClearLine();
    if (int sig = SignalScope::Caught()) {
      try {
        Deliver(own->Path(), resultsFile);
      } catch (const Error&) {
        // Stopped by the user: the signal's status says more than a failed copy.
      }
      return 128 + sig;
    }
  }
  // Only the checks before the first item refuse (missing source, same folders, a declined folder or root
  // question); a message or an answer while the items are processed does not.
  const bool refused = engine.Refused();
  try {
    if (options.reportPreview && !refused) {
      std::optional<AtomicFile> toStandardOutput;
      Deliver(engine.scFileOperations().ReportFilePath(), toStandardOutput);
      if (resultsFile) Deliver(own->Path(), resultsFile);
    } else {
      Deliver(own->Path(), resultsFile);
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "dorvane-cli op: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
    return 2;
  }
  if (refused) return 2;
  // Halted before its end (a process that ran past its wait, a Cancel): not everything asked for was done.
  if (engine.StopProcessing()) return 1;
  return engine.AnItemFailed() || listener.Errors() > 0 ? 1 : 0;
}

}  // namespace dv
