// The report preview on generated files: lines found by offset, selection and copy against the file's own bytes,
// find far below what is shown, and a printed selection read back from the PDF.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/report_view.h"
#include "platform/error.h"
#include "support/child_process.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"

using Pos = dv::ReportPreview::Position;

class ReportPreviewTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
    return path;
  }
  // `count` lines "line <n> café ..." with CR LF ends; `special` replaces one line.
  static QByteArray Numbered(int count, int specialLine = -1, const QByteArray& special = {}) {
    QByteArray out;
    for (int i = 0; i < count; ++i)
      out += (i == specialLine ? special : "line " + QByteArray::number(i) + " caf\xc3\xa9 \xe2\x82\xac") + "\r\n";
    return out;
  }

 private slots:
  void linesAreFoundByOffset_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const QByteArray longLine(300000, 'x');
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no final line end") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("CR LF and blank lines") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
    QTest::newRow("UTF-8 multibyte") << QByteArray("caf\xc3\xa9\n\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\x81\n")
                                     << QStringList{QString::fromUtf8("caf\xc3\xa9"),
                                                    QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\x81")};
    QTest::newRow("very long line") << longLine + "\r\nend\r\n" << QStringList{QString(longLine), "end"};
  }
  void linesAreFoundByOffset() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString expected = QString::fromUtf8(bytes).remove('\r');
    dv::ReportPreview view;
    view.resize(400, 300);
    view.show();
    // From a file and from a text alike.
    for (bool fromFile : {true, false}) {
      if (fromFile) view.Load(Write("lines.txt", bytes));
      else view.SetText(QString::fromUtf8(bytes));
      QCOMPARE(view.LineCount(), qint64(lines.size()));
      for (int i = 0; i < lines.size(); ++i) QCOMPARE(view.Line(i), lines[i]);
      QCOMPARE(view.Line(lines.size()), QString());
      QCOMPARE(view.Text(), expected);
      // The longest line sets how far the view scrolls sideways.
      const int longest = lines.isEmpty() ? 0 : int(std::max_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                                                      return a.size() < b.size();
                                                    })->size());
      QCOMPARE(view.horizontalScrollBar()->maximum() > 0, longest * view.fontMetrics().horizontalAdvance('M') > 400);
      QTest::qWait(0);  // paints, the long line included
    }
    long number = 0;
    try {
      view.Load(dir_.filePath("missing.txt"));
    } catch (const dv::Error& e) {
      number = e.Number();
    }
    QCOMPARE(number, 53L);
    QCOMPARE(view.LineCount(), qint64(0));
  }

  void selectionAndCopyGiveTheFilesText() {
    const QByteArray bytes = Numbered(5000);
    dv::ReportPreview view;
    view.resize(500, 300);
    view.show();
    view.Load(Write("copy.txt", bytes));
    const QString all = QString::fromUtf8(bytes).remove('\r');
    auto offset = [&](Pos p) { return int(all.indexOf("line " + QString::number(p.line) + " ")) + p.column; };
    struct Case {
      Pos anchor, cursor;
    };
    // Within a line, backwards across thousands of lines, and up to the end of a line.
    for (const Case& c : {Case{{3, 2}, {3, 9}}, Case{{4000, 7}, {10, 3}}, Case{{4998, 0}, {4999, 16}}}) {
      view.SetSelection(c.anchor, c.cursor);
      const int from = offset(std::min(c.anchor, c.cursor)), to = offset(std::max(c.anchor, c.cursor));
      QCOMPARE(view.SelectedText(), all.mid(from, to - from));
      QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(QApplication::clipboard()->text(), all.mid(from, to - from));
    }
    // Keys: Ctrl+A takes it all; from the start, a Shift+click on the next line and Shift+End take two lines.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.SelectedText() + "\n", all);
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(view.Cursor(), Pos{});
    QVERIFY(!view.HasSelection());
    const int height = view.fontMetrics().lineSpacing();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(1, height + height / 2));
    QCOMPARE(view.SelectedText(), all.section('\n', 0, 0) + "\n");
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(view.SelectedText(), all.section('\n', 0, 1));
    QTest::keyClick(&view, Qt::Key_PageDown, Qt::ShiftModifier);
    QVERIFY(view.Cursor().line > 1 && view.verticalScrollBar()->value() > 0);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view.Cursor(), (Pos{4999, int(view.Line(4999).size())}));
    QVERIFY(!view.HasSelection());
  }

  void findReadsTheFileFromTheCursorOn() {
    dv::ReportPreview view;
    view.resize(500, 300);
    view.show();
    view.Load(Write("find.txt", Numbered(200000, 150000, "the NeEdLe is here")));
    QVERIFY(view.Find("needle"));
    QCOMPARE(view.Anchor(), (Pos{150000, 4}));
    QCOMPARE(view.SelectedText(), QString("NeEdLe"));
    const int top = view.verticalScrollBar()->value();
    QVERIFY(top <= 150000 && 150000 < top + view.viewport()->height() / view.fontMetrics().lineSpacing());
    // The only match again, found by going round from the start.
    QVERIFY(view.Find("NEEDLE"));
    QCOMPARE(view.Anchor(), (Pos{150000, 4}));
    // A match before the cursor is found by going round.
    view.SetSelection({199990, 0}, {199990, 0});
    QVERIFY(view.Find("line 17 "));
    QCOMPARE(view.Anchor(), (Pos{17, 0}));
    QVERIFY(!view.Find("absent"));
    QCOMPARE(view.Anchor(), (Pos{17, 0}));

    // Through the keys: Ctrl+F opens the box, Return finds, F3 finds the next one, nothing found is said.
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    auto* box = dv::test::Child<QLineEdit>(&view, "txtFind");
    QVERIFY(box->isVisible());
    box->setText("line 4");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(view.Anchor(), (Pos{40, 0}));
    QTest::keyClick(&view, Qt::Key_F3);
    QCOMPARE(view.Anchor(), (Pos{41, 0}));
    box->setText("nowhere at all");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(dv::test::Child<QLabel>(&view, "lblFindStatus")->text(), QString("Not found"));
    QCOMPARE(view.Anchor(), (Pos{41, 0}));
  }

  void printsTheSelectionPageByPage() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is not installed");
    dv::ReportPreview view;
    view.Load(Write("print.txt", Numbered(300)));
    view.SetSelection({100, 5}, {102, 9});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir_.filePath("selection.pdf");
    printer.setOutputFileName(pdf);
    dv::test::ScriptedPrompter prompts;
    bool selectionChosen = false;
    dv::PrintRichText(&view, printer, nullptr, prompts, [&](QPrintDialog& d) {
      selectionChosen = d.printer()->printRange() == QPrinter::Selection;
      return int(QDialog::Accepted);
    });
    QVERIFY(selectionChosen);
    QVERIFY(prompts.Log().empty());
    const auto read = dv::test::RunProgram("pdftotext", {"-layout", "-enc", "UTF-8", pdf.toStdString(), "-"});
    QCOMPARE(read.status, 0);
    QCOMPARE(QString::fromStdString(read.out).simplified(), view.SelectedText().simplified());

    // All of it: every line, over several pages.
    view.SetSelection({}, {});
    const QString all = dir_.filePath("all.pdf");
    printer.setOutputFileName(all);
    dv::PrintRichText(&view, printer, nullptr, prompts, [](QPrintDialog&) { return int(QDialog::Accepted); });
    const QString text = QString::fromStdString(dv::test::RunProgram("pdftotext", {all.toStdString(), "-"}).out);
    QCOMPARE(text.count(QString::fromUtf8("caf\xc3\xa9")), 300);
    QVERIFY(text.count('\f') >= 3);
  }
};

QTEST_MAIN(ReportPreviewTest)
#include "report_view_qtest.moc"
