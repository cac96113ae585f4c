#include "shell/report_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/error.h"

namespace dv {

namespace {

constexpr qint64 kIndexChunk = 4 << 20;   // bytes read at a time while indexing
constexpr qint64 kFindChunk = 1 << 20;    // bytes decoded and searched at a time
constexpr qint64 kPrintBlock = 2000;      // lines read at a time while printing
constexpr int kMargin = 4;                // pixels left of the text
// Lines longer than this are laid out only around the visible columns: shaping a line of a million characters
// at every paint would stall the window.
constexpr int kWholeLineLimit = 4096;

QString DecodeLine(const char* begin, const char* end) {
  if (end > begin && end[-1] == '\n') --end;
  if (end > begin && end[-1] == '\r') --end;
  return QString::fromUtf8(begin, end - begin);
}

}  // namespace

ReportPreview::ReportPreview(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  findBox_ = new QFrame(this);
  findBox_->setObjectName("fraFind");
  static_cast<QFrame*>(findBox_)->setFrameShape(QFrame::StyledPanel);
  findBox_->setAutoFillBackground(true);
  auto* row = new QHBoxLayout(findBox_);
  row->setContentsMargins(4, 2, 4, 2);
  row->addWidget(new QLabel("Find:"));
  findEdit_ = new QLineEdit;
  findEdit_->setObjectName("txtFind");
  findEdit_->setMinimumWidth(160);
  findEdit_->installEventFilter(this);
  row->addWidget(findEdit_);
  findStatus_ = new QLabel;
  findStatus_->setObjectName("lblFindStatus");
  row->addWidget(findStatus_);
  findBox_->hide();
  connect(findEdit_, &QLineEdit::returnPressed, this, [this] {
    findText_ = findEdit_->text();
    FindNext();
  });
  Reset();
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::Reset() {
  starts_.assign(1, 0);
  longestLine_ = 0;
  anchor_ = cursor_ = Position{};
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
}

void ReportPreview::Clear() {
  path_.clear();
  fd_.Reset();
  text_.clear();
  Reset();
  UpdateScrollBars();
  viewport()->update();
}

void ReportPreview::Load(const QString& path) {
  Clear();
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(53, "File not found");
  fd_.Reset(fd);
  path_ = path;
  Index();
  UpdateScrollBars();
  viewport()->update();
}

void ReportPreview::SetText(const QString& text) {
  Clear();
  text_ = text.toUtf8();
  Index();
  UpdateScrollBars();
  viewport()->update();
}

qint64 ReportPreview::ReadAt(qint64 offset, char* buffer, qint64 size) const {
  if (!fd_.Valid()) {
    const qint64 n = std::clamp<qint64>(text_.size() - offset, 0, size);
    if (n > 0) std::memcpy(buffer, text_.constData() + offset, size_t(n));
    return n;
  }
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_.Get(), buffer + done, size_t(size - done), off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank (a job is rewriting it) or cannot be read: what is there is shown
    done += n;
  }
  return done;
}

void ReportPreview::Index() {
  std::vector<char> buffer(size_t(fd_.Valid() ? kIndexChunk : 0));
  qint64 offset = 0, lineStart = 0;
  for (;;) {
    const char* bytes;
    qint64 n;
    if (fd_.Valid()) {
      n = ReadAt(offset, buffer.data(), kIndexChunk);
      bytes = buffer.data();
    } else {
      n = text_.size() - offset;
      bytes = text_.constData() + offset;
    }
    if (n <= 0) break;
    for (const char* p = bytes; (p = static_cast<const char*>(std::memchr(p, '\n', size_t(bytes + n - p))));) {
      ++p;
      const qint64 next = offset + (p - bytes);
      longestLine_ = std::max(longestLine_, next - lineStart);
      starts_.push_back(next);
      lineStart = next;
    }
    offset += n;
  }
  if (offset > lineStart) {  // a last line without its end
    longestLine_ = std::max(longestLine_, offset - lineStart);
    starts_.push_back(offset);
  }
  starts_.shrink_to_fit();
}

std::vector<QString> ReportPreview::ReadLines(qint64 first, qint64 count) const {
  std::vector<QString> lines;
  first = std::clamp<qint64>(first, 0, LineCount());
  count = std::clamp<qint64>(count, 0, LineCount() - first);
  if (count == 0) return lines;
  const qint64 begin = starts_[size_t(first)], end = starts_[size_t(first + count)];
  QByteArray bytes(end - begin, '\0');
  bytes.truncate(ReadAt(begin, bytes.data(), bytes.size()));
  lines.reserve(size_t(count));
  for (qint64 i = first; i < first + count; ++i) {
    const qint64 from = starts_[size_t(i)] - begin, to = std::min<qint64>(starts_[size_t(i) + 1] - begin, bytes.size());
    lines.push_back(from < to ? DecodeLine(bytes.constData() + from, bytes.constData() + to) : QString());
  }
  return lines;
}

QString ReportPreview::Line(qint64 i) const {
  std::vector<QString> one = ReadLines(i, 1);
  return one.empty() ? QString() : one.front();
}

QString ReportPreview::Text() const {
  QString all;
  const std::vector<QString> lines = ReadLines(0, LineCount());
  for (const QString& line : lines) all += line + QLatin1Char('\n');
  // The last line keeps its end only when the file has one.
  char last = 0;
  if (!lines.empty() && ReadAt(starts_.back() - 1, &last, 1) == 1 && last != '\n') all.chop(1);
  return all;
}

// --- Geometry ---

int ReportPreview::LineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }
int ReportPreview::CharWidth() const { return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M'))); }
int ReportPreview::VisibleLines() const { return std::max(1, viewport()->height() / LineHeight()); }

void ReportPreview::UpdateScrollBars() {
  const qint64 visible = VisibleLines();
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, int(std::clamp<qint64>(LineCount() - visible, 0, INT32_MAX)));
  v->setPageStep(int(visible));
  v->setSingleStep(1);
  QScrollBar* h = horizontalScrollBar();
  const qint64 width = std::min<qint64>(longestLine_ * CharWidth() + 2 * kMargin, INT32_MAX);
  h->setRange(0, int(std::max<qint64>(0, width - viewport()->width())));
  h->setPageStep(viewport()->width());
  h->setSingleStep(CharWidth());
}

