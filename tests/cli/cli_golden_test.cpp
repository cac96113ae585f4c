// The real dorvane-cli run on one tree with fixed sizes and times; each whole output is compared with an
// expected file in expected/ (the tree's path written as @ROOT@). DV_UPDATE_EXPECTED=1 rewrites the files, which
// are then read over by eye before they are committed.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

std::string ExpectedPath(const std::string& name) {
  // From the build's own record of the source folder: __FILE__ can be relative (a compiler cache rewrites it), and
  // the test runs in a scratch working folder.
  return std::string(DV_CLI_TESTS_DIR) + "/expected/" + name + ".txt";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

class CliGoldenTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  std::string root = tree.Dir("data");
  test::LocalZone zone{"UTC"};

  void SetUp() override {
    struct Item {
      const char* path;
      size_t bytes;
      int day;
    } items[] = {
        {"b.txt", 100, 1},         {"A.md", 2048, 2},           {".hidden", 10, 3},
        {"notes.v1,final", 1, 4},  {"line\nfeed.txt", 3, 5},    {"shy.txt", 7, 6},
        {"docs/report.doc", 5000, 7}, {"docs/draft.txt", 50, 8}, {"docs/deep/x.txt", 1, 9},
        {"pics/Copy (2).jpg", 300, 10}, {"pics/Copy 2.jpg", 301, 11},
    };
    for (const Item& i : items) {
      tree.File(std::string("data/") + i.path, std::string(i.bytes, 'x'));
      time_t when = DateTime::FromLocal({2024, 3, i.day, 10, 0, 0}).seconds;
      tree.SetTimes(std::string("data/") + i.path, when, when);
    }
    tree.Dir("data/empty");
    time_t folders = DateTime::FromLocal({2024, 3, 20, 10, 0, 0}).seconds;
    for (const char* folder : {"data/docs/deep", "data/docs", "data/empty", "data/pics", "data"})
      tree.SetTimes(folder, folders, folders);
    // Hidden by the stored attribute rather than by its name.
    ::setxattr((root + "/shy.txt").c_str(), "user.DOSATTRIB", "0x2", 3, 0);
  }
};

TEST_F(CliGoldenTest, WholeOutputsMatchTheExpectedFiles) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"hierarchical-default", {}},
      {"dos-bytes-modified-counts", {"--view", "dos", "--columns", "size,modified", "--size-unit", "bytes",
                                     "--file-counts"}},
      {"csv-attributes-type", {"--view", "csv", "--columns", "attributes,type"}},
      {"csv-size-exclude-empty", {"--view", "csv", "--columns", "size", "--size-unit", "bytes", "--exclude-empty"}},
      {"dos-no-hidden", {"--view", "dos", "--columns", "none", "--no-hidden"}},
      {"hierarchical-dirs-only", {"--dirs-only", "--columns", "size", "--size-unit", "bytes"}},
      {"dos-wildcard-parentheses", {"--view", "dos", "--columns", "size", "--file-pattern", "Copy (2).*"}},
      {"csv-regex-alternation", {"--view", "csv", "--columns", "none", "--regex", "--file-pattern",
                                 "\\.(txt|md)$", "--levels", "1"}},
  };
  const bool update = std::getenv("DV_UPDATE_EXPECTED") != nullptr;
  for (const Case& c : cases) {
    std::vector<std::string> args{"report"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(root);
    test::ProgramResult r = test::RunProgram(DV_CLI_PATH, args);
    EXPECT_EQ(r.status, 0) << c.name << "\n" << r.err;
    std::string got = Replace(r.out, root, "@ROOT@");
    if (update) {
      std::ofstream(ExpectedPath(c.name), std::ios::binary) << got;
      continue;
    }
    std::ifstream in(ExpectedPath(c.name), std::ios::binary);
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(got, expected.str()) << c.name;
  }
}

}  // namespace
}  // namespace dv

namespace dv {
namespace {

TEST(CliTotalsTest, AFolderTotalThatCannotSeeEverythingIsReported) {
  test::TempTree tree;
  std::string root = tree.Dir("data");
  tree.File("data/locked/inside.txt", "x");
  ::chmod((root + "/locked").c_str(), 0);
  test::HandOver(tree, root);
  // As an ordinary user (root reads everything): the folder beyond the chosen depth is measured, and cannot be.
  std::string out = test::InChild(
      tree.Root(),
      [&] {
        test::ProgramResult r =
            test::RunProgram(DV_CLI_PATH, {"report", "--view", "csv", "--columns", "size", "--levels", "0", root});
        return std::to_string(r.status) + "\n" + r.err;
      },
      true);
  ::chmod((root + "/locked").c_str(), 0755);
  EXPECT_EQ(out.substr(0, 2), "1\n") << out;
  EXPECT_NE(out.find("Loc: cdp:8B"), std::string::npos) << out;
  EXPECT_NE(out.find("checking folder size at or near locked"), std::string::npos) << out;
}

}  // namespace
}  // namespace dv
