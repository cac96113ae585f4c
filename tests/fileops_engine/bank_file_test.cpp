// Lines of the processing bank file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "fileops_engine/bank_file.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(BankFile, LinesSplitIntoNameAndEntries) {
  struct Case {
    std::string line;
    std::optional<std::string> name;  // nullopt: no bank
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"Work@FBS@/a.txt@FBS@/data/", "Work", {"/a.txt", "/data/"}},
      {"Emptied@FBS@@FBS@/b", "Emptied", {"", "/b"}},
      {"Last@FBS@", "Last", {""}},
      {"NameOnly", std::nullopt, {}},
      {"@FBS@/x", "", {"/x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto bank = ParseBankLine(c.line);
    ASSERT_EQ(bank.has_value(), c.name.has_value());
    if (!bank) continue;
    EXPECT_EQ(bank->name, *c.name);
    EXPECT_EQ(bank->entries, c.entries);
  }

  test::TempTree tree;
  // LF or CR LF ends, a last line without one, and a line far longer than any read.
  const std::string longEntry = "/" + std::string(3 << 20, 'x');
  tree.File("DVPBank.dvb", "A@FBS@/1\r\nskipped\nB@FBS@/2@FBS@/3\r\nL@FBS@" + longEntry + "@FBS@/4");
  const std::vector<NamedBank> banks = ReadBankFile(tree / "DVPBank.dvb");
  ASSERT_EQ(banks.size(), 3u);
  EXPECT_EQ(banks[1].name, "B");
  EXPECT_EQ(banks[1].entries, (std::vector<std::string>{"/2", "/3"}));
  EXPECT_EQ(banks[2].entries, (std::vector<std::string>{longEntry, "/4"}));
  EXPECT_EQ(ReadBankLines(tree / "DVPBank.dvb").size(), 4u);
}

// Saving a bank in place keeps the other lines in their order, a new one goes last, emptied lines are dropped,
// and what is written reads back identical, CR LF and bytes as they are.
TEST(BankFile, WritingRoundTripsAndReplacesInPlace) {
  test::TempTree tree;
  const std::string path = tree / "DVPBank.dvb";
  EXPECT_EQ(ReadBankLines(path), std::vector<std::string>{});
  const std::string work = BankLine("Work", {"/a.txt", "/data/"});
  EXPECT_EQ(work, "Work@FBS@/a.txt@FBS@/data/");
  WriteBankFile(path, {work, BankLine("Caf\xc3\xa9 \xff", {"/x/*.*"}), BankLine("Empty", {})});
  ::chmod(path.c_str(), 0640);
  std::vector<std::string> lines = ReadBankLines(path);
  lines[0] = BankLine("Work", {"/b.txt"});
  lines[1].clear();
  lines.push_back(work);
  WriteBankFile(path, lines);
  EXPECT_EQ(test::TempTree::Read(path), "Work@FBS@/b.txt\r\nEmpty\r\nWork@FBS@/a.txt@FBS@/data/\r\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  WriteBankFile(path, {""});
  EXPECT_EQ(test::TempTree::Read(path), "");
}

TEST(BankFile, IconsAndColumnWidth) {
  EXPECT_EQ(BankEntryIcon("/x/*.*"), 3);
  EXPECT_EQ(BankEntryIcon("/x/"), 1);
  EXPECT_EQ(BankEntryIcon("/x/y.doc"), 2);
  EXPECT_EQ(BankColumnTwips({"/short", std::string(45, 'a')}), 6700);
  EXPECT_EQ(BankColumnTwips({"/short", std::string(60, 'a')}), 6900);
  // Characters, not bytes.
  std::string wide;
  for (int i = 0; i < 45; ++i) wide += "\xc3\xa9";
  EXPECT_EQ(BankColumnTwips({wide}), 6700);
}

// The program's folder takes the file when it can, an existing file there is kept as it is; a folder the user
// cannot write sends it to the per-user data folder, made when missing.
TEST(BankFile, LocatedWhereItCanBeWritten) {
  test::TempTree tree;
  const std::string program = tree.Dir("program"), data = tree / "home/.local/share/dorvane";
  tree.File("program/DVPBank.dvb", "Kept@FBS@/k\r\n");
  EXPECT_EQ(LocateBankFile(program, data), program + "/DVPBank.dvb");
  EXPECT_EQ(test::TempTree::Read(program + "/DVPBank.dvb"), "Kept@FBS@/k\r\n");
  const std::string fresh = tree.Dir("fresh");
  EXPECT_EQ(LocateBankFile(fresh, data), fresh + "/DVPBank.dvb");
  EXPECT_EQ(test::TempTree::Read(fresh + "/DVPBank.dvb"), "");
  if (::geteuid() != 0) {
    const std::string locked = tree.Dir("locked");
    ::chmod(locked.c_str(), 0555);
    EXPECT_EQ(LocateBankFile(locked, data), data + "/DVPBank.dvb");
    ::chmod(locked.c_str(), 0755);
  }
  EXPECT_EQ(LocateBankFile(tree / "missing", data), data + "/DVPBank.dvb");
}

}  // namespace
}  // namespace dv
