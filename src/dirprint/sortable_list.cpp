#include "dirprint/sortable_list.h"

#include "common/text_rules.h"

#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <numeric>

#include "common/error_handler.h"
#include "common/resume_scope.h"
#include "scan/report_writer.h"
#include "shell/frm_please_wait.h"

namespace dv {

namespace {

constexpr int64_t kNoKey = std::numeric_limits<int64_t>::min();  // not a number or not a date: sorts first
constexpr long kIndexOutOfBounds = 35600;

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int64_t SizeKey(std::string_view field) {
  field = Trimmed(field);
  if (!AllDigits(field) || field.size() > 18) return kNoKey;
  int64_t v = 0;
  for (char c : field) v = v * 10 + (c - '0');
  return v;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool ValidDay(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + (m == 2 && LeapYear(y));
}

// Reads the date part of a field: "MM-DD-YY" (the report's form), "M/D/YYYY" with an optional time after a
// blank, or "YYYY-MM-DD". Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999. Returns yyyymmdd or kNoKey.
int64_t DateKey(std::string_view field) {
  field = Trimmed(field);
  if (size_t blank = field.find(' '); blank != std::string_view::npos) {
    // A time may follow; it has to look like one, else the text is not a date.
    std::string_view time = field.substr(blank + 1);
    if (time.empty() || time.find(':') == std::string_view::npos) return kNoKey;
    field = field.substr(0, blank);
  }
  int parts[3] = {0, 0, 0};
  size_t lengths[3] = {0, 0, 0};
  int n = 0;
  char separator = 0;
  for (char c : field) {
    if (c >= '0' && c <= '9') {
      if (lengths[n] == 4) return kNoKey;
      parts[n] = parts[n] * 10 + (c - '0');
      ++lengths[n];
    } else if ((c == '-' || c == '/') && n < 2 && lengths[n] > 0 && (separator == 0 || separator == c)) {
      separator = c;
      ++n;
    } else {
      return kNoKey;
    }
  }
  if (n != 2 || lengths[2] == 0) return kNoKey;
  int y, m, d;
  if (lengths[0] == 4) {
    y = parts[0], m = parts[1], d = parts[2];
    if (lengths[1] > 2 || lengths[2] > 2) return kNoKey;
  } else {
    if (lengths[0] > 2 || lengths[1] > 2 || lengths[2] == 3) return kNoKey;
    m = parts[0], d = parts[1], y = parts[2];
    if (lengths[2] <= 2) y = FullYear(y);
  }
  if (!ValidDay(y, m, d)) return kNoKey;
  return int64_t(y) * 10000 + m * 100 + d;
}

std::string ShownUtf8(SortableKind kind, std::string_view field, int64_t& key) {
  key = kNoKey;
  if (kind == SortableKind::Size) {
    key = SizeKey(field);
    const size_t length = Utf8Length(field);
    // Right-aligned in ten characters, so that the text sorts like the number it is.
    if (length < 10) return std::string(10 - length, ' ') + std::string(field);
  } else if (kind == SortableKind::Date) {
    key = DateKey(field);
    if (key != kNoKey) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", int(key / 10000), int(key / 100 % 100), int(key % 100));
      return buffer;
    }
  }
  return std::string(field);
}

std::string_view NextField(std::string_view& line, bool& more) {
  const size_t comma = line.find(',');
  std::string_view field = line.substr(0, comma);
  more = comma != std::string_view::npos;
  line = more ? line.substr(comma + 1) : std::string_view();
  return field;
}

}  // namespace

SortableKind SortableKindOf(const QString& header) {
  const QString first = header.left(4);
  if (first == QLatin1String("Size")) return SortableKind::Size;
  if (first == QLatin1String("Modi") || first == QLatin1String("Crea") || first == QLatin1String("Acce"))
    return SortableKind::Date;
  return SortableKind::Plain;
}

QString SortableShownText(SortableKind kind, const QString& field) {
  int64_t key;
  return QString::fromStdString(ShownUtf8(kind, field.toStdString(), key));
}

SortableListModel::SortableListModel(QObject* parent) : QAbstractTableModel(parent) {}

void SortableListModel::Clear() {
  beginResetModel();
  headers_.clear();
  widths_.clear();
  kinds_.clear();
  text_.clear();
  cellEnd_.clear();
  keys_.clear();
  longest_.clear();
  order_.clear();
  sortColumn_ = -1;
  sortOrder_ = Qt::AscendingOrder;
  endResetModel();
}

void SortableListModel::AddColumn(const QString& header, int widthTwips) {
  // Rows keep a fixed number of cells, so columns are only added while the list is empty.
  if (!order_.empty()) throw Error(err::Application, "Columns can only be added to an empty list");
  const int column = static_cast<int>(headers_.size());
  beginInsertColumns({}, column, column);
  headers_ << header;
  widths_.push_back(widthTwips);
  kinds_.push_back(SortableKindOf(header));
  keys_.emplace_back();
  longest_.emplace_back();
  endInsertColumns();
}

void SortableListModel::Store(const std::vector<std::string_view>& fields, int& dropped) {
  const size_t columns = headers_.size();
  const size_t textMark = text_.size(), cellMark = cellEnd_.size();
  try {
    for (size_t j = 0; j < columns; ++j) {
      int64_t key = kNoKey;
      if (j < fields.size()) text_ += ShownUtf8(kinds_[j], fields[j], key);
      if (kinds_[j] != SortableKind::Plain) keys_[j].push_back(key);
      if (text_.size() > std::numeric_limits<uint32_t>::max()) throw Error(err::OutOfMemory, "Out of memory");
      cellEnd_.push_back(static_cast<uint32_t>(text_.size()));
    }
  } catch (...) {
    // A row that cannot be stored whole leaves nothing behind, so the cells of every row stay in step.
    text_.resize(textMark);
    cellEnd_.resize(cellMark);
    for (size_t j = 0; j < columns; ++j)
      if (kinds_[j] != SortableKind::Plain) keys_[j].resize(cellMark / columns);
    throw;
  }
  for (size_t j = 0; j < columns; ++j) {
    if (kinds_[j] == SortableKind::Plain) continue;
    const std::string_view cell = Cell(int(cellMark / columns), int(j));
    if (Utf8Length(cell) > Utf8Length(longest_[j])) longest_[j] = std::string(cell);
  }
  if (fields.size() > columns) dropped += int(fields.size() - columns);
}

void SortableListModel::ShowStored() {
  const size_t stored = headers_.isEmpty() ? 0 : cellEnd_.size() / size_t(headers_.size());
  if (stored <= order_.size()) return;
  beginInsertRows({}, int(order_.size()), int(stored) - 1);
  for (size_t r = order_.size(); r < stored; ++r) order_.push_back(int(r));
  endInsertRows();
}

int SortableListModel::AppendRow(const QStringList& fields) {
  std::vector<std::string> utf8;
  for (const QString& f : fields) utf8.push_back(f.toStdString());
  const std::vector<std::string_view> views(utf8.begin(), utf8.end());
  if (headers_.isEmpty()) return 0;
  int dropped = 0;
  Store(views, dropped);
  ShowStored();
  return dropped;
}

int SortableListModel::AppendReportLines(const std::vector<std::string_view>& lines) {
  if (lines.empty() || headers_.isEmpty()) return 0;
  int dropped = 0;
  std::vector<std::string_view> fields;
  try {
    for (std::string_view line : lines) {
      fields.clear();
      bool more = true;
      while (more) fields.push_back(NextField(line, more));
      Store(fields, dropped);
    }
  } catch (...) {
    ShowStored();  // the rows stored before the failure are kept
    throw;
  }
  ShowStored();
  return dropped;
}

std::string_view SortableListModel::Cell(int storedRow, int column) const {
  const size_t i = size_t(storedRow) * headers_.size() + size_t(column);
  const uint32_t begin = i == 0 ? 0 : cellEnd_[i - 1];
  return std::string_view(text_).substr(begin, cellEnd_[i] - begin);
}

QString SortableListModel::Text(int row, int column) const {
  const std::string_view cell = Cell(order_.at(size_t(row)), column);
  return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
}

QString SortableListModel::LongestText(int column) const {
  return QString::fromStdString(longest_.at(size_t(column)));
}

int SortableListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int SortableListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant SortableListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return Text(index.row(), index.column());
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter |
                               (kinds_[size_t(index.column())] == SortableKind::Size ? Qt::AlignRight : Qt::AlignLeft));
  return {};
}

