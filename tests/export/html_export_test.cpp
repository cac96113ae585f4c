#include "export/html_export.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/temp_tree.h"
#include "support/map_settings.h"

namespace dv {
namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::string Head(const std::string& base, const std::string& bg = "FFFFFF", const std::string& fg = "000000",
                 const std::string& size = "12") {
  return Lines({"<!DOCTYPE html>",
                "<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - " + base + "</TITLE>",
                "<style type=\"text/css\">", "<!--",
                "td  {font-family: \"Courier New\", Courier, mono; font-size: " + size + "px}", "-->", "</style>",
                "</HEAD><BODY bgcolor=\"#" + bg + "\" text=\"#" + fg + "\">"});
}

const std::string kSpacer2 = "<TR><TD colspan=\"2\">&nbsp;</TD></TR>";
const std::string kSpacer3 = "<TR><TD colspan=\"3\">&nbsp;</TD></TR>";

class HtmlExportTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::IsolatedEnvironment env{tree};

  std::string Page(const std::string& report, const std::string& base, const HtmlSettings& settings) {
    std::string page = tree / "page.htm";
    ReportLines lines = ReportLines::FromText(report);
    TextStream out = TextStream::Open(page, IOMode::ForWriting, true);
    ConvertReportToHtml(lines, base, settings, out);
    out.Close();
    return test::TempTree::Read(page);
  }
  std::string Convert(const std::string& report, const std::string& border = "0", const std::string& base = "list") {
    return Page(report, base, {"", "", "", border});
  }
};

const std::string kHierReport = Lines({"Dorvane Hierarchical Directory Report", "Column(s) Shown: Size, Name",
                                       "Filter(s) Inactive ", "& All Subdirectories Processed",
                                       "Starting Directory: /data/start", "", "Size(KB)      Name      ",
                                       std::string(24, '-'), "3             a.txt", "              |--sub",
                                       "1             |     b  c.txt", std::string(37, '='),
                                       "** Summary:                        **",
                                       "** Folders Shown: 2  Files Shown:2 **", std::string(37, '=')});

std::string HierPage(bool rulings) {
  std::string page = Head("list") + Lines({"<p align=center><b>Dorvane Hierarchical Directory Report</b></p>",
                                           "<br>Column(s) Shown: Size, Name", "<br>Filter(s) Inactive ",
                                           "<br>&amp; All Subdirectories Processed",
                                           "<br>Starting Directory: /data/start", "<br>", "<hr>",
                                           std::string("<TABLE border=\"") + (rulings ? "0" : "1") + "\">", "<TR>",
                                           "<TD WIDTH=\"84\">Size(KB)    </TD>", "<TD WIDTH=\"*\">  Name      </TD>",
                                           "</TR>"});
  if (rulings) page += Lines({"<TR><TD colspan=\"2\"><HR></TD></TR>", kSpacer2});
  page += Lines({"<TR>", "<TD WIDTH=\"84\">3</TD>", "<TD WIDTH=\"*\">a.txt</TD>", "</TR>", "", "<TR>",
                 "<TD WIDTH=\"84\"></TD>", "<TD WIDTH=\"*\">|--sub</TD>", "</TR>", "", "<TR>",
                 "<TD WIDTH=\"84\">1</TD>", "<TD WIDTH=\"*\">|&nbsp;&nbsp;&nbsp;&nbsp; b&nbsp;&nbsp;c.txt</TD>",
                 "</TR>", ""});
  std::string thick = "<TR><TD colspan=\"2\"><HR SIZE=\"3\"></TD></TR>";
  if (rulings) page += Lines({thick, kSpacer2});
  page += Lines({"<TR><TD colspan=\"2\">** Summary:                        **</TD></TR>",
                 "<TR><TD colspan=\"2\">** Folders Shown: 2  Files Shown:2 **</TD></TR>"});
  if (rulings) page += Lines({thick, kSpacer2});
  return page + Lines({"</TABLE>", "</BODY></HTML>"});
}

TEST_F(HtmlExportTest, HierarchicalReportBorderZeroHasRulings) { EXPECT_EQ(Convert(kHierReport, "0"), HierPage(true)); }

