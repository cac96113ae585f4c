#include "scan/restrictions.h"

#include <gtest/gtest.h>

namespace dv {
namespace {

TEST(RestrictionsTest, RoundingIsHalfToEvenAndSizesAre64Bit) {
  EXPECT_EQ(RoundToUnit(1536, SizeUnit(1)), 2);  // 1.5 KB -> 2
  EXPECT_EQ(RoundToUnit(2560, SizeUnit(1)), 2);  // 2.5 KB -> 2
  EXPECT_EQ(RoundToUnit(3584, SizeUnit(1)), 4);  // 3.5 KB -> 4
  EXPECT_EQ(RoundToUnit(1535, SizeUnit(1)), 1);
  EXPECT_EQ(RoundToUnit(1537, SizeUnit(1)), 2);
  EXPECT_EQ(RoundToUnit(3 * 1048576 / 2, SizeUnit(2)), 2);
  EXPECT_EQ(RoundToUnit(int64_t(4) << 30, SizeUnit(1)), int64_t(4) << 20);  // a 4 GB file keeps its size
  EXPECT_EQ(RoundToUnit(12345, SizeUnit(0)), 12345);
}

TEST(RestrictionsTest, FileLimitRoundsFolderLimitTruncates) {
  SizeRestriction file(false), folder(true);
  file.Set(true, 1536, CompareOp(3), SizeUnit(0), SizeUnit(1));
  folder.Set(true, 1536, CompareOp(3), SizeUnit(0), SizeUnit(1));
  EXPECT_EQ(file.Limit(), 2);
  EXPECT_EQ(folder.Limit(), 1);
  // In bytes no conversion is made.
  file.Set(true, 3, CompareOp(0), SizeUnit(1), SizeUnit(0));
  EXPECT_EQ(file.Limit(), 3072);
}

TEST(RestrictionsTest, AHugeFileIsNotSmall) {
  SizeRestriction lessThan1K(false);
  lessThan1K.Set(true, 1, CompareOp(1), SizeUnit(1), SizeUnit(1));  // "< 1 KB", shown in KB
  EXPECT_TRUE(lessThan1K.Restricts(int64_t(4) << 30, SizeUnit(1)));
  EXPECT_FALSE(lessThan1K.Restricts(100, SizeUnit(1)));  // 100 bytes round to 0 KB
  SizeRestriction inBytes(false);
  inBytes.Set(true, 2047, CompareOp(0), SizeUnit(2), SizeUnit(0));  // "> 2047 MB", shown in bytes
  EXPECT_FALSE(inBytes.Restricts((int64_t(2047) << 20) + 1, SizeUnit(0)));
  EXPECT_TRUE(inBytes.Restricts(int64_t(2047) << 20, SizeUnit(0)));
}

TEST(RestrictionsTest, OperatorsAndUnknownCodes) {
  EXPECT_TRUE(CompareAccepts(CompareOp(0), 2, 1));
  EXPECT_FALSE(CompareAccepts(CompareOp(0), 1, 1));
  EXPECT_TRUE(CompareAccepts(CompareOp(1), 0, 1));
  EXPECT_TRUE(CompareAccepts(CompareOp(2), 1, 1));
  EXPECT_TRUE(CompareAccepts(CompareOp(3), 1, 1));
  EXPECT_TRUE(CompareAccepts(CompareOp(4), 1, 1));
  EXPECT_FALSE(CompareAccepts(CompareOp(4), 2, 1));
  EXPECT_TRUE(CompareAccepts(CompareOp(9), 0, 100));
}

TEST(RestrictionsTest, DatesCompareWithTheDayOrItsEnd) {
  LocalTime day{2024, 3, 15, 0, 0, 0};
  auto at = [](int h, int m) { return DateTime::FromLocal({2024, 3, 15, h, m, 0}); };
  DateRestriction d;
  d.Set(true, day, CompareOp(2), DateType(1));  // "="
  EXPECT_FALSE(d.Restricts(at(23, 30)));
  EXPECT_FALSE(d.Restricts(at(0, 0)));
  EXPECT_TRUE(d.Restricts(DateTime::FromLocal({2024, 3, 16, 0, 0, 0})));
  d.Set(true, day, CompareOp(0), DateType(1));  // ">": after the end of the day
  EXPECT_TRUE(d.Restricts(at(10, 0)));
  EXPECT_FALSE(d.Restricts(DateTime::FromLocal({2024, 3, 16, 0, 0, 1})));
  d.Set(true, day, CompareOp(4), DateType(1));  // "<=": up to the end of the day
  EXPECT_FALSE(d.Restricts(at(10, 0)));
  EXPECT_TRUE(d.Restricts(DateTime::FromLocal({2024, 3, 16, 0, 0, 0})));
  d.Set(true, day, CompareOp(1), DateType(1));  // "<": before the day starts
  EXPECT_TRUE(d.Restricts(at(0, 0)));
  EXPECT_FALSE(d.Restricts(DateTime::FromLocal({2024, 3, 14, 23, 59, 59})));
  d.Set(true, day, CompareOp(3), DateType(1));  // ">=": from the start of the day
  EXPECT_FALSE(d.Restricts(at(0, 0)));
}

TEST(RestrictionsTest, ExtensionListParsing) {
  ExtensionList list;
  std::string text = "*.txt, *.doc";
  list.Set(text, 1);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"TXT", "DOC"}));
  EXPECT_TRUE(list.InForce());

  text = "*.txt, *.*";
  list.Set(text, 1);
  EXPECT_FALSE(list.InForce());

  text = "txt, doc, *., ,";
  list.Set(text, 1);
  EXPECT_FALSE(list.InForce());

  std::string empty;
  list.Set(empty, 2);
  EXPECT_EQ(empty, "*.*");  // the caller's text is changed too
  EXPECT_FALSE(list.InForce());

  text = "  *.Html  ,*.c";
  list.Set(text, 2);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"HTML", "C"}));
  EXPECT_EQ(list.RestrictType(), 2);
}

TEST(RestrictionsTest, ExtensionsCompareWholeAfterTheLastDot) {
  ExtensionList include;
  std::string text = "*.c, *.docx, *.html, *.doc";
  include.Set(text, 1);
  EXPECT_FALSE(include.Restricts("main.c"));
  EXPECT_FALSE(include.Restricts("report.DOCX"));
  EXPECT_FALSE(include.Restricts("report.doc"));
  EXPECT_FALSE(include.Restricts("index.html"));
  EXPECT_TRUE(include.Restricts("index.htm"));
  EXPECT_TRUE(include.Restricts("xdoc"));
  EXPECT_TRUE(include.Restricts("archive.tar.gz"));
  EXPECT_TRUE(include.Restricts("foo."));

  ExtensionList exclude;
  text = "*.txt";
  exclude.Set(text, 2);
  EXPECT_TRUE(exclude.Restricts("a.TXT"));
  EXPECT_FALSE(exclude.Restricts("a.txt.bak"));
  EXPECT_FALSE(exclude.Restricts("txt"));
}

}  // namespace
}  // namespace dv
