// The operation driver on real trees: the path check, the previews, the order of the work, cancelling, pruning
// and the processing bank.
#include "fileops_fixture.h"
#include "fileops_engine/bank_file.h"

namespace dv::test {
namespace {

// Each result of the path check: what is asked or told, whether the operation goes on, what it leaves.
TEST_F(FileOpsTest, PathCheckResultsAskTellAndStopAsTheyShould) {
  const std::string T = tree.Root();
  tree.File("src/a.txt", "a");
  tree.Dir("src/sub");
  tree.Dir("dst");
  tree.Link("srclink", "src");
  const std::string missingSource = "Message|Source does not exist.|Source directory does not exist.  Please check "
                                    "to ensure that path is correct.";
  const std::string same = "Message|Identical Source and Destination directory|Source and Destination directories "
                           "can not be the same.";
  struct Case {
    const char* name;
    FileOp op;
    std::string source, destination;
    bool yesToCreate, preview;
    Strings questions, lines, errors;
    std::string storedDestination;
    bool destinationMade;
  };
  const std::vector<Case> cases = {
      {"source missing", FileOp::Copy, T + "/nope", T + "/dst", false, false, {missingSource}, {}, {}, T + "/dst/", true},
      {"empty source", FileOp::Copy, "", T + "/dst", false, false, {missingSource}, {}, {}, T + "/dst/", true},
      {"destination declined", FileOp::Copy, T + "/src", T + "/new1", false, false, {"YesNo|Create Folder|Create folder T/new1/?"},
       {}, {}, T + "/new1/", false},
      {"destination created", FileOp::Copy, T + "/src", T + "/new2", true, false, {"YesNo|Create Folder|Create folder T/new2/?"},
       {"Success: T/src/a.txt"}, {}, T + "/new2/", true},
      {"no destination", FileOp::Copy, T + "/src", "", false, false,
       {"Message|Incorrect Path Entered|Unable to verify source and/or destination path.  Please check to ensure "
        "paths are correct."},
       {}, {"cfo:9C 2  [76]"}, "", false},
      {"same folder", FileOp::Copy, T + "/src", T + "/src/", false, false, {same}, {}, {}, T + "/src/", true},
      {"same folder through a link", FileOp::Compare, T + "/src", T + "/srclink", false, false, {same}, {}, {}, T + "/srclink/", true},
      {"destination inside the source", FileOp::Copy, T + "/src", T + "/src/sub/new", false, false,
       {"Message|Destination inside Source|The destination folder is inside the source folder.  Please choose a "
        "destination outside the source."},
       {}, {}, T + "/src/sub/new/", false},
      {"delete asks for no destination", FileOp::Delete, T + "/src", T + "/new3", false, true, {},
       {"Preview Folder: T/src/sub", "Preview File: T/src/a.txt", "Preview Folder: T/src"}, {}, T + "/new3/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompter p;
    if (c.yesToCreate) p.QueueAnswerFor("Create Folder", Answer::Yes);
    OpsRecorder ev;
    clsFileOps o(p, temp, &ev);
    ScanDefaults(o);
    o.FileOperation(c.op);
    o.CopyOp_CopyDirectoryStructure(c.op == FileOp::Copy);
    o.PreviewOnly(c.preview);
    o.SourceDirectory(c.source);
    o.DestinationDirectory(c.destination);
    o.scFileOperations().StartingDirectory(c.source);
    o.ProcessOperation();
    EXPECT_EQ(test::Questions(p, T), c.questions);
    EXPECT_EQ(test::Lines(o, T), c.lines);
    for (std::string& e : ev.errors) e = Shown(e, T);
    EXPECT_EQ(ev.errors, c.errors);
    EXPECT_EQ(o.DestinationDirectory(), c.storedDestination);
    if (!c.destination.empty()) {
      EXPECT_EQ(TempTree::Exists(c.destination), c.destinationMade);
    }
    EXPECT_EQ(ev.completed, 1);
  }
  EXPECT_EQ(TreeListing(T + "/src"), "a.txt = a\nsub/\n");
}

// A folder's contents are checked and walked as the folder; delete then keeps the folder itself.
TEST_F(FileOpsTest, ContentsOnlySourceIsTheFoldersContents) {
  tree.File("src/a.txt", "a");
  tree.File("src/sub/b.txt", "b");
  tree.Dir("dst");
  Paths(tree / "src/", tree / "dst");
  ops.SourceDirectory(tree / "src/", /*contentsOnly=*/true);
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  Run();
  EXPECT_EQ(Questions(), Strings{});
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/a.txt", "Success: T/src/sub", "Success: T/src/sub/b.txt"}));
  EXPECT_EQ(TreeListing(tree / "dst"), "a.txt = a\nsub/\nsub/b.txt = b\n");

  ops.SourceDirectory(tree / "src/", /*contentsOnly=*/true);
  ops.FileOperation(FileOp::Delete);
  ops.DeleteSettings(0);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/sub/b.txt", "Success: T/src/a.txt"}));
  EXPECT_EQ(TreeListing(tree / "src"), "sub/\n");
  EXPECT_TRUE(events.errors.empty());
}

// The root folder is asked about for every operation but copy, and No ends the operation before any walk. Copy
// of "/" is refused because every destination lies inside it.
TEST_F(FileOpsTest, RootFolderIsAskedAboutAndNoEndsTheOperation) {
  const std::string single = "YesNo|Process Root Folder?|The source folder is a root folder (i.e. root of a drive) "
                             "are you sure you want to process a Root Folder?";
  const std::string entry = "YesNo|Process Root Folder?|The source folder is a root folder (i.e. root of a "
                            "drive).\r\n/\r\n\r\n Are you sure you want to process a Root Folder?";
  struct Case {
    const char* name;
    FileOp op;
    Strings bank;
    Strings questions;
  };
  const std::vector<Case> cases = {
      {"delete of /", FileOp::Delete, {}, {single}},
      {"attributes of /", FileOp::Attributes, {}, {single}},
      {"copy of /", FileOp::Copy, {},
       {"Message|Destination inside Source|The destination folder is inside the source folder.  Please choose a "
        "destination outside the source."}},
      {"bank entries / and /*.*", FileOp::Delete, {"/", "/*.*"}, {entry, entry}},
  };
  tree.Dir("dst");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompter p;  // answers No
    OpsRecorder ev;
    clsFileOps o(p, temp, &ev);
    ScanDefaults(o);
    // Belt and braces: should the question be skipped, the walk would still only list.
    o.scFileOperations().DirLevelsDeep(0);
    o.PreviewOnly(true);
    o.FileOperation(c.op);
    o.SourceDirectory("/");
    o.ProcessingBankItems(c.bank);
    o.DestinationDirectory(tree / "dst");
    o.scFileOperations().StartingDirectory("/");
    o.ProcessOperation();
    EXPECT_EQ(test::Questions(p, tree.Root()), c.questions);
    EXPECT_EQ(test::Lines(o, tree.Root()), Strings{});
    EXPECT_EQ(ev.checks, 0);
  }
}

// The list preview records what each operation would do, in its order (delete and move from the deepest item,
// the others in walk order; folder lines only for copy, shells, delete and move); the report preview writes the
// report alone. Neither changes anything nor asks to create a missing destination: it is noted, and not made.
TEST_F(FileOpsTest, PreviewsRecordTheWorkInItsOrderAndChangeNothing) {
  tree.File("src/a.txt", "a");
  tree.File("src/sub/b.txt", "b");
  tree.Dir("src/sub/empty");
  const std::string before = TreeListing(tree.Root());
  const Strings forward = {"Preview Folder: T/src", "Preview File: T/src/a.txt", "Preview Folder: T/src/sub",
                           "Preview File: T/src/sub/b.txt", "Preview Folder: T/src/sub/empty"};
  const Strings backward(forward.rbegin(), forward.rend());
  struct Case {
    const char* name;
    FileOp op;
    Gathering ffType;
    bool report;
    Strings lines;
    Strings questions;
  };
  const std::string noted = "Destination does not exist - the operation will ask to create it: T/new/";
  auto withNote = [&](const Strings& lines) {
    Strings out{noted};
    out.insert(out.end(), lines.begin(), lines.end());
    return out;
  };
  const std::vector<Case> cases = {
      {"copy", FileOp::Copy, Gathering::FilesAndFolders, false, withNote(forward), {}},
      {"shells", FileOp::EmptyShells, Gathering::FilesAndFolders, false, withNote(forward), {}},
      {"delete", FileOp::Delete, Gathering::FilesAndFolders, false, backward, {}},
      {"move", FileOp::Move, Gathering::FilesAndFolders, false, withNote(backward), {}},
      {"report of a copy", FileOp::Copy, Gathering::FilesAndFolders, true, {noted}, {}},
      {"attributes", FileOp::Attributes, Gathering::FilesAndFolders, false,
       {"Preview File: T/src/a.txt", "Preview File: T/src/sub/b.txt"}, {}},
      {"delete, files gathered", FileOp::Delete, Gathering::Files, false,
       {"Preview File: T/src/a.txt", "Preview File: T/src/sub/b.txt"}, {}},
      {"delete, folders gathered", FileOp::Delete, Gathering::Folders, false,
       {"Preview Folder: T/src", "Preview Folder: T/src/sub", "Preview Folder: T/src/sub/empty"}, {}},
      {"report", FileOp::Delete, Gathering::FilesAndFolders, true, {}, {}},
      {"report of picked files", FileOp::Delete, Gathering::Files, true, {},
       {"Message|Dorvane|Preview mode only applies to Single Folder operations.\r\n\r\nWhen operations are applied to "
        "individually selected files the operation will be attempted on each selected file."}},
  };
  const std::string report = tree / "private/tmpOuput.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompter p;
    p.QueueAnswerFor("Create Folder", Answer::Yes);
    OpsRecorder ev;
    clsFileOps o(p, temp, &ev);
    ScanDefaults(o);
    o.FileOperation(c.op);
    o.Process_Files_Folders_Both(c.ffType);
    o.CopyOp_CopyDirectoryStructure(true);
    o.CopyOp_CopyEmptyDirs(true);
    o.DeleteSettings(1);
    o.PreviewOnly(!c.report);
    o.DisplayAffectedItemsFirst(c.report);
    o.SourceDirectory(tree / "src");
    // Gathered files of a report are files picked one by one.
    if (c.report && c.ffType == Gathering::Files) o.LoadMultipleFileArray({"a.txt"});
    o.DestinationDirectory(tree / "new");
    o.scFileOperations().StartingDirectory(tree / "src");
    ::unlink(report.c_str());
    o.ProcessOperation();
    EXPECT_EQ(test::Lines(o, tree.Root()), c.lines);
    EXPECT_EQ(test::Questions(p, tree.Root()), c.questions);
    EXPECT_EQ(o.SuccessCount() + o.FailureCount(), 0);
    EXPECT_TRUE(ev.errors.empty()) << ev.errors[0];
    EXPECT_EQ(TempTree::Exists(report), c.report && c.ffType != Gathering::Files);
    ::unlink(report.c_str());
    ::unlink(o.InformativeDisplayTXTLocation().c_str());
    EXPECT_EQ(TreeListing(tree.Root()), before);
  }
}

// Cancel while gathering: the note says what was gathered and nothing is processed.
TEST_F(FileOpsTest, CancelDuringGatheringRecordsTheNoteAndProcessesNothing) {
  for (const char* name : {"a", "b", "c", "d"}) tree.File(std::string("src/") + name + ".txt", name);
  tree.File("src/sub/e.txt", "e");
  const std::string before = TreeListing(tree / "src");
  struct Case {
    Gathering ffType;
    std::string note;
  };
  const std::vector<Case> cases = {
      {Gathering::Files,
       "Cancel was pressed during the file gathering process.\r\n\r\nNo files were processed.\r\n\r\nThere were 4 "
       "files gathered."},
      {Gathering::Folders,
       "Cancel was pressed during the folder gathering process.\r\n\r\nNo folders were processed.\r\n\r\nThere were "
       "1 folders gathered."},
      {Gathering::FilesAndFolders,
       "Cancel was pressed during the file & folder gathering process.\r\n\r\nNo files or folders were "
       "processed.\r\n\r\nThere were 5 files & folders gathered."},
  };
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.DeleteSettings(1);
  // The first check comes after the starting folder's files, before the subfolder.
  events.onCheck = [&](int n) {
    if (n == 1) ops.StopProcessing(true);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<long>(c.ffType));
    events.checks = 0;
    ops.Process_Files_Folders_Both(c.ffType);
    Run();
    EXPECT_EQ(Lines(), Strings{c.note});
    EXPECT_TRUE(ops.StopProcessing());
    EXPECT_EQ(TreeListing(tree / "src"), before);
    std::string results = ResultsFile();
    EXPECT_EQ(results.rfind("   ***   Processing was stopped early   ***\r\n\r\n\r\nDate/Time:", 0), 0u);
    EXPECT_TRUE(results.ends_with(c.note + "\r\n   ***   Processing was stopped early   ***\r\n"));
  }
}

