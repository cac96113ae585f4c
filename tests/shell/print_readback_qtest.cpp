// A report printed to a PDF file is read back with a real PDF reader (pdftotext): the printed text is the report.
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/shared_ui.h"
#include "support/child_process.h"
#include "support/scripted_prompter.h"

namespace {

QStringList Lines(const QString& text) {
  QStringList out;
  for (QString line : text.split('\n')) {
    line = line.trimmed();
    if (!line.isEmpty() && line != "\f") out << line;
  }
  return out;
}

}  // namespace

class PrintReadBackTest : public QObject {
  Q_OBJECT
 private slots:
  void thePdfHoldsTheReportsLines() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    const QString report =
        "Dorvane DOS Style Directory Report\n"
        "Column(s) Shown: Size, Name\n"
        "Filter(s) Inactive \n"
        "Size(KB)    Name      \n"
        "2           caf\u00e9 menu.txt\n"
        "0           notes {draft}.txt";
    QPlainTextEdit preview;
    preview.setPlainText(report);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath("report.pdf");
    printer.setOutputFileName(pdf);
    dv::test::ScriptedPrompter prompts;
    dv::PrintRichText(&preview, printer, nullptr, prompts, [](QPrintDialog&) { return int(QDialog::Accepted); });
    QVERIFY(prompts.Log().empty());
    QVERIFY(QFile::exists(pdf));

    const dv::test::ProgramResult reader =
        dv::test::RunProgram("pdftotext", {"-layout", "-enc", "UTF-8", pdf.toStdString(), "-"});
    QVERIFY2(reader.status == 0, reader.err.c_str());
    QStringList printed = Lines(QString::fromStdString(reader.out));
    QStringList expected = Lines(report);
    // Columns keep their spacing in a fixed-pitch print; compare with runs of blanks made single.
    auto squeeze = [](QStringList lines) {
      for (QString& l : lines) l = l.simplified();
      return lines;
    };
    if (squeeze(printed) != squeeze(expected)) qWarning() << printed;
    QCOMPARE(squeeze(printed), squeeze(expected));
  }
};

QTEST_MAIN(PrintReadBackTest)
#include "print_readback_qtest.moc"
