// VORizivuzuvi: the progress window Dorvane shows while a long task runs on its own user-interface thread.
// Dorvane starts it with the name of a local socket and talks to it there (progress_protocol.h).
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>

#include "ui_common/progress_protocol.h"
#include "progress/progress_server.h"
#include "progress/progress_window.h"
#include "ui_common/program_icon.h"

namespace {

// Ends the program when its standard input reaches its end: Dorvane holds the other end of that pipe, so a
// Dorvane that crashed or was killed does not leave an orphaned progress window behind.
void EndWithStandardInput(QApplication& app) {
  ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, notifier] {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN))) return;  // nothing is ever sent; ignore it
    notifier->setEnabled(false);
    app.quit();
  });
}

}  // namespace

int main(int argc, char** argv) {
  using namespace dv::progress;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kProgramName));
  dv::SetProgramIcon();

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Progress window of Dorvane"));
  parser.addHelpOption();
  const QCommandLineOption server(QString::fromLatin1(kServerOption),
                                  QStringLiteral("Serve requests on the local socket <name>."),
                                  QStringLiteral("name"));
  const QCommandLineOption watchStdin(QString::fromLatin1(kWatchStdinOption),
                                      QStringLiteral("End when standard input ends."));
  parser.addOption(server);
  parser.addOption(watchStdin);
  parser.process(app);
  if (!parser.isSet(server) || parser.value(server).isEmpty()) {
    std::fprintf(stderr, "%s: --%s <name> is required\n", kProgramName, kServerOption);
    return 2;
  }

  ProgressWindow window;
  ProgressServer requests(window);
  QString why;
  if (!requests.Listen(parser.value(server), &why)) {
    std::fprintf(stderr, "%s: cannot listen on %s: %s\n", kProgramName, qPrintable(parser.value(server)),
                 qPrintable(why));
    return 1;
  }
  if (parser.isSet(watchStdin)) EndWithStandardInput(app);

  window.show();
  window.raise();
  window.activateWindow();
  std::fprintf(stdout, "%s\n", kReady.data());
  std::fflush(stdout);
  return app.exec();
}