int ReportPreview::LayOut(QTextLayout& layout, const QString& text) const {
  int from = 0;
  QString shown = text;
  if (text.size() > kWholeLineLimit) {
    const int columns = viewport()->width() / CharWidth() + 2;
    from = std::clamp(horizontalScrollBar()->value() / CharWidth() - columns, 0, int(text.size()));
    if (from > 0 && text[from].isLowSurrogate()) --from;
    shown = text.mid(from, 3 * columns);
  }
  layout.setText(shown);
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e9);
  layout.endLayout();
  return from;
}

int ReportPreview::ColumnX(qint64 line, int column) const {
  QTextLayout layout;
  const int from = LayOut(layout, Line(line));
  const QTextLine l = layout.lineAt(0);
  const int inLayout = std::clamp(column - from, 0, int(layout.text().size()));
  return kMargin + from * CharWidth() + (l.isValid() ? int(l.cursorToX(inLayout)) : 0);
}

ReportPreview::Position ReportPreview::Clamp(Position p) const {
  const qint64 lines = LineCount();
  if (lines == 0) return {};
  p.line = std::clamp<qint64>(p.line, 0, lines - 1);
  p.column = std::clamp(p.column, 0, int(Line(p.line).size()));
  return p;
}

ReportPreview::Position ReportPreview::PositionAt(const QPoint& point) const {
  if (LineCount() == 0) return {};
  Position p;
  p.line = std::clamp<qint64>(verticalScrollBar()->value() + point.y() / LineHeight(), 0, LineCount() - 1);
  if (point.y() < 0) p.line = std::max<qint64>(0, verticalScrollBar()->value() - 1);
  QTextLayout layout;
  const int from = LayOut(layout, Line(p.line));
  const QTextLine l = layout.lineAt(0);
  const qreal x = point.x() + horizontalScrollBar()->value() - kMargin - from * CharWidth();
  p.column = from + (l.isValid() ? l.xToCursor(std::max<qreal>(0, x)) : 0);
  return p;
}

