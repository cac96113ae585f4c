#pragma once
// Helpers for the tests of the shell's small windows (tips, about, prompts, help, browser launch): a scripted
// Prompter, an error handler writing to a private log, and a stand-in xdg-open on PATH.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/error_handler.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

namespace dvtest {

// An error handler whose message boxes land in `prompter` and whose log is a private file; reports are not sent.
struct TestErrors {
  QTemporaryDir dir;
  dv::test::ScriptedPrompter prompter;
  dv::SessionErrorLog log{(dir.path() + "/DVcurerr.txt").toStdString()};
  dv::ErrorHandler handler{prompter, log, nullptr};
};

// A folder on PATH (and nothing else) holding a script named xdg-open that records its arguments (NUL-separated)
// and working folder, and exits with the code written by SetExitCode ("sleep" keeps it running for 3 s).
class FakeXdgOpen {
 public:
  explicit FakeXdgOpen(bool installScript = true) {
    path_.Set("PATH", dir_.path().toLocal8Bit().constData());
    if (!installScript) return;
    const QString d = dir_.path();
    QFile script(d + "/xdg-open");
    script.open(QIODevice::WriteOnly);
    script.write(("#!/bin/sh\n"
                  "d='" + d.toLocal8Bit() + "'\n"
                  "printf '%s\\0' \"$@\" > \"$d/args\"\n"
                  "pwd > \"$d/cwd\"\n"
                  "printf x >> \"$d/calls\"\n"
                  "read code < \"$d/exitcode\"\n"
                  "if [ \"$code\" = sleep ]; then exec /bin/sleep 3; fi\n"
                  "exit \"$code\"\n"));
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    SetExitCode("0");
  }

  void SetExitCode(const QByteArray& code) {
    QFile f(dir_.path() + "/exitcode");
    f.open(QIODevice::WriteOnly);
    f.write(code + "\n");
  }
  // The arguments of the last call.
  QStringList Args() const {
    if (!QFile::exists(dir_.path() + "/args")) return {};
    QByteArray raw = Read("args");
    if (raw.endsWith('\0')) raw.chop(1);
    QStringList args;
    for (const QByteArray& a : raw.split('\0')) args << QString::fromLocal8Bit(a);
    return args;
  }
  QString WorkingDir() const { return QString::fromLocal8Bit(Read("cwd")).trimmed(); }
  int Calls() const { return static_cast<int>(Read("calls").size()); }
  QString Dir() const { return dir_.path(); }

 private:
  QByteArray Read(const char* name) const {
    QFile f(dir_.path() + "/" + name);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
  }

  QTemporaryDir dir_;
  dv::test::EnvironmentScope path_;
};

}  // namespace dvtest
