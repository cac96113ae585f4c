#include "shell/shared_ui.h"

#include <memory>

#include <QTextCursor>

#include <QTextDocumentFragment>

#include <QAbstractTextDocumentLayout>

#include <QTextDocument>

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextEdit>
#include <QTreeView>
#include <optional>
#include <string>
#include <utility>

#include "common/error_handler.h"
#include "common/prompter.h"
#include "common/resume_scope.h"
#include "common/shared_utils.h"

namespace dv {

namespace {

// fontconfig lists a family once per foundry when several offer it ("Liberation Mono [1ASC]").
QString WithoutFoundry(const QString& family) {
  const qsizetype bracket = family.indexOf(QStringLiteral(" ["));
  return bracket < 0 ? family : family.left(bracket);
}

bool FamilyInstalled(const QString& upperName) {
  const QStringList families = QFontDatabase::families();
  for (const QString& family : families)
    if (WithoutFoundry(family).toUpper() == upperName) return true;
  return false;
}

// The face the font system would draw a name with that nobody installs: its default, not a substitute.
QString FallbackFamily() {
  return QFontInfo(QFont(QStringLiteral("Dorvane No Such Font 7f3a9c"))).family();
}

}  // namespace

bool FontInstalled(const QString& capitalisedName) {
  try {
    const QString wanted = capitalisedName.trimmed().toUpper();
    if (wanted.isEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    if (FamilyInstalled(wanted)) return true;
    const QFontInfo resolved{QFont(capitalisedName.trimmed())};
    return resolved.fixedPitch() && resolved.family() != FallbackFamily();
  } catch (...) {
    // A font question that cannot be answered means "not installed"; the caller then asks the user.
    return false;
  }
}

bool CheckPrintFont(SharedUtilities& session, Prompter& prompter, ErrorHandler& errors,
                    const FontProbe& fontInstalled) {
  if (session.PrintFontChecked) return true;
  bool goOn = false;
  bool found = false;
  ResumeScope scope(errors.Reporting(mode::MessageAndReport), "MS:10");
  scope.Step([&] {
    found = fontInstalled(QStringLiteral("COURIER NEW")) || fontInstalled(QStringLiteral("COURIER"));
    goOn = found;
  });
  if (!found) scope.Step([&] { goOn = prompter.YesNo(kMissingFontQuestion, kMissingFontTitle); });
  // Set whatever happened above, so that no print command asks twice in a session.
  session.PrintFontChecked = true;
  return goOn;
}

int RunPrintDialog(QPrintDialog& dialog) { return dialog.exec(); }

namespace {

// Without any printer the only place to print to is a file; name one the user can see and change.
void UseFileWhenNoPrinter(QPrinter& printer) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) return;
  printer.setOutputFormat(QPrinter::PdfFormat);
  if (printer.outputFileName().isEmpty()) {
    const QString name = printer.docName().isEmpty() ? QStringLiteral("Dorvane") : printer.docName();
    printer.setOutputFileName(QDir::home().filePath(name + QStringLiteral(".pdf")));
  }
}

Error PrintingFailed(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    const QFileInfo file(printer.outputFileName());
    const long number = file.absoluteDir().exists() ? err::PathFileAccess : err::PathNotFound;
    return Error(number, ErrorText(number) + ": " + file.absoluteFilePath().toStdString());
  }
  return Error(err::DeviceIO, ErrorText(err::DeviceIO) + ": " + printer.printerName().toStdString());
}

// Prints the control's text (its selection when the printer's range says so) laid out for the printer, without
// the page numbers Qt adds to a document that has no page size of its own.
template <class Control>
void PrintDocument(Control& control, QPrinter& printer) {
  std::unique_ptr<QTextDocument> doc;
  QTextCursor cursor = control.textCursor();
  if (printer.printRange() == QPrinter::Selection && cursor.hasSelection()) {
    doc = std::make_unique<QTextDocument>();
    QTextCursor(doc.get()).insertFragment(cursor.selection());
  } else {
    doc.reset(control.document()->clone());
  }
  doc->setDefaultFont(control.font());
  doc->documentLayout()->setPaintDevice(&printer);
  doc->setPageSize(printer.pageLayout().paintRectPixels(printer.resolution()).size());
  // The document printed is already the selection; the printer keeps the user's choice for the next print.
  const QPrinter::PrintRange chosen = printer.printRange();
  printer.setPrintRange(QPrinter::AllPages);
  doc->print(&printer);
  printer.setPrintRange(chosen);
}

}  // namespace