void ReportPreview::EnsureVisible(Position p, bool center) {
  QScrollBar* v = verticalScrollBar();
  const qint64 visible = VisibleLines();
  if (p.line < v->value() || p.line >= v->value() + visible)
    v->setValue(int(std::clamp<qint64>(center ? p.line - visible / 2 : p.line < v->value() ? p.line : p.line - visible + 1,
                                       0, INT32_MAX)));
  QScrollBar* h = horizontalScrollBar();
  const int x = ColumnX(p.line, p.column);
  const int width = viewport()->width();
  if (x < h->value() + kMargin) h->setValue(std::max(0, x - (center ? width / 2 : kMargin)));
  else if (x > h->value() + width - CharWidth()) {
    if (x > h->maximum() + width) h->setMaximum(x);  // a line wider than its bytes suggested
    h->setValue(center ? x - width / 2 : x - width + CharWidth());
  }
}

// --- Painting and events ---

void ReportPreview::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const qint64 first = verticalScrollBar()->value();
  const int height = LineHeight();
  const std::vector<QString> lines = ReadLines(first, VisibleLines() + 1);
  const Position begin = std::min(anchor_, cursor_), end = std::max(anchor_, cursor_);
  const QPalette& pal = palette();
  QTextLayout::FormatRange selected;
  selected.format.setBackground(pal.brush(QPalette::Highlight));
  selected.format.setForeground(pal.brush(QPalette::HighlightedText));
  painter.setPen(pal.color(QPalette::Text));
  for (size_t i = 0; i < lines.size(); ++i) {
    const qint64 line = first + qint64(i);
    QTextLayout layout;
    const int from = LayOut(layout, lines[i]);
    const QPointF at(kMargin + from * CharWidth() - horizontalScrollBar()->value(), qreal(i) * height);
    QList<QTextLayout::FormatRange> ranges;
    if (HasSelection() && line >= begin.line && line <= end.line) {
      const int a = line == begin.line ? begin.column - from : 0;
      const int b = line == end.line ? end.column - from : int(layout.text().size()) + 1;
      selected.start = std::max(0, a);
      selected.length = std::max(0, b - selected.start);
      if (selected.length > 0) ranges.append(selected);
      // A selected line end shows as one selected blank, as in other text views.
      if (line != end.line && layout.text().isEmpty())
        painter.fillRect(QRectF(at, QSizeF(CharWidth() / 2.0, height)), pal.brush(QPalette::Highlight));
    }
    layout.draw(&painter, at, ranges);
    if (line == cursor_.line && hasFocus())
      layout.drawCursor(&painter, at, std::clamp(cursor_.column - from, 0, int(layout.text().size())));
  }
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  PlaceFindBox();
}

void ReportPreview::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateScrollBars();
    viewport()->update();
  }
}

void ReportPreview::scrollContentsBy(int, int) { viewport()->update(); }

void ReportPreview::MoveCursor(Position to, bool keepAnchor) {
  cursor_ = Clamp(to);
  if (!keepAnchor) anchor_ = cursor_;
  EnsureVisible(cursor_);
  viewport()->update();
}

void ReportPreview::SetSelection(Position anchor, Position cursor) {
  anchor_ = Clamp(anchor);
  MoveCursor(cursor, true);
}

void ReportPreview::SelectAll() {
  if (LineCount() == 0) return;
  anchor_ = {};
  const qint64 last = LineCount() - 1;
  cursor_ = Position{last, int(Line(last).size())};
  viewport()->update();
}

QString ReportPreview::SelectedText() const {
  if (!HasSelection()) return {};
  const Position begin = std::min(anchor_, cursor_), end = std::max(anchor_, cursor_);
  const std::vector<QString> lines = ReadLines(begin.line, end.line - begin.line + 1);
  QString out;
  for (size_t i = 0; i < lines.size(); ++i) {
    const qint64 line = begin.line + qint64(i);
    const int from = line == begin.line ? begin.column : 0;
    const int to = line == end.line ? end.column : int(lines[i].size());
    out += lines[i].mid(from, std::max(0, to - from));
    if (line != end.line) out += QLatin1Char('\n');
  }
  return out;
}

