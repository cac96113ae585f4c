// Text streams on real files: CR LF line ends, reading LF and CR LF, the open modes and their errors, and files that
// are not regular files.
#include "platform/text_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::Contains;
using test::FailsWith;
using test::InChild;
using test::LimitFileSize;
using test::Outcome;
using test::TempTree;

std::vector<std::string> ReadLines(const std::string& path) {
  TextStream in = FileSystemObject().OpenTextFile(path);
  std::vector<std::string> out;
  while (!in.AtEndOfStream()) out.push_back(in.ReadLine());
  return out;
}

// ---------------------------------------------------------------------------------------------------------------

TEST(TextStreamTest, WritingEndsEveryLineWithCrLfAndKeepsBytesAsTheyAre) {
  TempTree tree;
  FileSystemObject fs;
  const std::string path = tree / "out.txt";
  {
    TextStream out = fs.CreateTextFile(path);
    out.WriteLine("first");
    out.Write("no end ");
    out.Write("yet");
    out.WriteLine();
    out.WriteBlankLines(2);
    out.WriteLine(std::string("nul\0byte \xff\xfe caf\xc3\xa9", 17));
    out.WriteLine("line with\nLF inside");
    out.WriteBlankLines(0);
    out.Write("last");
    out.Close();
    EXPECT_FALSE(out.IsOpen());
  }
  EXPECT_EQ(TempTree::Read(path), "first\r\nno end yet\r\n\r\n\r\n" + std::string("nul\0byte \xff\xfe caf\xc3\xa9", 17) +
                                      "\r\nline with\nLF inside\r\nlast");

  // More than the write buffer holds, and a stream that is only destroyed, not closed: everything arrives.
  const std::string big = tree / "big.txt";
  std::string expected;
  {
    TextStream out = fs.CreateTextFile(big);
    for (int i = 0; i < 20000; ++i) {
      std::string line = "line " + std::to_string(i);
      out.WriteLine(line);
      expected += line + "\r\n";
    }
  }
  EXPECT_TRUE(TempTree::Read(big) == expected);
  EXPECT_EQ(ReadLines(big).size(), 20000u);
  EXPECT_EQ(ReadLines(big)[19999], "line 19999");
}

TEST(TextStreamTest, ReadingAcceptsCrLfLfAndALastLineWithoutAnEnd) {
  TempTree tree;
  FileSystemObject fs;
  const std::string path = tree.File("in.txt", "crlf\r\nlf\n\r\n\nbare\rcr kept\r\nlast without end");
  TextStream in = fs.OpenTextFile(path);
  EXPECT_FALSE(in.AtEndOfStream());
  EXPECT_EQ(in.ReadLine(), "crlf");
  EXPECT_EQ(in.ReadLine(), "lf");
  EXPECT_EQ(in.ReadLine(), "");
  EXPECT_EQ(in.ReadLine(), "");
  EXPECT_EQ(in.ReadLine(), "bare\rcr kept");
  EXPECT_FALSE(in.AtEndOfStream());
  EXPECT_EQ(in.ReadLine(), "last without end");
  EXPECT_TRUE(in.AtEndOfStream());
  EXPECT_TRUE(FailsWith([&] { in.ReadLine(); }, err::InputPastEnd, path));
  EXPECT_TRUE(FailsWith([&] { in.ReadLine(); }, err::InputPastEnd, path));  // and stays there
  EXPECT_EQ(in.ReadAll(), "");

  // A file ending with its line end has no empty last line.
  EXPECT_EQ(ReadLines(tree.File("ended.txt", "a\r\nb\r\n")), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ReadLines(tree.File("lf.txt", "a\nb\n")), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ReadLines(tree.File("one-empty.txt", "\r\n")), (std::vector<std::string>{""}));

  // An empty file is at its end at once.
  TextStream empty = fs.OpenTextFile(tree.File("empty.txt", ""));
  EXPECT_TRUE(empty.AtEndOfStream());
  EXPECT_TRUE(FailsWith([&] { empty.ReadLine(); }, err::InputPastEnd));
  EXPECT_EQ(empty.ReadAll(), "");

  // What we write reads back line by line.
  const std::string round = tree / "round.txt";
  {
    TextStream out = fs.CreateTextFile(round);
    out.WriteLine("one");
    out.WriteBlankLines(1);
    out.WriteLine("th\xc3\xa9 third");
  }
  EXPECT_EQ(ReadLines(round), (std::vector<std::string>{"one", "", "th\xc3\xa9 third"}));
}

