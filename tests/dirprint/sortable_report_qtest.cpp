// The text report written from the sortable list: exact lines for the title variants, the columns, filter and
// starting-folder lines, widths counted in characters (the name column widened to its longest value, the type
// cut to 19), rows in the list's current order after header sorts, and the highlighted-rows mode with a real
// table view's selection, written to the report file.
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "dirprint/sortable_list.h"
#include "dirprint/sortable_report.h"
#include "scan/cls_dir_processing.h"
#include "support/scripted_prompter.h"

namespace {

QString Sp(int n) { return QString(n, QLatin1Char(' ')); }

std::string Utf8(const QString& s) { return s.toStdString(); }

// Three rows in report order: b.txt, Alpha (a folder), cé.doc with an over-long type.
void Fill(dv::SortableListModel& list) {
  for (const char* h : {"Size(Byte)", "File Type", "Modified", "Name"}) list.AddColumn(QString::fromUtf8(h), 1000);
  list.AppendRow({"123", "TXT File", "10-04-04", "/t/b.txt"});
  list.AppendRow({"4096", "File Folder", "01-02-05", "/t/Alpha"});
  list.AppendRow({"7", "ABCDEFGHIJKLMNOPQRSTUVWXYZ File", "12-31-99", QString::fromUtf8("/t/c\xC3\xA9.doc")});
}

// The rows as written, each with its padding counted by hand.
const QString kHeader = "Size(Byte)" + Sp(2) + "File Type" + Sp(11) + "Modified" + Sp(4) + "Name" + Sp(46) + "\r\n";
const QString kRowB = "       123" + Sp(2) + "TXT File" + Sp(12) + "2004-10-04" + Sp(2) + "/t/b.txt" + Sp(42) + "\r\n";
const QString kRowAlpha =
    "      4096" + Sp(2) + "File Folder" + Sp(9) + "2005-01-02" + Sp(2) + "/t/Alpha" + Sp(42) + "\r\n";
const QString kRowC = "         7" + Sp(2) + "ABCDEFGHIJKLMNOPQRS" + Sp(1) + "1999-12-31" + Sp(2) +
                      QString::fromUtf8("/t/c\xC3\xA9.doc") + Sp(41) + "\r\n";

const QString kScanLines =
    "Column(s) Shown: Size(Byte), File Type, Modified, Name\r\n"
    "Filter(s) Inactive & All Subdirectories Processed\r\n"
    "Starting Directory: /t\r\n"
    "\r\n";

dv::SortableReportScan AllLevels() { return {"/t", 32000, false}; }

}  // namespace

class SortableReportTest : public QObject {
  Q_OBJECT

 private slots:
  void titleVariants() {
    dv::SortableListModel list;
    Fill(list);
    QCOMPARE(dv::SortableReportTitle(list, false), QString("Dorvane Data Directory Report"));
    QCOMPARE(dv::SortableReportTitle(list, true), QString("Dorvane Row-Selected Data Directory Report"));
    list.ColumnClick(2);
    QCOMPARE(dv::SortableReportTitle(list, false), QString("Dorvane Sorted By Modified Data Directory Report"));
    QCOMPARE(dv::SortableReportTitle(list, true),
             QString("Dorvane Sorted By Modified & Row-Selected Data Directory Report"));
    // Reloading the list switches sorting off: the title no longer names a column.
    list.Sorted(false);
    QCOMPARE(dv::SortableReportTitle(list, true), QString("Dorvane Row-Selected Data Directory Report"));
  }

  void widthsByHeader() {
    dv::SortableListModel list;
    for (const char* h : {"Size(KB)", "Attribute", "File Type", "Created", "Accessed", "Name", "Fil"})
      list.AddColumn(QString::fromUtf8(h), 1000);
    QCOMPARE(dv::SortableReportWidths(list), (std::vector<int>{12, 12, 20, 12, 12, 50, 12}));
  }

  void nameColumnWidenedToLongestNameInCharacters() {
    dv::SortableListModel list;
    list.AddColumn("Size(Byte)", 1000);
    list.AddColumn("Name", 1000);
    // 3 + 50 + 1 (one emoji, two UTF-16 units) + 2 = 56 characters.
    const QString longName = "/t/" + QString(50, 'x') + QString::fromUtf8("\xF0\x9F\x98\x80") + ".d";
    list.AppendRow({"1", "/t/a"});
    list.AppendRow({"2", longName});
    QCOMPARE(dv::SortableReportWidths(list), (std::vector<int>{12, 56}));
    const std::string text = dv::SortableReportText(list, AllLevels(), false, {});
    const QString rows = "Size(Byte)" + Sp(2) + "Name" + Sp(52) + "\r\n" +  //
                         "         1" + Sp(2) + "/t/a" + Sp(52) + "\r\n" +    //
                         "         2" + Sp(2) + longName + "\r\n";
    QVERIFY(QString::fromStdString(text).endsWith(rows));
  }

  void wholeReportInReportOrder() {
    dv::SortableListModel list;
    Fill(list);
    QCOMPARE(dv::SortableReportText(list, AllLevels(), false, {}),
             Utf8("Dorvane Data Directory Report\r\n" + kScanLines + kHeader + kRowB + kRowAlpha + kRowC));
  }