void ReportPreview::Copy() const {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return Copy();
  if (event->matches(QKeySequence::SelectAll)) return SelectAll();
  if (event->matches(QKeySequence::Find)) return OpenFind();
  if (event->matches(QKeySequence::FindNext) || event->key() == Qt::Key_F3) {
    FindNext();
    return;
  }
  if (event->key() == Qt::Key_Escape && findBox_->isVisible()) {
    findBox_->hide();
    return;
  }
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  Position p = cursor_;
  const qint64 page = std::max(1, VisibleLines() - 1);
  switch (event->key()) {
    case Qt::Key_Up: p.line -= 1; break;
    case Qt::Key_Down: p.line += 1; break;
    case Qt::Key_PageUp:
      p.line -= page;
      verticalScrollBar()->setValue(verticalScrollBar()->value() - int(page));
      break;
    case Qt::Key_PageDown:
      p.line += page;
      verticalScrollBar()->setValue(verticalScrollBar()->value() + int(page));
      break;
    case Qt::Key_Home:
      if (ctrl) p.line = 0;
      p.column = 0;
      break;
    case Qt::Key_End:
      if (ctrl) p.line = LineCount() - 1;
      p.column = INT32_MAX;
      break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const QString text = Line(p.line);
      const bool left = event->key() == Qt::Key_Left;
      p.column = std::min(p.column, int(text.size()));
      if (left && p.column == 0 && p.line > 0) {
        p.line -= 1;
        p.column = INT32_MAX;
      } else if (!left && p.column == text.size() && p.line + 1 < LineCount()) {
        p.line += 1;
        p.column = 0;
      } else {
        p.column += left ? -1 : 1;
        // Never between the halves of a character outside the basic plane.
        if (p.column > 0 && p.column < text.size() && text[p.column].isLowSurrogate()) p.column += left ? -1 : 1;
      }
      break;
    }
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  MoveCursor(p, shift);
}

void ReportPreview::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  MoveCursor(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void ReportPreview::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) MoveCursor(PositionAt(event->position().toPoint()), true);
}

void ReportPreview::mouseReleaseEvent(QMouseEvent* event) { event->setAccepted(event->button() == Qt::LeftButton); }

void ReportPreview::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The word under the pointer: letters, digits and the marks of file names.
  const Position at = PositionAt(event->position().toPoint());
  const QString text = Line(at.line);
  auto inWord = [&](int i) { return i >= 0 && i < text.size() && !text[i].isSpace(); };
  int from = at.column, to = at.column;
  while (inWord(from - 1)) --from;
  while (inWord(to)) ++to;
  SetSelection(Position{at.line, from}, Position{at.line, to});
}

