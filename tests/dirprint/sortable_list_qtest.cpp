// The sortable list: filled from a real sortable report of the job and from written report files, shown texts
// (right-aligned sizes, YYYY-MM-DD dates), the invalid-path report hiding the list, column widths, and sorting
// by header clicks on a real table view (numbers, dates, texts; flip on the same column, ascending on another).
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "common/error_handler.h"
#include "dirprint/dir_print_job.h"
#include "dirprint/sortable_list.h"
#include "scan/cls_dir_processing.h"
#include "support/prompter_texts.h"
#include "support/scripted_prompter.h"

using dv::test::Texts;

namespace {

void WriteFile(const QString& path, qint64 bytes, const dv::LocalTime& modified) {
  { std::ofstream(path.toStdString(), std::ios::binary) << std::string(size_t(bytes), 'x'); }
  const timespec t = dv::DateTime::FromLocal(modified).ToTimespec();
  const timespec times[2] = {t, t};
  ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0);
}

struct Harness {
  QTemporaryDir dir;
  QString report = dir.path() + "/tmpOuput.txt";
  dv::test::ScriptedPrompter prompter;
  dv::SessionErrorLog log{(dir.path() + "/DVcurerr.txt").toStdString()};
  dv::ErrorHandler errors{prompter, log, nullptr};
  QTableView view;
  dv::SortableListModel model;

  Harness() {
    view.resize(800, 400);
    view.show();
  }
  void WriteReport(const QByteArray& text) {
    QFile f(report);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  void Format() { dv::FormatSortableView(report.toStdString(), &view, &model, errors); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r) texts << model.Text(r, column);
    return texts;
  }
  // A click on a column header, as the user does it.
  void ClickHeader(int section) {
    QHeaderView* header = view.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
};

const QByteArray kReport =
    "Size(Byte),File Type,Modified,Name\r\n"
    "4096,File Folder,01-02-05,/t/Beta\r\n"
    "123,TXT File,10-04-04,/t/Beta/alpha.txt\r\n"
    "\r\n"
    "99999,DOC File,12-31-99,/t/Beta/Zed.doc\r\n"
    "7,txt File,10-04-04,/t/Beta/beta.txt\r\n"
    "** a banner line **\r\n"
    "1000000000000,ISO File,02-29-28,/t/big.iso\r\n";

}  // namespace

class SortableListTest : public QObject {
  Q_OBJECT

 private slots:
  void columnKindsFromTheFirstFourCharacters() {
    QCOMPARE(dv::SortableKindOf("Size(KB)"), dv::SortableKind::Size);
    QCOMPARE(dv::SortableKindOf("Size"), dv::SortableKind::Size);
    QCOMPARE(dv::SortableKindOf("Modified"), dv::SortableKind::Date);
    QCOMPARE(dv::SortableKindOf("Created"), dv::SortableKind::Date);
    QCOMPARE(dv::SortableKindOf("Accessed"), dv::SortableKind::Date);
    QCOMPARE(dv::SortableKindOf("File Type"), dv::SortableKind::Plain);
    QCOMPARE(dv::SortableKindOf("Attribute"), dv::SortableKind::Plain);
    QCOMPARE(dv::SortableKindOf("Siz"), dv::SortableKind::Plain);
    QCOMPARE(dv::SortableKindOf("size(KB)"), dv::SortableKind::Plain);
  }