TEST_F(HtmlExportTest, HierarchicalReportBorderOneDropsRulings) {
  EXPECT_EQ(Convert(kHierReport, "1"), HierPage(false));
}

const std::string kDosHeader = "Size(KB)    Modified    Name      ";
const std::string kDosReport =
    Lines({"Dorvane DOS Style Directory Report", "Column(s) Shown: Size, Modified, Name", "Filter(s) Inactive ",
           "& All Subdirectories Processed", "Starting Directory: /data/R&D", "", kDosHeader,
           "2           03-15-24    a.txt", std::string(34, '-'), "5           03-15-24    1 File(s)", "",
           "/data/R&D/sub", kDosHeader, "0           03-15-24    b.txt", std::string(34, '-'),
           "3           03-15-24    1 File(s)", std::string(37, '='), "** Summary:                        **",
           "** Folders Shown: 2  Files Shown:2 **", std::string(37, '=')});

std::vector<std::string> DosRow(const std::string& size, const std::string& date, const std::string& name) {
  return {"<TR>", "<TD WIDTH=\"84\">" + size + "</TD>", "<TD WIDTH=\"84\">" + date + "</TD>",
          "<TD WIDTH=\"*\">" + name + "</TD>", "</TR>", ""};
}

std::string DosPage(bool rulings) {
  std::string page =
      Head("list") + Lines({"<p align=center><b>Dorvane DOS Style Directory Report</b></p>",
                            "<br>Column(s) Shown: Size, Modified, Name", "<br>Filter(s) Inactive ",
                            "<br>&amp; All Subdirectories Processed", "<br>Starting Directory: /data/R&amp;D", "<br>",
                            "<hr>", std::string("<TABLE border=\"") + (rulings ? "0" : "1") + "\">", "<TR>",
                            "<TD WIDTH=\"84\">Size(KB)    </TD>", "<TD WIDTH=\"84\">Modified    </TD>",
                            "<TD WIDTH=\"*\">Name      </TD>", "</TR>"});
  std::string thin = "<TR><TD colspan=\"3\"><HR></TD></TR>";
  std::string thick = "<TR><TD colspan=\"3\"><HR SIZE=\"3\"></TD></TR>";
  page += Lines(DosRow("2", "03-15-24", "a.txt"));
  if (rulings) page += Lines({thin, kSpacer3});
  page += Lines(DosRow("5", "03-15-24", "1 File(s)"));
  page += Lines({kSpacer3, "<TR><TD colspan=\"3\">/data/R&amp;D/sub</TD></TR>"});
  page += Lines(DosRow("Size(KB)", "Modified", "Name"));
  page += Lines(DosRow("0", "03-15-24", "b.txt"));
  if (rulings) page += Lines({thin, kSpacer3});
  page += Lines(DosRow("3", "03-15-24", "1 File(s)"));
  if (rulings) page += Lines({thick, kSpacer3});
  page += Lines({"<TR><TD colspan=\"3\">** Summary:                        **</TD></TR>",
                 "<TR><TD colspan=\"3\">** Folders Shown: 2  Files Shown:2 **</TD></TR>"});
  if (rulings) page += Lines({thick, kSpacer3});
  return page + Lines({"</TABLE>", "</BODY></HTML>"});
}

TEST_F(HtmlExportTest, DosStyleReportWithSummariesBorderZero) { EXPECT_EQ(Convert(kDosReport, "0"), DosPage(true)); }

TEST_F(HtmlExportTest, DosStyleReportWithSummariesBorderOne) { EXPECT_EQ(Convert(kDosReport, "1"), DosPage(false)); }

const std::string kDirsOnlyReport =
    Lines({"Dorvane Hierarchical Directory Report", "Column(s) Shown: Name", "Filter(s) Inactive ",
           "& Subdirectory Level Depth=2", "Starting Directory: /data", "", "  Name      ", std::string(12, '-'),
           "  |--sub", "  |  |--deeper"});

