// Times the file operations window's runs against `dorvane-cli op` and the standard tool on the same generated
// tree: a list preview (against find) and a copy with the folder structure (against cp -rP). The window's run
// happens in a fresh process of this program (--window-job), as the real program runs it: real ShellServices, the
// real progress program of the build, source and destination typed into their boxes, "Perform Operation"
// clicked and every question answered Yes, until the results are loaded. Besides time and peak memory it notes
// the longest time the window's event loop went without a pass during the run (a timer asks every 10 ms), which is
// how long a click or a repaint could have waited. Prints the tables; nothing here passes or fails on them.
//
// Usage: fileops_window_bench [dorvane-cli] (default: the build's). DV_BENCH_FILES sets the number of files
// (default 100000). Settings, temporary and home folders live in the bench's temporary folder, removed at the end.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "shell/report_view.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/frm_cancel.h"
#include "shell/shell_services.h"
#include "tree_gen.h"

namespace {

// Every question is printed and answered Yes: a bench must never wait for a person.
class YesPrompter : public dv::Prompter {
 public:
  void Message(const std::string& text, const std::string& title) override {
    std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
  }
  bool YesNo(const std::string&, const std::string&) override { return true; }
  dv::Answer YesNoCancel(const std::string&, const std::string&) override { return dv::Answer::Yes; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

// The window's run in this process: prints "job <seconds> <result lines> <longest gap in ms>".
int WindowJob(int argc, char** argv, bool preview, const QString& tree, const QString& destination) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("dorvane");
  dv::ShellServices services;
  dv::frmCancel cancel(services.errors, QCoreApplication::applicationDirPath() + "/../src/VORizivuzuvi");
  YesPrompter prompter;
  dv::frmFileOps window(services, &cancel, &prompter);
  window.resize(1100, 800);
  window.show();
  QCoreApplication::processEvents();
  window.findChild<QLineEdit*>("txtSource")->setText(tree);
  window.findChild<QLineEdit*>("txtDestination")->setText(destination);
  window.findChild<QCheckBox*>("chkPreviewOnly")->setChecked(preview);
  QElapsedTimer sinceLastPass;
  qint64 longestGap = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceLastPass.restart());
  });
  tick.start(10);
  QElapsedTimer t;
  t.start();
  sinceLastPass.start();
  window.findChild<QPushButton*>("cmdProcess")->click();
  longestGap = std::max(longestGap, sinceLastPass.elapsed());
  const double seconds = t.nsecsElapsed() / 1e9;
  auto* results = window.findChild<dv::ReportPreview*>("txtInfoDisplay");
  std::printf("job %.3f %lld %lld\n", seconds, static_cast<long long>(results->LineCount()),
              static_cast<long long>(longestGap));
  return results->LineCount() > 0 ? 0 : 1;
}

using Run = dv::bench::ProgramRun;

Run Measure(const std::vector<std::string>& args) { return dv::bench::RunProgram(args, /*quiet=*/true); }

std::string Self() { return dv::bench::SelfPath(); }

void Remove(const std::string& path) { std::system(("rm -rf '" + path + "'").c_str()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--window-job")
    return WindowJob(argc, argv, std::string(argv[2]) == "preview", QString::fromLocal8Bit(argv[3]),
                     QString::fromLocal8Bit(argv[4]));

  const std::string self = Self();
  const std::string cli = argc >= 2 ? argv[1] : self.substr(0, self.rfind('/')) + "/../src/dorvane-cli";
  const char* filesText = std::getenv("DV_BENCH_FILES");
  const long files = filesText ? std::atol(filesText) : 100000;
  QTemporaryDir work;
  if (!work.isValid()) return 2;
  const std::string root = work.path().toStdString();
  dv::bench::KeepEverythingIn(root);
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  const std::string tree = root + "/tree", copy = root + "/copy";
  const dv::bench::TreeStats stats = dv::bench::GenerateTree(tree, files, 20, 3);
  std::printf("\n%llu files in %llu folders\n\n", static_cast<unsigned long long>(stats.files),
              static_cast<unsigned long long>(stats.folders));
  std::printf("| run | window | window peak RSS | longest event-loop gap | dorvane-cli op | cli peak RSS | tool | "
              "window / cli | window / tool |\n|---|---|---|---|---|---|---|---|---|\n");
  Measure({"find", tree, "-printf", "%p\n"});  // warms the caches
  for (const bool preview : {true, false}) {
    for (int i = 1; i <= 2; ++i) {
      Remove(copy);
      const Run windowRun = Measure({self, "--window-job", preview ? "preview" : "copy", tree, copy});
      Remove(copy);
      std::vector<std::string> cliArgs = {cli, "op", "copy", "--yes", "--results", root + "/cli-results.txt"};
      if (preview) cliArgs.push_back("--preview");
      cliArgs.push_back(tree);
      cliArgs.push_back(copy);
      const Run cliRun = Measure(cliArgs);
      Remove(copy);
      const Run toolRun = preview ? Measure({"find", tree, "-printf", "%p\n"}) : Measure({"cp", "-rP", tree, copy});
      double job = -1;
      long long lines = 0, gap = -1;
      std::sscanf(windowRun.out.c_str(), "job %lf %lld %lld", &job, &lines, &gap);
      if (windowRun.status != 0 || cliRun.status > 1)
        std::printf("failed: window %d, cli %d (%s)\n", windowRun.status, cliRun.status, windowRun.out.c_str());
      std::printf("| %s %d | %.3f s (%lld result lines) | %ld MB | %lld ms | %.3f s | %ld MB | %s %.3f s | %.2f | %.2f |\n",
                  preview ? "preview" : "copy", i, job, lines, windowRun.peakKb / 1024, gap, cliRun.seconds,
                  cliRun.peakKb / 1024, preview ? "find" : "cp -rP", toolRun.seconds, job / cliRun.seconds,
                  job / toolRun.seconds);
      std::fflush(stdout);
    }
  }
  Remove(copy);
  return 0;
}