TEST(TextStreamTest, LinesLongerThanTheReadBufferComeBackWhole) {
  TempTree tree;
  const std::string longLine(200000, 'x');
  std::string other(70000, 'y');
  other[12345] = '\r';  // a CR inside a line is part of it
  EXPECT_EQ(ReadLines(tree.File("long.txt", longLine + "\r\n" + other + "\n" + longLine)),
            (std::vector<std::string>{longLine, other, longLine}));

  // A CR LF split between two reads: the CR is the last byte of the first 64 KiB.
  const std::string first(65535, 'a');
  EXPECT_EQ(ReadLines(tree.File("split.txt", first + "\r\nnext\r\n")), (std::vector<std::string>{first, "next"}));
  // ... and a line end falling exactly on the boundary.
  const std::string exact(65534, 'b');
  EXPECT_EQ(ReadLines(tree.File("exact.txt", exact + "\r\n" + "c")), (std::vector<std::string>{exact, "c"}));
}

TEST(TextStreamTest, ReadAllSkipAndEndOfStream) {
  TempTree tree;
  FileSystemObject fs;
  std::string content = "0123456789\r\nsecond\r\n";
  content += std::string(100000, 'z');
  const std::string path = tree.File("in.txt", content);

  TextStream in = fs.OpenTextFile(path);
  in.Skip(3);
  EXPECT_EQ(in.ReadLine(), "3456789");
  in.Skip(0);
  in.Skip(-5);  // nothing to skip
  in.Skip(2);   // bytes, not lines: the CR LF count
  EXPECT_EQ(in.ReadLine(), "cond");
  in.Skip(70000);  // across the read buffer
  std::string rest = in.ReadAll();
  EXPECT_EQ(rest, std::string(30000, 'z'));
  EXPECT_TRUE(in.AtEndOfStream());

  TextStream whole = fs.OpenTextFile(path);
  EXPECT_TRUE(whole.ReadAll() == content);
  EXPECT_TRUE(whole.AtEndOfStream());

  TextStream past = fs.OpenTextFile(path);
  past.Skip(static_cast<long>(content.size()) + 1000);
  EXPECT_TRUE(past.AtEndOfStream());
  EXPECT_TRUE(FailsWith([&] { past.ReadLine(); }, err::InputPastEnd));

  // ReadAll leaves the line ends as they are.
  TextStream raw = fs.OpenTextFile(tree.File("raw.txt", "a\r\nb\nc"));
  EXPECT_EQ(raw.ReadLine(), "a");
  EXPECT_EQ(raw.ReadAll(), "b\nc");
}

TEST(TextStreamTest, OpenModesCreateEmptyAppendAndRefuse) {
  TempTree tree;
  FileSystemObject fs;
  const std::string existing = tree.File("existing.txt", "old contents\r\n");

  // For writing with create: an existing file is emptied, a missing one made.
  {
    TextStream out = fs.OpenTextFile(existing, IOMode::ForWriting, true);
    out.Close();
  }
  EXPECT_EQ(TempTree::Read(existing), "");
  const std::string made = tree / "made.txt";
  {
    TextStream out = fs.OpenTextFile(made, IOMode::ForWriting, true);
    out.WriteLine("made");
  }
  EXPECT_EQ(TempTree::Read(made), "made\r\n");

  // For writing without create: an existing file is emptied too, a missing one is not found and not made.
  {
    TextStream out = fs.OpenTextFile(made, IOMode::ForWriting, false);
    out.WriteLine("again");
  }
  EXPECT_EQ(TempTree::Read(made), "again\r\n");
  const std::string missing = tree / "missing.txt";
  EXPECT_TRUE(FailsWith([&] { fs.OpenTextFile(missing, IOMode::ForWriting, false); }, err::FileNotFound, missing));
  EXPECT_TRUE(FailsWith([&] { fs.OpenTextFile(missing, IOMode::ForReading); }, err::FileNotFound, missing));
  EXPECT_TRUE(FailsWith([&] { fs.OpenTextFile(missing, IOMode::ForAppending, false); }, err::FileNotFound, missing));
  EXPECT_FALSE(TempTree::Exists(missing));
  const std::string noFolder = tree / "no-folder/x.txt";
  EXPECT_TRUE(FailsWith([&] { fs.OpenTextFile(noFolder, IOMode::ForWriting, true); }, err::PathNotFound, noFolder));
  EXPECT_TRUE(FailsWith([&] { fs.CreateTextFile(noFolder); }, err::PathNotFound, noFolder));
  EXPECT_FALSE(TempTree::Exists(tree / "no-folder"));

  // Appending keeps what is there.
  {
    TextStream out = fs.OpenTextFile(made, IOMode::ForAppending, false);
    out.WriteLine("appended");
  }
  EXPECT_EQ(TempTree::Read(made), "again\r\nappended\r\n");
  {
    TextStream out = fs.OpenTextFile(tree / "new-append.txt", IOMode::ForAppending, true);
    out.Write("x");
  }
  EXPECT_EQ(TempTree::Read(tree / "new-append.txt"), "x");

  // CreateTextFile without overwrite never touches an existing file (nor a link standing there).
  const std::string keep = tree.File("keep.txt", "keep");
  EXPECT_TRUE(FailsWith([&] { fs.CreateTextFile(keep, false); }, err::FileAlreadyExists, keep));
  EXPECT_EQ(TempTree::Read(keep), "keep");
  const std::string dangling = tree.Link("dangling", tree / "would-be-made.txt");
  EXPECT_TRUE(FailsWith([&] { fs.CreateTextFile(dangling, false); }, err::FileAlreadyExists, dangling));
  EXPECT_FALSE(TempTree::Exists(tree / "would-be-made.txt"));
  {
    TextStream out = fs.CreateTextFile(tree / "fresh.txt", false);
    out.WriteLine("fresh");
  }
  EXPECT_EQ(TempTree::Read(tree / "fresh.txt"), "fresh\r\n");
  // With overwrite it is emptied.
  {
    TextStream out = fs.CreateTextFile(keep, true);
  }
  EXPECT_EQ(TempTree::Read(keep), "");

  // A folder is not a text file, for reading or writing, and stays as it is.
  const std::string folder = tree.Dir("folder");
  tree.File("folder/inside.txt", "i");
  EXPECT_ANY_THROW(fs.OpenTextFile(folder, IOMode::ForReading));
  EXPECT_ANY_THROW(fs.OpenTextFile(folder, IOMode::ForWriting, true));
  EXPECT_ANY_THROW(fs.CreateTextFile(folder, true));
  EXPECT_EQ(TempTree::Read(folder + "/inside.txt"), "i");
}