std::string DirsOnlyPage(bool rulings) {
  std::string page = Head("list") + Lines({"<p align=center><b>Dorvane Hierarchical Directory Report</b></p>",
                                           "<br>Column(s) Shown: Name", "<br>Filter(s) Inactive ",
                                           "<br>&amp; Subdirectory Level Depth=2", "<br>Starting Directory: /data",
                                           "<br>", "<hr>",
                                           std::string("<TABLE border=\"") + (rulings ? "0" : "1") + "\">", "<TR>",
                                           "<TD WIDTH=\"*\">  Name      </TD>", "</TR>"});
  if (rulings) page += Lines({"<TR><TD colspan=\"1\"><HR></TD></TR>", "<TR><TD colspan=\"1\">&nbsp;</TD></TR>"});
  page += Lines({"<TR>", "<TD WIDTH=\"*\">|--sub</TD>", "</TR>", "", "<TR>",
                 "<TD WIDTH=\"*\">|&nbsp;&nbsp;|--deeper</TD>", "</TR>", ""});
  return page + Lines({"</TABLE>", "</BODY></HTML>"});
}

TEST_F(HtmlExportTest, DirectoriesOnlyReportIsOneStarWideColumn) {
  EXPECT_EQ(Convert(kDirsOnlyReport, "0"), DirsOnlyPage(true));
  EXPECT_EQ(Convert(kDirsOnlyReport, "1"), DirsOnlyPage(false));
}

TEST_F(HtmlExportTest, UnknownTitleGivesBrLinesWithoutTable) {
  std::string report = Lines({"Some other text", "Column(s) Shown: Size, Name", "line <2> & \"x\"", "", "==="});
  std::string expected = Head("list") + Lines({"<p align=center><b>Some other text</b></p>",
                                               "<br>Column(s) Shown: Size, Name",
                                               "<br>line &lt;2&gt; &amp; &quot;x&quot;", "<br>", "<br>===",
                                               "</BODY></HTML>"});
  // The border only matters inside a table.
  EXPECT_EQ(Convert(report, "0"), expected);
  EXPECT_EQ(Convert(report, "1"), expected);
}

TEST_F(HtmlExportTest, EmptyReportGivesEmptyTitle) {
  EXPECT_EQ(Convert(""), Head("list") + Lines({"<p align=center><b></b></p>", "</BODY></HTML>"}));
}

TEST_F(HtmlExportTest, NoLineHoldsFirstColumnNameSoHeaderRowIsEmpty) {
  std::string report = Lines({"Dorvane DOS Style Directory Report", "Column(s) Shown: Attribute, Name",
                              "Starting Directory: /x", "*********  Invalid Path  *********"});
  EXPECT_EQ(Convert(report, "1"),
            Head("list") + Lines({"<p align=center><b>Dorvane DOS Style Directory Report</b></p>",
                                  "<br>Column(s) Shown: Attribute, Name", "<br>Starting Directory: /x",
                                  "<br>*********  Invalid Path  *********", "<hr>", "<TABLE border=\"1\">", "<TR>",
                                  "<TD WIDTH=\"84\"></TD>", "<TD WIDTH=\"*\"></TD>", "</TR>", "</TABLE>",
                                  "</BODY></HTML>"}));
}

