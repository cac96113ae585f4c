// Run a program on each file (the command through /bin/sh, the path handed over as the shell's $1 so that no part
// of a name is ever read as shell text), and open each file with its associated program and type a keystroke
// macro into it.
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/send_keys.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/default_open.h"
#include "platform/key_sender.h"
#include "platform/path.h"
#include "platform/process_run.h"
#include "platform/shell_template.h"

namespace dv {

namespace {

constexpr const char* kPlaceholder = "<<filename>>";
// Time the opened program is given before the first keystroke, and the gap before each item of the macro.
constexpr long kMacroSettleMilliseconds = 5000;
constexpr long kBeforeEachItemMilliseconds = 1000;

// The command as the user reads it in questions and messages: every placeholder a blank, the path quoted for the
// shell and a blank, in one pass from left to right (a name holding the placeholder is not replaced again). What
// runs is the template with $1 in the placeholder's place and the path as $1 (StartForFile).
std::string CommandForFile(const std::string& commandTemplate, const std::string& path) {
  const std::string placeholder = kPlaceholder;
  std::string command;
  size_t from = 0;
  for (size_t at; (at = commandTemplate.find(placeholder, from)) != std::string::npos; from = at + placeholder.size())
    command += commandTemplate.substr(from, at - from) + " " + ShellQuoted(path) + " ";
  return command + commandTemplate.substr(from);
}

pid_t StartForFile(const std::string& commandTemplate, const std::string& path) {
  return StartShellCommand(WithParameterReference(commandTemplate, kPlaceholder), {path});
}

long ErrorNumberOf(long shellResult) {
  switch (shellResult) {
    case shellresult::FileNotFound: return err::FileNotFound;
    case shellresult::AccessDenied: return err::PermissionDenied;
    default: return err::Application;
  }
}

bool HasKeystrokes(const std::string& macro) {
  for (const MacroItem& item : MacroItems(macro))
    if (!item.delay) return true;
  return false;
}

}  // namespace

bool clsFileOps::CheckForStop() {
  Events().evtCFOCheckForClosing();
  return Stopped();
}

bool clsFileOps::PauseFor(long milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (Stopped()) return false;
    const long left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(left < 100 ? left : 100));
    if (CheckForStop()) return false;
  }
}

long clsFileOps::RunProcessOnFile(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope = Reporting(cfoloc::RunProcessOnFile, cfoerr::Item,
                                "Running process on file at or near file " + NameOfPath(path));
  const RunProcChoice& run = DetailsOf<RunProcChoice>();
  scope.Step([&] {
    const std::string command = CommandForFile(run.command, path);
    switch (run.pauseSetting) {
      case 0:
        ReapWhenEnded(StartForFile(run.command, path));
        result = outcome::Success;
        break;
      case 1: {
        const WaitResult waited = WaitForChild(StartForFile(run.command, path), run.waitMilliseconds,
                                               [this] { return CheckForStop(); });
        // The shell's own codes for a command it could not find or run: the process did not really start.
        if (waited.end == WaitEnd::Ended && (waited.status == 126 || waited.status == 127))
          throw Error(err::Application, "The command could not be run (the shell ended with " +
                                            std::to_string(waited.status) + "): " + command);
        result = outcome::Success;
        if (waited.end == WaitEnd::TimedOut && !run.continueOnTimeOut) {
          StopProcessing(true);
          result = outcome::TimedOut;
        }
        break;
      }
      case 2:
        switch (prompter_.YesNoCancel("Run Process: " + command + "?", "Process Next File Confirmation")) {
          case Answer::Yes:
            ReapWhenEnded(StartForFile(run.command, path));
            result = outcome::Success;
            break;
          case Answer::No: result = outcome::NothingDone; break;
          default: StopProcessing(true);  // the file at which the user cancelled counts as a failure
        }
        break;
      default:
        throw Error(err::Application, "There is no run-process pause setting " +
                                          std::to_string(run.pauseSetting) + " (0 go on, 1 wait, 2 ask)");
    }
  });
  return result;
}

long clsFileOps::OpenOneFile(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope = Reporting(cfoloc::OpenOneFile, cfoerr::Item, "Attempting to open file at or near file " + path);
  const OpenChoice& open = DetailsOf<OpenChoice>();
  scope.Step([&] {
    if (open.pauseBetweenFiles) {
      const Answer answer = prompter_.YesNoCancel("Open File " + path + " ?", "Open Next File Confirmation");
      if (answer == Answer::No) {
        result = outcome::NothingDone;
        return;
      }
      if (answer != Answer::Yes) {
        StopProcessing(true);
        return;
      }
    }
    // A macro that cannot run as written (a pause that is no number of seconds, a key that does not exist), or
    // keystrokes without an X display: the item fails at once, before anything is opened or typed.
    if (const std::string fault = MacroFault(open.macro); !fault.empty())
      throw Error(err::Application, "The macro cannot be run: " + fault);
    const std::string macro = ReplaceMacroTokens(open.macro);
    // The windows there are before the open: a window that appears after it can be the opened program's.
    std::unique_ptr<KeySender> sender;
    OpenedProgram program;
    if (HasKeystrokes(macro)) {
      sender = std::make_unique<KeySender>();
      program.windowsBefore = sender->TopLevelWindows();
    }
    const ShellResult opened = OpenWithDefaultProgram(path, [this] { return CheckForStop(); });
    program.pid = opened.pid;
    if (!opened.Opened()) {
      if (open.pauseBetweenFiles) prompter_.Message("File " + path + "  was unable to be opened.", "Unable to Open File");
      throw Error(ErrorNumberOf(opened.code), opened.message);
    }
    // A stop while xdg-open was answering leaves the file opened, but types nothing into it.
    if (!macro.empty() && !Stopped()) SendOpenMacro(sender.get(), program, macro);
    result = outcome::Success;
  });
  return result;
}

void clsFileOps::SendOpenMacro(KeySender* sender, const OpenedProgram& program, const std::string& macro) {
  ResumeScope scope = Reporting(cfoloc::SendOpenMacro, cfoerr::Driver, "");
  // Keys go only into a window of the opened program, never into whatever has the focus (a terminal would run
  // them): wait, at most the settle time, for one to take the focus. An error thrown here, outside the steps,
  // fails the file. A macro of pauses alone just lets the time pass.
  TopWindow window = 0;
  if (sender) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kMacroSettleMilliseconds);
    while (!(window = sender->ActiveWindowOf(program))) {
      if (Clock::now() >= end)
        throw Error(err::Application, "There is no window to send the keystrokes to: no window of the opened "
                                      "program took the focus within " +
                                          std::to_string(kMacroSettleMilliseconds / 1000) + " seconds");
      if (!PauseFor(100)) return;
    }
  } else if (!PauseFor(kMacroSettleMilliseconds)) {
    return;
  }
  for (const MacroItem& item : MacroItems(macro)) {
    if (!PauseFor(kBeforeEachItemMilliseconds)) return;
    if (item.delay) {
      // Every pause was found valid before the open (OpenOneFile).
      if (!PauseFor(item.milliseconds)) return;
      continue;
    }
    // The user may have moved to another window meanwhile: then nothing more is typed, and the file fails.
    bool focusMoved = sender->ActiveWindow() != window;
    if (!focusMoved) {
      // A fault in one item is reported and the next item is sent.
      scope.Step([&] {
        try {
          sender->Send(ParseSendKeys(item.keys), window);
        } catch (const Error& e) {
          if (e.Description() != kFocusMoved) throw;
          focusMoved = true;
        }
      });
    }
    if (focusMoved) throw Error(err::Application, kFocusMoved);
  }
}

}  // namespace dv