TEST(TextStreamTest, WritingNeverGoesThroughALinkInTheLastNameReadingDoes) {
  TempTree tree;
  FileSystemObject fs;
  const std::string victim = tree.File("victim.txt", "precious");
  const std::string toFile = tree.Link("to-file", victim);
  const std::string dangling = tree.Link("dangling", tree / "would-be.txt");
  struct Opening {
    const char* what;
    std::function<void(const std::string&)> open;
  };
  const Opening openings[] = {
      {"writing, create", [&](const std::string& p) { fs.OpenTextFile(p, IOMode::ForWriting, true); }},
      {"writing", [&](const std::string& p) { fs.OpenTextFile(p, IOMode::ForWriting, false); }},
      {"appending, create", [&](const std::string& p) { fs.OpenTextFile(p, IOMode::ForAppending, true).Write("x"); }},
      {"appending", [&](const std::string& p) { fs.OpenTextFile(p, IOMode::ForAppending, false).Write("x"); }},
      {"overwriting", [&](const std::string& p) { fs.CreateTextFile(p, true).Write("x"); }},
  };
  for (const Opening& o : openings) {
    SCOPED_TRACE(o.what);
    for (const std::string& link : {toFile, dangling})
      EXPECT_TRUE(FailsWith([&] { o.open(link); }, err::PathFileAccess, link + " is a symbolic link"));
    EXPECT_EQ(TempTree::Read(victim), "precious");
    EXPECT_FALSE(TempTree::Exists(tree / "would-be.txt"));
  }
  EXPECT_EQ(fs.OpenTextFile(toFile).ReadAll(), "precious");

  // Only the last name counts: a linked folder on the way is the user's own choice of path.
  tree.Dir("real");
  const std::string viaLinkedFolder = tree.Link("linked", tree / "real") + "/out.txt";
  fs.CreateTextFile(viaLinkedFolder).WriteLine("out");
  EXPECT_EQ(TempTree::Read(tree / "real/out.txt"), "out\r\n");
}

TEST(TextStreamTest, TheDirectionOfAStreamIsKept) {
  TempTree tree;
  FileSystemObject fs;
  const std::string path = tree.File("in.txt", "line\r\n");
  TextStream in = fs.OpenTextFile(path);
  EXPECT_TRUE(FailsWith([&] { in.Write("x"); }, err::BadFileMode, path));
  EXPECT_TRUE(FailsWith([&] { in.WriteLine("x"); }, err::BadFileMode, path));
  EXPECT_TRUE(FailsWith([&] { in.WriteBlankLines(1); }, err::BadFileMode, path));
  EXPECT_EQ(in.ReadLine(), "line");  // the stream still reads after the refusals
  EXPECT_EQ(TempTree::Read(path), "line\r\n");

  const std::string outPath = tree / "out.txt";
  TextStream out = fs.CreateTextFile(outPath);
  EXPECT_TRUE(FailsWith([&] { out.ReadLine(); }, err::BadFileMode, outPath));
  EXPECT_TRUE(FailsWith([&] { out.ReadAll(); }, err::BadFileMode, outPath));
  EXPECT_TRUE(FailsWith([&] { out.AtEndOfStream(); }, err::BadFileMode, outPath));
  EXPECT_TRUE(FailsWith([&] { out.Skip(1); }, err::BadFileMode, outPath));
  TextStream app = fs.OpenTextFile(outPath, IOMode::ForAppending);
  EXPECT_TRUE(FailsWith([&] { app.ReadLine(); }, err::BadFileMode, outPath));
  app.Close();

  // A closed stream is neither.
  out.WriteLine("done");
  out.Close();
  out.Close();  // closing twice is harmless
  EXPECT_TRUE(FailsWith([&] { out.WriteLine("late"); }, err::BadFileMode));
  in.Close();
  EXPECT_TRUE(FailsWith([&] { in.ReadLine(); }, err::BadFileMode));
  EXPECT_EQ(TempTree::Read(outPath), "done\r\n");

  // A stream moved into another keeps writing to the same file; the one moved from holds nothing.
  TextStream first = fs.CreateTextFile(tree / "moved.txt");
  first.Write("a");
  TextStream second = std::move(first);
  second.WriteLine("b");
  second.Close();
  EXPECT_EQ(TempTree::Read(tree / "moved.txt"), "ab\r\n");
}

