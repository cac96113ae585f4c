#include "cli/op_command.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/cli_prompter.h"
#include "cli/op_options.h"
#include "cli/signal_scope.h"
#include "cli/status_line.h"
#include "common/error_handler.h"
#include "export/atomic_file.h"
#include "fileops_engine/bank_file.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/fileops_codes.h"
#include "platform/datetime.h"
#include "platform/temp_folder.h"

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
    "  replace     --find TEXT  --replace TEXT  --backup  --text-extensions LIST (default .TXT)\n"
    "              --binary with --code CODE (the confirmation code of the help pages)\n"
    "  rename      --pattern REGEX  --with TEXT  --start N (default: from the end)\n"
    "  attributes  --set LETTERS  --clear LETTERS (A, R, S, H; a letter in neither is left alone)\n"
    "  move        as copy, without --overwrite\n"
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
    "Questions: asked on the terminal; --yes answers Yes to all, --no No to all. Without either and without a\n"
    "  terminal the command refuses and changes nothing.\n"
    "\n"
    "Exit status: 0 nothing failed (previews included), 1 an item failed or an error was reported, 2 bad options\n"
    "or the operation refused. Ctrl+C stops the operation; the results say it stopped early.\n";

// Questions asked on the terminal, or answered by --yes / --no; messages go to standard error. It notes the
// answers that end an operation, so the command can say it was refused.
class OpPrompter : public CliPrompter {
 public:
  OpPrompter(std::optional<bool> answerAll, std::optional<std::string> code, bool terminal)
      : CliPrompter(stderr, terminal), answerAll_(answerAll), code_(std::move(code)) {}

  void Message(const std::string& text, const std::string& title) override {
    ++messages_;
    CliPrompter::Message(text, title);
  }
  bool YesNo(const std::string& text, const std::string& title) override {
    const bool yes = Ask(text, title, "[y/n]") == 'y';
    declined_ |= !yes;
    return yes;
  }
  Answer YesNoCancel(const std::string& text, const std::string& title) override {
    const char a = Ask(text, title, "[y/n/c]");
    return a == 'y' ? Answer::Yes : a == 'n' ? Answer::No : Answer::Cancel;
  }
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string&) override {
    CliPrompter::Message(prompt, title);
    if (code_) return code_;
    if (answerAll_) return std::nullopt;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
  }

  int Messages() const { return messages_; }
  bool Declined() const { return declined_; }

 private:
  char Ask(const std::string& text, const std::string& title, const char* choices) {
    if (answerAll_) {
      CliPrompter::Message(text + (*answerAll_ ? " (answered Yes)" : " (answered No)"), title);
      return *answerAll_ ? 'y' : 'n';
    }
    CliPrompter::Message(text + " " + choices, title);
    std::string line;
    while (std::getline(std::cin, line)) {
      const char c = line.empty() ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
      if (c == 'y' || c == 'n' || (c == 'c' && std::string(choices).find('c') != std::string::npos)) return c;
      std::fprintf(stderr, "%s ", choices);
    }
    return 'c';  // the input ended: the safe answer
  }

  std::optional<bool> answerAll_;
  std::optional<std::string> code_;
  int messages_ = 0;
  bool declined_ = false;
};

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

// Failed items and skipped sources (a missing one, one equal to or holding the destination). Folder failures are
// not counted by the engine, so the lines are read.
bool ItemFailed(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (line.rfind("Failure: ", 0) == 0 || line.rfind("Failed Verification: ", 0) == 0 ||
        line.find(" - Skipping Processing for: ") != std::string::npos)
      return true;
  return false;
}

// Copies a file's bytes to standard output or, through a temporary file, to `path`.
void Deliver(const std::string& from, const std::string& path) {
  std::ifstream in(from, std::ios::binary);
  if (path.empty()) {
    std::cout << in.rdbuf();
    std::cout.flush();
    return;
  }
  AtomicFile out(path);
  std::string chunk(1 << 16, '\0');
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
    out.Out().Write(chunk.substr(0, static_cast<size_t>(in.gcount())));
  out.Commit();
}

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
  const std::string temp = PrivateTempFolder();
  OpPrompter prompter(options.answerAll, options.binaryCode, terminal);
  const PreparedOperation prepared = PrepareOperation(options.choices, prompter);
  if (!prepared.confirmed) return 2;  // refused at the confirmation: nothing ran, nothing written

  clsFileOps engine(prompter, temp);
  OpListener listener(engine, terminal);
  engine.Listener(&listener);
  ApplyOperationSettings(prepared.settings, engine);
  engine.ProcessingBankItems(options.choices.bank);
  engine.DisplayAffectedItemsFirst(options.reportPreview);
  engine.scFileOperations().StartingDirectory(engine.SourceDirectory());
  const int messagesBefore = prompter.Messages();
  {
    SignalScope stopSignals;
    engine.ProcessOperation();
    listener.ClearLine();
    if (int sig = SignalScope::Caught()) {
      Deliver(engine.InformativeDisplayTXTLocation(), options.results);
      return 128 + sig;
    }
  }
  // A box or a No inside the engine ended the operation before it did anything (missing source, same folders,
  // declined folder or root question).
  const bool refused = prompter.Messages() > messagesBefore || prompter.Declined();
  try {
    if (options.reportPreview && !refused) {
      Deliver(engine.scFileOperations().ReportFilePath(), "");
      if (!options.results.empty()) Deliver(engine.InformativeDisplayTXTLocation(), options.results);
    } else {
      Deliver(engine.InformativeDisplayTXTLocation(), options.results);
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "dorvane-cli op: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
    return 2;
  }
  if (refused) return 2;
  return ItemFailed(engine.RecordedLines()) || listener.Errors() > 0 ? 1 : 0;
}

}  // namespace dv
