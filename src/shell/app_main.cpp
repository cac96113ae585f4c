#include "shell/app_main.h"

#include <QApplication>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "platform/temp_folder.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/frm_tip.h"
#include "shell/help_viewer.h"
#include "shell/shared_ui.h"
#include "shell/shell_services.h"

namespace dv {

namespace {

QString OptionValue(const QStringList& args, const QString& name) {
  int i = args.indexOf(name);
  return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

}  // namespace

int Main(int argc, char** argv, frmMain::DirPrintFactory dirPrint) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("dorvane");
  QGuiApplication::setDesktopFileName("dorvane");
  // The main window's close ends the program, whatever other windows are open.
  QApplication::setQuitOnLastWindowClosed(false);
  ShellServices services;

  // One instance per user: a lock file in the private temporary folder (a stale lock of a crashed run is taken
  // over). QLockFile can never take a lock where a folder, a link or a FIFO stands, so that is cleared first:
  // nothing but us writes in that folder. Without the folder, or when the lock's place cannot be cleared, there
  // is no lock to take, and the program runs anyway.
  std::unique_ptr<QLockFile> lock;
  std::optional<Error> lockProblem;
  if (!services.tempFolder.empty()) {
    try {
      ClearLockPath(services.tempFolder, "dorvane.lock");
      lock = std::make_unique<QLockFile>(QString::fromStdString(services.tempFolder) + "/dorvane.lock");
    } catch (const Error& e) {
      lockProblem = e;
    }
    if (lock && !lock->tryLock(0)) {
      services.prompter.Message(std::string(kAppTitle) + " is already running.", kAppTitle);
      return 0;
    }
  }

  frmMain window(services, std::move(dirPrint));
  window.FontCheck = [&services] { return CheckPrintFont(services.utilities, services.prompter, services.errors); };
  window.Help = [&window](const QString& topic) {
    if (topic.isEmpty()) HelpViewer::CloseAll(&window);
    else HelpViewer::ShowTopic(&window, topic);
  };
  QPointer<frmAbout> about;
  window.About = [&] {
    if (!about) {
      about = new frmAbout(services.prompter, services.errors, &window);
      about->setAttribute(Qt::WA_DeleteOnClose);
    }
    about->show();
    about->raise();
    about->activateWindow();
  };
  window.show();
  window.Load();
  if (!services.tempProblem.empty()) {
    long m = mode::Message;
    services.errors.ReportError(Error(err::PermissionDenied, services.tempProblem), "MS:01", "", m);
  }
  if (lockProblem) {
    long m = mode::Message;
    services.errors.ReportError(*lockProblem, "MS:01", "", m);
  }

  frmTip::ShowAtStartup(services.settings, services.errors, &window);

  QString shot = OptionValue(QApplication::arguments(), "--screenshot");
  if (!shot.isEmpty())
    QTimer::singleShot(1500, &window, [&window, shot] { window.grab().save(shot, "PNG"); });
  return QApplication::exec();
}

}  // namespace dv
