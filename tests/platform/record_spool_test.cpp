// The record spool: every record comes back in order and in reverse, whether it stayed in memory, went to the
// file, or had to stay in memory because the file could not take it.
#include "platform/record_spool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::InChild;
using test::LimitFileSize;
using test::TempTree;

// "index kind text" for each record visited, in visiting order.
std::string Visited(const RecordSpool& spool, bool backwards, size_t stopAfter = SIZE_MAX) {
  std::string out;
  size_t seen = 0;
  auto visit = [&](size_t i, char kind, std::string_view text) {
    out += std::to_string(i) + kind + std::string(text) + "|";
    return ++seen < stopAfter;
  };
  if (backwards) spool.Backward(visit);
  else spool.Forward(visit);
  return out;
}

TEST(RecordSpoolTest, RecordsComeBackInOrderAndInReverseWhereverTheyAreKept) {
  TempTree tree;
  const std::string big(3000, 'b');
  const std::vector<std::string> texts = {"", "a\r\nb", std::string("nul\0x", 5), big, "last"};
  std::string forward, backward;
  for (size_t i = 0; i < texts.size(); ++i) forward += std::to_string(i) + "F" + texts[i] + "|";
  for (size_t i = texts.size(); i-- > 0;) backward += std::to_string(i) + "F" + texts[i] + "|";
  struct Case {
    const char* name;
    std::string folder;
    size_t block;
    bool inFile;
  } cases[] = {
      {"small: memory", tree.Root(), 1 << 20, false},
      {"one record a block: file", tree.Root(), 1, true},
      {"a few blocks: file", tree.Root(), 16, true},
      {"no folder takes the file: memory", tree / "missing", 16, false},
  };
  for (const Case& c : cases) {
    RecordSpool spool(c.folder, c.block);
    for (const std::string& text : texts) spool.Add('F', text);
    EXPECT_EQ(spool.Count(), texts.size()) << c.name;
    EXPECT_EQ(spool.InFile(), c.inFile) << c.name;
    EXPECT_EQ(Visited(spool, false), forward) << c.name;
    EXPECT_EQ(Visited(spool, true), backward) << c.name;
    // Twice over, and a visit may end a pass.
    EXPECT_EQ(Visited(spool, false), forward) << c.name;
    EXPECT_EQ(Visited(spool, true, 2), "4Flast|3F" + big + "|") << c.name;
    EXPECT_EQ(Visited(spool, false, 1), "0F|") << c.name;
    spool.Clear();
    spool.Add('D', "again");
    EXPECT_EQ(Visited(spool, true), "0Dagain|") << c.name;
  }
}

TEST(RecordSpoolTest, AFullDiskKeepsTheRecordsInMemory) {
  TempTree tree;
  const std::string result = InChild(tree.Root(), [&] {
    LimitFileSize(100);
    RecordSpool spool(tree.Root(), 64);
    std::string expected;
    for (int i = 0; i < 50; ++i) {
      spool.Add('F', "record number " + std::to_string(i));
      expected += std::to_string(i) + "Frecord number " + std::to_string(i) + "|";
    }
    return Visited(spool, false) == expected ? std::string("all kept") : Visited(spool, false);
  });
  EXPECT_EQ(result, "all kept");
}

}  // namespace
}  // namespace dv
