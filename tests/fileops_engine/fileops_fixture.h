#pragma once
// What the engine's tests share: a fresh tree with a private temporary folder of its own, a scripted prompter, a
// listener that records every event, and a listing of a whole tree to compare before and after.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileops_engine/cls_file_ops.h"
#include "support/fs_assertions.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv::test {

class OpsRecorder : public FileOpsListener {
 public:
  std::vector<std::string> errors;    // "loc kind info [number]"
  std::vector<std::string> progress;
  int checks = 0, completed = 0;
  // Called at each check with its number (1 upwards).
  std::function<void(int)> onCheck;

  void evtCFOExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
    errors.push_back(loc + " " + std::to_string(kind) + " " + info + " [" + std::to_string(e.Number()) + "]");
  }
  void evtCFOCheckForClosing() override {
    ++checks;
    if (onCheck) onCheck(checks);
  }
  void cfoCompletedProcessing() override { ++completed; }
  void evtCFOUpdateProgress(const std::string& text) override { progress.push_back(text); }
};

// Every item below `root`, sorted, one per line: "rel/" for folders, "rel -> target" for links, "rel = content"
// for files. Links are not followed.
inline std::string TreeListing(const std::string& root) {
  namespace fs = std::filesystem;
  std::vector<std::string> items;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    // Cut as text: fs::relative would resolve a link.
    std::string rel = it->path().string().substr(root.size() + 1);
    if (it->is_symlink()) items.push_back(rel + " -> " + fs::read_symlink(it->path()).string());
    else if (it->is_directory()) items.push_back(rel + "/");
    else items.push_back(rel + " = " + TempTree::Read(it->path().string()));
  }
  std::sort(items.begin(), items.end());
  std::string out;
  for (auto& s : items) out += s + "\n";
  return out;
}

// `text` with every `root` in it shown as "T".
inline std::string Shown(std::string text, const std::string& root) {
  for (size_t at; (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "T");
  return text;
}

// Questions and messages as "kind|title|text", the root shown as "T".
inline std::vector<std::string> Questions(const ScriptedPrompter& prompter, const std::string& root) {
  std::vector<std::string> out;
  for (const dv::test::Asked& a : prompter.Log()) out.push_back(a.kind + "|" + a.title + "|" + Shown(a.text, root));
  return out;
}

// The recorded lines, the root shown as "T".
inline std::vector<std::string> Lines(const clsFileOps& ops, const std::string& root) {
  std::vector<std::string> out;
  for (const std::string& line : ops.RecordedLines()) out.push_back(Shown(line, root));
  return out;
}

// The engine's scanning object set as the window sets it: all levels, hidden items, wildcards.
inline void ScanDefaults(clsFileOps& ops) {
  clsDirProcessing& scan = ops.scFileOperations();
  scan.DirLevelsDeep(32000);
  scan.ShowHiddenAndSystemFiles(true);
  scan.PatternMatchingOption(1);
}

class FileOpsTest : public ::testing::Test {
 protected:
  TempTree tree;
  ScriptedPrompter prompter;
  OpsRecorder events;
  std::string temp = tree.Dir("private");
  clsFileOps ops{prompter, temp, &events};

  void SetUp() override { ScanDefaults(ops); }

  // Source and destination as the window sets them: the scanning object starts at the source.
  void Paths(const std::string& source, const std::string& destination = "") {
    ops.SourceDirectory(source);
    ops.DestinationDirectory(destination);
    ops.scFileOperations().StartingDirectory(source);
  }
  void Run() { ops.ProcessOperation(); }

  // Runs `change` once, at the first check after the gathering: every item gathered, none processed yet. The flag
  // it returns says whether it ran.
  std::shared_ptr<bool> AfterGathering(std::function<void()> change) {
    auto ran = std::make_shared<bool>(false);
    events.onCheck = [this, ran, change = std::move(change)](int) {
      if (*ran || std::find(events.progress.begin(), events.progress.end(), "Processing Operation...") ==
                      events.progress.end())
        return;
      *ran = true;
      change();
    };
    return ran;
  }

  std::string ResultsFile() const { return TempTree::Read(ops.InformativeDisplayTXTLocation()); }
  std::vector<std::string> Lines() const { return test::Lines(ops, tree.Root()); }
  std::vector<std::string> Questions() const { return test::Questions(prompter, tree.Root()); }
};

using Strings = std::vector<std::string>;

}  // namespace dv::test
