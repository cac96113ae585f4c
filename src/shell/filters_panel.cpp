#include "shell/filters_panel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "shell/control_builders.h"

namespace dv {

void AddLabelledRow(QGridLayout* grid, int row, const QString& caption, std::initializer_list<QWidget*> controls) {
  grid->addWidget(new QLabel(caption), row, 0);
  int column = 1;
  for (QWidget* w : controls) grid->addWidget(w, row, column++);
}

int AddPatternRows(QGridLayout* grid, int row, const QString& caption, QLineEdit* box, QRadioButton* wildcards,
                   QRadioButton* regex, QPushButton* quickRef) {
  grid->addWidget(new QLabel(caption), row, 0);
  grid->addWidget(box, row, 1, 1, 3);
  grid->addWidget(wildcards, row + 1, 1);
  grid->addWidget(regex, row + 1, 2);
  grid->addWidget(quickRef, row + 1, 3);
  return row + 2;
}

FiltersPanel::FiltersPanel(FiltersPanelSetup setup, QWidget* parent) : QFrame(parent), setup_(std::move(setup)) {
  setObjectName("fraFilters");
  const bool all = setup_.describeAll;
  // A tip said only where the window describes every control.
  auto tip = [all](const char* text) { return all ? QString(text) : QString(); };

  txtRegExFilePattern = Named(
      new QLineEdit, "txtRegExFilePattern",
      QString("Only %1 files that match the following Wildcard or Regular Expression pattern").arg(setup_.filesVerb));
  const int first = setup_.firstPatternIndex;
  optWildcards = Named(new QRadioButton("Wildcards"), Indexed("optPatternMatching", first),
                       tip("This is the standard ? & * pattern matching found in many programs"));
  optRegEx = Named(new QRadioButton("RegEx Pattern"), Indexed("optPatternMatching", first + 1),
                   tip("More advanced pattern matching allowing further control in searching"));
  auto* patterns = new QButtonGroup(this);
  patterns->addButton(optWildcards, first);
  patterns->addButton(optRegEx, first + 1);
  cmdQuickRef = Named(new QPushButton("Quick Ref"), setup_.quickRefName,
                      tip("View More Regular Expression Options and Syntax"));

  txtExtensionsFilter =
      Named(new QLineEdit("*.*"), "txtExtensionsFilter", "Comma separated extension values (e.g.  *.doc, *.txt,...)");
  optIncludeExtensions = Named(new QRadioButton("Include"), "optIncludeExtensions",
                               tip("Include the below extensions only (*.* to select all extensions)"));
  optExcludeExtensions = Named(new QRadioButton("Exclude"), "optExcludeExtensions",
                               tip("Exclude the below file extensions from the report"));
  auto* extensions = new QButtonGroup(this);
  extensions->addButton(optIncludeExtensions);
  extensions->addButton(optExcludeExtensions);

  cboDateRestrictionType = Combo("cboDateRestrictionType", {"", "Date Created", "Date Modified", "Date Last Accessed"},
                                 tip("Select file date type to restrict file selection"));
  cboDateRestrictionTypeOperator = Combo("cboDateRestrictionTypeOperator", kComparisonOperators,
                                         tip("Select comparison operator to restrict file selection"));
  dtpDateRestrictionDate = Named(new QLineEdit, "dtpDateRestrictionDate", "Enter date " + setup_.dateForm);
  if (setup_.datePlaceholder) dtpDateRestrictionDate->setPlaceholderText(setup_.dateForm);

  cboFileSizeRestrictionOperator = Combo("cboFileSizeRestrictionOperator", kComparisonOperators,
                                         tip("Select comparison operator to restrict file sizes"));
  txtFileSizeRestrictionSize =
      Named(new QLineEdit, "txtFileSizeRestrictionSize", tip("Enter numeric value to restrict file sizes"));
  cboFileSizeRestrictionSizeType =
      Combo("cboFileSizeRestrictionSizeType", kSizeUnits, tip("Select byte size type to restrict file sizes"));

  optSubDirectories_All =
      Named(new QRadioButton("All"), "optSubDirectories_All", tip("Process all directories and subdirectories"));
  optSubDirectories_Only = Named(new QRadioButton("Only"), "optSubDirectories_Only",
                                 tip("Only process the following number of subdirectories deep from the source"));
  txtSubDirectoriesLevel = Named(new QLineEdit, "txtSubDirectoriesLevel",
                                 tip("Subdirectory depth to process from source directory"));
  auto* levels = new QButtonGroup(this);
  levels->addButton(optSubDirectories_All);
  levels->addButton(optSubDirectories_Only);
  if (setup_.digitsOnly) {
    DigitsOnly(txtFileSizeRestrictionSize);
    DigitsOnly(txtSubDirectoriesLevel);
  }
  grid_ = new QGridLayout(this);
}

int FiltersPanel::AddNameRows(int row) {
  return AddPatternRows(grid_, row, "File Name Filter", txtRegExFilePattern, optWildcards, optRegEx, cmdQuickRef);
}

int FiltersPanel::AddExtensionRows(int row, const QString& boxCaption) {
  grid_->addWidget(new QLabel("File Extension(s) Filter   (Separate by commas)"), row, 0, 1, 2);
  grid_->addWidget(optIncludeExtensions, row, 2);
  grid_->addWidget(optExcludeExtensions, row, 3);
  if (!boxCaption.isEmpty()) grid_->addWidget(new QLabel(boxCaption), row + 1, 0);
  grid_->addWidget(txtExtensionsFilter, row + 1, 1, 1, 3);
  return row + 2;
}

int FiltersPanel::AddDateRow(int row) {
  AddLabelledRow(grid_, row, "File Date Filter",
                 {cboDateRestrictionType, cboDateRestrictionTypeOperator, dtpDateRestrictionDate});
  return row + 1;
}

int FiltersPanel::AddSizeRow(int row) {
  AddLabelledRow(grid_, row, "File Size is",
                 {cboFileSizeRestrictionOperator, txtFileSizeRestrictionSize, cboFileSizeRestrictionSizeType});
  return row + 1;
}

void FiltersPanel::SubDirectoriesChanged() {
  const bool only = optSubDirectories_Only->isChecked();
  txtSubDirectoriesLevel->setEnabled(only);
  SetBase(txtSubDirectoriesLevel, only);
}

void FiltersPanel::LevelChanged() {
  const QString t = txtSubDirectoriesLevel->text();
  if (!t.isEmpty() && setup_.acceptsLevel && !setup_.acceptsLevel(t)) txtSubDirectoriesLevel->setText("1");
}

void FiltersPanel::SetFileControlsEnabled(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           optExcludeExtensions, optIncludeExtensions, txtExtensionsFilter, cboDateRestrictionTypeOperator,
           cboDateRestrictionType, dtpDateRestrictionDate, cboFileSizeRestrictionOperator,
           txtFileSizeRestrictionSize, cboFileSizeRestrictionSizeType, txtRegExFilePattern}) {
    w->setEnabled(on);
    SetBase(w, on);
  }
}

}  // namespace dv
