#pragma once
// The report preview of both working windows (a directory report, an operation's results): a read-only,
// fixed-pitch view of a report file of any size. The file is indexed once (the start of every line) and only the
// lines on screen are read, decoded (UTF-8, one line at a time) and laid out, so a report of a million lines costs
// its index (8 bytes a line), not its text. Selection by mouse and keyboard, copy, a case-insensitive find that
// reads the file in pieces, and printing page by page.
#include <QAbstractScrollArea>
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "platform/unique_fd.h"
#include "shell/shared_ui.h"

class QLabel;
class QLineEdit;
class QPrinter;
class QTextLayout;

namespace dv {

class Prompter;

class ReportPreview : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // A place in the text: a line (from 0) and a column in UTF-16 units of that line as decoded.
  struct Position {
    qint64 line = 0;
    int column = 0;
    friend bool operator==(const Position&, const Position&) = default;
    friend auto operator<=>(const Position&, const Position&) = default;
  };

  explicit ReportPreview(QWidget* parent = nullptr);
  ~ReportPreview() override;

  // Shows the file at `path`, read from an open handle as it is scrolled. The caller loads again after the file
  // changed (the job empties and rewrites the report in place). Throws dv::Error 53 when it cannot be opened;
  // the view is then empty.
  void Load(const QString& path);
  // Shows a text that lives in no file.
  void SetText(const QString& text);
  void Clear();
  // The file shown; empty for a text or nothing.
  QString Path() const { return path_; }

  qint64 LineCount() const { return qint64(starts_.size()) - 1; }
  // Line `i` without its end ("\n" or "\r\n"); empty beyond the end or when the file shrank since Load.
  QString Line(qint64 i) const;
  // All of it, every line end as "\n". For small reports and tests: this builds the whole text.
  QString Text() const;

  bool HasSelection() const { return anchor_ != cursor_; }
  Position Anchor() const { return anchor_; }
  Position Cursor() const { return cursor_; }
  // Selects from `anchor` to `cursor` (either order) and scrolls the cursor into view.
  void SetSelection(Position anchor, Position cursor);
  void SelectAll();
  // The selected text, lines joined by "\n".
  QString SelectedText() const;
  void Copy() const;

  // Looks for `text` (case ignored) from the cursor to the end, then from the start; selects the first match
  // and scrolls to it. False, with the selection left alone, when the text holds no match.
  bool Find(const QString& text);
  // Find again with the text last looked for (or the find box's); opens the find box when there is none.
  bool FindNext();
  // Shows the find box (Ctrl+F) with its text selected.
  void OpenFind();

  // Prints all lines, or only the selection, onto `printer` page by page, long lines wrapped at the page's
  // width. False when the printer could not be started.
  bool Print(QPrinter& printer, bool selectionOnly) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The lines [first, first + count) read in one go, decoded, without their ends.
  std::vector<QString> ReadLines(qint64 first, qint64 count) const;
  qint64 ReadAt(qint64 offset, char* buffer, qint64 size) const;
  void Index();
  void Reset();
  void UpdateScrollBars();
  int LineHeight() const;
  int CharWidth() const;
  int VisibleLines() const;
  // Lays out the part of `text` near the visible columns; returns the column it starts at.
  int LayOut(QTextLayout& layout, const QString& text) const;
  Position PositionAt(const QPoint& viewportPoint) const;
  int ColumnX(qint64 line, int column) const;
  void MoveCursor(Position to, bool keepAnchor);
  void EnsureVisible(Position p, bool center = false);
  void PlaceFindBox();
  Position Clamp(Position p) const;

  QString path_;
  UniqueFd fd_;
  QByteArray text_;              // the bytes shown when no file is
  std::vector<qint64> starts_;   // byte offset of every line, and the end of the last one
  qint64 longestLine_ = 0;       // in bytes: never fewer than its characters
  Position anchor_, cursor_;
  QString findText_;
  QWidget* findBox_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  QLabel* findStatus_ = nullptr;
};

// Prints the preview through the print dialog by the rules of PrintRichText (shell/shared_ui.h): "Selection"
// offered and chosen only when there is one, a cancel silent, any failure as "Error Printing ...".
void PrintRichText(ReportPreview* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog = RunPrintDialog);

}  // namespace dv
