// The rich-text writer: the exact document skeleton, escaping of RTF's own characters, non-ASCII letters as
// signed 16-bit \u values (surrogate pairs above U+FFFF), invalid UTF-8 bytes as Latin-1, line-end handling,
// and the document streamed from a file exactly as made from a text.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "export/rtf_writer.h"
#include "platform/text_stream.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

const std::string kHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n"
    "\\viewkind4\\pard\\plain\\f0\\fs20\r\n";

TEST(RtfDocument, TwoLineReportSkeletonIsExact) {
  EXPECT_EQ(RtfDocument("Dorvane Data Directory Report\r\n  Size(Byte)  Name\r\n"),
            kHead +
                "Dorvane Data Directory Report\\par\r\n"
                "  Size(Byte)  Name\\par\r\n"
                "}\r\n");
}

TEST(RtfDocument, EmptyLinesAreParagraphsOfTheirOwn) {
  EXPECT_EQ(RtfDocument("a\r\n\r\nb\r\n"), kHead + "a\\par\r\n\\par\r\nb\\par\r\n}\r\n");
}

TEST(RtfDocument, EmptyTextHasNoParagraph) { EXPECT_EQ(RtfDocument(""), kHead + "}\r\n"); }

TEST(RtfDocument, LastLineWithoutLineEndIsStillAParagraph) {
  EXPECT_EQ(RtfDocument("a\r\nb"), kHead + "a\\par\r\nb\\par\r\n}\r\n");
}

TEST(RtfDocument, LoneLfAndLoneCrEndLinesToo) {
  EXPECT_EQ(RtfDocument("a\nb\rc\r\n"), kHead + "a\\par\r\nb\\par\r\nc\\par\r\n}\r\n");
  // CR CR LF: the first CR ends a line, CR LF ends an empty one.
  EXPECT_EQ(RtfDocument("a\r\r\nb"), kHead + "a\\par\r\n\\par\r\nb\\par\r\n}\r\n");
}

TEST(RtfDocument, ControlWordInTextCannotBreakTheDocument) {
  // A name that looks like RTF stays text; the closing brace of the document is still the last one.
  EXPECT_EQ(RtfDocument("}{\\rtf1 x}\r\n"), kHead + "\\}\\{\\\\rtf1 x\\}\\par\r\n}\r\n");
}

TEST(RtfEscape, BackslashesAndBraces) {
  EXPECT_EQ(RtfEscapeLine("/home/a\\b/{c}.txt"), "/home/a\\\\b/\\{c\\}.txt");
  EXPECT_EQ(RtfEscapeLine("\\\\{{}}"), "\\\\\\\\\\{\\{\\}\\}");
}

TEST(RtfEscape, PlainAsciiAndSpacesUnchanged) {
  const std::string line = "  Size(Byte)  File Type           Name ~!@#$%^&*()_+-=[]|;':\",./<>?";
  EXPECT_EQ(RtfEscapeLine(line), line);
}

TEST(RtfEscape, LatinLettersAsUnicode) {
  EXPECT_EQ(RtfEscapeLine("caf\xC3\xA9.txt"), "caf\\u233?.txt");         // é
  EXPECT_EQ(RtfEscapeLine("\xC3\xBC" "ber"), "\\u252?ber");               // ü
  EXPECT_EQ(RtfEscapeLine("\xC2\x80\xC3\xBF"), "\\u128?\\u255?");        // edges of two-byte Latin range
}

TEST(RtfEscape, CjkLetters) {
  EXPECT_EQ(RtfEscapeLine("\xE6\x97\xA5\xE6\x9C\xAC.doc"), "\\u26085?\\u26412?.doc");  // 日本
}

TEST(RtfEscape, CodePointsAbove32767AreNegative) {
  EXPECT_EQ(RtfEscapeLine("\xED\x95\x9C"), "\\u-10916?");  // 한 U+D55C
  EXPECT_EQ(RtfEscapeLine("\xEF\xBD\x86"), "\\u-186?");    // ｆ U+FF46
  EXPECT_EQ(RtfEscapeLine("\xEF\xBF\xBF"), "\\u-1?");      // U+FFFF
  EXPECT_EQ(RtfEscapeLine("\xE8\x80\x80"), "\\u-32768?");  // U+8000
  EXPECT_EQ(RtfEscapeLine("\xE7\xBF\xBF"), "\\u32767?");   // U+7FFF
}