void PrintThroughDialog(bool hasSelection, const PrintBody& print, QPrinter& printer, QWidget* dialogParent,
                        Prompter& prompter, const PrintDialogRunner& runDialog) {
  std::optional<Error> failure;
  try {
    if (!print) throw Error(err::Application, "There is no text to print");
    UseFileWhenNoPrinter(printer);
    // No page numbers; "Selection" offered, and chosen, only when there is one.
    printer.setFromTo(0, 0);
    printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    QPrintDialog dialog(&printer, dialogParent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (runDialog(dialog) != QDialog::Accepted) throw Error(err::DialogCancelled, ErrorText(err::DialogCancelled));
    // Qt prints nothing for a selection range without a selection, and a page range was never offered.
    if (!hasSelection || printer.printRange() != QPrinter::Selection) {
      printer.setPrintRange(QPrinter::AllPages);
      printer.setFromTo(0, 0);
    }
    const bool printed = print(printer, printer.printRange() == QPrinter::Selection);
    if (!printed || printer.printerState() == QPrinter::Error) throw PrintingFailed(printer);
  } catch (...) {
    failure = CurrentError();
  }
  if (!failure || failure->Number() == err::DialogCancelled) return;
  prompter.Message("Error Printing " + failure->Description() + ":" + std::to_string(failure->Number()),
                   kAppTitle);
}

namespace {

template <class Control>
void PrintControl(Control* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                  const PrintDialogRunner& runDialog) {
  PrintBody print;
  if (control)
    print = [control](QPrinter& p, bool) {
      PrintDocument(*control, p);
      return true;
    };
  PrintThroughDialog(control && control->textCursor().hasSelection(), print, printer, dialogParent, prompter,
                     runDialog);
}

// The folders whose listing the user sees and the model has read: the tree's root and every expanded folder.
void CollectShownFolders(const QTreeView& tree, const QFileSystemModel& model, const QModelIndex& parent,
                         QStringList& folders) {
  if (parent.isValid() && !model.canFetchMore(parent)) folders.append(model.filePath(parent));
  const int rows = model.rowCount(parent);
  for (int row = 0; row < rows; ++row) {
    const QModelIndex child = model.index(row, 0, parent);
    if (tree.isExpanded(child)) CollectShownFolders(tree, model, child, folders);
  }
}

// QFileSystemModel has no refresh. It reads a folder again only through fetchMore, and only after the folder
// has been its root path and stopped being it (which also drops the folder's watcher until it is read again).
// So each shown folder takes one turn as root path (being read already, it is not read then), the original
// root path comes back and is read, and the others are fetched again, which watches them again. No folder is
// queued twice: the model skips a folder already waiting in its queue, and would then not watch it again.
void RefreshTree(QTreeView& tree, QFileSystemModel& model) {
  const QString originalRoot = model.rootPath();
  QStringList folders;
  CollectShownFolders(tree, model, tree.rootIndex(), folders);
  folders.removeDuplicates();
  folders.removeAll(originalRoot);
  folders.removeAll(QString());

  model.setRootPath(QString());
  for (const QString& folder : std::as_const(folders)) model.setRootPath(folder);
  // "." is the model's "never set"; the drives ("/" here) stand for it.
  model.setRootPath(originalRoot == QStringLiteral(".") ? QString() : originalRoot);
  for (const QString& folder : std::as_const(folders)) {
    const QModelIndex index = model.index(folder);
    if (index.isValid()) model.fetchMore(index);
  }
}

}  // namespace

void PrintRichText(QTextEdit* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog) {
  PrintControl(control, printer, dialogParent, prompter, runDialog);
}

void PrintRichText(QPlainTextEdit* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog) {
  PrintControl(control, printer, dialogParent, prompter, runDialog);
}

void ShowPathInTree(QTreeView* tree, QFileSystemModel* model, const QString& path, ErrorHandler& errors) {
  ResumeScope scope(errors.Reporting(mode::MessageAndReport), "MS:11");
  // The tree's indexes must be the model's own for the expanded state and the current item to mean anything.
  const bool usable = tree && model && tree->model() == model;
  scope.Step([&] {
    if (!usable) throw Error(err::Application, "The folder tree does not show a file-system model");
    RefreshTree(*tree, *model);
  });
  if (!usable) return;
  scope.Step([&] {
    if (path.isEmpty()) return;
    const QFileInfo item(path);
    if (!item.exists()) return;
    const QModelIndex index = model->index(QDir::cleanPath(item.absoluteFilePath()));
    if (!index.isValid()) return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) tree->expand(parent);
    tree->setCurrentIndex(index);
    tree->scrollTo(index);
  });
}

QString CurrentPathInTree(const QTreeView* tree, const QFileSystemModel* model) {
  if (!tree || !model) return {};
  const QModelIndex current = tree->currentIndex();
  return current.isValid() ? model->filePath(current) : QString();
}

}  // namespace dv