void ReportPreview::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction("Copy", this, [this] { Copy(); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(HasSelection());
  menu.addAction("Select All", this, [this] { SelectAll(); })->setShortcut(QKeySequence::SelectAll);
  menu.addSeparator();
  menu.addAction("Find...", this, [this] { OpenFind(); })->setShortcut(QKeySequence::Find);
  menu.exec(event->globalPos());
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == findEdit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      findBox_->hide();
      setFocus(Qt::OtherFocusReason);
      return true;
    }
    if (key->key() == Qt::Key_F3 || key->matches(QKeySequence::FindNext)) {
      findText_ = findEdit_->text();
      FindNext();
      return true;
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

// --- Find ---

void ReportPreview::PlaceFindBox() {
  findBox_->adjustSize();
  const QRect area = viewport()->geometry();
  findBox_->move(std::max(area.left(), area.right() - findBox_->width()), area.top());
}

void ReportPreview::OpenFind() {
  if (!findText_.isEmpty() && findEdit_->text().isEmpty()) findEdit_->setText(findText_);
  if (HasSelection() && anchor_.line == cursor_.line) findEdit_->setText(SelectedText());
  findStatus_->clear();
  PlaceFindBox();
  findBox_->show();
  findBox_->raise();
  findEdit_->setFocus(Qt::ShortcutFocusReason);
  findEdit_->selectAll();
}

bool ReportPreview::FindNext() {
  if (findText_.isEmpty()) findText_ = findEdit_->text();
  if (findText_.isEmpty()) {
    OpenFind();
    return false;
  }
  return Find(findText_);
}

bool ReportPreview::Find(const QString& text) {
  findText_ = text;
  if (text.isEmpty() || LineCount() == 0) return false;
  const Position start = std::max(anchor_, cursor_);
  // Lines [from, to) searched a chunk of lines at a time; matches before `after` on its line are skipped.
  auto search = [&](qint64 from, qint64 to, Position after) -> std::optional<Position> {
    while (from < to) {
      qint64 end = from + 1;
      while (end < to && starts_[size_t(end) + 1] - starts_[size_t(from)] <= kFindChunk) ++end;
      QByteArray bytes(starts_[size_t(end)] - starts_[size_t(from)], '\0');
      bytes.truncate(ReadAt(starts_[size_t(from)], bytes.data(), bytes.size()));
      // A chunk holds whole lines, so it decodes as its lines do one by one.
      const QString chunk = QString::fromUtf8(bytes);
      qint64 line = from;
      qsizetype lineStart = 0, pos = 0;
      while ((pos = chunk.indexOf(text, pos, Qt::CaseInsensitive)) >= 0) {
        for (qsizetype nl; (nl = chunk.indexOf(QLatin1Char('\n'), lineStart)) >= 0 && nl < pos; lineStart = nl + 1) ++line;
        const Position found{line, int(pos - lineStart)};
        if (found >= after) return found;
        ++pos;
      }
      from = end;
    }
    return std::nullopt;
  };
  std::optional<Position> found = search(start.line, LineCount(), start);
  if (!found) found = search(0, start.line + 1, Position{});
  if (findStatus_) findStatus_->setText(found ? QString() : QStringLiteral("Not found"));
  if (!found) return false;
  anchor_ = *found;
  cursor_ = Position{found->line, found->column + int(text.size())};
  EnsureVisible(cursor_, true);
  EnsureVisible(anchor_);
  viewport()->update();
  return true;
}

// --- Printing ---

bool ReportPreview::Print(QPrinter& printer, bool selectionOnly) const {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
  const QFont font(this->font(), &printer);
  const qreal blankHeight = QFontMetricsF(font, &printer).lineSpacing();
  Position begin{0, 0}, end{LineCount() - 1, INT32_MAX};
  if (selectionOnly && HasSelection()) {
    begin = std::min(anchor_, cursor_);
    end = std::max(anchor_, cursor_);
  }
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  qreal y = 0;
  painter.setPen(Qt::black);
  for (qint64 block = begin.line; block <= end.line; block += kPrintBlock) {
    const std::vector<QString> lines = ReadLines(block, std::min(kPrintBlock, end.line - block + 1));
    for (size_t i = 0; i < lines.size(); ++i) {
      const qint64 line = block + qint64(i);
      const int from = line == begin.line ? begin.column : 0;
      const int to = line == end.line ? std::min(end.column, int(lines[i].size())) : int(lines[i].size());
      const QString text = lines[i].mid(from, std::max(0, to - from));
      QTextLayout layout(text, font, &printer);
      layout.setTextOption(option);
      layout.beginLayout();
      for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) l.setLineWidth(page.width());
      layout.endLayout();
      if (layout.lineCount() == 0 || text.isEmpty()) {
        y += blankHeight;
        continue;
      }
      for (int n = 0; n < layout.lineCount(); ++n) {
        const QTextLine l = layout.lineAt(n);
        if (y > 0 && y + l.height() > page.height()) {
          if (!printer.newPage()) return false;
          y = 0;
        }
        l.draw(&painter, QPointF(0, y - l.y()));
        y += l.height();
      }
    }
  }
  return painter.end();
}

void PrintRichText(ReportPreview* control, QPrinter& printer, QWidget* dialogParent, Prompter& prompter,
                   const PrintDialogRunner& runDialog) {
  PrintBody print;
  if (control) print = [control](QPrinter& p, bool selectionOnly) { return control->Print(p, selectionOnly); };
  PrintThroughDialog(control && control->HasSelection(), print, printer, dialogParent, prompter, runDialog);
}

}  // namespace dv
