#pragma once
// The sortable list lvFilesFolders: a table model over the rows of the sortable report (a header line, then one
// line per folder or file: the detail columns, then the path, separated by ","). Cells are kept as shown (sizes
// right-aligned in ten characters, dates as YYYY-MM-DD) in one text buffer with offsets, and sorting permutes a
// row index, so hundreds of thousands of rows stay quick to load, sort and scroll.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QTableView;

namespace dv {

class ErrorHandler;

enum class SortableKind { Plain, Size, Date };

// From the first four characters of a header: "Size" size; "Modi", "Crea", "Acce" date; anything else plain.
SortableKind SortableKindOf(const QString& header);

// The text a cell shows: a size shorter than 10 characters gets spaces in front up to 10; a valid date becomes
// YYYY-MM-DD (time of day dropped); anything else stays as it is.
QString SortableShownText(SortableKind kind, const QString& field);

class SortableListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit SortableListModel(QObject* parent = nullptr);

  // Removes every row and every column.
  void Clear();
  // Adds a column; `widthTwips` is kept as the width the report's layout asked for.
  void AddColumn(const QString& header, int widthTwips);
  // Adds rows from data lines of the report (UTF-8, without line ends), each split at ",". Field 0 is the item's
  // text, the following ones its sub-items; fields beyond the last column are dropped and counted (the caller
  // reports them, once for a whole load). Returns that count. On a failure the rows stored before it stay.
  int AppendReportLines(const std::vector<std::string_view>& lines);
  // One row from fields already split; the same rules.
  int AppendRow(const QStringList& fields);

  // The header click rule: the sort column again flips the order, another column sorts ascending.
  void ColumnClick(int column);
  // Automatic sorting (the list's Sorted flag). Switching it off keeps the current order.
  bool Sorted() const { return sorted_; }
  void Sorted(bool on) { sorted_ = on; }
  int SortColumn() const { return sortColumn_; }  // -1 before the first click
  Qt::SortOrder SortOrder() const { return sortOrder_; }

  SortableKind Kind(int column) const { return kinds_.at(column); }
  QString Header(int column) const { return headers_.at(column); }
  int WidthTwips(int column) const { return widths_.at(column); }
  // The shown text of a cell at a row of the current order.
  QString Text(int row, int column) const;
  // The longest shown text of a size or date column (what its width has to fit); empty for other columns.
  QString LongestText(int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Sizes compare as numbers, dates as dates, other texts without regard to case; equal values keep the
  // report's order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  std::string_view Cell(int storedRow, int column) const;
  // Stores a row's cells behind the rows shown; ShowStored makes the rows stored so far visible in one insertion.
  void Store(const std::vector<std::string_view>& fields, int& dropped);
  void ShowStored();

  QStringList headers_;
  std::vector<int> widths_;
  std::vector<SortableKind> kinds_;
  std::string text_;                 // every shown cell, UTF-8, one after the other
  std::vector<uint32_t> cellEnd_;    // end of each cell in text_, row by row (columnCount per row)
  std::vector<std::vector<int64_t>> keys_;  // per column: a number for sizes and dates, empty for plain ones
  std::vector<std::string> longest_;  // per column: the longest shown size or date text
  std::vector<int> order_;           // shown row -> stored row
  bool sorted_ = false;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// Pixels for a width in twips (1/1440 inch) at the view's logical resolution.
int TwipsToPixels(const QWidget* widget, int twips);

// Widens the size and date columns (but the last) to what their longest value and their header need in the
// view's fonts; the report layout's twips alone cut them.
void FitSortableValueColumns(QTableView* view, const SortableListModel* model);

// Creates the columns: 1500 twips for "File Type", 1000 for the others, and the last one (the path) stretching
// over the rest of the view.
void AddSortableColumnHeaders(const QStringList& fields, QTableView* view, SortableListModel* model,
                              ErrorHandler& errors);

// Fills the list from the report file. A report for a missing folder hides the list. Lines that are empty or
// begin with "**" (banner lines) are skipped; size and date columns are then widened to fit. Shows the
// please-wait window meanwhile. Connects the view to the model the first time (header clicks sort by the click
// rule).
void FormatSortableView(const std::string& reportPath, QTableView* view, SortableListModel* model,
                        ErrorHandler& errors);

// Sets up `view` for `model`: rows selected whole, header clicks sorting by the click rule, fixed row heights.
void AttachSortableList(QTableView* view, SortableListModel* model);

}  // namespace dv