// A stop asked for while processing ends the work before the next item.
TEST_F(FileOpsTest, StopDuringProcessingLeavesTheRestAlone) {
  for (const char* name : {"a", "b", "c"}) tree.File(std::string("src/") + name + ".txt", name);
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.Process_Files_Folders_Both(Gathering::Files);
  int checks = 0;
  events.onCheck = [&](int) {
    // Gathering raises one check; processing one before each file: stop at the second file's.
    if (++checks == 4) ops.StopProcessing(true);
  };
  Run();
  EXPECT_EQ(Lines(), Strings{"Success: T/src/a.txt"});
  EXPECT_EQ(TreeListing(tree / "src"), "b.txt = b\nc.txt = c\n");
}

// With structure copying and empty folders left out (or a filter on), only folders that receive a file are
// made, and every ancestor of a deep file is kept.
TEST_F(FileOpsTest, PruningKeepsEveryFolderOnTheWayToAFile) {
  tree.File("src/top.txt", "t");
  tree.File("src/a/b/c/d/deep.txt", "x");
  tree.File("src/a/b/c/d/skip.dat", "s");
  tree.Dir("src/a/empty1");
  tree.Dir("src/x");
  tree.Dir("src/y/z");
  const std::string chain = "a/\na/b/\na/b/c/\na/b/c/d/\na/b/c/d/deep.txt = x\n";
  struct Case {
    const char* name;
    bool emptyDirs;
    const char* pattern;
    std::string listing;
  };
  const std::vector<Case> cases = {
      {"empty folders left out", false, "", chain + "a/b/c/d/skip.dat = s\ntop.txt = t\n"},
      {"empty folders with a filter", true, "*.txt", chain + "top.txt = t\n"},
      {"empty folders included", true, "",
       chain + "a/b/c/d/skip.dat = s\na/empty1/\ntop.txt = t\nx/\ny/\ny/z/\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dst = tree.Dir(std::string("dst ") + c.name);
    Paths(tree / "src", dst);
    ops.scFileOperations().RegExFilePattern(c.pattern);
    ops.FileOperation(FileOp::Copy);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.CopyOp_CopyEmptyDirs(c.emptyDirs);
    Run();
    EXPECT_EQ(TreeListing(dst), c.listing);
    EXPECT_TRUE(events.errors.empty());
  }
}

// The bank's folder pass: a "folder/" entry keeps its own name under the destination, a "folder/*.*" entry
// mirrors its contents directly; missing and same-as-destination entries are noted; the file pass takes the
// file entries straight to the destination folder and gives the structure setting back.
TEST_F(FileOpsTest, BankFolderAndFilePasses) {
  tree.File("data/A/one.txt", "1");
  tree.File("data/A/sub/two.txt", "2");
  tree.File("data/B/three.txt", "3");
  tree.File("data/B/bsub/four.txt", "4");
  tree.File("data/loose.txt", "l");
  tree.Dir("out");
  ops.ProcessingBankItems({tree / "data/A/", tree / "data/B/*.*", tree / "data/nope/", tree / "out/",
                           tree / "data/loose.txt"});
  ops.DestinationDirectory(tree / "out");
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/data/A", "Success: T/data/A/one.txt", "Success: T/data/A/sub",
                              "Success: T/data/A/sub/two.txt", "Success: T/data/B/three.txt",
                              "Success: T/data/B/bsub", "Success: T/data/B/bsub/four.txt",
                              "Source Does not exist - Skipping Processing for: T/data/nope/",
                              "Source & Destination are the same - Skipping Processing for: T/out/",
                              "Success: T/data/loose.txt"}));
  EXPECT_EQ(TreeListing(tree / "out"),
            "A/\nA/one.txt = 1\nA/sub/\nA/sub/two.txt = 2\nbsub/\nbsub/four.txt = 4\nloose.txt = l\nthree.txt = 3\n");
  EXPECT_EQ(events.errors, Strings{});
  EXPECT_EQ(ops.SuccessCount(), 8);
  EXPECT_TRUE(std::get<CopyLayout>(ops.Settings().details).structure);
  EXPECT_EQ(Questions(), Strings{});
}

