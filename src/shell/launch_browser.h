#pragma once
// Hands a document or web address to the desktop (xdg-open) so that the associated program opens it. The result
// is given as the shell result codes of the original program: above 32 means success, 32 or less names a fault
// whose message ShellResultMessage gives.
#include <QString>

#include "common/error_handler.h"
#include "common/prompter.h"

namespace dv {

// The product's home page, where new copies of Dorvane are downloaded.
inline constexpr const char* kHomePageAddress = "https://www.brantwick.com/dorvane/";

// The result LaunchDocument gives when the desktop took the document (any value above 32 means success).
inline constexpr long kShellLaunchOk = 42;

// How long LaunchDocument waits for xdg-open to answer. Some desktops run the browser in the foreground of
// xdg-open; after this long the launch counts as started and the browser keeps running.
inline constexpr int kLaunchWaitMs = 5000;

// The message for a shell result of 32 or less ("File not found", ..., "Unknown error"); empty above 32.
QString ShellResultMessage(long code);

// The shell result for an exit status of xdg-open: 0 success, 2 "File not found", 3 (no program for it) 31,
// 4 (the program failed) 27, anything else 0 ("Unknown error").
long ShellResultFromXdgOpen(int exitCode);

// The program's command-line arguments joined by blanks (the program name left out).
QString CommandLineText();

// Runs `xdg-open target` (the target as one argument, never through a shell) in the home folder and returns the
// shell result code. xdg-open missing gives 32, a crash 0. Failures of the program itself go to the error
// handler with "MLB:01" and mode 16.
long LaunchDocument(const QString& target, ErrorHandler& errors, int waitMs = kLaunchWaitMs);

// Opens `target` in the web browser. An empty target takes the trimmed `commandLine`, else the home page.
// A result of 32 or less shows its message (OK button, the program's title). Failures of the program itself go
// to the error handler with "MLB:02" and mode 16.
void OpenWebPage(const QString& target, Prompter& prompter, ErrorHandler& errors,
                 const QString& commandLine = CommandLineText(), int waitMs = kLaunchWaitMs);

}  // namespace dv
