// Times the directory printer window's job against `dorvane-cli report` on the same generated tree and view
// (hierarchical, size and type, sizes in KB: both programs' defaults). The window's job runs in a fresh process
// of this program (started with --window-job), as the real program runs it: real ShellServices, the real
// progress program of the build, the path typed into txtPathSelected and cmdProcessDirPrint clicked, until the
// preview shows the report. Each side's wall time and peak resident memory come from wait4 on its own process,
// so the tree's generation counts for neither. Prints the times, the peaks and the ratios; nothing here passes or
// fails on them.
//
// Usage: window_bench [dorvane-cli] (default: the build's). DV_BENCH_FILES sets the number of files (default
// 200000); DV_PROGRESS_PROGRAM names another progress program. Settings, temporary and home folders of both
// programs live in the bench's temporary folder, removed at the end with the tree.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "dirprint/frm_dir_print.h"
#include "shell/report_view.h"
#include "shell/frm_cancel.h"
#include "shell/shell_services.h"
#include "tree_gen.h"

namespace {

// Every question of the window is printed and answered No: a bench must never wait for a person.
class PrintingPrompter : public dv::Prompter {
 public:
  void Message(const std::string& text, const std::string& title) override {
    std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
  }
  bool YesNo(const std::string& text, const std::string& title) override {
    Message(text, title);
    return false;
  }
  dv::Answer YesNoCancel(const std::string& text, const std::string& title) override {
    Message(text, title);
    return dv::Answer::Cancel;
  }
  std::optional<std::string> Input(const std::string& text, const std::string& title, const std::string&) override {
    Message(text, title);
    return std::nullopt;
  }
};

// The window's job in this process: prints "job <seconds> <lines shown>" on standard output.
int WindowJob(int argc, char** argv, const QString& tree) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("dorvane");
  dv::ShellServices services;
  services.utilities.PrintFontChecked = true;  // no font question in the way
  QString program = qEnvironmentVariable("DV_PROGRESS_PROGRAM");
  if (program.isEmpty()) program = QCoreApplication::applicationDirPath() + "/../src/VORizivuzuvi";
  dv::frmCancel cancel(services.errors, program);
  PrintingPrompter prompter;
  dv::frmDirPrint window(services, &cancel, &prompter);
  window.resize(1000, 700);
  window.show();
  QCoreApplication::processEvents();
  window.findChild<QLineEdit*>("txtPathSelected")->setText(tree);
  auto* preview = window.findChild<dv::ReportPreview*>("rtfPreviewDirPrint");
  QElapsedTimer t;
  t.start();
  window.findChild<QPushButton*>("cmdProcessDirPrint")->click();
  preview->repaint();  // the report shown
  const double seconds = t.nsecsElapsed() / 1e9;
  std::printf("job %.3f %lld\n", seconds, static_cast<long long>(preview->LineCount()));
  return preview->LineCount() > 0 ? 0 : 1;
}

using Run = dv::bench::ProgramRun;

Run Measure(const std::vector<std::string>& args) { return dv::bench::RunProgram(args, /*quiet=*/false); }

std::string Self() { return dv::bench::SelfPath(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--window-job") return WindowJob(argc, argv, QString::fromLocal8Bit(argv[2]));

  const std::string self = Self();
  const std::string cli = argc >= 2 ? argv[1] : self.substr(0, self.rfind('/')) + "/../src/dorvane-cli";
  const char* filesText = std::getenv("DV_BENCH_FILES");
  const long files = filesText ? std::atol(filesText) : 200000;
  QTemporaryDir work;
  if (!work.isValid()) return 2;
  const std::string root = work.path().toStdString();
  dv::bench::KeepEverythingIn(root);
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  const std::string tree = root + "/tree";
  const dv::bench::TreeStats stats = dv::bench::GenerateTree(tree, files, 27, 3);
  std::printf("\n%llu files in %llu folders, hierarchical view, size and type in KB\n\n",
              static_cast<unsigned long long>(stats.files), static_cast<unsigned long long>(stats.folders));
  const std::vector<std::string> cliArgs = {cli,  "report", "--view", "hierarchical", "--columns", "size,type",
                                            "--size-unit", "kb", "--output", root + "/cli-report.txt", tree};
  Measure(cliArgs);  // warms the caches
  std::printf("| run | dorvane-cli report | window job (click to preview shown) | window process | "
              "ratio job / cli | cli peak RSS | window peak RSS |\n|---|---|---|---|---|---|---|\n");
  for (int i = 1; i <= 3; ++i) {
    const Run cliRun = Measure(cliArgs);
    const Run windowRun = Measure({self, "--window-job", tree});
    double job = -1;
    long long lines = 0;
    std::sscanf(windowRun.out.c_str(), "job %lf %lld", &job, &lines);
    if (cliRun.status > 1 || windowRun.status != 0)
      std::printf("failed: cli %d, window %d (%s)\n", cliRun.status, windowRun.status, windowRun.out.c_str());
    std::printf("| %d | %.3f s | %.3f s (%lld lines) | %.3f s | %.2f | %ld MB | %ld MB |\n", i, cliRun.seconds, job,
                lines, windowRun.seconds, job / cliRun.seconds, cliRun.peakKb / 1024, windowRun.peakKb / 1024);
    std::fflush(stdout);
  }
  return 0;
}
