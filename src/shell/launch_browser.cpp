#include "shell/launch_browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include "common/resume_scope.h"

namespace dv {

QString ShellResultMessage(long code) {
  if (code > 32) return {};
  switch (code) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Path not found");
    case 5: return QStringLiteral("Access denied");
    case 8: return QStringLiteral("Out of memory");
    case 11: return QStringLiteral("Invalid EXE file or error in EXE image");
    case 26: return QStringLiteral("A sharing violation occurred");
    case 27: return QStringLiteral("Incomplete or invalid file association");
    case 28: return QStringLiteral("DDE Time out");
    case 29: return QStringLiteral("DDE transaction failed");
    case 30: return QStringLiteral("DDE busy");
    case 31: return QStringLiteral("No association for file extension");
    case 32: return QStringLiteral("DLL not found");
    default: return QStringLiteral("Unknown error");
  }
}

long ShellResultFromXdgOpen(int exitCode) {
  switch (exitCode) {
    case 0: return kShellLaunchOk;
    case 2: return 2;   // the file named does not exist
    case 3: return 31;  // no program is set up for this kind of document
    case 4: return 27;  // the program set up for it failed
    default: return 0;  // 1: bad arguments; others are not documented
  }
}

QString CommandLineText() {
  if (!QCoreApplication::instance()) return {};
  return QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
}

long LaunchDocument(const QString& target, ErrorHandler& errors, int waitMs) {
  long result = 0;
  ResumeScope scope(errors.Reporting(mode::Report), "MLB:01");
  scope.Step([&] {
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({target});
    process->setWorkingDirectory(QDir::homePath());
    process->setStandardInputFile(QProcess::nullDevice());
    // xdg-open's own complaints are worth keeping where the user started the program.
    process->setProcessChannelMode(QProcess::ForwardedChannels);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool failedToStart = false;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
      if (e == QProcess::FailedToStart) {
        failedToStart = true;
        loop.quit();
      }
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    process->start();
    timer.start(waitMs);
    // The windows keep painting while xdg-open decides, but take no input that could start a second launch.
    if (!failedToStart && process->state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (failedToStart) {
      result = 32;  // the desktop's launcher itself is missing
      delete process;
    } else if (process->state() != QProcess::NotRunning) {
      // Still running: the browser runs in its foreground. It keeps running; the process object goes when it ends.
      result = kShellLaunchOk;
      QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    } else {
      result = process->exitStatus() == QProcess::NormalExit ? ShellResultFromXdgOpen(process->exitCode()) : 0;
      delete process;
    }
  });
  return result;
}

void OpenWebPage(const QString& target, Prompter& prompter, ErrorHandler& errors, const QString& commandLine,
                 int waitMs) {
  ResumeScope scope(errors.Reporting(mode::Report), "MLB:02");
  QString address = target;
  long result = 0;
  scope.Step([&] {
    if (address.isEmpty()) {
      address = commandLine.trimmed();
      if (address.isEmpty()) address = QString::fromUtf8(kHomePageAddress);
    }
  });
  scope.Step([&] { result = LaunchDocument(address, errors, waitMs); });
  scope.Step([&] {
    if (result <= 32) prompter.Message(ShellResultMessage(result).toStdString(), "");
  });
}

}  // namespace dv
