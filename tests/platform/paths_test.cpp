#include "platform/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/error.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(PathsTest, AbsoluteFormsAreMadeLexically) {
  EXPECT_EQ(GetAbsolutePathName("/a/./b/../c/"), "/a/c");
  EXPECT_EQ(GetAbsolutePathName("//a///b"), "/a/b");
  EXPECT_EQ(GetAbsolutePathName("/.."), "/");
  EXPECT_EQ(GetAbsolutePathName("/"), "/");
  EXPECT_EQ(GetAbsolutePathName("/a/.b/..c/b."), "/a/.b/..c/b.");
  EXPECT_EQ(GetAbsolutePathName("/a/b/.."), "/a");
  EXPECT_EQ(GetAbsolutePathName("/a/."), "/a");
  test::TempTree tree;
  std::string sub = tree.Dir("x y");
  ASSERT_EQ(::chdir(sub.c_str()), 0);
  EXPECT_EQ(GetAbsolutePathName("z/../w"), sub + "/w");
  EXPECT_EQ(GetAbsolutePathName(""), sub);
  EXPECT_EQ(FullPath("."), sub);
}

TEST(PathsTest, AnEmptyPathIsNeverTheCurrentFolderForAnOperation) {
  try {
    FullPath("");
    FAIL() << "an empty path was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::BadFileName);
  }
  EXPECT_THROW(PathRef(""), Error);
}

TEST(PathsTest, AGoneCurrentFolderIsAnErrorNotTheRoot) {
  std::string gone;
  {
    test::TempTree tree;
    gone = tree.Dir("gone");
    ASSERT_EQ(::chdir(gone.c_str()), 0);
  }
  try {
    GetAbsolutePathName("relative.txt");
    FAIL() << "resolved against a folder that no longer exists";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::PathNotFound);
  }
  EXPECT_EQ(GetAbsolutePathName("/abs/x"), "/abs/x");  // absolute paths need no current folder
  ASSERT_EQ(::chdir("/tmp"), 0);
}

TEST(PathsTest, NamesParentsAndExtensions) {
  EXPECT_EQ(NameOfPath("/a/b.txt"), "b.txt");
  EXPECT_EQ(NameOfPath("/a/b/"), "b");
  EXPECT_EQ(NameOfPath("/"), "");
  EXPECT_EQ(ParentOfPath("/a/b.txt"), "/a");
  EXPECT_EQ(ParentOfPath("/a"), "/");
  EXPECT_EQ(ParentOfPath("/a//b"), "/a");
  EXPECT_EQ(JoinPath("/", "x"), "/x");
  EXPECT_EQ(JoinPath("/a", "x"), "/a/x");
  EXPECT_EQ(ExtensionOf("report.tar.gz"), "gz");
  EXPECT_EQ(ExtensionOf(".profile"), "profile");
  EXPECT_EQ(ExtensionOf("foo."), "");
  EXPECT_EQ(ExtensionOf("README"), "");
  EXPECT_EQ(UpperAscii("abc\xc3\xa9.Txt"), "ABC\xc3\xa9.TXT");  // only ASCII letters change
}

}  // namespace
}  // namespace dv