  void shownTexts_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");
    const int size = int(dv::SortableKind::Size), date = int(dv::SortableKind::Date);
    QTest::newRow("three digits behind seven spaces") << size << "123" << "       123";
    QTest::newRow("empty size") << size << "" << "          ";
    QTest::newRow("ten digits as they are") << size << "1234567890" << "1234567890";
    QTest::newRow("longer as it is") << size << "123456789012" << "123456789012";
    QTest::newRow("report date") << date << "10-04-04" << "2004-10-04";
    // Two-digit years fall in the 80 years before and the 20 after this one: a file of 2030 is not from 1930.
    const int thisYear = QDate::currentDate().year();
    const int soon = (thisYear + 4) % 100, long_ago = (thisYear + 30) % 100;
    QTest::newRow("two-digit year a few years ahead")
        << date << QString::asprintf("01-02-%02d", soon) << QString::asprintf("%04d-01-02", thisYear + 4);
    QTest::newRow("two-digit year thirty years ahead is last century")
        << date << QString::asprintf("01-02-%02d", long_ago) << QString::asprintf("%04d-01-02", thisYear + 30 - 100);
    QTest::newRow("date with time") << date << "10/4/2004 3:15:00 PM" << "2004-10-04";
    QTest::newRow("iso date stays") << date << "2004-10-04" << "2004-10-04";
    QTest::newRow("29 February of a leap year") << date << "02-29-28" << "2028-02-29";
    QTest::newRow("not a day") << date << "02-30-04" << "02-30-04";
    QTest::newRow("not a date") << date << "soon" << "soon";
    QTest::newRow("plain kept") << int(dv::SortableKind::Plain) << "  x,y " << "  x,y ";
  }
  void shownTexts() {
    QFETCH(int, kind);
    QFETCH(QString, field);
    QFETCH(QString, shown);
    QCOMPARE(dv::SortableShownText(dv::SortableKind(kind), field), shown);
  }

  void aRealSortableReportFillsTheList() {
    Harness h;
    const QString root = h.dir.path() + "/tree";
    QDir().mkpath(root + "/sub");
    WriteFile(root + "/abc.txt", 123, {2004, 10, 4, 15, 15, 0});
    WriteFile(root + "/sub/z.doc", 4, {2010, 5, 6, 1, 2, 3});
    dv::clsDirProcessing engine(h.prompter);
    dv::DirPrintChoices c;
    c.view = 3;
    c.columns = {"Size", "Modified", "File Type"};
    c.sizeUnit = 0;
    c.extensionsText = "*.*";
    c.startingDirectory = root.toStdString();
    dv::ProcessDirPrintJob(c, engine, h.errors, h.report.toStdString());
    h.Format();
    QVERIFY(h.view.isVisible());
    QCOMPARE(h.model.columnCount(), 4);
    QCOMPARE(h.model.Header(0), QString("Size(Byte)"));
    QCOMPARE(h.model.Header(3), QString("Name"));
    QCOMPARE(h.model.rowCount(), 3);  // the folder sub and the two files
    const QStringList paths = h.Column(3);
    const int row = int(paths.indexOf(root + "/abc.txt"));
    QVERIFY2(row >= 0, qPrintable(paths.join("|")));
    QCOMPARE(h.model.Text(row, 0), QString("       123"));
    QCOMPARE(h.model.Text(row, 1), QString("2004-10-04"));
    QCOMPARE(h.model.Text(row, 2), QString("TXT File"));
    const QModelIndex size = h.model.index(row, 0);
    QVERIFY(Qt::Alignment(h.model.data(size, Qt::TextAlignmentRole).toInt()) & Qt::AlignRight);
    QVERIFY(!(Qt::Alignment(h.model.data(h.model.index(row, 2), Qt::TextAlignmentRole).toInt()) & Qt::AlignRight));
    QCOMPARE(h.model.data(size).toString(), QString("       123"));
    QVERIFY(h.prompter.Log().empty());
  }

  void columnsAndWidths() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    QCOMPARE(h.model.columnCount(), 4);
    QCOMPARE(h.model.WidthTwips(0), 1000);
    QCOMPARE(h.model.WidthTwips(1), 1500);
    QCOMPARE(h.model.WidthTwips(2), 1000);
    QCOMPARE(h.view.columnWidth(1), dv::TwipsToPixels(&h.view, 1500));
    QVERIFY(h.view.horizontalHeader()->stretchLastSection());
    QCOMPARE(h.model.headerData(1, Qt::Horizontal).toString(), QString("File Type"));
    // Empty lines and banner lines are not rows.
    QCOMPARE(h.model.rowCount(), 5);
    QCOMPARE(h.Column(3), (QStringList{"/t/Beta", "/t/Beta/alpha.txt", "/t/Beta/Zed.doc", "/t/Beta/beta.txt",
                                       "/t/big.iso"}));
    QVERIFY(h.prompter.Log().empty());
  }

  // Size and date columns fit their longest value and their header in the view's font; a text column keeps the
  // layout's width.
  void valueColumnsFitTheirTexts_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("default font") << 0;
    QTest::newRow("large font") << 16;
  }
  void valueColumnsFitTheirTexts() {
    QFETCH(int, pointSize);
    Harness h;
    if (pointSize > 0) {
      QFont font = h.view.font();
      font.setPointSize(pointSize);
      h.view.setFont(font);
    }
    h.WriteReport(kReport);
    h.Format();
    const QAbstractItemView& view = h.view;
    for (int column : {0, 2}) {
      QVERIFY2(h.view.columnWidth(column) >= view.sizeHintForColumn(column), qPrintable(QString::number(column)));
      QVERIFY2(h.view.columnWidth(column) >= h.view.horizontalHeader()->sectionSizeHint(column),
               qPrintable(QString::number(column)));
    }
    QCOMPARE(h.view.columnWidth(1), dv::TwipsToPixels(&h.view, 1500));
  }

  // Fields beyond the header (an older report, a name with commas) are dropped with one message per load.
  void surplusFieldsAreDroppedWithOneMessage_data() {
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("messages");
    QTest::newRow("none") << QByteArray("1,/a\r\n2,/b\r\n") << 2 << 0;
    QTest::newRow("one row, two extra fields") << QByteArray("1,/a\r\n2,/b,extra,more\r\n") << 2 << 1;
    QByteArray hostile;
    for (int i = 0; i < 1000; ++i) hostile += "2,/b,c,d\r\n";
    QTest::newRow("1,000 bad rows") << hostile << 1000 << 1;
  }
  void surplusFieldsAreDroppedWithOneMessage() {
    QFETCH(QByteArray, rows);
    Harness h;
    h.WriteReport("Size(KB),Name\r\n" + rows);
    h.Format();
    QTEST(h.model.rowCount(), "rowCount");
    QCOMPARE(h.model.Text(1, 1), QString("/b"));
    QTEST(h.prompter.Count(), "messages");
    if (h.prompter.Count() > 0) QVERIFY(Texts(h.prompter)[0].contains("fdp:37"));
  }

  void shortLinesLeaveEmptyCells() {
    Harness h;
    h.WriteReport("Size(KB),Modified,Name\r\n/only-a-name\r\n");
    h.Format();
    QCOMPARE(h.model.rowCount(), 1);
    QCOMPARE(h.model.Text(0, 0), QString("/only-a-name"));  // 12 characters: no padding
    QCOMPARE(h.model.Text(0, 1), QString());
    QCOMPARE(h.model.Text(0, 2), QString());
  }

  void aMissingFolderHidesTheList() {
    Harness h;
    dv::clsDirProcessing engine(h.prompter);
    dv::DirPrintChoices c;
    c.view = 3;
    c.extensionsText = "*.*";
    c.startingDirectory = (h.dir.path() + "/gone").toStdString();
    dv::ProcessDirPrintJob(c, engine, h.errors, h.report.toStdString());
    h.Format();
    QVERIFY(!h.view.isVisible());
    QCOMPARE(h.model.columnCount(), 0);
    QCOMPARE(h.model.rowCount(), 0);
  }

  void aHeaderWithoutRowsMakesNoColumns() {
    Harness h;
    h.WriteReport("Size(KB),Name\r\n");
    h.Format();
    QCOMPARE(h.model.columnCount(), 0);
    QVERIFY(h.view.isVisible());
  }

  void sortBySizeBothWays() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    QVERIFY(!h.model.Sorted());
    h.ClickHeader(0);
    QVERIFY(h.model.Sorted());
    QCOMPARE(h.model.SortColumn(), 0);
    QCOMPARE(h.model.SortOrder(), Qt::AscendingOrder);
    // Numerically: the 13-digit size is the largest although its text starts with "1".
    QCOMPARE(h.Column(3), (QStringList{"/t/Beta/beta.txt", "/t/Beta/alpha.txt", "/t/Beta", "/t/Beta/Zed.doc",
                                       "/t/big.iso"}));
    QCOMPARE(h.view.horizontalHeader()->sortIndicatorSection(), 0);
    h.ClickHeader(0);
    QCOMPARE(h.model.SortOrder(), Qt::DescendingOrder);
    QCOMPARE(h.Column(3), (QStringList{"/t/big.iso", "/t/Beta/Zed.doc", "/t/Beta", "/t/Beta/alpha.txt",
                                       "/t/Beta/beta.txt"}));
    QCOMPARE(h.view.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    h.ClickHeader(0);
    QCOMPARE(h.model.SortOrder(), Qt::AscendingOrder);
  }

  void sortByDateBothWaysEqualDatesInReportOrder() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    h.ClickHeader(2);
    QCOMPARE(h.Column(2), (QStringList{"1999-12-31", "2004-10-04", "2004-10-04", "2005-01-02", "2028-02-29"}));
    QCOMPARE(h.Column(3).mid(1, 2), (QStringList{"/t/Beta/alpha.txt", "/t/Beta/beta.txt"}));
    h.ClickHeader(2);
    QCOMPARE(h.Column(2), (QStringList{"2028-02-29", "2005-01-02", "2004-10-04", "2004-10-04", "1999-12-31"}));
    QCOMPARE(h.Column(3).mid(2, 2), (QStringList{"/t/Beta/alpha.txt", "/t/Beta/beta.txt"}));
  }

  void anotherColumnSortsAscendingAndTextsIgnoreCase() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    h.ClickHeader(0);
    h.ClickHeader(0);  // size, descending
    h.ClickHeader(3);  // another column: ascending again
    QCOMPARE(h.model.SortColumn(), 3);
    QCOMPARE(h.model.SortOrder(), Qt::AscendingOrder);
    QCOMPARE(h.Column(3), (QStringList{"/t/Beta", "/t/Beta/alpha.txt", "/t/Beta/beta.txt", "/t/Beta/Zed.doc",
                                       "/t/big.iso"}));
    h.ClickHeader(1);
    // "TXT File" and "txt File" are equal without case: report order.
    QCOMPARE(h.Column(1), (QStringList{"DOC File", "File Folder", "ISO File", "TXT File", "txt File"}));
  }

  void theSelectionFollowsItsRowsWhenSorted() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    h.view.selectRow(4);  // /t/big.iso
    h.ClickHeader(0);
    const QModelIndexList rows = h.view.selectionModel()->selectedRows(3);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].data().toString(), QString("/t/big.iso"));
    QCOMPARE(rows[0].row(), 4);
    h.ClickHeader(0);
    QCOMPARE(h.view.selectionModel()->selectedRows(3).value(0).row(), 0);
  }

  void clearingEmptiesItemsAndHeaders() {
    Harness h;
    h.WriteReport(kReport);
    h.Format();
    h.ClickHeader(0);
    h.model.Clear();
    QCOMPARE(h.model.rowCount(), 0);
    QCOMPARE(h.model.columnCount(), 0);
    QCOMPARE(h.model.SortColumn(), -1);
    h.Format();
    QCOMPARE(h.model.columnCount(), 4);
    QCOMPARE(h.Column(3).first(), QString("/t/Beta"));  // the report's order again
  }
};

QTEST_MAIN(SortableListTest)
#include "sortable_list_qtest.moc"
