// The shared procedures that need windows: the print-font check, font lookup, printing a rich-text control
// through the print dialog, and showing a path in a file-system tree. Printing goes to real PDF files and the
// trees read real temporary folders.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/error_handler.h"
#include "common/shared_utils.h"
#include "common/user_settings.h"
#include "shell/shared_ui.h"
#include "support/map_settings.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

namespace {

using MemorySettings = dv::test::MapSettings;

// One session's services over a fresh temporary folder.
// Each test in an environment of its own: the home folder is where a printer-less print dialog offers its PDF.
struct Session {
  dv::test::WindowEnvironment env;
  dv::test::ScriptedPrompter prompter;
  MemorySettings settings;
  dv::SessionErrorLog log{env.Path("DVcurerr.txt").toStdString()};
  dv::ErrorHandler errors{prompter, log, nullptr};
  dv::SharedUtilities utilities{prompter, settings, errors};
};

QString LongReport(int lines) {
  QString text;
  for (int i = 0; i < lines; ++i) text += QStringLiteral("Line %1 of the directory report\n").arg(i, 4);
  return text;
}

template <class Control>
void SelectLines(Control& control, int first, int last) {
  QTextCursor cursor(control.document()->findBlockByNumber(first));
  cursor.setPosition(control.document()->findBlockByNumber(last).position(), QTextCursor::KeepAnchor);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  control.setTextCursor(cursor);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Qt writes one "/Type /Page" object per page, uncompressed, beside the one "/Type /Pages" tree.
int PdfPages(const QByteArray& pdf) {
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
  return int(QString::fromLatin1(pdf).count(page));
}

// What the print dialog showed when a scripted runner was asked to run it.
struct DialogSeen {
  bool ran = false;
  bool selectionOffered = false;
  bool pageRangeOffered = false;
  QAbstractPrintDialog::PrintRange range = QAbstractPrintDialog::AllPages;
  QPrinter::OutputFormat format = QPrinter::NativeFormat;
  QString outputFile;
};

dv::PrintDialogRunner Accepting(DialogSeen& seen, std::function<void(QPrintDialog&)> userChoice = {}) {
  return [&seen, userChoice](QPrintDialog& dialog) {
    seen.ran = true;
    seen.selectionOffered = dialog.testOption(QAbstractPrintDialog::PrintSelection);
    seen.pageRangeOffered = dialog.testOption(QAbstractPrintDialog::PrintPageRange);
    seen.range = dialog.printRange();
    seen.format = dialog.printer()->outputFormat();
    seen.outputFile = dialog.printer()->outputFileName();
    if (userChoice) userChoice(dialog);
    return int(QDialog::Accepted);
  };
}

QPrinter* PdfPrinter(std::unique_ptr<QPrinter>& holder, const QString& file) {
  holder = std::make_unique<QPrinter>();
  holder->setOutputFormat(QPrinter::PdfFormat);
  holder->setOutputFileName(file);
  return holder.get();
}

// Runs `act` on the real print dialog once it is up, from inside its own event loop.
void WhenPrintDialogShows(std::function<void(QPrintDialog&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QPrintDialog*>(w);
      if (dialog && dialog->isVisible()) {
        poll->stop();
        poll->deleteLater();
        act(*dialog);
        return;
      }
    }
  });
  poll->start();
}

QStringList ChildNames(const QFileSystemModel& model, const QString& folder) {
  QStringList names;
  const QModelIndex parent = model.index(folder);
  for (int row = 0; row < model.rowCount(parent); ++row) names << model.index(row, 0, parent).data().toString();
  names.sort();
  return names;
}

bool MakeFolder(const QString& path) { return QDir().mkpath(path); }
bool MakeFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