// Delete through the bank: a "*.*" entry keeps its folder, and the file pass deletes every file entry, the
// first one included.
TEST_F(FileOpsTest, BankDeleteKeepsContentsOnlyFoldersAndTakesEveryFileEntry) {
  tree.File("data/B/three.txt", "3");
  tree.File("data/first.txt", "f");
  tree.File("data/second.txt", "s");
  tree.File("data/keep.txt", "k");
  ops.ProcessingBankItems({tree / "data/B/*.*", tree / "data/first.txt", tree / "data/second.txt"});
  ops.FileOperation(FileOp::Delete);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/data/B/three.txt", "Success: T/data/second.txt", "Success: T/data/first.txt"}));
  EXPECT_EQ(TreeListing(tree / "data"), "B/\nkeep.txt = k\n");
}

// Files picked one by one: only plain names of the source folder; the others are reported and left out.
TEST_F(FileOpsTest, PickedFilesAreNamesOfTheSourceFolderOnly) {
  tree.File("src/a.txt", "a");
  tree.File("src/b.txt", "b");
  tree.File("escape.txt", "e");
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.LoadMultipleFileArray({"a.txt", "../escape.txt", "missing.txt", "b.txt"});
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/a.txt", "Success: T/src/b.txt"}));
  EXPECT_EQ(events.errors, (Strings{"cfo:4G 1 2-4-4 [52]", "cfo:4G 1 3-4-4 [53]"}));
  EXPECT_EQ(TreeListing(tree.Root()), "escape.txt = e\nprivate/\nprivate/DVidt.txt = " + ResultsFile() + "\nsrc/\n");
}

