#pragma once
// The shared procedures that need the window system: the check for a fixed-pitch printing font, printing a
// rich-text control through the print dialog, and showing a path in a folder tree. Each takes the services it
// uses; the session-wide flag lives in SharedUtilities.
#include <QString>
#include <functional>

class QFileSystemModel;
class QPlainTextEdit;
class QPrintDialog;
class QPrinter;
class QTextEdit;
class QTreeView;
class QWidget;

namespace dv {

class ErrorHandler;
class Prompter;
class SharedUtilities;

inline constexpr const char* kMissingFontTitle = "Missing Font";
inline constexpr const char* kMissingFontQuestion =
    "Neither the Courier New or Courier Font is not installed on your computer.  Printing may not look line up "
    "correctly without the correct font.  Please obtain the Courier New.TTF or Courier.TTF font.\r\n\r\n"
    "Continue with printing?";

// True when `capitalisedName` (compared regardless of case) is installed: either a family of that name exists,
// or the font system substitutes a fixed-pitch face for the name (fontconfig maps "Courier New" onto the
// metric-compatible Liberation Mono) and that face is not simply what it gives for a name it does not know.
// A proportional substitute (Arial -> Liberation Sans) does not count. Needs a QGuiApplication; false without
// one, and false instead of any failure.
bool FontInstalled(const QString& capitalisedName);

// Decides whether a font name is installed; FontInstalled unless a caller needs another font system.
using FontProbe = std::function<bool(const QString& capitalisedName)>;

// True (go on printing) when "COURIER NEW" or else "COURIER" is installed, or when the user answers Yes to the
// "Missing Font" question. Asked at most once a session: once session.PrintFontChecked is set, true at once.
// Failures go to `errors` with "MS:10" and mode 18.
bool CheckPrintFont(SharedUtilities& session, Prompter& prompter, ErrorHandler& errors,
                    const FontProbe& fontInstalled = FontInstalled);

// Shows the print dialog modally; answers QDialog::Accepted or QDialog::Rejected. May throw.
using PrintDialogRunner = std::function<int(QPrintDialog& dialog)>;
int RunPrintDialog(QPrintDialog& dialog);

// The dialog part of printing any control: shows the print dialog for `printer` (the session's printer, so the
// user's choices stay for the next print), without page numbers, with "Selection" offered and chosen only when
// `hasSelection`; then runs `print` with whether only the selection is wanted (it answers false when the printer
// could not be started). With no printer installed the printer is set to a PDF file (<home>/<document name or
// "Dorvane">.pdf unless it already names one). A cancelled dialog ends silently; any other failure (an empty
// `print` included) shows "Error Printing " + description + ":" + number through `prompter`.
using PrintBody = std::function<bool(QPrinter& printer, bool selectionOnly)>;
void PrintThroughDialog(bool hasSelection, const PrintBody& print, QPrinter& printer, QWidget* dialogParent,
                        Prompter& prompter, const PrintDialogRunner& runDialog = RunPrintDialog);

// Shows the print dialog for `printer` (the session's printer, so the user's choices stay for the next print),
// without page numbers, with "Selection" offered and chosen when the control has a selection; then prints the
// selection, or all of the text when there is none or the user chose "All". With no printer installed the
// printer is set to a PDF file (<home>/<document name or "Dorvane">.pdf unless it already names one), which the
// dialog shows. A cancelled dialog ends silently; any other failure, of the dialog or of the printing, shows
// "Error Printing " + description + ":" + number through `prompter`.
void PrintRichText(QTextEdit* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog = RunPrintDialog);
void PrintRichText(QPlainTextEdit* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog = RunPrintDialog);

// Refreshes the folder tree (re-reads the folder at the model's root path, the folder at the tree's root and
// every folder expanded in the tree), then, when `path` exists as a folder or a file, makes it the tree's
// current item and scrolls to it, expanding its parents. A missing path (a dangling link among them) or one the
// model cannot show leaves the current item as it was. `tree` must show `model` itself, not a proxy of it.
// Failures go to `errors` with "MS:11" and mode 18.
void ShowPathInTree(QTreeView* tree, QFileSystemModel* model, const QString& path, ErrorHandler& errors);

// The path of the tree's current item; empty when there is none.
QString CurrentPathInTree(const QTreeView* tree, const QFileSystemModel* model);

}  // namespace dv
