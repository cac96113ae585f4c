#pragma once
// The file filters panel both the directory printer and the file operations window offer: the file name pattern
// with its Wildcards / RegEx choice and a quick reference button, the extensions to include or exclude, the date
// and the size restrictions, and the sub-directory levels. The panel is the frame "fraFilters" and builds the
// controls with the names both windows (and their remembered choices) use; each window puts the rows in its own
// order, and the levels where it shows them; every control is placed by one of them or by the window (the
// controls are made without a parent, so the order they are placed in is the keyboard's order).
#include <QFrame>
#include <QString>
#include <functional>
#include <initializer_list>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dv {

struct FiltersPanelSetup {
  // The pattern choice is optPatternMatching_<n> (Wildcards) and _<n+1> (RegEx Pattern): a window with a second
  // pattern choice keeps the other numbers for it.
  int firstPatternIndex = 0;
  // The quick reference button beside the pattern choice.
  QString quickRefName;
  // What the window does with the files the pattern lets through ("display", "process"), said in its tip.
  QString filesVerb;
  // Tips on every control (the directory printer describes each); otherwise only the pattern and extension boxes.
  bool describeAll = false;
  // The size and level boxes refuse keys other than digits.
  bool digitsOnly = false;
  // The date box's form, named in its tip; shown as its placeholder too when `datePlaceholder`.
  QString dateForm;
  bool datePlaceholder = false;
  // Whether the levels box's text is a number; other text becomes "1".
  std::function<bool(const QString&)> acceptsLevel;
};

// Puts "caption" and up to three controls on `row` of `grid`, in columns 0 to 3.
void AddLabelledRow(QGridLayout* grid, int row, const QString& caption, std::initializer_list<QWidget*> controls);

// A name pattern's two rows: "caption" with the box across the columns, then the Wildcards / RegEx pair and the
// quick reference button. Answers the row after them.
int AddPatternRows(QGridLayout* grid, int row, const QString& caption, QLineEdit* box, QRadioButton* wildcards,
                   QRadioButton* regex, QPushButton* quickRef);

class FiltersPanel : public QFrame {
 public:
  explicit FiltersPanel(FiltersPanelSetup setup, QWidget* parent = nullptr);

  // The panel's grid; each Add... puts its rows at `row` and answers the row after them.
  QGridLayout* Grid() const { return grid_; }
  int AddNameRows(int row);
  // The extensions' caption with Include / Exclude, then the list box, captioned `boxCaption` when not empty.
  int AddExtensionRows(int row, const QString& boxCaption);
  int AddDateRow(int row);
  int AddSizeRow(int row);

  // The levels box takes input only while "Only" is chosen.
  void SubDirectoriesChanged();
  // Text the levels box does not accept becomes "1".
  void LevelChanged();
  // Turns the file filters (not the pattern choice, the quick reference or the levels) on or off.
  void SetFileControlsEnabled(bool on);

  QLineEdit* txtRegExFilePattern;
  QRadioButton *optWildcards, *optRegEx;
  QPushButton* cmdQuickRef;
  QLineEdit* txtExtensionsFilter;
  QRadioButton *optIncludeExtensions, *optExcludeExtensions;
  QComboBox *cboDateRestrictionType, *cboDateRestrictionTypeOperator;
  QLineEdit* dtpDateRestrictionDate;
  QComboBox *cboFileSizeRestrictionOperator, *cboFileSizeRestrictionSizeType;
  QLineEdit* txtFileSizeRestrictionSize;
  QRadioButton *optSubDirectories_All, *optSubDirectories_Only;
  QLineEdit* txtSubDirectoriesLevel;

 private:
  FiltersPanelSetup setup_;
  QGridLayout* grid_;
};

}  // namespace dv
