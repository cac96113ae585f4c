#include "shell/app_main.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "dv_version.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/frm_tip.h"
#include "shell/help_viewer.h"
#include "ui_common/program_icon.h"
#include "shell/shared_ui.h"
#include "shell/shell_services.h"
#include "shell/single_instance.h"

namespace dv {

namespace {

constexpr char kUsage[] =
    "Usage: dorvane [options]\n"
    "The Dorvane window: the directory printer and file operations. For work without a window, see dorvane-cli.\n"
    "\n"
    "Options:\n"
    "  -h, --help           Show this help and exit.\n"
    "  --version            Show the version and exit.\n"
    "  --screenshot FILE    Save a picture of the main window as PNG once it has settled.\n"
    "Qt's standard options (such as -platform NAME) are accepted as well.\n";

QString OptionValue(const QStringList& args, const QString& name) {
  int i = args.indexOf(name);
  return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

}  // namespace

int Main(int argc, char** argv, frmMain::DirPrintFactory dirPrint, FileOpsMaker fileOps) {
  // Before the application object, which would need a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("dorvane " DV_VERSION_TEXT "\n", stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("dorvane");
  // Before any window, so that every window, message box and working window takes it.
  SetProgramIcon();
  QGuiApplication::setDesktopFileName("dorvane");
  // The main window's close ends the program, whatever other windows are open.
  QApplication::setQuitOnLastWindowClosed(false);
  ShellServices services;

  // One instance per user. A later start brings the running one forward and says so; without the private folder,
  // or when the lock's place cannot be cleared, there is no lock to take and the program runs anyway.
  SingleInstance instance(services.tempFolder);
  if (!instance.Acquire()) {
    // Asked first: the message box then stands in front of the window it speaks of.
    instance.AskToRaise();
    services.prompter.Message(std::string(kAppTitle) + " is already running.", kAppTitle);
    return 0;
  }

  frmMain::FileOpsFactory makeFileOps;
  frmMain* mainWindow = nullptr;
  // The window is made on the first switch to its mode, after the main window has loaded its progress controller.
  if (fileOps)
    makeFileOps = [&mainWindow, fileOps](ShellServices& s) { return fileOps(s, mainWindow->Cancel()); };
  frmMain window(services, std::move(dirPrint), std::move(makeFileOps));
  mainWindow = &window;
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
  // From here on, also while a start-up message waits for an answer.
  instance.ListenForRaise([&window] { BringToFront(&window); });
  window.Load();
  if (!services.tempProblem.empty()) {
    long m = mode::Message;
    services.errors.ReportError(Error(err::PermissionDenied, services.tempProblem), "MS:01", "", m);
  }
  if (instance.Problem()) {
    long m = mode::Message;
    services.errors.ReportError(*instance.Problem(), "MS:01", "", m);
  }

  frmTip::ShowAtStartup(services.settings, services.errors, &window);

  QString shot = OptionValue(QApplication::arguments(), "--screenshot");
  if (!shot.isEmpty())
    QTimer::singleShot(1500, &window, [&window, shot] { window.grab().save(shot, "PNG"); });
  return QApplication::exec();
}

}  // namespace dv