TEST(TextStreamTest, AWriteThatCannotBeCompletedIsReported) {
  TempTree tree;
  FileSystemObject fs;
  const std::string path = tree / "full.txt";
  // The child may write only 4 KiB per file, as on a full disk: the buffered text fails when it goes out, either
  // when the buffer fills or at Close, never silently.
  std::string result = InChild(tree.Root(), [&] {
    LimitFileSize(4096);
    return Outcome([&] {
      TextStream out = fs.CreateTextFile(path);
      for (int i = 0; i < 1000; ++i) out.WriteLine(std::string(99, 'w'));
      out.Close();
    });
  });
  EXPECT_EQ(result.substr(0, 3), "61 ") << result;
  EXPECT_TRUE(Contains(result, path)) << result;

  // A small text that stays in the buffer until Close fails there.
  result = InChild(tree.Root(), [&] {
    LimitFileSize(10);
    return Outcome([&] {
      TextStream out = fs.CreateTextFile(tree / "small.txt");
      out.WriteLine("more than ten bytes");
      out.Close();
    });
  });
  EXPECT_EQ(result.substr(0, 3), "61 ") << result;
}

TEST(TextStreamTest, FifosAndDevicesAreRefusedWithoutBlocking) {
  TempTree tree;
  FileSystemObject fs;
  const std::string fifo = tree.Fifo("pipe");
  // In a child, so that an open that waits for the other end cannot stop the run.
  std::string result = InChild(tree.Root(), [&] {
    std::string out;
    out += Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForReading); }) + "\n";
    out += Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForWriting, true); }) + "\n";
    out += Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForWriting, false); }) + "\n";
    out += Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForAppending, true); }) + "\n";
    out += Outcome([&] { fs.CreateTextFile(fifo, true); }) + "\n";
    return out;
  });
  ASSERT_NE(result, "blocked");
  size_t start = 0;
  for (int i = 0; i < 5; ++i) {
    size_t end = result.find('\n', start);
    ASSERT_NE(end, std::string::npos) << result;
    std::string line = result.substr(start, end - start);
    EXPECT_EQ(line.substr(0, 3), "75 ") << line;
    EXPECT_TRUE(Contains(line, fifo)) << line;
    start = end + 1;
  }
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // A FIFO with data waiting and a reader on the other end: still refused, and the data is not taken.
  int keep = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(keep, 0);
  ASSERT_EQ(::write(keep, "queued", 6), 6);
  result = InChild(tree.Root(), [&] {
    return Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForReading); }) + "\n" +
           Outcome([&] { fs.OpenTextFile(fifo, IOMode::ForWriting, true); });
  });
  EXPECT_FALSE(Contains(result, "ok")) << result;
  EXPECT_FALSE(Contains(result, "blocked")) << result;
  char buf[16];
  EXPECT_EQ(::read(keep, buf, sizeof buf), 6);
  ::close(keep);

  // Devices: neither read from nor written to.
  for (const char* device : {"/dev/zero", "/dev/null"}) {
    struct stat dev {};
    if (::stat(device, &dev) != 0 || !S_ISCHR(dev.st_mode)) continue;
    result = InChild(tree.Root(), [&] {
      return Outcome([&] { fs.OpenTextFile(device, IOMode::ForReading); }) + "\n" +
             Outcome([&] { fs.OpenTextFile(device, IOMode::ForAppending, false); });
    });
    size_t nl = result.find('\n');
    ASSERT_NE(nl, std::string::npos) << result;
    for (const std::string& line : {result.substr(0, nl), result.substr(nl + 1)}) {
      EXPECT_EQ(line.substr(0, 3), "75 ") << line;
      EXPECT_TRUE(Contains(line, device)) << line;
    }
  }
}

}  // namespace
}  // namespace dv
