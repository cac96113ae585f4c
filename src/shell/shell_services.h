#pragma once
// The services every window of a session shares: the settings store, the Prompter, the session error log, the
// error handler with its report sender, and the shared utilities. Made once by the program's start-up and handed
// to the windows (no globals).
#include <QPrinter>
#include <memory>
#include <string>

#include "common/error_handler.h"
#include "common/shared_utils.h"
#include "shell/http_report_sender.h"
#include "shell/qt_prompter.h"
#include "settings/settings_store.h"

namespace dv {

struct ShellServices {
  // The session log lives in the private temporary folder; when that folder is refused, `tempFolder` is empty,
  // `tempProblem` says why, and log records are lost rather than written anywhere else.
  ShellServices();
  std::string tempFolder, tempProblem;
  IniUserSettings settings;
  QtPrompter prompter;
  SessionErrorLog log;
  HttpErrorReportSender sender;
  ErrorHandler errors;
  SharedUtilities utilities;

  // The session's printer: the choices made in one print dialog carry over to the next.
  QPrinter& Printer();

 private:
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace dv