// A tree over a real folder the way the working windows build theirs, with the listing of `root` loaded.
struct FolderTree {
  QFileSystemModel model;
  QTreeView view;
  explicit FolderTree(const QString& root, bool watch = true, bool shown = true) {
    // Options must be set before the root path.
    model.setOption(QFileSystemModel::DontWatchForChanges, !watch);
    model.setRootPath(root);
    view.setModel(&model);
    view.setRootIndex(model.index(root));
    view.resize(400, 600);
    if (shown) view.show();
  }
};

}  // namespace

class SharedUiTest : public QObject {
  Q_OBJECT

 private slots:
  // --- The print-font check --------------------------------------------------------------------------------

  void printFontQuestionIsAskedOnceWhenNeitherFontIsInstalled() {
    Session s;
    QStringList probed;
    auto noFonts = [&](const QString& name) { probed << name; return false; };

    QVERIFY(!dv::CheckPrintFont(s.utilities, s.prompter, s.errors, noFonts));
    QCOMPARE(probed, (QStringList{"COURIER NEW", "COURIER"}));
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QCOMPARE(s.prompter.Log()[0].kind, std::string("YesNo"));
    QCOMPARE(s.prompter.Log()[0].title, std::string("Missing Font"));
    QCOMPARE(s.prompter.Log()[0].text,
             std::string("Neither the Courier New or Courier Font is not installed on your computer.  Printing may "
                         "not look line up correctly without the correct font.  Please obtain the Courier New.TTF "
                         "or Courier.TTF font.\r\n\r\nContinue with printing?"));
    QVERIFY(s.utilities.PrintFontChecked);

    // A second print command in the same session neither asks nor looks at the fonts again, and goes on.
    probed.clear();
    QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors, noFonts));
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QVERIFY(probed.isEmpty());
  }

  void yesToTheQuestionGoesOnPrinting() {
    Session s;
    s.prompter.QueueAnswer(dv::Answer::Yes);
    QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors, [](const QString&) { return false; }));
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QVERIFY(s.utilities.PrintFontChecked);
  }

  void courierNewIsLookedForFirstThenCourier() {
    {
      Session s;
      QStringList probed;
      QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors, [&](const QString& name) {
        probed << name;
        return name == "COURIER NEW";
      }));
      QCOMPARE(probed, QStringList{"COURIER NEW"});
      QVERIFY(s.prompter.Log().empty());
      QVERIFY(s.utilities.PrintFontChecked);
    }
    {
      Session s;
      QStringList probed;
      QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors, [&](const QString& name) {
        probed << name;
        return name == "COURIER";
      }));
      QCOMPARE(probed, (QStringList{"COURIER NEW", "COURIER"}));
      QVERIFY(s.prompter.Log().empty());
    }
  }

  void aFailingFontLookupIsReportedThenTheUserDecides() {
    Session s;
    s.prompter.QueueAnswer(dv::Answer::Yes);
    QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors,
                               [](const QString&) -> bool { throw dv::Error(5, "Invalid procedure call"); }));
    QCOMPARE(s.prompter.Log().size(), size_t(2));
    QCOMPARE(s.prompter.Log()[0].kind, std::string("Message"));
    QVERIFY(s.prompter.Log()[0].text.find("MS:10") != std::string::npos);
    QVERIFY(s.prompter.Log()[0].text.find("Invalid procedure call") != std::string::npos);
    QCOMPARE(s.prompter.Log()[1].title, std::string("Missing Font"));
    QVERIFY(s.utilities.PrintFontChecked);
  }

  void aMachineWithLiberationMonoNeedsNoQuestion() {
    if (!QFontDatabase::families().contains("Liberation Mono")) QSKIP("fonts-liberation is not installed");
    if (QFontInfo(QFont("Courier New")).family() != "Liberation Mono")
      QSKIP("fontconfig does not alias Courier New to Liberation Mono here");
    Session s;
    QVERIFY(dv::CheckPrintFont(s.utilities, s.prompter, s.errors));
    QVERIFY(s.prompter.Log().empty());
    QVERIFY(s.utilities.PrintFontChecked);
  }

  // --- Font lookup ----------------------------------------------------------------------------------------

  void anInstalledFixedPitchFamilyIsFound() {
    if (!QFontDatabase::families().contains("Liberation Mono")) QSKIP("fonts-liberation is not installed");
    QVERIFY(dv::FontInstalled("LIBERATION MONO"));
    QVERIFY(dv::FontInstalled("liberation mono"));
    QVERIFY(dv::FontInstalled("  LIBERATION MONO "));
  }

  void unknownNamesAreNotInstalled() {
    QVERIFY(!dv::FontInstalled("NO SUCH FONT ZQXJ"));
    QVERIFY(!dv::FontInstalled("MONO ZQXJ COURIER"));
    QVERIFY(!dv::FontInstalled(""));
    QVERIFY(!dv::FontInstalled("   "));
  }

  void aFamilyInstalledUnderTheNameCountsWhateverItsPitch() {
    const QStringList families = QFontDatabase::families();
    if (!families.contains("DejaVu Sans")) QSKIP("DejaVu Sans is not installed");
    QVERIFY(!QFontDatabase::isFixedPitch("DejaVu Sans"));
    QVERIFY(dv::FontInstalled("DEJAVU SANS"));
  }

  void courierNewCountsWhenTheFontSystemSubstitutesAFixedPitchFace() {
    const QFontInfo courierNew{QFont("Courier New")};
    if (QFontDatabase::families().contains("Courier New")) QSKIP("a real Courier New is installed");
    if (courierNew.family() != "Liberation Mono") QSKIP("Courier New is not substituted by Liberation Mono here");
    QVERIFY(courierNew.fixedPitch());
    QVERIFY(dv::FontInstalled("COURIER NEW"));
  }

  void aProportionalSubstituteDoesNotCount() {
    // fontconfig draws Arial with the metric-compatible Liberation Sans: a face, but not one that lines up columns.
    if (QFontDatabase::families().contains("Arial")) QSKIP("a real Arial is installed");
    const QFontInfo arial{QFont("Arial")};
    if (arial.family() != "Liberation Sans") QSKIP("Arial is not substituted by Liberation Sans here");
    QVERIFY(!arial.fixedPitch());
    QVERIFY(!dv::FontInstalled("ARIAL"));
  }

  // --- Printing -------------------------------------------------------------------------------------------

  void allTextIsPrintedWithoutASelection() {
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(200));
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("all.pdf");
    DialogSeen seen;
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter, Accepting(seen));

    QVERIFY(seen.ran);
    QVERIFY(!seen.selectionOffered);
    QVERIFY(!seen.pageRangeOffered);
    QCOMPARE(seen.range, QAbstractPrintDialog::AllPages);
    QCOMPARE(seen.outputFile, pdf);  // a file already chosen is kept
    const QByteArray bytes = ReadAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY2(PdfPages(bytes) >= 3, qPrintable(QString::number(PdfPages(bytes))));
    QVERIFY(s.prompter.Log().empty());
  }

  void onlyTheSelectionIsPrintedWhenThereIsOne() {
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(200));
    // Near the end, so that a first page printed by mistake would not look the same.
    SelectLines(edit, 190, 193);
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("selection.pdf");
    DialogSeen seen;
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter, Accepting(seen));

    QVERIFY(seen.selectionOffered);
    QVERIFY(!seen.pageRangeOffered);
    QCOMPARE(seen.range, QAbstractPrintDialog::Selection);
    const QByteArray selected = ReadAll(pdf);
    QVERIFY(selected.startsWith("%PDF"));
    QCOMPARE(PdfPages(selected), 1);

    // The same report printed whole is several pages and a bigger file: the selection really was cut out.
    QTextEdit whole;
    whole.setPlainText(LongReport(200));
    const QString allPdf = s.env.Path("whole.pdf");
    DialogSeen seenAll;
    dv::PrintRichText(&whole, *PdfPrinter(holder, allPdf), &whole, s.prompter, Accepting(seenAll));
    QVERIFY(ReadAll(allPdf).size() > selected.size());
    // Printing leaves the user's selection alone, and the user may still choose "All".
    QVERIFY(edit.textCursor().hasSelection());
    const QString chosenAll = s.env.Path("chosen-all.pdf");
    dv::PrintRichText(&edit, *PdfPrinter(holder, chosenAll), &edit, s.prompter,
                      Accepting(seen, [](QPrintDialog& d) { d.setPrintRange(QAbstractPrintDialog::AllPages); }));
    QVERIFY(PdfPages(ReadAll(chosenAll)) >= 3);
    QVERIFY(s.prompter.Log().empty());
  }

  void plainTextControlsPrintTheirSelectionOrAll() {
    Session s;
    QPlainTextEdit edit;
    edit.setPlainText(LongReport(200));
    std::unique_ptr<QPrinter> holder;
    DialogSeen seenAll, seenSelection;
    dv::PrintRichText(&edit, *PdfPrinter(holder, s.env.Path("plain-all.pdf")), &edit, s.prompter,
                      Accepting(seenAll));
    SelectLines(edit, 100, 102);
    dv::PrintRichText(&edit, *PdfPrinter(holder, s.env.Path("plain-sel.pdf")), &edit, s.prompter,
                      Accepting(seenSelection));
    QVERIFY(!seenAll.selectionOffered);
    QVERIFY(seenSelection.selectionOffered);
    QVERIFY(PdfPages(ReadAll(s.env.Path("plain-all.pdf"))) >= 3);
    QCOMPARE(PdfPages(ReadAll(s.env.Path("plain-sel.pdf"))), 1);
    QVERIFY(s.prompter.Log().empty());
  }

  void aSelectionChoiceLeftFromAnEarlierPrintDoesNotEmptyTheNextOne() {
    // The session keeps one printer; a selection printed before must not make a later print of all text blank.
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(200));
    std::unique_ptr<QPrinter> holder;
    QPrinter& printer = *PdfPrinter(holder, s.env.Path("first.pdf"));
    SelectLines(edit, 5, 6);
    DialogSeen first, second;
    dv::PrintRichText(&edit, printer, &edit, s.prompter, Accepting(first));
    QCOMPARE(printer.printRange(), QPrinter::Selection);

    edit.moveCursor(QTextCursor::Start);
    printer.setOutputFileName(s.env.Path("second.pdf"));
    dv::PrintRichText(&edit, printer, &edit, s.prompter, Accepting(second));
    QVERIFY(!second.selectionOffered);
    QCOMPARE(second.range, QAbstractPrintDialog::AllPages);
    QVERIFY(PdfPages(ReadAll(s.env.Path("second.pdf"))) >= 3);
  }

  void cancellingTheRealDialogPrintsAndShowsNothing() {
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(20));
    SelectLines(edit, 2, 3);
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("cancelled.pdf");
    bool selectionOffered = false, pageRangeOffered = true, shown = false;
    WhenPrintDialogShows([&](QPrintDialog& dialog) {
      shown = true;
      selectionOffered = dialog.testOption(QAbstractPrintDialog::PrintSelection);
      pageRangeOffered = dialog.testOption(QAbstractPrintDialog::PrintPageRange);
      dialog.reject();
    });
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter);
    QVERIFY(shown);
    QVERIFY(selectionOffered);
    QVERIFY(!pageRangeOffered);
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(s.prompter.Log().empty());
  }

  void acceptingTheRealDialogPrintsToTheChosenFile() {
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(20));
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("accepted.pdf");
    bool shown = false;
    WhenPrintDialogShows([&](QPrintDialog& dialog) {
      shown = true;
      dialog.accept();
    });
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter);
    QVERIFY(shown);
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    QVERIFY(s.prompter.Log().empty());
  }

  void aCancelRaisedAsAnErrorIsSilentAnyOtherFailureShowsErrorPrinting() {
    Session s;
    QTextEdit edit;
    edit.setPlainText("text");
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("never.pdf");
    auto failing = [](long number, const char* description) {
      return [=](QPrintDialog&) -> int { throw dv::Error(number, description); };
    };
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter, failing(32755, "Cancel was selected."));
    QVERIFY(s.prompter.Log().empty());
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter, failing(482, "Printer error"));
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QCOMPARE(s.prompter.Log()[0].kind, std::string("Message"));
    QCOMPARE(s.prompter.Log()[0].text, std::string("Error Printing Printer error:482"));
    QCOMPARE(s.prompter.Log()[0].title, std::string("Dorvane"));
    QVERIFY(!QFile::exists(pdf));
  }

  void aFileThatCannotBeWrittenShowsErrorPrinting() {
    Session s;
    QTextEdit edit;
    edit.setPlainText("text");
    std::unique_ptr<QPrinter> holder;
    const QString pdf = s.env.Path("missing-folder/out.pdf");
    DialogSeen seen;
    dv::PrintRichText(&edit, *PdfPrinter(holder, pdf), &edit, s.prompter, Accepting(seen));
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QCOMPARE(s.prompter.Log()[0].text, "Error Printing Path not found: " + pdf.toStdString() + ":76");
  }

  void withoutAPrinterTheDialogOffersAPdfInTheHomeFolder() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) QSKIP("this machine has printers");
    Session s;
    QTextEdit edit;
    edit.setPlainText(LongReport(10));
    QPrinter printer;  // the session's printer as the main window makes it: nothing chosen yet
    DialogSeen seen;
    dv::PrintRichText(&edit, printer, &edit, s.prompter, Accepting(seen));

    QPrinter named;
    named.setDocName("Listing");
    DialogSeen seenNamed;
    dv::PrintRichText(&edit, named, &edit, s.prompter, Accepting(seenNamed));

    QCOMPARE(seen.format, QPrinter::PdfFormat);
    QCOMPARE(seen.outputFile, s.env.Home() + "/Dorvane.pdf");
    QVERIFY(ReadAll(s.env.Home() + "/Dorvane.pdf").startsWith("%PDF"));
    QCOMPARE(seenNamed.outputFile, s.env.Home() + "/Listing.pdf");
    QVERIFY(s.prompter.Log().empty());
  }

  void anExistingFolderOrFileBecomesTheCurrentItem() {
    Session s;
    const QString root = s.env.Path("tree");
    QVERIFY(MakeFolder(root + "/a/b"));
    QVERIFY(MakeFolder(root + "/c"));
    QVERIFY(MakeFile(root + "/a/b/file name.txt"));
    FolderTree tree(root);

    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a/b", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a/b");
    QVERIFY(tree.view.isExpanded(tree.model.index(root + "/a")));

    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a/b/file name.txt", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a/b/file name.txt");
    QVERIFY(tree.view.isExpanded(tree.model.index(root + "/a/b")));

    // The way users type paths: a trailing "/" and "..".
    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a/b/../../c/", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/c");
    QVERIFY(s.prompter.Log().empty());
  }

  void aMissingPathLeavesTheCurrentItem() {
    Session s;
    const QString root = s.env.Path("tree");
    QVERIFY(MakeFolder(root + "/a"));
    QVERIFY(QFile::link(root + "/gone", root + "/dangling"));
    FolderTree tree(root);
    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a");

    dv::ShowPathInTree(&tree.view, &tree.model, root + "/no such folder", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a");
    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a/no/deeper", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a");
    dv::ShowPathInTree(&tree.view, &tree.model, root + "/dangling", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a");
    dv::ShowPathInTree(&tree.view, &tree.model, QString(), s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/a");
    QVERIFY(s.prompter.Log().empty());
  }

  void theRefreshRereadsTheShownFoldersEvenWithoutWatchers_data() {
    QTest::addColumn<bool>("shown");
    QTest::newRow("tree on screen") << true;
    // A tree on a tab the user is not looking at is never laid out, so nothing fetches for it but the refresh.
    QTest::newRow("tree hidden") << false;
  }

  void theRefreshRereadsTheShownFoldersEvenWithoutWatchers() {
    QFETCH(bool, shown);
    Session s;
    const QString root = s.env.Path("tree");
    QVERIFY(MakeFolder(root + "/a/b"));
    QVERIFY(MakeFolder(root + "/c"));
    FolderTree tree(root, /*watch=*/false, shown);
    QTRY_COMPARE(ChildNames(tree.model, root), (QStringList{"a", "c"}));
    tree.view.expand(tree.model.index(root + "/a"));
    // A hidden view reads nothing itself; the window would have shown it once.
    if (!shown) tree.model.fetchMore(tree.model.index(root + "/a"));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a"), QStringList{"b"});

    QVERIFY(QDir(root + "/c").removeRecursively());
    QVERIFY(MakeFolder(root + "/a/newer"));
    QVERIFY(MakeFolder(root + "/new"));
    // Without watchers the model would show the old listing for ever: the refresh below is what changes it.
    QTest::qWait(300);
    QCOMPARE(ChildNames(tree.model, root), (QStringList{"a", "c"}));

    dv::ShowPathInTree(&tree.view, &tree.model, root + "/new", s.errors);
    QCOMPARE(dv::CurrentPathInTree(&tree.view, &tree.model), root + "/new");
    QTRY_COMPARE(ChildNames(tree.model, root), (QStringList{"a", "new"}));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a"), (QStringList{"b", "newer"}));
    QCOMPARE(tree.model.rootPath(), root);
    QCOMPARE(tree.view.rootIndex(), tree.model.index(root));
    QVERIFY(s.prompter.Log().empty());
  }

  void theRefreshKeepsWatchingTheShownFolders() {
    Session s;
    const QString root = s.env.Path("tree");
    QVERIFY(MakeFolder(root + "/a/first"));
    QVERIFY(MakeFolder(root + "/a/first/deep"));
    FolderTree tree(root);
    QTRY_COMPARE(ChildNames(tree.model, root), QStringList{"a"});
    tree.view.expand(tree.model.index(root + "/a"));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a"), QStringList{"first"});
    tree.view.expand(tree.model.index(root + "/a/first"));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a/first"), QStringList{"deep"});
    dv::ShowPathInTree(&tree.view, &tree.model, root + "/a", s.errors);
    QTest::qWait(300);

    // Changes after the refresh still arrive by themselves, in the root and in the expanded folders.
    QVERIFY(MakeFolder(root + "/later"));
    QVERIFY(MakeFolder(root + "/a/inside"));
    QVERIFY(MakeFolder(root + "/a/first/deeper"));
    QTRY_COMPARE(ChildNames(tree.model, root), (QStringList{"a", "later"}));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a"), (QStringList{"first", "inside"}));
    QTRY_COMPARE(ChildNames(tree.model, root + "/a/first"), (QStringList{"deep", "deeper"}));
  }

  void aTreeOverAnotherModelIsReportedWithItsLocation() {
    Session s;
    QFileSystemModel shown, other;
    shown.setRootPath(s.env.Path());
    QTreeView view;
    view.setModel(&shown);
    dv::ShowPathInTree(&view, &other, s.env.Path(), s.errors);
    QCOMPARE(s.prompter.Log().size(), size_t(1));
    QVERIFY(s.prompter.Log()[0].text.find("MS:11") != std::string::npos);
    QVERIFY(!view.currentIndex().isValid());
  }
};

QTEST_MAIN(SharedUiTest)
#include "shared_ui_qtest.moc"
