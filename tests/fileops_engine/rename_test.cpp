// Rename by pattern: the new names under both start positions, the "$" forms, and the collision counter, which
// never lets a rename replace anything.
#include "fileops_fixture.h"

namespace dv::test {
namespace {

struct RenameCase {
  const char* pattern;
  const char* replacement;
  int start;
  Strings files;        // created in a folder of the case's own
  Strings lines;        // "T" = that folder
  std::string listing;  // the folder afterwards
  Strings errors = {};
};

// Each case renames the files of a folder of its own; the whole folder is compared afterwards.
void RunRenameCases(TempTree& tree, clsFileOps& ops, OpsRecorder& events,
                    const std::vector<RenameCase>& cases,
                    const std::function<void(const std::string& dir, size_t i)>& extra = {}) {
  for (size_t i = 0; i < cases.size(); ++i) {
    const RenameCase& c = cases[i];
    SCOPED_TRACE(std::to_string(i) + ": " + c.pattern + " -> " + c.replacement);
    const std::string dir = tree.Dir("case" + std::to_string(i));
    for (const std::string& f : c.files) tree.File("case" + std::to_string(i) + "/" + f, f);
    if (extra) extra(dir, i);
    events.errors.clear();
    ops.SourceDirectory(dir);
    ops.scFileOperations().StartingDirectory(dir);
    ops.FileOperation(FileOp::Rename);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    ops.RenameSettings(c.pattern, c.replacement, 2, c.start);
    ops.ProcessOperation();
    EXPECT_EQ(Lines(ops, dir), c.lines);
    EXPECT_EQ(TreeListing(dir), c.listing);
    Strings errors;
    for (const std::string& e : events.errors) errors.push_back(Shown(e, dir));
    EXPECT_EQ(errors, c.errors);
  }
}

TEST_F(FileOpsTest, RenameBuildsNewNames) {
  const std::vector<RenameCase> cases = {
      // Every match replaced.
      {"old", "new", 32000, {"myoldfile_old.txt"}, {"Success: T/myoldfile_old.txt -> mynewfile_new.txt"},
       "mynewfile_new.txt = myoldfile_old.txt\n"},
      // Start 1: each match from the unchanged name, the last one deciding; a match at the start keeps its first
      // character. Case is ignored.
      {"old", "new", 1, {"myoldfile_old.txt", "OLDfile.txt"},
       {"Success: T/myoldfile_old.txt -> myoldfile_new.txt", "Success: T/OLDfile.txt -> Onewfile.txt"},
       "Onewfile.txt = OLDfile.txt\nmyoldfile_new.txt = myoldfile_old.txt\n"},
      // Start 3 keeps the match's first two characters.
      {"report", "X", 3, {"my-report.txt"}, {"Success: T/my-report.txt -> my-reX.txt"}, "my-reX.txt = my-report.txt\n"},
      // Replace-all expands "$" forms; the positional form inserts the replacement as typed.
      {"^(\\w+)\\.txt$", "$1-$$.bak", 32000, {"notes.txt"}, {"Success: T/notes.txt -> notes-$.bak"}, "notes-$.bak = notes.txt\n"},
      {"e", "$&", 1, {"ab-e.txt"}, {"Success: T/ab-e.txt -> ab-$&.txt"}, "ab-$&.txt = ab-e.txt\n"},
      // Characters, not bytes: "é" is one character.
      {"\u00e9t", "-", 2, {"x\u00e9t\u00e9.txt"}, {"Success: T/x\u00e9t\u00e9.txt -> x\u00e9-\u00e9.txt"},
       "x\u00e9-\u00e9.txt = x\u00e9t\u00e9.txt\n"},
      // No match, or a new name equal to the old one: left alone, nothing recorded.
      {"zzz", "y", 32000, {"a.txt"}, {}, "a.txt = a.txt\n"},
      {"a", "a", 32000, {"a.txt"}, {}, "a.txt = a.txt\n"},
      {"", "x", 32000, {"a.txt"}, {}, "a.txt = a.txt\n"},
      // A new name that is empty or holds "/" fails clearly and renames nothing.
      {"^a\\.txt$", "", 32000, {"a.txt"}, {"Failure: T/a.txt"}, "a.txt = a.txt\n",
       {"cfo:8N 3 Renaming a file at or near file a.txt [52]"}},
      {"a", "../b", 32000, {"a.txt"}, {"Failure: T/a.txt"}, "a.txt = a.txt\n",
       {"cfo:8N 3 Renaming a file at or near file a.txt [52]"}},
      // An invalid pattern is reported; the names count as not matching.
      {"(", "x", 32000, {"a.txt"}, {}, "a.txt = a.txt\n", {"cfo:8Q 3 Matching:( To:a.txt [5017]"}},
  };
  RunRenameCases(tree, ops, events, cases);
}

TEST_F(FileOpsTest, RenameNeverReplacesAnything) {
  const std::vector<RenameCase> cases = {
      // Three renames to one name: the second and third get counters after the extension.
      {"^x\\d", "y", 32000, {"x1.txt", "x2.txt", "x3.txt"},
       {"Success: T/x1.txt -> y.txt", "Success: T/x2.txt -> y.txt_DV1", "Success: T/x3.txt -> y.txt_DV2"},
       "y.txt = x1.txt\ny.txt_DV1 = x2.txt\ny.txt_DV2 = x3.txt\n"},
      // A name that already carries a counter has it replaced, not doubled.
      {"^[ab]", "c", 32000, {"a_DV5", "b_DV5"}, {"Success: T/a_DV5 -> c_DV5", "Success: T/b_DV5 -> c_DV1"},
       "c_DV1 = b_DV5\nc_DV5 = a_DV5\n"},
      // Anything at the new name counts, a dangling link too; a link is renamed itself, its target untouched.
      {"^l", "n", 32000, {"keep.txt"}, {"Success: T/lx -> nx_DV1"}, "keep.txt = keep.txt\nnx -> nowhere\nnx_DV1 -> keep.txt\n"},
  };
  RunRenameCases(tree, ops, events, cases, [&](const std::string& dir, size_t i) {
    if (i == 2) {
      ASSERT_EQ(::symlink("nowhere", (dir + "/nx").c_str()), 0);
      ASSERT_EQ(::symlink("keep.txt", (dir + "/lx").c_str()), 0);
    }
  });
}

// The preview lists only the files that get a new name, numbered as the run numbers them against the folder and
// the names given before in the same preview; the rest is counted in a message. The run then records the same
// names, and the preview changed nothing.
TEST_F(FileOpsTest, RenamePreviewShowsTheNamesTheRunGives) {
  struct Case {
    const char* pattern;
    const char* replacement;
    Strings files;
    Strings lines;  // of the preview, "T" = the case's folder; a control character shows as "?"
    std::string message;
  };
  const std::vector<Case> cases = {
      {"^IMG", "photo", {"IMG_001.jpg", "IMG_002.jpg", "IMG\t3.jpg", "notes.txt", "photo_002.jpg"},
       {"Preview File: T/IMG?3.jpg -> photo?3.jpg", "Preview File: T/IMG_001.jpg -> photo_001.jpg",
        "Preview File: T/IMG_002.jpg -> photo_002.jpg_DV1"},
       "Message|Rename Preview|2 of 5 files keep their names and are not listed."},
      {"^x\\d", "y", {"x1.txt", "x2.txt", "x3.txt"},
       {"Preview File: T/x1.txt -> y.txt", "Preview File: T/x2.txt -> y.txt_DV1", "Preview File: T/x3.txt -> y.txt_DV2"},
       "Message|Rename Preview|0 of 3 files keep their names and are not listed."},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.pattern);
    const std::string name = "preview" + std::to_string(i), dir = tree.Dir(name);
    for (const std::string& f : c.files) tree.File(name + "/" + f, f);
    const std::string before = TreeListing(dir);
    prompter.Clear();
    ops.SourceDirectory(dir);
    ops.scFileOperations().StartingDirectory(dir);
    ops.FileOperation(FileOp::Rename);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    ops.RenameSettings(c.pattern, c.replacement, 2, 32000);
    ops.PreviewOnly(true);
    ops.ProcessOperation();
    Strings shown = c.lines;
    EXPECT_EQ(test::Lines(ops, dir), shown);
    EXPECT_EQ(test::Questions(prompter, dir), Strings{c.message});
    EXPECT_EQ(TreeListing(dir), before);

    ops.PreviewOnly(false);
    ops.ProcessOperation();
    for (std::string& line : shown) line.replace(0, 14, "Success: ");
    EXPECT_EQ(test::Lines(ops, dir), shown);
  }
}

}  // namespace
}  // namespace dv::test
