// The directory printer window driven by objectName: its controls, the rules between them, the input checks and
// their messages, the column choice, the quick reference, the session error view and restoring the defaults.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

#include "shell/input_checks.h"
#include "dirprint/dir_print_job.h"
#include "dirprint/frm_dir_print.h"
#include "shell/report_view.h"
#include "dirprint/sortable_list.h"
#include "shell/control_memory.h"
#include "shell/shared_ui.h"
#include "shell/shell_services.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

namespace {

const char* const kTwoGb =
    "2 GB Size Limitation for File/Folder Size Restrictions:\r\n\r\n0 - 2,047 MB\r\n0 - 2,096,128 KB\r\n"
    "0 - 2,146,435,072 Bytes";

}  // namespace

class FrmDirPrintTest : public QObject {
  Q_OBJECT
  std::unique_ptr<dv::test::WindowEnvironment> env_;
  std::unique_ptr<dv::ShellServices> services_;
  dv::test::ScriptedPrompter prompter_;
  std::unique_ptr<dv::frmDirPrint> w_;

  template <class T = QWidget>
  T* C(const char* name) {
    return dv::test::Child<T>(w_.get(), name);
  }
  QRadioButton* R(const char* name) { return C<QRadioButton>(name); }
  QCheckBox* K(const char* name) { return C<QCheckBox>(name); }
  QLineEdit* E(const char* name) { return C<QLineEdit>(name); }
  QComboBox* B(const char* name) { return C<QComboBox>(name); }
  QStringList Entries(const char* list) {
    QStringList out;
    auto* l = C<QListWidget>(list);
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
  }
  QColor Base(const char* name) { return C(name)->palette().color(QPalette::Base); }
  QColor WindowColour(const char* name) { return C(name)->palette().color(QPalette::Window); }
  // A user typing into a box, then the unit combo being clicked at an entry.
  void Type(const char* box, const QString& text) {
    E(box)->clear();
    QTest::keyClicks(E(box), text);
  }
  void Pick(const char* combo, const QString& entry) {
    QComboBox* c = B(combo);
    int i = c->findText(entry);
    c->setCurrentIndex(i);
    emit c->activated(i);
  }
  // A small tree of our own: a 100-byte file, a 1000-byte file and a folder with one file.
  // Waits until the job started last has ended and its report shows.
  void Settle() { QTRY_VERIFY_WITH_TIMEOUT(!w_->JobRunning(), 30000); }
  QString MakeTree() {
    const QString root = env_->Home() + "/tree";
    QDir().mkpath(root + "/sub");
    auto write = [](const QString& path, int bytes) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(bytes, 'x'));
    };
    write(root + "/hundred.txt", 100);
    write(root + "/big.bin", 1000);
    write(root + "/sub/inner.dat", 5);
    return root;
  }
  void FocusOut(QWidget* w) {
    QFocusEvent ev(QEvent::FocusOut);
    QApplication::sendEvent(w, &ev);
  }

 private slots:
  void init() {
    env_ = std::make_unique<dv::test::WindowEnvironment>();
    QDir().mkpath(env_->Home() + "/docs");
    services_ = std::make_unique<dv::ShellServices>();
    services_->log.OpenSessionErrorLog();
    services_->utilities.PrintFontChecked = true;  // no font question in the middle of a job
    prompter_.Reset();
    prompter_.DefaultAnswer(dv::Answer::Yes);
    w_ = std::make_unique<dv::frmDirPrint>(*services_, nullptr, &prompter_);
    w_->resize(900, 700);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
  }
  void cleanup() {
    w_.reset();
    services_.reset();
    env_.reset();
  }

  void windowHasItsNameCaptionAndStartsAtTheHomeFolder() {
    QCOMPARE(w_->objectName(), QString("frmDirPrint"));
    QCOMPARE(w_->windowTitle(), QString("Directory Printer"));
    const QString home = env_->Home() + "/";
    QCOMPARE(E("txtPathSelected")->text(), home);
    QCOMPARE(QString::fromStdString(services_->utilities.DefaultDriveRoot), home);
    QCOMPARE(dv::CurrentPathInTree(C<QTreeView>("ExploreTreeDirPrinter"), w_->TreeModel()), env_->Home());
    QCOMPARE(C<QPushButton>("cmdProcessDirPrint")->text(), QString("Get Directory Information"));
    QCOMPARE(C("cmdProcessDirPrint")->toolTip(), QString("Gather selected file information"));
    QVERIFY(E("txtPathSelected")->toolTip().startsWith("Enter top-level directory to process from (You can use"));
    QVERIFY(C("WebBrowser1")->isHidden());
  }

  void everyOptionControlHasCaptionTipAndInitialState() {
    struct Row {
      const char* name;
      const char* caption;
      const char* tip;
      bool checked, enabled;
    };
    const Row rows[] = {
        {"optSubDirectories_All", "All", "Process all directories and subdirectories", true, true},
        {"optSubDirectories_Only", "Only", "Only process the following number of subdirectories deep from the source",
         false, true},
        {"chkDirectoriesOnly", "Display  Directories Only", "Only show directories (Do Not show any files)", false,
         true},
        {"optHierarchicalView", "Hierarchical", "Display report with folders and files in an indented hierarchy",
         true, true},
        {"optFlatView", "DOS", "Display report in the classic flat DOS format", false, true},
        {"optCSVView", "CSV", "Display report in comma separated values format", false, true},
        {"optSortableView", "Sortable",
         "Display report so you can sort columns and select rows for saving & printing while in Dorvane", false, true},
        {"chkDisplayHiddenAndSystem", "Display  Hidden && System Files",
         "Show files with the Hidden and System attributes set", true, true},
        {"chkDirectoryDetails", "Show Directory Details",
         "Display the columns selected information (size, file type,...) for directories in report", true, true},
        {"chkShowFileCounts", "Show file counts (DOS View Only)", "Display the number of files in a directory", false,
         false},
        {"chkIncludeFullPath", "Include Full Path (DOS View Only)", "Show full path in report", false, false},
        {"optSizeType_0", "Bytes", "Sizes in report will show up in Bytes", false, true},
        {"optSizeType_1", "KB", "Sizes in report will show up in Kilobytes", true, true},
        {"optSizeType_2", "MB", "Sizes in report will show up in Megabytes", false, true},
        {"optPatternMatching_0", "Wildcards", "This is the standard ? & * pattern matching found in many programs",
         true, true},
        {"optPatternMatching_1", "RegEx Pattern", "More advanced pattern matching allowing further control in searching",
         false, true},
        {"optPatternMatching_2", "Wildcards", "This is the standard ? & * pattern matching found in many programs",
         true, true},
        {"optPatternMatching_3", "RegEx Pattern", "More advanced pattern matching allowing further control in searching",
         false, true},
        {"optIncludeExtensions", "Include", "Include the below extensions only (*.* to select all extensions)", true,
         true},
        {"optExcludeExtensions", "Exclude", "Exclude the below file extensions from the report", false, true},
    };
    for (const Row& r : rows) {
      auto* b = C<QAbstractButton>(r.name);
      QCOMPARE(b->text(), QString(r.caption));
      QCOMPARE(b->toolTip(), QString(r.tip));
      QVERIFY2(b->isChecked() == r.checked, r.name);
      QVERIFY2(b->isEnabled() == r.enabled, r.name);
    }
    QCOMPARE(C("fraViewType")->toolTip(),
             QString("Choose the format for the report (Use CSV format for pushing the data to other applications)"));
    QCOMPARE(C<QLabel>("lblShowSizeIn")->text(), QString("Show Sizes In"));
    for (const char* b : {"cmdRegExInstructionsBottom", "cmdRegExInstructionsFromFolders"}) {
      QCOMPARE(C<QPushButton>(b)->text(), QString("Quick Ref"));
      QCOMPARE(C(b)->toolTip(), QString("View More Regular Expression Options and Syntax"));
    }
    QCOMPARE(C("cmdAddToColumnDisplay")->toolTip(), QString("Add the highlighted column to the report"));
    QCOMPARE(C("cmdRemoveFromColumnDisplay")->toolTip(), QString("Remove the highlighted column from the report"));
  }

  void textBoxesListsAndCombosHaveTheirEntriesAndTips() {
    QCOMPARE(Entries("listAvailable"), QStringList({"Created", "Modified", "Accessed", "Attributes"}));
    QCOMPARE(Entries("listDisplayed"), QStringList({"Size", "File Type"}));
    QCOMPARE(C<QListWidget>("listAvailable")->currentRow(), 0);
    QCOMPARE(C<QListWidget>("listDisplayed")->currentRow(), 0);
    QCOMPARE(C("listAvailable")->toolTip(),
             QString("Choose from these remaining file/folder information columns to report on"));
    QCOMPARE(C("listDisplayed")->toolTip(),
             QString("Each item listed here will show up as a column in the directory report"));
    QCOMPARE(E("txtExtensionsFilter")->text(), QString("*.*"));
    QCOMPARE(E("txtExtensionsFilter")->toolTip(), QString("Comma separated extension values (e.g.  *.doc, *.txt,...)"));
    QCOMPARE(E("txtSubDirectoriesLevel")->toolTip(), QString("Subdirectory depth to process from source directory"));
    QCOMPARE(E("dtpDateRestrictionDate")->toolTip(), QString("Enter date MM-DD-YYYY"));
    QCOMPARE(E("txtRegExFilePattern")->toolTip(),
             QString("Only display files that match the following Wildcard or Regular Expression pattern"));
    QCOMPARE(E("txtRegExFolderPattern")->toolTip(),
             QString("Only display folders that match the following Wildcard or Regular Expression pattern"));
    QCOMPARE(E("txtFileSizeRestrictionSize")->toolTip(), QString("Enter numeric value to restrict file sizes"));
    QCOMPARE(E("txtFolderSizeRestrictionSize")->toolTip(), QString("Enter numeric value to restrict folder sizes"));
    auto items = [&](const char* combo) {
      QStringList out;
      for (int i = 0; i < B(combo)->count(); ++i) out << B(combo)->itemText(i);
      return out;
    };
    const QStringList ops = {"", ">", "<", "=", ">=", "<="};
    const QStringList units = {"", "Bytes", "KB", "MB"};
    QCOMPARE(items("cboDateRestrictionType"), QStringList({"", "Date Created", "Date Modified", "Date Last Accessed"}));
    QCOMPARE(items("cboDateRestrictionTypeOperator"), ops);
    QCOMPARE(items("cboFileSizeRestrictionOperator"), ops);
    QCOMPARE(items("cboFolderSizeRestrictionOperator"), ops);
    QCOMPARE(items("cboFileSizeRestrictionSizeType"), units);
    QCOMPARE(items("cboFolderSizeRestrictionSizeType"), units);
    QCOMPARE(B("cboDateRestrictionType")->toolTip(), QString("Select file date type to restrict file selection"));
    QCOMPARE(B("cboDateRestrictionTypeOperator")->toolTip(),
             QString("Select comparison operator to restrict file selection"));
    QCOMPARE(B("cboFileSizeRestrictionOperator")->toolTip(), QString("Select comparison operator to restrict file sizes"));
    QCOMPARE(B("cboFileSizeRestrictionSizeType")->toolTip(), QString("Select byte size type to restrict file sizes"));
    QCOMPARE(B("cboFolderSizeRestrictionOperator")->toolTip(),
             QString("Select comparison operator to restrict folder sizes"));
    QCOMPARE(B("cboFolderSizeRestrictionSizeType")->toolTip(), QString("Select byte size type to restrict folder sizes"));
  }

  void fourTabsShareOnePlaceAndOneFrameShows() {
    auto* tabs = C<QTabBar>("TabStrip1");
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->tabText(0), QString("Main"));
    QCOMPARE(tabs->tabText(1), QString("Additional View Options"));
    QCOMPARE(tabs->tabText(2), QString("File Filters"));
    QCOMPARE(tabs->tabText(3), QString("Folder Filters"));
    const char* frames[] = {"fraStandard", "fraOtherViewOptions", "fraFilters", "fraFilters2"};
    const QRect displayArea = C("fraDisplayArea")->geometry();
    for (int t : {2, 0, 3, 1}) {
      tabs->setCurrentIndex(t);
      QApplication::processEvents();
      for (int f = 0; f < 4; ++f) QVERIFY2(C(frames[f])->isVisible() == (f == t), frames[f]);
      QCOMPARE(C(frames[t])->geometry().topLeft(), C(frames[0])->geometry().topLeft());
      // The place is as tall as the tallest page: nothing below it moves when the tab changes.
      QCOMPARE(C("fraDisplayArea")->geometry(), displayArea);
    }
  }

  // On a small screen the window's controls scroll instead of being cut off.
  void controlsScrollWhenTheWindowIsSmall() {
    auto* scroller = C<QScrollArea>("scrContent");
    QVERIFY(scroller->verticalScrollBar()->maximum() == 0);
    w_->resize(500, 300);
    QApplication::processEvents();
    QVERIFY(scroller->verticalScrollBar()->maximum() > 0);
    QVERIFY(scroller->horizontalScrollBar()->maximum() > 0);
    scroller->ensureWidgetVisible(C("listDisplayed"));
    QApplication::processEvents();
    const QRect shown(C("listDisplayed")->mapTo(scroller->viewport(), QPoint(0, 0)), C("listDisplayed")->size());
    QVERIFY(scroller->viewport()->rect().intersects(shown));
  }

  void displayControlsLieOnTopOfEachOther() {
    QCOMPARE(C("lvFilesFolders")->geometry(), C("rtfPreviewDirPrint")->geometry());
    QCOMPARE(C("txtErrorsDisplay")->geometry(), C("rtfPreviewDirPrint")->geometry());
    QVERIFY(C("rtfPreviewDirPrint")->isVisible());
    QVERIFY(!C("lvFilesFolders")->isVisible());
    QVERIFY(!C("txtErrorsDisplay")->isVisible());
    QVERIFY(!C("txtPopUpInfo")->isVisible());
    QVERIFY(QFontInfo(C("rtfPreviewDirPrint")->font()).fixedPitch());
    // The display area grows with the window.
    const QSize before = C("rtfPreviewDirPrint")->size();
    w_->resize(1100, 900);
    QApplication::processEvents();
    QVERIFY(C("rtfPreviewDirPrint")->width() > before.width());
    QVERIFY(C("rtfPreviewDirPrint")->height() > before.height());
  }

  void subdirectoryLevelsBoxFollowsAllOrOnly() {
    QVERIFY(!E("txtSubDirectoriesLevel")->isEnabled());
    QCOMPARE(Base("txtSubDirectoriesLevel"), WindowColour("txtSubDirectoriesLevel"));
    R("optSubDirectories_Only")->click();
    QVERIFY(E("txtSubDirectoriesLevel")->isEnabled());
    QCOMPARE(Base("txtSubDirectoriesLevel"), QColor(Qt::white));
    QTest::keyClicks(E("txtSubDirectoriesLevel"), "3");
    QCOMPARE(E("txtSubDirectoriesLevel")->text(), QString("3"));
    QTest::keyClicks(E("txtSubDirectoriesLevel"), "x");  // "3x" is not numeric
    QCOMPARE(E("txtSubDirectoriesLevel")->text(), QString("1"));
    R("optSubDirectories_All")->click();
    QVERIFY(!E("txtSubDirectoriesLevel")->isEnabled());
    QCOMPARE(Base("txtSubDirectoriesLevel"), WindowColour("txtSubDirectoriesLevel"));
  }

  void dosViewEnablesItsOptionsAndFileCountsOnlyWithDetails() {
    R("optFlatView")->click();
    QVERIFY(K("chkIncludeFullPath")->isEnabled());
    QVERIFY(K("chkShowFileCounts")->isEnabled());
    K("chkShowFileCounts")->click();
    K("chkIncludeFullPath")->click();
    R("optHierarchicalView")->click();
    QVERIFY(!K("chkIncludeFullPath")->isEnabled());
    QVERIFY(!K("chkShowFileCounts")->isEnabled());
    QVERIFY(K("chkShowFileCounts")->isChecked());  // values stay
    QVERIFY(K("chkIncludeFullPath")->isChecked());
    K("chkDirectoryDetails")->click();  // unchecked now
    R("optFlatView")->click();
    QVERIFY(K("chkIncludeFullPath")->isEnabled());
    QVERIFY(!K("chkShowFileCounts")->isEnabled());
    K("chkDirectoryDetails")->click();  // checked again while DOS is selected
    QVERIFY(K("chkShowFileCounts")->isEnabled());
    K("chkDirectoryDetails")->click();
    QVERIFY(!K("chkShowFileCounts")->isEnabled());
  }

  void sortableViewChangesNothingAndCsvDisables() {
    R("optFlatView")->click();
    R("optSortableView")->click();
    QVERIFY(K("chkIncludeFullPath")->isEnabled());
    QVERIFY(K("chkShowFileCounts")->isEnabled());
    R("optCSVView")->click();
    QVERIFY(!K("chkIncludeFullPath")->isEnabled());
    QVERIFY(!K("chkShowFileCounts")->isEnabled());
    K("chkDirectoryDetails")->click();
    K("chkDirectoryDetails")->click();
    QVERIFY(!K("chkShowFileCounts")->isEnabled());  // details alone do not enable it outside DOS
  }

  void directoriesOnlyDisablesEveryFileFilter() {
    const char* filters[] = {"optExcludeExtensions", "optIncludeExtensions", "txtExtensionsFilter",
                             "cboDateRestrictionTypeOperator", "cboDateRestrictionType", "dtpDateRestrictionDate",
                             "cboFileSizeRestrictionOperator", "txtFileSizeRestrictionSize",
                             "cboFileSizeRestrictionSizeType", "txtRegExFilePattern"};
    K("chkDirectoriesOnly")->click();
    for (const char* f : filters) {
      QVERIFY2(!C(f)->isEnabled(), f);
      QCOMPARE(Base(f), WindowColour(f));
    }
    QVERIFY(E("txtRegExFolderPattern")->isEnabled());  // folder filters stay
    K("chkDirectoriesOnly")->click();
    for (const char* f : filters) {
      QVERIFY2(C(f)->isEnabled(), f);
      QCOMPARE(Base(f), QColor(Qt::white));
    }
  }

  void patternModeIsOneChoiceForFilesAndFolders() {
    R("optPatternMatching_3")->click();
    QVERIFY(R("optPatternMatching_1")->isChecked());
    QVERIFY(!R("optPatternMatching_0")->isChecked());
    QVERIFY(!R("optPatternMatching_2")->isChecked());
    QVERIFY(!w_->CurrentChoices().wildcards);
    R("optPatternMatching_0")->click();
    QVERIFY(R("optPatternMatching_2")->isChecked());
    QVERIFY(!R("optPatternMatching_3")->isChecked());
    QVERIFY(w_->CurrentChoices().wildcards);
  }

  void columnsMoveBetweenListsAndTheLastMoveEmptiesTheList() {
    auto* avail = C<QListWidget>("listAvailable");
    auto* shown = C<QListWidget>("listDisplayed");
    avail->setCurrentRow(3);  // "Attributes", the last: highlight falls back to position 2
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    QCOMPARE(Entries("listDisplayed"), QStringList({"Size", "File Type", "Attributes"}));
    QCOMPARE(Entries("listAvailable"), QStringList({"Created", "Modified", "Accessed"}));
    QCOMPARE(avail->currentRow(), 2);
    avail->setCurrentRow(0);
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    QCOMPARE(avail->currentRow(), 0);  // position 0 still exists
    QCOMPARE(avail->currentItem()->text(), QString("Modified"));
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    QCOMPARE(avail->count(), 0);
    QCOMPARE(avail->currentRow(), -1);
    C<QPushButton>("cmdAddToColumnDisplay")->click();  // nothing left: nothing happens
    QCOMPARE(Entries("listDisplayed"),
             QStringList({"Size", "File Type", "Attributes", "Created", "Modified", "Accessed"}));
    QCOMPARE(w_->CurrentChoices().columns,
             (std::vector<std::string>{"Size", "File Type", "Attributes", "Created", "Modified", "Accessed"}));
    // Moving back into the empty list highlights its first entry.
    shown->setCurrentRow(1);
    C<QPushButton>("cmdRemoveFromColumnDisplay")->click();
    QCOMPARE(Entries("listAvailable"), QStringList({"File Type"}));
    QCOMPARE(avail->currentRow(), 0);
    QCOMPARE(shown->currentRow(), 1);
    QCOMPARE(shown->currentItem()->text(), QString("Attributes"));
  }

  void quickReferenceHoldsFortyLinesAndToggles() {
    const QString text = dv::QuickReferenceText();
    QVERIFY(text.endsWith("\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();  // after the final CR LF
    QCOMPARE(lines.size(), 40);
    QCOMPARE(lines[0], QString("Standard Wildcard & Regular Expression Reference Cards"));
    QCOMPARE(lines[21], QString("\\ - Escape character"));
    QCOMPARE(lines[29], QString("\\.ba.  - since first . was escaped will match in : mf.bak,"));
    QCOMPARE(lines[33], QString("^\\w\\d+$ - will match in : a1234, b1123 - but not in 1a234"));
    QCOMPARE(lines[38], QString("characters available to you with Regular Expressions."));
    QCOMPARE(lines[39], QString(""));
    auto* pop = C<QPlainTextEdit>("txtPopUpInfo");
    QCOMPARE(pop->toPlainText(), QString(text).replace("\r\n", "\n"));
    C<QTabBar>("TabStrip1")->setCurrentIndex(2);
    C<QPushButton>("cmdRegExInstructionsBottom")->click();
    QVERIFY(pop->isVisible());
    QCOMPARE(C<QPushButton>("cmdRegExInstructionsBottom")->text(), QString("Close Ref"));
    QCOMPARE(C<QPushButton>("cmdRegExInstructionsFromFolders")->text(), QString("Close Ref"));
    const QWidget* preview = C("rtfPreviewDirPrint");
    QCOMPARE(pop->width(), preview->width());
    QCOMPARE(pop->y(), preview->mapTo(w_.get(), QPoint(0, 0)).y());
    QVERIFY(pop->height() > preview->height());
    C<QPushButton>("cmdRegExInstructionsFromFolders")->click();  // the other button closes it too
    QVERIFY(!pop->isVisible());
    QCOMPARE(C<QPushButton>("cmdRegExInstructionsBottom")->text(), QString("Quick Ref"));
    QCOMPARE(C<QPushButton>("cmdRegExInstructionsFromFolders")->text(), QString("Quick Ref"));
  }

  void sizeBoxDropsGroupingCommas() {
    Type("txtFileSizeRestrictionSize", "1,024");
    QCOMPARE(E("txtFileSizeRestrictionSize")->text(), QString("1024"));
    QVERIFY(prompter_.Log().empty());
    E("txtFolderSizeRestrictionSize")->setText("2,000,000");
    QCOMPARE(E("txtFolderSizeRestrictionSize")->text(), QString("2000000"));
  }

  void sizeBoxRefusesTextThatIsNotANumber() {
    Type("txtFolderSizeRestrictionSize", "12a");
    QCOMPARE(E("txtFolderSizeRestrictionSize")->text(), QString(""));
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].text, std::string("Please put in numeric values only"));
    QCOMPARE(prompter_.Log()[0].title, std::string("Numeric values only"));
  }

  void sizeAboveTwoGigabytesIsRefusedAndEmptied() {
    Pick("cboFileSizeRestrictionSizeType", "MB");
    prompter_.Clear();
    Type("txtFileSizeRestrictionSize", "3000");  // 300 passes, 3000 is refused
    QCOMPARE(E("txtFileSizeRestrictionSize")->text(), QString(""));
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].text, std::string(kTwoGb));
    QCOMPARE(prompter_.Log()[0].title, std::string("2 GB Limit for File/Folder Restrictions"));
    // Choosing a smaller unit does not bring the text back; a bytes value in range passes.
    Pick("cboFolderSizeRestrictionSizeType", "Bytes");
    Type("txtFolderSizeRestrictionSize", "2146435072");
    QCOMPARE(E("txtFolderSizeRestrictionSize")->text(), QString("2146435072"));
    // Switching the unit to KB checks the value again.
    prompter_.Clear();
    Pick("cboFolderSizeRestrictionSizeType", "KB");
    QCOMPARE(E("txtFolderSizeRestrictionSize")->text(), QString(""));
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].text, std::string(kTwoGb));
  }

  void fileSizeUnitExplainsTheConversionIntoTheDisplayUnit() {
    Type("txtFileSizeRestrictionSize", "2");
    Pick("cboFileSizeRestrictionSizeType", "MB");
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].title, std::string("File Size Filtration Information"));
    QCOMPARE(prompter_.Log()[0].text,
             std::string("File size filtration is based on the 'Show Sizes In' value and your Megabyte(s) value will "
                         "be converted into Kilobyte(s) before filtering files.\r\n\r\nYour 2 Megabyte(s) will be "
                         "converted into 2048 Kilobyte(s) when filtering."));
    prompter_.Clear();
    Pick("cboFileSizeRestrictionSizeType", "KB");  // same unit as the display: no notice
    QVERIFY(prompter_.Log().empty());
    // The folder unit never explains.
    Type("txtFolderSizeRestrictionSize", "2");
    Pick("cboFolderSizeRestrictionSizeType", "MB");
    QVERIFY(prompter_.Log().empty());
    // A zero size needs no notice.
    Type("txtFileSizeRestrictionSize", "0");
    Pick("cboFileSizeRestrictionSizeType", "Bytes");
    QVERIFY(prompter_.Log().empty());
  }

  void conversionNoticeRoundsAndDividesIntoSmallerUnits() {
    QCOMPARE(dv::SizeConversionNotice(3000, "Bytes", 1).right(52),
             QString("Your 3000 Byte(s) will be converted into 3 Kilobyte(s) when filtering.").right(52));
    QVERIFY(dv::SizeConversionNotice(2.5, "KB", 0).contains("Your 2.5 Kilobyte(s) will be converted into 2048 Byte(s)"));
    QVERIFY(dv::SizeConversionNotice(1536, "KB", 2).contains("into 2 Megabyte(s) when filtering."));
    QVERIFY(dv::SizeConversionNotice(5, "", 1).isEmpty());
    QVERIFY(dv::SizeConversionNotice(-1, "MB", 1).isEmpty());
  }

  void dateBoxRewritesDatesAndRefusesOthers() {
    auto* box = E("dtpDateRestrictionDate");
    box->setText("10-04-2004");
    FocusOut(box);
    QCOMPARE(box->text(), QString("Oct 04, 2004"));
    FocusOut(box);  // its own form reads back unchanged
    QCOMPARE(box->text(), QString("Oct 04, 2004"));
    box->setText("2/29/2004");
    FocusOut(box);
    QCOMPARE(box->text(), QString("Feb 29, 2004"));
    QVERIFY(prompter_.Log().empty());
    box->setText("2/30/2004");
    FocusOut(box);
    QCOMPARE(box->text(), QString(""));
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].text, std::string("Please enter a valid date in the date field box."));
    QCOMPARE(prompter_.Log()[0].title, std::string("Invalid Date"));
    FocusOut(box);  // empty: nothing to check
    QCOMPARE(prompter_.Log().size(), size_t(1));
  }

  void choicesReadTheControlsAsTheJobNeedsThem() {
    R("optSubDirectories_Only")->click();
    QTest::keyClicks(E("txtSubDirectoriesLevel"), "3");
    R("optSortableView")->click();
    R("optSizeType_2")->click();
    C<QComboBox>("cboDateRestrictionType")->setCurrentText("Date Modified");
    B("cboDateRestrictionType")->setCurrentIndex(2);
    B("cboDateRestrictionTypeOperator")->setCurrentIndex(4);
    E("dtpDateRestrictionDate")->setText("Oct 04, 2004");
    B("cboFileSizeRestrictionOperator")->setCurrentIndex(4);
    E("txtFileSizeRestrictionSize")->setText("10");
    B("cboFileSizeRestrictionSizeType")->setCurrentIndex(2);
    E("txtExtensionsFilter")->setText(" *.*");
    R("optExcludeExtensions")->click();
    E("txtRegExFilePattern")->setText("  a*  ");
    dv::DirPrintChoices c = w_->CurrentChoices();
    QCOMPARE(c.view, 3L);
    QVERIFY(c.levelsOnly);
    QCOMPARE(c.levelsText, std::string("3"));
    QCOMPARE(c.sizeUnit, 2L);
    QCOMPARE(c.dateType, std::string("Date Modified"));
    QCOMPARE(c.dateOperator, std::string(">="));
    QCOMPARE(c.date.year, 2004);
    QCOMPARE(c.date.month, 10);
    QCOMPARE(c.date.day, 4);
    QCOMPARE(c.fileSizeOperator, std::string(">="));
    QCOMPARE(c.fileSizeText, std::string("10"));
    QCOMPARE(c.fileSizeUnit, std::string("KB"));
    QCOMPARE(c.extensionsText, std::string(" *.*"));
    QVERIFY(!c.includeExtensions);
    QCOMPARE(c.filePattern, std::string("a*"));
    QCOMPARE(c.startingDirectory, (env_->Home() + "/").toStdString());
    QVERIFY(!c.dateEmpty);
    QVERIFY(c.dateValid);
    E("dtpDateRestrictionDate")->setText("");
    QVERIFY(w_->CurrentChoices().dateEmpty);
    E("dtpDateRestrictionDate")->setText("not a date");
    QVERIFY(!w_->CurrentChoices().dateEmpty);
    QVERIFY(!w_->CurrentChoices().dateValid);
  }

  void clearSettingsRestoresDefaultsButKeepsPatternModeAndFolder() {
    R("optPatternMatching_1")->click();
    R("optFlatView")->click();
    K("chkIncludeFullPath")->click();
    K("chkShowFileCounts")->click();
    K("chkDirectoriesOnly")->click();
    K("chkDisplayHiddenAndSystem")->click();
    C<QListWidget>("listAvailable")->setCurrentRow(0);
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    R("optSubDirectories_Only")->click();
    R("optSizeType_0")->click();
    B("cboFileSizeRestrictionOperator")->setCurrentIndex(1);
    E("txtFileSizeRestrictionSize")->setText("5");
    B("cboFileSizeRestrictionSizeType")->setCurrentIndex(1);
    R("optExcludeExtensions")->click();
    E("txtExtensionsFilter")->setText("txt");
    B("cboDateRestrictionType")->setCurrentIndex(1);
    B("cboDateRestrictionTypeOperator")->setCurrentIndex(1);
    E("dtpDateRestrictionDate")->setText("Oct 04, 2004");
    E("txtRegExFilePattern")->setText("x");
    B("cboFolderSizeRestrictionOperator")->setCurrentIndex(1);
    E("txtFolderSizeRestrictionSize")->setText("5");
    B("cboFolderSizeRestrictionSizeType")->setCurrentIndex(1);
    E("txtRegExFolderPattern")->setText("y");
    E("txtPathSelected")->setText("/tmp");
    services_->settings.SaveSetting("HTMLbc", "#ff0000");
    services_->settings.SaveSetting("HTMLtborder", "3");
    services_->settings.SaveSetting(dv::kAskWebPageSettingsKey, "1");

    w_->ClearSettings();

    QVERIFY(R("optHierarchicalView")->isChecked());
    QVERIFY(!K("chkIncludeFullPath")->isEnabled());  // the view's rule ran
    QVERIFY(!K("chkDirectoriesOnly")->isChecked());
    QVERIFY(E("txtExtensionsFilter")->isEnabled());
    QCOMPARE(Entries("listAvailable"), QStringList({"Created", "Modified", "Accessed", "Attributes"}));
    QCOMPARE(Entries("listDisplayed"), QStringList({"Size", "File Type"}));
    QVERIFY(R("optSubDirectories_All")->isChecked());
    QVERIFY(!E("txtSubDirectoriesLevel")->isEnabled());
    QVERIFY(R("optSizeType_1")->isChecked());
    QVERIFY(!K("chkIncludeFullPath")->isChecked());
    QVERIFY(K("chkDirectoryDetails")->isChecked());
    QVERIFY(!K("chkShowFileCounts")->isChecked());
    QVERIFY(K("chkDisplayHiddenAndSystem")->isChecked());
    for (const char* combo : {"cboFileSizeRestrictionOperator", "cboFileSizeRestrictionSizeType",
                              "cboDateRestrictionType", "cboDateRestrictionTypeOperator",
                              "cboFolderSizeRestrictionOperator", "cboFolderSizeRestrictionSizeType"})
      QVERIFY2(B(combo)->currentText().isEmpty(), combo);
    for (const char* box : {"txtFileSizeRestrictionSize", "dtpDateRestrictionDate", "txtRegExFilePattern",
                            "txtFolderSizeRestrictionSize", "txtRegExFolderPattern"})
      QVERIFY2(E(box)->text().isEmpty(), box);
    QVERIFY(R("optIncludeExtensions")->isChecked());
    QCOMPARE(E("txtExtensionsFilter")->text(), QString("*.*"));
    // Not changed: the pattern mode and the starting folder.
    QVERIFY(R("optPatternMatching_1")->isChecked());
    QVERIFY(R("optPatternMatching_3")->isChecked());
    QCOMPARE(E("txtPathSelected")->text(), QString("/tmp"));
    for (const char* key : {"HTMLbc", "HTMLfc", "HTMLfsize", "HTMLtborder", dv::kAskWebPageSettingsKey})
      QCOMPARE(services_->settings.GetSetting(key, "unset"), std::string());
    QVERIFY(prompter_.Log().empty());
  }

  void typedFolderIsSelectedInTheTree() {
    auto* tree = C<QTreeView>("ExploreTreeDirPrinter");
    const QString docs = env_->Home() + "/docs";
    Type("txtPathSelected", docs + "/");
    QCOMPARE(dv::CurrentPathInTree(tree, w_->TreeModel()), docs);
    Type("txtPathSelected", docs + "/nothing");  // not a folder: the tree stays
    QCOMPARE(dv::CurrentPathInTree(tree, w_->TreeModel()), docs);
    QCOMPARE(E("txtPathSelected")->text(), docs + "/nothing");
    QVERIFY(prompter_.Log().empty());
  }

  void treeClickCopiesThePathOrSaysItIsGone() {
    auto* tree = C<QTreeView>("ExploreTreeDirPrinter");
    const QString docs = env_->Home() + "/docs";
    QModelIndex index = w_->TreeModel()->index(docs);
    QVERIFY(index.isValid());
    emit tree->clicked(index);
    QCOMPARE(E("txtPathSelected")->text(), docs);
    QVERIFY(prompter_.Log().empty());
    const QString gone = env_->Home() + "/gone";
    QDir().mkpath(gone);
    QModelIndex goneIndex = w_->TreeModel()->index(gone);
    QVERIFY(goneIndex.isValid());
    QVERIFY(QDir(gone).removeRecursively());
    emit tree->clicked(goneIndex);
    QCOMPARE(E("txtPathSelected")->text(), docs);
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].title, std::string("Path is no longer valid"));
    QCOMPARE(prompter_.Log()[0].text,
             std::string("The clicked path was not found.\r\n\r\nIt may have been removed since Dorvane was loaded "
                         "or you may not have permissions to view it.\r\n\r\nTry using the menu to refresh the "
                         "directory tree -> Directory Printer - Refresh Directories"));
  }

  // The next session starts with this one's choices, folder included, and the tree opens at that folder;
  // stored values that no longer hold give way to the defaults.
  void choicesAreKeptBetweenSessions() {
    const QString folder = env_->Home() + "/docs/deep/er";
    QDir().mkpath(folder);
    auto snapshot = [this] {
      QStringList states;
      for (const char* name : {"txtPathSelected", "optSubDirectories_Only", "txtSubDirectoriesLevel", "optCSVView",
                               "listAvailable", "listDisplayed", "chkDisplayHiddenAndSystem", "optSizeType_2",
                               "optPatternMatching_1", "optPatternMatching_3", "txtRegExFilePattern",
                               "optExcludeExtensions", "txtExtensionsFilter", "cboDateRestrictionType",
                               "dtpDateRestrictionDate", "txtFolderSizeRestrictionSize", "chkDirectoryDetails"})
        states << QString(name) + "=" + dv::ControlState(*C(name)) + (C(name)->isEnabled() ? "" : " (off)");
      return states;
    };
    E("txtPathSelected")->setText(folder);
    R("optSubDirectories_Only")->setChecked(true);
    Type("txtSubDirectoriesLevel", "3");
    R("optCSVView")->setChecked(true);
    C<QListWidget>("listAvailable")->setCurrentRow(1);
    C<QPushButton>("cmdAddToColumnDisplay")->click();
    K("chkDisplayHiddenAndSystem")->setChecked(false);
    R("optSizeType_2")->setChecked(true);
    R("optPatternMatching_1")->setChecked(true);
    E("txtRegExFilePattern")->setText("^a.*b$");
    R("optExcludeExtensions")->setChecked(true);
    E("txtExtensionsFilter")->setText("*.tmp, *.bak");
    Pick("cboDateRestrictionType", "Date Modified");
    E("dtpDateRestrictionDate")->setText("03-04-2025");
    Type("txtFolderSizeRestrictionSize", "12");
    const QStringList before = snapshot();
    w_->RememberChoices();

    w_ = std::make_unique<dv::frmDirPrint>(*services_, nullptr, &prompter_);
    w_->show();
    QCOMPARE(snapshot(), before);
    QTRY_COMPARE(dv::CurrentPathInTree(C<QTreeView>("ExploreTreeDirPrinter"), w_->TreeModel()), folder);
    auto* tree = C<QTreeView>("ExploreTreeDirPrinter");
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()).center()));

    // Hand-edited or outdated values: a column list that lost a column, a size that is no number, a folder
    // that is gone.
    for (const auto& [key, value] : {std::pair{"DirPrint_listDisplayed", "Size"},
                                     std::pair{"DirPrint_txtFolderSizeRestrictionSize", "lots"},
                                     std::pair{"DirPrint_txtPathSelected", "/no/such/folder"}})
      services_->settings.SaveSetting(key, value);
    w_ = std::make_unique<dv::frmDirPrint>(*services_, nullptr, &prompter_);
    QCOMPARE(Entries("listDisplayed"), QStringList({"Size", "File Type"}));
    QCOMPARE(E("txtFolderSizeRestrictionSize")->text(), QString());
    QCOMPARE(E("txtPathSelected")->text(), env_->Home() + "/");
    QVERIFY(prompter_.Log().empty());
  }

  void refreshDrivesShowsThePathBoxFolder() {
    const QString made = env_->Home() + "/later";
    QDir().mkpath(made);
    E("txtPathSelected")->setText(made);
    w_->RefreshDrives();
    QCOMPARE(dv::CurrentPathInTree(C<QTreeView>("ExploreTreeDirPrinter"), w_->TreeModel()), made);
  }

  void sessionErrorViewOpensWithTheLogAndTheButtonClosesIt() {
    // The main window's two items follow the view.
    QMainWindow main;
    auto* getInfo = new QAction("&Get New Directory Info", &main);
    getInfo->setObjectName("mnuGetNewDirectoryInfo");
    auto* viewErrors = new QAction("&View Session Errors", &main);
    viewErrors->setObjectName("mnuViewSessionErrors");
    viewErrors->setCheckable(true);
    w_->setParent(&main);
    main.setCentralWidget(w_.get());
    main.show();
    services_->log.WriteErrorLogRecord(53, "File not found", "fdp:99", "extra info");
    w_->ViewSessionErrors();
    auto* view = C<QPlainTextEdit>("txtErrorsDisplay");
    QVERIFY(view->isVisible());
    QVERIFY(view->toPlainText().contains("Description: File not found"));
    QVERIFY(view->toPlainText().contains("extra info"));
    QCOMPARE(C<QPushButton>("cmdProcessDirPrint")->text(), QString("Close Session Errors"));
    QVERIFY(!getInfo->isEnabled());
    QVERIFY(viewErrors->isChecked());
    C<QPushButton>("cmdProcessDirPrint")->click();  // closes the view, runs no job
    QVERIFY(!view->isVisible());
    QCOMPARE(C<QPushButton>("cmdProcessDirPrint")->text(), QString("Get Directory Information"));
    QVERIFY(getInfo->isEnabled());
    QVERIFY(!viewErrors->isChecked());
    QVERIFY(prompter_.Log().empty());
    // ClearErrors empties the log and the view.
    w_->ViewSessionErrors();
    w_->ClearErrors();
    QCOMPARE(view->toPlainText(), QString());
    QCOMPARE(QFileInfo(QString::fromStdString(services_->log.Path())).size(), 0);
    w_->ViewSessionErrors();
    w_->setParent(nullptr);
  }

  void jobFillsThePreviewInEveryViewAndTheListOnlyWhenSortable() {
    const QString tree = MakeTree();
    E("txtPathSelected")->setText(tree);
    R("optSizeType_0")->click();  // sizes in bytes
    auto* preview = C<dv::ReportPreview>("rtfPreviewDirPrint");
    auto* list = C<QTableView>("lvFilesFolders");
    for (const char* view : {"optHierarchicalView", "optFlatView", "optCSVView", "optSortableView"}) {
      R(view)->click();
      preview->Clear();
      C<QPushButton>("cmdProcessDirPrint")->click();
      Settle();
      QVERIFY2(preview->Text().contains("hundred.txt"), view);
      QVERIFY2(preview->Text().contains("inner.dat"), view);
      QVERIFY2(list->isVisible() == (QString(view) == "optSortableView"), view);
    }
    QFile report(w_->ReportPath());
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(preview->Text(), QString::fromUtf8(report.readAll()).remove('\r'));
    QVERIFY2(prompter_.Log().empty(), prompter_.Log().empty() ? "" : prompter_.Log()[0].text.c_str());
  }

  // A view chosen after a run shows at once: from the report at hand when it holds the rows the view needs (the
  // comma-separated views), else from a new walk. A file made after the run tells which one happened.
  void aViewChosenAfterARunShowsAtOnce_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("title");  // the new report's first line when the tree is walked again
    QTest::newRow("csv to sortable") << "optCSVView" << "optSortableView" << "";
    QTest::newRow("sortable to csv") << "optSortableView" << "optCSVView" << "";
    QTest::newRow("hierarchical to dos") << "optHierarchicalView" << "optFlatView"
                                         << "Dorvane DOS Style Directory Report";
    QTest::newRow("csv to hierarchical") << "optCSVView" << "optHierarchicalView"
                                         << "Dorvane Hierarchical Directory Report";
  }
  void aViewChosenAfterARunShowsAtOnce() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, title);
    const QString tree = MakeTree();
    E("txtPathSelected")->setText(tree);
    R(qPrintable(from))->click();
    C<QPushButton>("cmdProcessDirPrint")->click();
    Settle();
    QFile later(tree + "/later.txt");
    QVERIFY(later.open(QIODevice::WriteOnly));
    later.close();

    R(qPrintable(to))->click();
    Settle();
    const QString text = C<dv::ReportPreview>("rtfPreviewDirPrint")->Text();
    const bool walked = !title.isEmpty();
    QCOMPARE(text.contains("later.txt"), walked);
    if (walked) QCOMPARE(text.section('\n', 0, 0), title);
    const bool sortable = to == "optSortableView";
    QCOMPARE(C<QTableView>("lvFilesFolders")->isVisible(), sortable);
    if (sortable) {
      const dv::SortableListModel* list = w_->SortableList();
      QStringList names;
      for (int r = 0; r < list->rowCount(); ++r) names << list->Text(r, list->columnCount() - 1);
      QVERIFY2(names.filter("hundred.txt").size() == 1 && names.filter("later.txt").isEmpty(),
               qPrintable(names.join('|')));
    }
    QVERIFY(prompter_.Log().empty());
  }

  void anInvalidExpressionIsNamedBeforeTheJob() {
    const QString tree = MakeTree();
    E("txtPathSelected")->setText(tree);
    R("optPatternMatching_1")->click();  // regular expressions
    E("txtRegExFilePattern")->setText("(oops");
    auto* preview = C<dv::ReportPreview>("rtfPreviewDirPrint");
    preview->SetText("before");
    C<QPushButton>("cmdProcessDirPrint")->click();
    Settle();
    QCOMPARE(prompter_.CountTitled("Invalid Pattern"), 1);
    const std::string text = prompter_.Log().back().text;
    QVERIFY2(text.find("file name pattern") != std::string::npos && text.find("offset 5") != std::string::npos,
             text.c_str());
    QCOMPARE(preview->Text(), QString("before"));  // no job ran
  }

  void enterInThePathBoxRunsTheJob() {
    const QString tree = MakeTree();
    auto* path = E("txtPathSelected");
    path->setText(tree);
    auto* preview = C<dv::ReportPreview>("rtfPreviewDirPrint");
    preview->Clear();
    QTest::keyClick(path, Qt::Key_Return);
    Settle();
    QVERIFY(preview->Text().contains("hundred.txt"));
  }

  void sortableListShowsPaddedSizesAndSortsByHeaderClicks() {
    const QString tree = MakeTree();
    E("txtPathSelected")->setText(tree);
    R("optSizeType_0")->click();
    R("optSortableView")->click();
    C<QPushButton>("cmdProcessDirPrint")->click();
    Settle();
    dv::SortableListModel* model = w_->SortableList();
    QVERIFY(model->rowCount() >= 3);
    int sizeColumn = -1, nameColumn = model->columnCount() - 1;
    for (int c = 0; c < model->columnCount(); ++c)
      if (model->Header(c).startsWith("Size")) sizeColumn = c;
    QVERIFY(sizeColumn >= 0);
    int hundred = -1;
    for (int r = 0; r < model->rowCount(); ++r)
      if (model->Text(r, nameColumn).endsWith("hundred.txt")) hundred = r;
    QVERIFY(hundred >= 0);
    QCOMPARE(model->Text(hundred, sizeColumn), QString("       100"));  // three digits behind seven spaces
    auto* header = C<QTableView>("lvFilesFolders")->horizontalHeader();
    emit header->sectionClicked(sizeColumn);
    QCOMPARE(model->SortColumn(), sizeColumn);
    QCOMPARE(model->SortOrder(), Qt::AscendingOrder);
    emit header->sectionClicked(sizeColumn);
    QCOMPARE(model->SortOrder(), Qt::DescendingOrder);
    for (int r = 1; r < model->rowCount(); ++r)
      QVERIFY(model->Text(r - 1, sizeColumn).trimmed().toLongLong() >= model->Text(r, sizeColumn).trimmed().toLongLong());
    emit header->sectionClicked(nameColumn);
    QCOMPARE(model->SortColumn(), nameColumn);
    QCOMPARE(model->SortOrder(), Qt::AscendingOrder);
    // The menu's job alone neither clears nor refills the list.
    const int rows = model->rowCount();
    QFile::remove(tree + "/hundred.txt");
    w_->ProcessDirPrintJob();
    Settle();
    QCOMPARE(model->rowCount(), rows);
    QVERIFY(!C<dv::ReportPreview>("rtfPreviewDirPrint")->Text().contains("hundred.txt"));
  }

  void missingFolderIsReportedAndHidesTheList() {
    const QString missing = env_->Home() + "/missing";
    E("txtPathSelected")->setText(missing);
    R("optSortableView")->click();
    C<QPushButton>("cmdProcessDirPrint")->click();
    Settle();
    QVERIFY(!C("lvFilesFolders")->isVisible());
    QVERIFY(C<dv::ReportPreview>("rtfPreviewDirPrint")->Text().contains("*********  Invalid Path  *********"));
    QCOMPARE(prompter_.Log().size(), size_t(1));
    QCOMPARE(prompter_.Log()[0].title, std::string("Folder Does Not Exist"));
    QCOMPARE(prompter_.Log()[0].text,
             "The folder " + missing.toStdString() + " does not exist.  Please select another folder.");
  }

  void buttonHidesTheQuickReferenceBeforeTheJob() {
    E("txtPathSelected")->setText(MakeTree());
    C<QPushButton>("cmdRegExInstructionsBottom")->click();
    QVERIFY(C("txtPopUpInfo")->isVisible());
    C<QPushButton>("cmdProcessDirPrint")->click();
    Settle();
    QVERIFY(!C("txtPopUpInfo")->isVisible());
    QCOMPARE(C<QPushButton>("cmdRegExInstructionsFromFolders")->text(), QString("Quick Ref"));
  }

  void buttonCaptionLeansWhileHeld() {
    auto* b = C<QPushButton>("cmdProcessDirPrint");
    QVERIFY(!b->font().italic());
    emit b->pressed();
    QVERIFY(b->font().italic());
    emit b->released();
    QVERIFY(!b->font().italic());
  }

  void numericTextAcceptsWhatUsersType() {
    for (const char* yes : {"1", "1,024", " 12 ", "-3", "1.5", ".5", "1e3"}) QVERIFY2(dv::IsNumericText(yes), yes);
    for (const char* no : {"", " ", "a", "12a", "1.2.3", "--1", ","}) QVERIFY2(!dv::IsNumericText(no), no);
  }
};

QTEST_MAIN(FrmDirPrintTest)
#include "frm_dir_print_qtest.moc"