  void sortedRowsInTheListsCurrentOrder() {
    dv::SortableListModel list;
    Fill(list);
    list.ColumnClick(0);  // sizes as numbers: 7, 123, 4096
    QCOMPARE(dv::SortableReportText(list, AllLevels(), false, {}),
             Utf8("Dorvane Sorted By Size(Byte) Data Directory Report\r\n" + kScanLines + kHeader + kRowC + kRowB +
                  kRowAlpha));
    list.ColumnClick(0);  // the same column again: descending
    QCOMPARE(dv::SortableReportText(list, AllLevels(), false, {}),
             Utf8("Dorvane Sorted By Size(Byte) Data Directory Report\r\n" + kScanLines + kHeader + kRowAlpha +
                  kRowB + kRowC));
    list.ColumnClick(3);  // names without regard to case: Alpha, b.txt, cé.doc
    QCOMPARE(dv::SortableReportText(list, AllLevels(), false, {}),
             Utf8("Dorvane Sorted By Name Data Directory Report\r\n" + kScanLines + kHeader + kRowAlpha + kRowB +
                  kRowC));
  }

  void highlightedRowsOnlyFromTheViewsSelection() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/tmpOuput.txt";
    dv::SortableListModel list;
    Fill(list);
    QTableView view;
    dv::AttachSortableList(&view, &list);
    view.show();
    list.ColumnClick(0);  // order now cé.doc, b.txt, Alpha
    view.selectRow(0);
    view.selectionModel()->select(list.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dv::test::ScriptedPrompter prompter;
    dv::clsDirProcessing engine(prompter);
    engine.StartingDirectory("/t");
    engine.DirLevelsDeep(32000);

    const std::string expected =
        Utf8("Dorvane Sorted By Size(Byte) & Row-Selected Data Directory Report\r\n" + kScanLines + kHeader + kRowC +
             kRowAlpha);
    QCOMPARE(dv::WriteSortableReport(true, list, view.selectionModel(), engine, path.toStdString()), expected);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), expected);
    file.close();

    // Not only highlighted: every row, the selection ignored, the file rewritten.
    QCOMPARE(dv::WriteSortableReport(false, list, view.selectionModel(), engine, path.toStdString()),
             Utf8("Dorvane Sorted By Size(Byte) Data Directory Report\r\n" + kScanLines + kHeader + kRowC + kRowB +
                  kRowAlpha));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), qint64(dv::SortableReportText(list, AllLevels(), false, {}).size()));
  }

  void highlightedFollowRowsThroughASort() {
    dv::SortableListModel list;
    Fill(list);
    QTableView view;
    dv::AttachSortableList(&view, &list);
    view.selectRow(0);  // b.txt, first in report order
    list.ColumnClick(0);  // b.txt moves to the middle; the selection moves with it
    const std::vector<bool> rows = dv::HighlightedRows(view.selectionModel(), list.rowCount());
    QCOMPARE(rows, (std::vector<bool>{false, true, false}));
    QCOMPARE(dv::SortableReportText(list, AllLevels(), true, rows),
             Utf8("Dorvane Sorted By Size(Byte) & Row-Selected Data Directory Report\r\n" + kScanLines + kHeader +
                  kRowB));
  }

  void noHighlightedRowGivesHeadLinesOnly() {
    dv::SortableListModel list;
    Fill(list);
    QTableView view;
    dv::AttachSortableList(&view, &list);
    QCOMPARE(dv::SortableReportText(list, AllLevels(), true,
                                    dv::HighlightedRows(view.selectionModel(), list.rowCount())),
             Utf8("Dorvane Row-Selected Data Directory Report\r\n" + kScanLines + kHeader));
    QCOMPARE(dv::HighlightedRows(nullptr, 2), (std::vector<bool>{false, false}));
  }

  void overflowingValueKeptWholeAndPaddedByItsOverflow() {
    dv::SortableListModel list;
    list.AddColumn("Size(Byte)", 1000);
    list.AddColumn("Name", 1000);
    list.AppendRow({"1000000000000", "/t/big.iso"});  // 13 characters in a 12-wide column
    const QString text = QString::fromStdString(dv::SortableReportText(list, AllLevels(), false, {}));
    QVERIFY(text.endsWith("1000000000000" + Sp(1) + "/t/big.iso" + Sp(40) + "\r\n"));
  }

  void filterAndDepthLines() {
    dv::SortableListModel list;
    list.AddColumn("Name", 1000);
    QCOMPARE(dv::SortableReportText(list, {"/home/u/My Docs", 3, true}, false, {}),
             std::string("Dorvane Data Directory Report\r\n"
                         "Column(s) Shown: Name\r\n"
                         "Filter(s) Active & Subdirectory Level Depth=3\r\n"
                         "Starting Directory: /home/u/My Docs\r\n"
                         "\r\n"
                         "Name") +
                 std::string(46, ' ') + "\r\n");
  }

  void filtersActiveFromTheEngine() {
    dv::test::ScriptedPrompter prompter;
    {
      dv::clsDirProcessing engine(prompter);
      engine.StartingDirectory("/s");
      engine.DirLevelsDeep(0);
      const dv::SortableReportScan scan = dv::SortableReportScanOf(engine);
      QCOMPARE(scan.startingDirectory, std::string("/s"));
      QCOMPARE(scan.dirLevelsDeep, 0);
      QVERIFY(!scan.filtersActive);
    }
    {
      dv::clsDirProcessing engine(prompter);
      engine.RegExFilePattern("abc");
      QVERIFY(!engine.RegExFilePattern().empty());
      QVERIFY(dv::SortableReportScanOf(engine).filtersActive);
    }
    {
      dv::clsDirProcessing engine(prompter);
      engine.RegExFolderPattern("abc");
      QVERIFY(dv::SortableReportScanOf(engine).filtersActive);
    }
  }
};

QTEST_MAIN(SortableReportTest)
#include "sortable_report_qtest.moc"
