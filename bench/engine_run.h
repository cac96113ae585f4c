#pragma once
// What the file operations benchmarks share: a prompter answering for the user, and one operation run in a child
// process of its own (so its time and peak memory are its own) on an engine set up as the window sets it up.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "fileops_engine/cls_file_ops.h"
#include "tree_gen.h"

namespace dv::bench {

// Messages go to standard error; every question gets `yes` (or No and Cancel).
class AnsweringPrompter : public Prompter {
 public:
  explicit AnsweringPrompter(bool yes) : yes_(yes) {}
  void Message(const std::string& text, const std::string&) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool YesNo(const std::string&, const std::string&) override { return yes_; }
  Answer YesNoCancel(const std::string&, const std::string&) override { return yes_ ? Answer::Yes : Answer::Cancel; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override { return {}; }

 private:
  bool yes_;
};

// Runs one operation from `source` (to `destination`) in a child: all levels, hidden items, files and folders,
// then `setUp` for the operation's own settings. Says on standard error when the run recorded other than
// `expectLines` lines (-1: any number but none).
inline Measured RunEngine(const std::string& source, const std::string& destination, const std::string& temp,
                          long expectLines, const std::function<void(clsFileOps&)>& setUp, bool answerYes = true) {
  return InChild([&] {
    AnsweringPrompter prompts(answerYes);
    clsFileOps ops(prompts, temp);
    clsDirProcessing& scan = ops.scFileOperations();
    scan.DirLevelsDeep(32000);
    scan.ShowHiddenAndSystemFiles(true);
    scan.StartingDirectory(source);
    ops.SourceDirectory(source);
    ops.DestinationDirectory(destination);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    setUp(ops);
    ops.ProcessOperation();
    const long lines = static_cast<long>(ops.RecordedLines().size());
    if (expectLines < 0 ? lines == 0 : lines != expectLines)
      std::fprintf(stderr, "the operation recorded %ld lines\n", lines);
    if (ops.FailureCount() > 0) std::fprintf(stderr, "%ld failures\n", ops.FailureCount());
  });
}

}  // namespace dv::bench