TEST(RtfEscape, EmojiAsSurrogatePair) {
  EXPECT_EQ(RtfEscapeLine("\xF0\x9F\x98\x80.png"), "\\u-10179?\\u-8704?.png");  // U+1F600: D83D DE00
  EXPECT_EQ(RtfEscapeLine("\xF4\x8F\xBF\xBF"), "\\u-9217?\\u-8193?");           // U+10FFFF: DBFF DFFF
  EXPECT_EQ(RtfEscapeLine("\xF0\x90\x80\x80"), "\\u-10240?\\u-9216?");          // U+10000: D800 DC00
}

TEST(RtfEscape, InvalidUtf8BytesAreLatin1) {
  EXPECT_EQ(RtfEscapeLine("caf\xE9.txt"), "caf\\u233?.txt");                     // a Latin-1 name
  EXPECT_EQ(RtfEscapeLine("a\xC3"), "a\\u195?");                                 // cut short at the end
  EXPECT_EQ(RtfEscapeLine("\xC3(x"), "\\u195?(x");                               // no continuation byte
  EXPECT_EQ(RtfEscapeLine("\xC0\xAF"), "\\u192?\\u175?");                        // overlong "/"
  EXPECT_EQ(RtfEscapeLine("\xE0\x80\xAF"), "\\u224?\\u128?\\u175?");             // overlong, three bytes
  EXPECT_EQ(RtfEscapeLine("\xED\xA0\x80"), "\\u237?\\u160?\\u128?");             // a UTF-16 surrogate
  EXPECT_EQ(RtfEscapeLine("\xF4\x90\x80\x80"), "\\u244?\\u144?\\u128?\\u128?");  // above U+10FFFF
  EXPECT_EQ(RtfEscapeLine("\x80\xFF"), "\\u128?\\u255?");                        // stray bytes
  // A bad lead byte does not swallow a valid character after it.
  EXPECT_EQ(RtfEscapeLine("\xE6\xC3\xA9"), "\\u230?\\u233?");
}

TEST(RtfEscape, TabsAndControlCharacters) {
  EXPECT_EQ(RtfEscapeLine("a\tb"), "a\\tab b");
  EXPECT_EQ(RtfEscapeLine("\t1"), "\\tab 1");
  EXPECT_EQ(RtfEscapeLine(std::string("a\x01z\x1F\x7F", 5)), "a\\'01z\\'1f\\'7f");
  EXPECT_EQ(RtfEscapeLine(std::string("x\0y", 3)), "x\\'00y");
}

TEST(RtfEscape, MixedNameSurvivesWhole) {
  EXPECT_EQ(RtfEscapeLine("  1,024  {\xC3\xA9}\\\xE6\x97\xA5\xF0\x9F\x98\x80\t\xE9"),
            "  1,024  \\{\\u233?\\}\\\\\\u26085?\\u-10179?\\u-8704?\\tab \\u233?");
}

TEST(RtfDocument, OutputIsSevenBitAscii) {
  const std::string doc = RtfDocument("\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80\xFF\x01\r\n");
  for (char c : doc) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(RtfFile, StreamedFromAFileAsFromText) {
  test::TempTree tree;
  // Line ends split across the reader's 64 KiB pieces must still be one line end.
  const std::string texts[] = {"r\xC3\xA9sum\xC3\xA9\r\n", "x", "", std::string(65535, 'a') + "\r\nb\rc\n\n",
                               std::string(65535, 'a') + "\r", std::string(65536, 'a') + "\r\n\r"};
  for (const std::string& text : texts) {
    const std::string in = tree.File("in.txt", text), out = tree / "out.rtf";
    ReportLines lines = ReportLines::FromFd(UniqueFd(::open(in.c_str(), O_RDONLY | O_CLOEXEC)), in);
    TextStream stream = TextStream::Open(out, IOMode::ForWriting, true);
    WriteRtf(lines, stream);
    stream.Close();
    EXPECT_EQ(test::TempTree::Read(out), RtfDocument(text)) << text.size();
  }
  EXPECT_EQ(RtfDocument("r\xC3\xA9sum\xC3\xA9\r\n"), kHead + "r\\u233?sum\\u233?\\par\r\n}\r\n");
}

}  // namespace
}  // namespace dv