QVariant SortableListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size()) return {};
  if (role == Qt::DisplayRole) return headers_[section];
  return {};
}

void SortableListModel::ColumnClick(int column) {
  if (column < 0 || column >= columnCount()) return;
  if (column == sortColumn_)
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  else
    sortColumn_ = column, sortOrder_ = Qt::AscendingOrder;
  sorted_ = true;
  sort(sortColumn_, sortOrder_);
}

void SortableListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  sortColumn_ = column;
  sortOrder_ = order;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList persistent = persistentIndexList();
  std::vector<int> storedOfPersistent;
  storedOfPersistent.reserve(size_t(persistent.size()));
  for (const QModelIndex& i : persistent) storedOfPersistent.push_back(order_[size_t(i.row())]);

  // From the report's order, so that equal values always come in that order, whatever was sorted before.
  std::iota(order_.begin(), order_.end(), 0);
  const bool descending = order == Qt::DescendingOrder;
  if (kinds_[size_t(column)] != SortableKind::Plain) {
    const std::vector<int64_t>& key = keys_[size_t(column)];
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return descending ? key[size_t(b)] < key[size_t(a)] : key[size_t(a)] < key[size_t(b)]; });
  } else {
    // Folded once per row, not once per comparison.
    std::vector<QString> folded(order_.size());
    for (size_t r = 0; r < folded.size(); ++r) {
      const std::string_view cell = Cell(int(r), column);
      folded[r] = QString::fromUtf8(cell.data(), qsizetype(cell.size())).toCaseFolded();
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
      return descending ? folded[size_t(b)] < folded[size_t(a)] : folded[size_t(a)] < folded[size_t(b)];
    });
  }

  std::vector<int> shownOfStored(order_.size());
  for (size_t r = 0; r < order_.size(); ++r) shownOfStored[size_t(order_[r])] = int(r);
  QModelIndexList moved;
  moved.reserve(persistent.size());
  for (qsizetype i = 0; i < persistent.size(); ++i)
    moved << index(shownOfStored[size_t(storedOfPersistent[size_t(i)])], persistent[i].column());
  changePersistentIndexList(persistent, moved);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TwipsToPixels(const QWidget* widget, int twips) {
  const int dpi = widget ? widget->logicalDpiX() : 96;
  return (twips * dpi + 720) / 1440;
}