// A call made from inside a running operation is refused; the running one goes on.
TEST_F(FileOpsTest, ProcessOperationIsNotReentered) {
  tree.File("src/a.txt", "a");
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.PreviewOnly(true);
  events.onCheck = [&](int n) {
    if (n == 1) ops.ProcessOperation();
  };
  Run();
  EXPECT_EQ(events.errors, Strings{"cfo:7A 2  [50000]"});
  EXPECT_EQ(events.completed, 1);
  EXPECT_EQ(Lines(), (Strings{"Preview File: T/src/a.txt", "Preview Folder: T/src"}));
}

// An entry given again, however it is written, is dropped and the first kept; the kind (folder, contents, file)
// is part of what an entry is. A delete then acts once on each, not on the result of its own first pass.
TEST_F(FileOpsTest, BankEntriesGivenTwiceAreDroppedKeepingTheFirst) {
  const std::string T = tree.Root();
  const struct {
    Strings given, kept;
  } cases[] = {
      {{T + "/a/b/", T + "//a//b/", T + "/a/./b/", T + "/a/c/../b/"}, {T + "/a/b/"}},
      {{T + "/a/b/*.*", T + "/a//b/*.*", T + "/a/b/", T + "/a/b"}, {T + "/a/b/*.*", T + "/a/b/", T + "/a/b"}},
      {{T + "/x.txt", "", T + "/./x.txt", ""}, {T + "/x.txt", "", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UniqueBankEntries(c.given), c.kept);
  }

  tree.File("data/B/three.txt", "3");
  tree.File("data/f.txt", "f");
  ops.ProcessingBankItems({T + "/data/B/*.*", T + "/data//B/*.*", T + "/data/f.txt", T + "/data/./f.txt"});
  ops.FileOperation(FileOp::Delete);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/data/B/three.txt", "Success: T/data/f.txt"}));
  EXPECT_EQ(TreeListing(T + "/data"), "B/\n");
}

}  // namespace
}  // namespace dv::test
