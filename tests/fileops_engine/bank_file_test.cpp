// Lines of the processing bank file.
#include <gtest/gtest.h>

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
  tree.File("DVPBank.dvb", "A@FBS@/1\r\nskipped\r\nB@FBS@/2@FBS@/3\r\n");
  const std::vector<NamedBank> banks = ReadBankFile(tree / "DVPBank.dvb");
  ASSERT_EQ(banks.size(), 2u);
  EXPECT_EQ(banks[1].name, "B");
  EXPECT_EQ(banks[1].entries, (std::vector<std::string>{"/2", "/3"}));
}

}  // namespace
}  // namespace dv