void AttachSortableList(QTableView* view, SortableListModel* model) {
  if (view->model() == model) return;
  view->setModel(model);
  view->setSortingEnabled(false);  // header clicks follow the list's own rule, below
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setShowGrid(false);
  view->verticalHeader()->hide();
  // Fixed row heights: the view never measures rows, which keeps 200,000 rows quick.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
  QHeaderView* header = view->horizontalHeader();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setStretchLastSection(true);
  QObject::connect(header, &QHeaderView::sectionClicked, model, [view, model](int section) {
    model->ColumnClick(section);
    view->horizontalHeader()->setSortIndicator(model->SortColumn(), model->SortOrder());
  });
  QObject::connect(model, &QAbstractItemModel::modelReset, view,
                   [view] { view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); });
}

void FitSortableValueColumns(QTableView* view, const SortableListModel* model) {
  const QFontMetrics metrics = view->fontMetrics();
  // What the item delegate puts around a text.
  const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
  for (int column = 0; column + 1 < model->columnCount(); ++column) {
    if (model->Kind(column) == SortableKind::Plain) continue;
    const int needed = std::max(metrics.horizontalAdvance(model->LongestText(column)) + margin,
                                view->horizontalHeader()->sectionSizeHint(column));
    if (view->columnWidth(column) < needed) view->setColumnWidth(column, needed);
  }
}

void AddSortableColumnHeaders(const QStringList& fields, QTableView* view, SortableListModel* model,
                              ErrorHandler& errors) {
  ResumeScope scope(errors.Reporting(mode::MessageAndReport), "fdp:36");
  if (fields.isEmpty()) return;
  AttachSortableList(view, model);
  int sumTwips = 0;
  for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
    scope.Step([&] {
      const int width = fields[i] == QLatin1String("File Type") ? 1500 : 1000;
      model->AddColumn(fields[i], width);
      view->setColumnWidth(model->columnCount() - 1, TwipsToPixels(view, width));
      sumTwips += width;
    });
  }
  scope.Step([&] {
    // The path column takes what is left of the view; the header stretches it as the view grows.
    const int widthTwips = std::max(1000, view->width() * 1440 / std::max(1, view->logicalDpiX()) - sumTwips - 100);
    model->AddColumn(fields.last(), widthTwips);
    view->setColumnWidth(model->columnCount() - 1, TwipsToPixels(view, widthTwips));
  });
}

void FormatSortableView(const std::string& reportPath, QTableView* view, SortableListModel* model,
                        ErrorHandler& errors) {
  ResumeScope scope(errors.Reporting(mode::MessageAndReport), "fdp:37");
  scope.Step([&] { model->Sorted(false); });
  frmPleaseWait wait(view->window());
  scope.Step([&] { wait.DisplayWaitMessage(QStringLiteral("Formatting Data into Sortable Format.")); });

  QByteArray content;
  scope.Step([&] {
    QFile file(QString::fromStdString(reportPath));
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFound, "File not found: " + reportPath);
    content = file.readAll();
  });
  std::string_view rest(content.constData(), size_t(content.size()));
  auto readLine = [&rest]() {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  const bool hadLine = !rest.empty();
  const std::string_view first = readLine();
  if (!hadLine) return;
  if (first.find(kInvalidPathMarker) != std::string_view::npos) {
    view->hide();
    return;
  }
  if (!rest.empty()) {
    QStringList fields = QString::fromUtf8(first.data(), qsizetype(first.size())).split(QLatin1Char(','));
    AddSortableColumnHeaders(fields, view, model, errors);
  }
  if (model->columnCount() == 0) return;

  // Rows are handed over in batches: one insert notice per batch rather than per row. A report whose rows hold
  // more fields than its header (an older file, a name with commas) gets one message for the whole load, and a
  // batch that fails ends the load: neither can raise a message per row.
  std::vector<std::string_view> batch;
  batch.reserve(4096);
  int dropped = 0;
  bool failed = false;
  auto flush = [&] {
    if (!batch.empty()) failed = !scope.Step([&] { dropped += model->AppendReportLines(batch); });
    batch.clear();
  };
  while (!rest.empty() && !failed) {
    const std::string_view line = readLine();
    if (line.empty() || line.substr(0, 2) == "**") continue;
    batch.push_back(line);
    if (batch.size() == 4096) flush();
  }
  if (!failed) flush();
  FitSortableValueColumns(view, model);
  if (dropped > 0 && !failed) scope.Step([] { throw Error(kIndexOutOfBounds, "Index out of bounds"); });
}

}  // namespace dv