TEST_F(HtmlExportTest, FileTypeColumnKeepsLiteralWidthOf19) {
  std::string report = Lines({"Dorvane Hierarchical Directory Report", "Column(s) Shown: File Type, File Count, Name",
                              "Size", "File Type           Attribute     Name      ",
                              "TXT File            x           y  a.txt"});
  std::string page = Convert(report, "1");
  EXPECT_NE(page.find(Lines({"<TD WIDTH=\"133\">File Type          </TD>", "<TD WIDTH=\"84\"> Attribute  </TD>",
                             "<TD WIDTH=\"*\">   Name      </TD>"})),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(Lines({"<TD WIDTH=\"133\">TXT File</TD>", "<TD WIDTH=\"84\">x</TD>",
                             "<TD WIDTH=\"*\">y&nbsp;&nbsp;a.txt</TD>"})),
            std::string::npos)
      << page;
  // The preamble line before the header is kept as a <br> line.
  EXPECT_NE(page.find("<br>Size\r\n<hr>\r\n"), std::string::npos) << page;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

const std::vector<std::string> kSummaryBlock = {std::string(37, '='), "** Summary:                        **",
                                                "** Folders Shown: 2  Files Shown:5 **", std::string(37, '=')};

std::vector<std::string> With(std::vector<std::string> lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// Names that look like the report's own lines are rows like any other; only the report's own ruling and summary
// lines, found by their place and exact shape, become rulings and full-width rows.
TEST_F(HtmlExportTest, OnlyTheReportsOwnLinesAreRulingsOrSummaries) {
  const std::vector<std::string> hierHead = {"Dorvane Hierarchical Directory Report", "Column(s) Shown: Name",
                                             "Filter(s) Inactive ", "& All Subdirectories Processed",
                                             "Starting Directory: /data/Name", "", "  Name      ", std::string(12, '-')};
  const std::vector<std::string> dosHead = {"Dorvane DOS Style Directory Report", "Column(s) Shown: Name",
                                            "Filter(s) Inactive ", "& All Subdirectories Processed",
                                            "Starting Directory: /data/d", "", "Name      "};
  struct Case {
    const char* what;
    std::vector<std::string> report;
    std::vector<std::string> rows;  // name cells, as escaped on the page
    size_t thin, thick, fullWidth;
  } cases[] = {
      {"hierarchical, no columns",
       With(hierHead, With({"  ** star", "  ==eq", "  --dash", "  " + std::string(12, '-'), "  |--sub",
                            "  |     --inner"},
                           kSummaryBlock)),
       {"** star", "==eq", "--dash", std::string(12, '-'), "|--sub", "|&nbsp;&nbsp;&nbsp;&nbsp; --inner"}, 1, 2, 2},
      {"DOS with folder summaries; a file named like the ruling before the real one",
       With(dosHead, With({"** star", "==eq", "--dash", std::string(10, '-'), std::string(10, '-'), "d", "",
                           "/data/d/sub", "Name      ", "--inner", std::string(10, '-'), "1 File(s)"},
                          kSummaryBlock)),
       {"** star", "==eq", "--dash", std::string(10, '-'), "d", "Name</TD>", "--inner", "1 File(s)"}, 2, 2, 3},
      {"DOS without folder summaries: a ruling-shaped name, then another name",
       With(dosHead, With({std::string(10, '-'), "x"}, kSummaryBlock)), {std::string(10, '-'), "x"}, 0, 2, 2},
      {"a summary-shaped block that is not the report's end",
       With(dosHead, With(kSummaryBlock, {"last"})),
       {std::string(37, '='), "** Summary:", "** Folders Shown: 2&nbsp;&nbsp;Files Shown:5 **", "last"}, 0, 0, 0},
      {"a cancelled report: the block, two blank lines and the marker",
       With(dosHead, With(With({"a"}, kSummaryBlock),
                          {"", "", "*********  Operation was cancelled  ********************"})),
       {"a"}, 0, 2, 4},
  };
  for (const Case& c : cases) {
    const std::string page = Convert(Lines(c.report), "0");
    for (const std::string& row : c.rows)
      EXPECT_NE(page.find("<TD WIDTH=\"*\">" + row), std::string::npos) << c.what << ": " << row << "\n" << page;
    EXPECT_EQ(Occurrences(page, "<HR>"), c.thin) << c.what << "\n" << page;
    EXPECT_EQ(Occurrences(page, "<HR SIZE=\"3\">"), c.thick) << c.what << "\n" << page;
    EXPECT_EQ(Occurrences(page, "<TR><TD colspan=\"1\">") - Occurrences(page, "<TR><TD colspan=\"1\">&nbsp;") -
                  Occurrences(page, "<TR><TD colspan=\"1\"><HR"),
              c.fullWidth)
        << c.what << "\n" << page;
  }
  // The starting folder's line is not taken for the header although its path holds the first column's name.
  EXPECT_NE(Convert(Lines(cases[0].report)).find("<TD WIDTH=\"*\">  Name      </TD>"), std::string::npos);
}

TEST_F(HtmlExportTest, NamesFromReportAreEscaped) {
  std::string report = Lines({"Dorvane Hierarchical Directory Report", "Column(s) Shown: Name", "", "  Name      ",
                              "  <script>x</script>.txt", "  Tom & \"Jerry\"  2.txt", "  a&&b  <i>"});
  std::string page = Convert(report, "1");
  EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
  EXPECT_EQ(page.find("<i>"), std::string::npos) << page;
  EXPECT_NE(page.find("<TD WIDTH=\"*\">&lt;script&gt;x&lt;/script&gt;.txt</TD>\r\n"), std::string::npos) << page;
  EXPECT_NE(page.find("<TD WIDTH=\"*\">Tom &amp; &quot;Jerry&quot;&nbsp;&nbsp;2.txt</TD>\r\n"), std::string::npos)
      << page;
  EXPECT_NE(page.find("<TD WIDTH=\"*\">a&amp;&amp;b&nbsp;&nbsp;&lt;i&gt;</TD>\r\n"), std::string::npos) << page;
}

TEST_F(HtmlExportTest, EscapeCoversTheFourCharacters) {
  EXPECT_EQ(HtmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c'");
  EXPECT_EQ(HtmlEscape("&nbsp;"), "&amp;nbsp;");
}

TEST_F(HtmlExportTest, CutsCountCharactersNotBytes) {
  std::string report = Lines({"Dorvane DOS Style Directory Report", "Column(s) Shown: Size, Name", "",
                              "Size        Name      ", "ééééééééééééNäme  ü"});
  std::string page = Convert(report, "1");
  EXPECT_NE(page.find("<TD WIDTH=\"84\">éééééééééééé</TD>\r\n<TD WIDTH=\"*\">Näme&nbsp;&nbsp;ü</TD>"),
            std::string::npos)
      << page;
}

TEST_F(HtmlExportTest, BaseNameIsWrittenAsItIs) {
  std::string page = Convert(kDirsOnlyReport, "0", "R&D list");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n"
                       "<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - R&D list</TITLE>\r\n",
                       0),
            0u)
      << page;
}

TEST_F(HtmlExportTest, EmptySettingsTakeDefaults) {
  EXPECT_EQ(Page(kDirsOnlyReport, "list", {}), DirsOnlyPage(true));
}

TEST_F(HtmlExportTest, SettingsUsedAsStoredWithFallbacks) {
  EXPECT_EQ(Page("x", "b", {"FF0000,255", "0000FF", "20", "1"}),
            Head("b", "FF0000", "0000FF", "20") + Lines({"<p align=center><b>x</b></p>", "</BODY></HTML>"}));

  HtmlSettings r = ResolveHtmlSettings({"FFF,4095", "1234567,1", "big", "yes"});
  EXPECT_EQ(r.backgroundColour, "FFFFFF");
  EXPECT_EQ(r.textColour, "000000");
  EXPECT_EQ(r.fontSize, "12");
  EXPECT_EQ(r.tableBorder, "0");
  r = ResolveHtmlSettings({"\"><b>x,1", "00FF00,65280", "14", "1"});
  EXPECT_EQ(r.backgroundColour, "&quot;&gt;&lt;b&gt;x");
  EXPECT_EQ(r.textColour, "00FF00");
  EXPECT_EQ(r.fontSize, "14");
  EXPECT_EQ(r.tableBorder, "1");
}

using MapSettings = test::MapSettings;

TEST_F(HtmlExportTest, StoredSettingsAndTheirDefaults) {
  MapSettings store;
  HtmlSettings s = StoredHtmlSettings(store);
  EXPECT_EQ(s.backgroundColour, "FFFFFF,16777215");
  EXPECT_EQ(s.textColour, "000000,0");
  EXPECT_EQ(s.fontSize, "12");
  EXPECT_EQ(s.tableBorder, "0");
  store.values = {{"HTMLbc", "00FF00,65280"}, {"HTMLfsize", "30"}};
  s = StoredHtmlSettings(store);
  EXPECT_EQ(s.backgroundColour, "00FF00,65280");
  EXPECT_EQ(s.fontSize, "30");
}

}  // namespace
}  // namespace dv
