// The file operations window driven by objectName with a scripted Prompter on real temporary trees: its controls,
// the rules between them, the checks while editing, the confirmation summary and the settings it makes, runs
// with their results and errors views, saving, and the choices kept for the next session.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QListView>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "shell/report_view.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/journal.h"
#include "fileops_ui/attribute_check_box.h"
#include "fileops_ui/file_list_model.h"
#include "fileops_ui/file_ops_save.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/frm_main.h"
#include "shell/shell_services.h"
#include "support/find_child.h"
#include "support/prompter_texts.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using dv::test::TempTree;

class FrmFileOpsTest : public QObject {
  Q_OBJECT
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<dv::test::IsolatedEnvironment> env_;
  std::unique_ptr<dv::ShellServices> services_;
  dv::test::ScriptedPrompter prompter_;
  std::unique_ptr<dv::frmFileOps> w_;

  template <class T = QWidget>
  T* C(const char* name) {
    return dv::test::Child<T>(w_.get(), name);
  }
  QLineEdit* E(const char* name) { return C<QLineEdit>(name); }
  QAbstractButton* A(const char* name) { return C<QAbstractButton>(name); }
  QString Q(const std::string& s) { return QString::fromStdString(s); }
  void MakeWindow() {
    w_ = std::make_unique<dv::frmFileOps>(*services_, nullptr, &prompter_);
    w_->resize(1200, 800);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
  }
  // A fresh window of the same session.
  void Reopen() {
    w_.reset();
    prompter_.Reset();
    prompter_.DefaultAnswer(dv::Answer::Yes);
    MakeWindow();
  }
  void Type(const char* box, const QString& text) {
    E(box)->clear();
    QTest::keyClicks(E(box), text);
  }
  void Operation(int index) {
    if (!A(qPrintable(QString("optFileOps_%1").arg(index)))->isVisible() && A("cmdShowAdvanced")->text() == "Advanced")
      A("cmdShowAdvanced")->click();
    A(qPrintable(QString("optFileOps_%1").arg(index)))->click();
  }
  // The source tree: two text files at the top, one in a folder below.
  std::string Source() {
    tree_->File("src/a.txt", "alpha");
    tree_->File("src/b.txt", "bravo");
    tree_->File("src/deep/c.txt", "charlie");
    return *tree_ / "src";
  }
  void SetSource(const std::string& path) { E("txtSource")->setText(Q(path)); }
  // The confirmation text as it was asked last.
  QString Summary() {
    for (auto it = prompter_.Log().rbegin(); it != prompter_.Log().rend(); ++it)
      if (it->title == "Operation Confirmation") return Q(it->text);
    return {};
  }
  QColor ButtonColour(const char* name) { return C(name)->palette().color(QPalette::Button); }
  // Runs the operation and waits until its job has ended and the window shows the outcome.
  void Perform() {
    w_->PerformFileOperation();
    QTRY_VERIFY_WITH_TIMEOUT(!w_->Running(), 60000);
  }

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>();
    env_ = std::make_unique<dv::test::IsolatedEnvironment>(*tree_);
    services_ = std::make_unique<dv::ShellServices>();
    services_->log.OpenSessionErrorLog();
    prompter_.Reset();
    prompter_.DefaultAnswer(dv::Answer::Yes);
    MakeWindow();
  }
  void cleanup() {
    w_.reset();
    services_.reset();
    env_.reset();
    tree_.reset();
  }

  // The window ends while its run waits for an answer: the worker gets the safe answer and ends before the
  // engine goes (a sanitizer build sees any touch of the gone engine), and nothing is created.
  void closingTheWindowDuringARunEndsTheWorkerFirst() {
    SetSource(Source());
    const std::string dst = *tree_ / "new-dst";  // missing: the engine asks whether to create it
    E("txtDestination")->setText(Q(dst));
    prompter_.OnAsk([&](const dv::test::Asked& asked) {
      if (asked.title == "Create Folder") w_.reset();
    });
    w_->PerformFileOperation();
    QTRY_VERIFY(!w_);
    prompter_.OnAsk(nullptr);
    QVERIFY(!TempTree::Exists(dst));
    QCOMPARE(prompter_.CountTitled("Create Folder"), 1);
  }

  void controlsHaveTheirCaptionsAndInitialValues() {
    struct Row {
      const char* name;
      const char* caption;
      bool checked;
    };
    const Row rows[] = {
        {"optFileOps_0", "Copy", true}, {"optFileOps_1", "Empty Shells/Shadow Dir", false},
        {"optFileOps_2", "Delete", false}, {"optFileOps_3", "Find && Replace", false},
        {"optFileOps_4", "Rename", false}, {"optFileOps_5", "Attributes", false}, {"optFileOps_6", "Move", false},
        {"optFileOps_7", "Slideshow/Automate", false}, {"optFileOps_8", "Change Date", false},
        {"optFileOps_9", "Run Process on File(s)", false}, {"optFileOps_10", "Compare", false},
        {"optCopyStructure_0", "Copy all files with directory structure", true},
        {"optCopyStructure_3", "Move all files found to one directory (no directory structure)", false},
        {"optCopyDupeName_0", "Numbered", true}, {"optCopyDupeName_3", "Overwritten", false},
        {"optCopyVerification_0", "Do Not Verify", true},
        {"optCopyVerification_4", "Quick Verification (byte count check)", false},
        {"optCopyVerification_5", "Full Binary Comparison", false},
        {"optEmptyFolderAndFileShells", "Create Empty Folders && Empty File Shells", true},
        {"chkDeleteEmptyDirectories", "Remove Empty Directories", false},
        {"optFARTextFilesOnly", "Text Files", true}, {"optFARBinary", "All Files (Binary)", false},
        {"chkFindAndReplaceBackup", "Create BackUp", false},
        {"chkPauseBetweenOpens", "Prompt between each file", false},
        {"optRunprocOnFileOptions_1", "Process one file at a time", true},
        {"chkRunProcOnFileContinue", "Continue next file even past wait delay (headstart)", false},
        {"optCompareOptions_0", "Full compare", true}, {"chkCompareMissingFiles", "Missing Files", true},
        {"optPatternMatching_0", "Wildcards", true}, {"optPatternMatching_3", "RegEx Pattern", true},
        {"chkDisplayHiddenAndSystem", "Process  Hidden && System Files", true},
        {"optSubDirectories_All", "All", true}, {"chkPreviewOnly", "Preview Only", false},
        {"cmdProcess", "Perform Operation", false}, {"cmdLastOperationResults", "Last Operations Results", false},
        {"cmdDisplayErrors", "Errors This Session", false}, {"cmdFilterFiles", "View Filters", false},
        {"cmdShowAdvanced", "Advanced", false}};
    for (const Row& r : rows) {
      QCOMPARE(A(r.name)->text(), QString(r.caption));
      QVERIFY2(A(r.name)->isChecked() == r.checked, r.name);
    }
    const QString home = Q(env_->Home());
    QCOMPARE(QDir::cleanPath(E("txtSource")->text()), home);
    QCOMPARE(QDir::cleanPath(E("txtDestination")->text()), home);
    QCOMPARE(E("txtRunProcOnFileWaitTime")->text(), QString("30"));
    QCOMPARE(E("txtBytesToCompare")->text(), QString("2000"));
    QCOMPARE(E("txtExtensionsFilter")->text(), QString("*.*"));
    QCOMPARE(C<QComboBox>("cboTextExtensions")->currentText(), QString(".TXT"));
    QCOMPARE(C<QLabel>("lblSource")->text(), QString("From"));
    QCOMPARE(C<QCheckBox>("chkAttributeSetting_0")->checkState(), Qt::PartiallyChecked);
    QVERIFY(C("cmdViewFileBank")->isEnabled());
    // The eleven frames share one place; the viewers cover the work area.
    for (int i = 1; i < 11; ++i)
      QCOMPARE(C(qPrintable(QString("fraSpecificFileOperationOptions_%1").arg(i)))->geometry().topLeft(),
               C("fraSpecificFileOperationOptions_0")->geometry().topLeft());
    QCOMPARE(C("txtInfoDisplay")->geometry(), C("fraWorkArea")->rect());
    QCOMPARE(C("txtErrorsDisplay")->geometry(), C("fraWorkArea")->rect());
  }

  void choosingAnOperationShowsItsFrameAndGreysAnUnusedDestination() {
    for (int op : {2, 0, 3, 4, 5, 6, 7, 8, 9, 10, 1}) {
      Operation(op);
      for (int f = 0; f < 11; ++f)
        QVERIFY(C(qPrintable(QString("fraSpecificFileOperationOptions_%1").arg(f)))->isVisible() == (f == op));
      const bool destination = op == 0 || op == 1 || op == 6 || op == 10;
      for (const char* name : {"txtDestination", "lblDestination", "ExploreTreeFileOpsDestination"})
        QVERIFY2(C(name)->isEnabled() == destination, name);
      const QPalette p = E("txtDestination")->palette();
      QCOMPARE(p.color(QPalette::Base), destination ? QColor(Qt::white) : p.color(QPalette::Window));
      QVERIFY(A("optChangeDate_0")->isEnabled() == (op == 8));
    }
  }

  void advancedShowsFiveMoreOperationsAndFiltersTakeTheSourcesPlace() {
    const int advanced[] = {1, 3, 7, 8, 9};
    for (int i : advanced) QVERIFY(C(qPrintable(QString("optFileOps_%1").arg(i)))->isHidden());
    A("cmdShowAdvanced")->click();
    QCOMPARE(A("cmdShowAdvanced")->text(), QString("Hide Adv"));
    for (int i : advanced) QVERIFY(C(qPrintable(QString("optFileOps_%1").arg(i)))->isVisible());
    A("optFileOps_8")->click();
    A("cmdShowAdvanced")->click();
    QCOMPARE(A("cmdShowAdvanced")->text(), QString("Advanced"));
    for (int i : advanced) QVERIFY(C(qPrintable(QString("optFileOps_%1").arg(i)))->isHidden());
    QVERIFY(A("optFileOps_0")->isChecked());  // a hidden operation is not left chosen

    w_->ShowFileOpFilterSettings();
    QCOMPARE(A("cmdFilterFiles")->text(), QString("Hide Filters"));
    QVERIFY(C("fraFilters")->isVisible());
    for (const char* name : {"flbSource", "flbDestination", "txtDestination", "ExploreTreeFileOpsSource",
                             "ExploreTreeFileOpsDestination", "txtSource", "cmdAddFiles", "cmdRemoveFiles"})
      QVERIFY2(!C(name)->isVisible(), name);
    A("cmdFilterFiles")->click();
    QCOMPARE(A("cmdFilterFiles")->text(), QString("View Filters"));
    QVERIFY(C("txtSource")->isVisible() && !C("fraFilters")->isVisible());
  }

  void boxesAreCorrectedWhileEditing() {
    struct Row {
      const char* box;
      const char* typed;
      const char* shown;
      const char* message;  // the title of the one box shown, or nothing
    };
    const Row rows[] = {
        {"txtRunProcOnFileWaitTime", "0", "1", nullptr},
        {"txtRunProcOnFileWaitTime", "100000", "86400", nullptr},
        {"txtBytesToCompare", "0", "1", nullptr},
        {"txtBytesToCompare", "95000000", "90000000", nullptr},
        {"txtRenameRepString", "a/b", "ab", "Invalid filename characters"},
        {"txtRenameRepString", "x:z", "xz", "Invalid filename characters"},
    };
    A("optCompareOptions_1")->click();
    for (const Row& r : rows) {
      prompter_.Clear();
      Type(r.box, r.typed);
      QCOMPARE(E(r.box)->text(), QString(r.shown));
      QCOMPARE(prompter_.Count(), r.message ? 1 : 0);
      if (r.message) QCOMPARE(Q(prompter_.Log()[0].title), QString(r.message));
    }
  }

  void numberBoxesTakeDigitsOnly() {
    A("optCompareOptions_1")->click();
    A("optSubDirectories_Only")->click();
    for (const char* box : {"txtRunProcOnFileWaitTime", "txtBytesToCompare", "txtFileSizeRestrictionSize",
                            "txtSubDirectoriesLevel", "txtRenameStartPosition"}) {
      prompter_.Clear();
      Type(box, "1bc12x");
      QCOMPARE(E(box)->text(), QString("112"));
      QCOMPARE(prompter_.Count(), 0);
    }
  }

  void dateBoxesAreRewrittenWhenLeft() {
    struct Row {
      const char* box;
      const char* typed;
      const char* shown;
      const char* messageTitle;
    };
    const Row rows[] = {
        {"dtpChangeDate", "2004-3-5", "2004-03-05", nullptr},
        {"dtpChangeDate", "1975-01-01", "1975-01-01", "Invalid Date"},
        {"dtpChangeDate", "03/15/2004", "03/15/2004", "Invalid Date"},
        {"dtpDateRestrictionDate", "2020-12-25", "2020-12-25", nullptr},
        {"dtpDateRestrictionDate", "2026-02-30", "2026-02-30", "Invalid Date"},
    };
    for (const Row& r : rows) {
      prompter_.Clear();
      E(r.box)->setText(r.typed);
      QFocusEvent out(QEvent::FocusOut);
      QApplication::sendEvent(E(r.box), &out);
      QCOMPARE(E(r.box)->text(), QString(r.shown));
      QCOMPARE(E(r.box)->placeholderText(), QString("YYYY-MM-DD"));
      QCOMPARE(prompter_.Count(), r.messageTitle ? 1 : 0);
      if (r.messageTitle) QCOMPARE(Q(prompter_.Log()[0].title), QString(r.messageTitle));
    }
    // Perform says what leaving the box said.
    E("dtpDateRestrictionDate")->clear();
    E("dtpChangeDate")->setText("2026-02-30");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(E("dtpChangeDate"), &out);
    const std::string said = prompter_.Log().back().text;
    SetSource(Source());
    Operation(8);
    prompter_.Clear();
    Perform();
    QCOMPARE(prompter_.Count(), 1);
    QCOMPARE(prompter_.Log()[0].text, said);
  }

  void attributeBoxesCycleThroughThreeStates() {
    Operation(5);
    A("chkAttributeSetting_0")->click();  // set
    for (int i = 0; i < 2; ++i) A("chkAttributeSetting_1")->click();  // cleared
    for (int i = 0; i < 3; ++i) A("chkAttributeSetting_2")->click();  // grayed again
    QCOMPARE(C<QCheckBox>("chkAttributeSetting_0")->checkState(), Qt::Checked);
    QCOMPARE(C<QCheckBox>("chkAttributeSetting_1")->checkState(), Qt::Unchecked);
    QCOMPARE(C<QCheckBox>("chkAttributeSetting_2")->checkState(), Qt::PartiallyChecked);
    SetSource(Source());
    prompter_.DefaultAnswer(dv::Answer::No);
    QVERIFY(!w_->PrepareOperation());
    QCOMPARE(std::get<dv::AttributeChoice>(w_->PreparedSettings().details).add, 32L);
    QCOMPARE(std::get<dv::AttributeChoice>(w_->PreparedSettings().details).remove, 1L);
    QVERIFY(Summary().startsWith("\r\nOperation: Change Attributes ->  +A -R\r\n\r\nDirectories: "));
  }

  // Whole confirmation texts and the settings that go with them.
  void confirmationSummariesAndSettings() {
    const std::string src = Source();
    const QString s = Q(src), d = Q(*tree_ / "dst");
    const QString filters = "\r\nFilters:\r\n  File Name Pattern: ";
    struct Row {
      const char* name;
      std::function<void()> set;
      QString summary;
    };
    const Row rows[] = {
        {"copy with structure, overwriting",
         [&] { A("chkCopyOverwrite")->click(); },
         "\r\nOperation: Copy (Overwrite Existing Files)\r\n\t [Do Not Include Empty Folders]\r\n\r\nSource: " + s +
             "\r\nDestination: " + d + "\r\n" + filters},
        {"move to one folder, quick verification, with the backup warning",
         [&] {
           Operation(6);
           A("optCopyStructure_3")->click();
           A("optCopyDupeName_3")->click();
           A("optCopyVerification_4")->click();
         },
         "\r\nOperation: Move to One Directory (Duplicate Filenames Overwritten)\r\n\t [Quick Verification]\r\n\r\n"
         "Source: " + s + "\r\nDestination: " + d + "\r\n" + filters +
             "\r\n\r\n** It is recommended that you have a backup of your system before proceeding with large "
             "move/delete operations.\r\n"},
        {"delete with size and depth filters",
         [&] {
           Operation(2);
           C<QComboBox>("cboFileSizeRestrictionOperator")->setCurrentText("<=");
           C<QComboBox>("cboFileSizeRestrictionSizeType")->setCurrentText("KB");
           Type("txtFileSizeRestrictionSize", "10");
           A("optSubDirectories_Only")->click();
           Type("txtSubDirectoriesLevel", "2");
           A("chkDisplayHiddenAndSystem")->click();
         },
         "\r\nOperation: Delete (Files Only)\r\n\r\nDirectories: " + s + "\r\n" + filters +
             "\r\n  Size is <= 10 KB\r\n  Hide System & Hidden Files\r\n  Only Process up to 2 directory levels "
             "deep\r\n\r\n** It is recommended that you have a backup of your system before proceeding with large "
             "move/delete operations.\r\n"},
        {"run process one file at a time, 5 seconds",
         [&] {
           Operation(9);
           E("txtRunProcessOnFile")->setText("cat <<filename>>");
           Type("txtRunProcOnFileWaitTime", "5");
         },
         "Operation: Run Process On File\r\n  Command: cat <<filename>>\r\n\r\nDirectories: " + s + "\r\n" + filters},
    };
    for (const Row& r : rows) {
      Reopen();
      SetSource(src);
      E("txtDestination")->setText(d);
      r.set();
      prompter_.Clear();
      prompter_.DefaultAnswer(dv::Answer::No);
      QVERIFY(!w_->PrepareOperation());
      QCOMPARE(Summary(), r.summary + "\r\n\r\nProceed?");
    }
    Reopen();
    SetSource(src);
    A("chkDisplayHiddenAndSystem")->click();
    Operation(9);
    E("txtRunProcessOnFile")->setText("cat <<filename>>");
    Type("txtRunProcOnFileWaitTime", "5");
    prompter_.DefaultAnswer(dv::Answer::No);
    w_->PrepareOperation();
    QCOMPARE(std::get<dv::RunProcChoice>(w_->PreparedSettings().details).waitMilliseconds, 5000L);
    Operation(2);
    C<QComboBox>("cboFileSizeRestrictionOperator")->setCurrentText("<=");
    C<QComboBox>("cboFileSizeRestrictionSizeType")->setCurrentText("KB");
    Type("txtFileSizeRestrictionSize", "10");
    w_->PrepareOperation();
    const auto& size = *w_->PreparedSettings().scan.fileSize;
    QVERIFY(size.on && size.value == 10 && size.op == dv::CompareOp::LessOrEqual && size.unit == dv::SizeUnit::KB);
    QCOMPARE(*w_->PreparedSettings().scan.sizeUnit, dv::SizeUnit::KB);
  }

  void bankAndPickedFilesAreTheSource() {
    const std::string src = Source();
    std::vector<std::string> bank;
    for (int i = 1; i <= 20; ++i) bank.push_back(src + "/f" + std::to_string(i) + ".txt");
    w_->ProcessingBankItems(bank);
    QCOMPARE(E("txtSource")->text(), QString("Operate on Files and Folders from Processing Bank -> Unsaved Bank"));
    QVERIFY(E("txtSource")->isReadOnly());
    prompter_.DefaultAnswer(dv::Answer::No);
    w_->PrepareOperation();
    QString listed;
    for (int i = 1; i <= 16; ++i) listed += "\r\n" + Q(bank[i - 1]);
    QVERIFY2(Summary().contains("Source: " + listed + "\r\n{4} more entries ...\r\n\r\nDestination: "),
             qPrintable(Summary()));
    QCOMPARE(std::get<dv::BankSource>(w_->PreparedSource()).entries.size(), bank.size());
    QCOMPARE(w_->PreparedSettings().gathering, dv::Gathering::FilesAndFolders);
    w_->ProcessingBankItems({});
    QCOMPARE(C<QLabel>("lblSource")->text(), QString("From"));

    // One file picked in the source list.
    E("txtSource")->setText(Q(src));
    auto* list = C<QListView>("flbSource");
    QTest::keyClicks(E("txtSource"), "/");  // typing moves the list to the folder
    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2);  // the folder deep/ is no file
    const QModelIndex b = w_->SourceFilesModel()->IndexOf(Q(src + "/b.txt"));
    list->setCurrentIndex(b);
    emit list->clicked(b);
    QCOMPARE(QDir::cleanPath(E("txtSource")->text()), Q(src + "/b.txt"));
    w_->PrepareOperation();
    QCOMPARE(Q(std::get<dv::PickedFiles>(w_->PreparedSource()).folder), Q(src + "/"));
    QCOMPARE(w_->PreparedSettings().scan.levels.value_or(-1), int16_t{0});
    QCOMPARE(w_->SelectedFiles(), std::vector<std::string>{"b.txt"});

    // Two picked: the pseudo-name, and after a delete run the folder again with nothing picked.
    list->selectionModel()->select(w_->SourceFilesModel()->IndexOf(Q(src + "/a.txt")), QItemSelectionModel::Select);
    emit list->clicked(b);
    QCOMPARE(E("txtSource")->text(), Q(src + "/Multiple.Files"));
    auto picked = w_->SelectedFiles();
    std::sort(picked.begin(), picked.end());  // in the list's order, which the model settles in the background
    QCOMPARE(picked, (std::vector<std::string>{"a.txt", "b.txt"}));
    Operation(2);
    prompter_.DefaultAnswer(dv::Answer::Yes);
    Perform();
    QVERIFY(!TempTree::Exists(src + "/a.txt") && !TempTree::Exists(src + "/b.txt"));
    QVERIFY(TempTree::Exists(src + "/deep/c.txt"));
    QCOMPARE(E("txtSource")->text(), Q(src + "/"));
    QVERIFY(w_->SelectedFiles().empty());
  }

  void binaryReplacementAsksForItsCode() {
    struct Row {
      const char* find;
      const char* replace;
      const char* code;
      const char* expectedCodeQuestionStart;
      bool textModeAfter;
    };
    const Row rows[] = {
        {"abc", "xyz", "Scramble My Data", "Binary replacement operations with less than 4", false},
        {"abcd", "wxyz", "Risky Run", "Binary replacement operations can be very dangerous", false},
        {"abcd", "wxyz", "Scramble My Data", "Binary replacement operations can be very dangerous", false},
        {"abcd", "xyz", "Risky Run", "Binary replacement operations can be very dangerous", true},
    };
    const std::string src = Source();
    for (const Row& r : rows) {
      Reopen();
      SetSource(src);
      Operation(3);
      E("txtFindText")->setText(r.find);
      E("txtReplaceText")->setText(r.replace);
      A("optFARBinary")->click();
      if (std::string(r.find).size() != std::string(r.replace).size()) {
        // Choosing binary mode with unequal texts is refused at once; chosen again after the texts change.
        QVERIFY(A("optFARTextFilesOnly")->isChecked());
        E("txtReplaceText")->setText(r.find);
        A("optFARBinary")->click();
        E("txtReplaceText")->setText(r.replace);
      }
      prompter_.Clear();
      prompter_.QueueInput(r.code);
      prompter_.DefaultAnswer(dv::Answer::No);
      const bool confirmed = w_->PrepareOperation();
      QVERIFY(!confirmed);
      QVERIFY(Q(prompter_.Log()[0].text).startsWith(r.expectedCodeQuestionStart));
      QCOMPARE(Q(prompter_.Log()[0].title), QString("Binary Replacement Operation Confirmation"));
      const bool right = std::string(r.code) == (std::string(r.find).size() < 4 ? "Scramble My Data" : "Risky Run");
      QCOMPARE(prompter_.CountTitled("Incorrect Code Supplied"), right ? 0 : 1);
      if (right) {
        QVERIFY(C<QCheckBox>("chkFindAndReplaceBackup")->isChecked());
        QVERIFY(!C<QCheckBox>("chkDisplayHiddenAndSystem")->isChecked());
        QCOMPARE(prompter_.CountTitled("Unequal Strings Detected"), r.textModeAfter ? 1 : 0);
        QCOMPARE(prompter_.CountTitled("Operation Confirmation"), r.textModeAfter ? 0 : 1);
      }
      QCOMPARE(A("optFARTextFilesOnly")->isChecked(), r.textModeAfter);
    }
  }

  void copyRunColoursTheResultsButtonAndViewsToggle() {
    const std::string src = Source();
    const std::string dst = *tree_ / "dst";
    SetSource(src);
    E("txtDestination")->setText(Q(dst));
    Perform();
    QCOMPARE(TempTree::Read(dst + "/deep/c.txt"), std::string("charlie"));
    QCOMPARE(ButtonColour("cmdLastOperationResults"), dv::frmFileOps::kNewResults);
    QVERIFY(!C("txtInfoDisplay")->isVisible());  // a copy only colours the button
    QVERIFY(C<dv::ReportPreview>("txtInfoDisplay")->Text().contains(Q("Success: " + src + "/a.txt")));
    // "Full Binary Comparison" is a verification of its own (3), not "Do Not Verify" of the last run.
    QCOMPARE(std::get<dv::CopyLayout>(w_->Engine().Settings().details).verification, dv::Verification::None);
    A("optCopyVerification_2")->click();
    prompter_.DefaultAnswer(dv::Answer::No);
    w_->PrepareOperation();
    QCOMPARE(std::get<dv::CopyLayout>(w_->PreparedSettings().details).verification, dv::Verification::Full);

    A("cmdLastOperationResults")->click();
    QVERIFY(C("txtInfoDisplay")->isVisible() && C("imgViewingResults")->isVisible());
    QCOMPARE(A("cmdLastOperationResults")->text(), QString("Close Operation Results"));
    QVERIFY(!A("cmdProcess")->isEnabled());
    A("cmdDisplayErrors")->click();
    QCOMPARE(A("cmdDisplayErrors")->text(), QString("Close Errors"));
    A("cmdLastOperationResults")->click();
    QCOMPARE(A("cmdLastOperationResults")->text(), QString("View Operation Results"));
    QVERIFY(!A("cmdProcess")->isEnabled());  // the errors view is still open
    A("cmdDisplayErrors")->click();
    QVERIFY(A("cmdProcess")->isEnabled());
    QCOMPARE(ButtonColour("cmdLastOperationResults"), ButtonColour("cmdProcess"));
  }

  // Each operation run from the window on a tree of its own: the window's settings reach the engine.
  void everyOperationRunsFromTheWindow() {
    struct Row {
      int op;
      std::function<void()> set;
      const char* resultLine;  // a line the results must hold, "%s" standing for the source folder
      std::function<bool(const std::string& src, const std::string& dst)> done;
    };
    auto mtimeYear = [](const std::string& path) {
      struct stat st {};
      ::stat(path.c_str(), &st);
      return QDateTime::fromSecsSinceEpoch(st.st_mtime).date().year();
    };
    const Row rows[] = {
        {0, [] {}, "Success: %s/a.txt",
         [](auto&, auto& dst) { return TempTree::Read(dst + "/deep/c.txt") == "charlie"; }},
        {1, [] {}, "Success: %s/a.txt",
         [](auto&, auto& dst) { return TempTree::Exists(dst + "/a.txt") && TempTree::Read(dst + "/a.txt").empty(); }},
        {2, [] {}, "Success: %s/a.txt", [](auto& src, auto&) { return !TempTree::Exists(src + "/a.txt"); }},
        {2, [this] {
           env_->Set("XDG_DATA_HOME", *tree_ / "data");
           A("chkDeleteToTrash")->click();
         },
         "Success: %s/a.txt",
         [this](auto& src, auto&) {
           return !TempTree::Exists(src + "/a.txt") && TempTree::Read(*tree_ / "data/Trash/files/a.txt") == "alpha";
         }},
        {3, [this] {
           E("txtFindText")->setText("alpha");
           E("txtReplaceText")->setText("omega");
         },
         "Success: %s/a.txt", [](auto& src, auto&) { return TempTree::Read(src + "/a.txt") == "omega"; }},
        {4, [this] {
           E("txtRenamePattern")->setText("b");
           E("txtRenameRepString")->setText("q");
         },
         "Success: %s/b.txt", [](auto& src, auto&) { return TempTree::Exists(src + "/q.txt"); }},
        {5, [this] { A("chkAttributeSetting_1")->click(); }, "Success: %s/a.txt",
         [](auto& src, auto&) {
           struct stat st {};
           return ::stat((src + "/a.txt").c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
         }},
        {6, [] {}, "Success: %s/a.txt",
         [](auto& src, auto& dst) { return !TempTree::Exists(src + "/a.txt") && TempTree::Exists(dst + "/a.txt"); }},
        {8, [this] { E("dtpChangeDate")->setText("2001-01-02"); }, "Success: %s/a.txt",
         [&](auto& src, auto&) { return mtimeYear(src + "/a.txt") == 2001; }},
        {9, [this] {
           A("optRunprocOnFileOptions_0")->click();
           E("txtRunProcessOnFile")->setText("test -f <<filename>>");
         },
         "Success: %s/a.txt", [](auto&, auto&) { return true; }},
        {10, [] {}, "0  File does not exist in Target Directory:",
         [](auto&, auto&) { return true; }},
    };
    for (const Row& r : rows) {
      Reopen();
      const std::string base = "op" + std::to_string(r.op) + "-" + std::to_string(&r - rows);
      tree_->File(base + "/src/a.txt", "alpha");
      tree_->File(base + "/src/b.txt", "bravo");
      tree_->File(base + "/src/deep/c.txt", "charlie");
      const std::string src = *tree_ / (base + "/src"), dst = *tree_ / (base + "/dst");
      tree_->Dir(base + "/dst");
      SetSource(src);
      E("txtDestination")->setText(Q(dst));
      Operation(r.op);
      r.set();
      Perform();
      const QString results = C<dv::ReportPreview>("txtInfoDisplay")->Text();
      QVERIFY2(results.contains(QString(r.resultLine).replace("%s", Q(src))), qPrintable(Q(base) + ":\n" + results));
      QVERIFY2(r.done(src, dst), base.c_str());
    }
  }

  void previewAndCompareOpenTheResultsAndErrorsTurnTheButtonRed() {
    const std::string src = Source();
    SetSource(src);
    E("txtDestination")->setText(Q(*tree_ / "dst"));
    A("chkPreviewOnly")->click();
    Perform();
    QVERIFY(C("txtInfoDisplay")->isVisible() && C("imgViewingResults")->isVisible());
    QVERIFY(C<dv::ReportPreview>("txtInfoDisplay")->Text().contains(Q("Preview File: " + src + "/a.txt")));
    QVERIFY(!TempTree::Exists(*tree_ / "dst/a.txt"));
    A("cmdLastOperationResults")->click();
    A("chkPreviewOnly")->click();

    // A run whose items fail (a folder stands where a file is to be overwritten): the errors button turns red and
    // stays so until its view is opened.
    tree_->Dir("dst/a.txt/inside");
    A("chkCopyOverwrite")->click();
    Perform();
    QVERIFY(w_->ErrorsThisRun());
    QCOMPARE(ButtonColour("cmdDisplayErrors"), dv::frmFileOps::kNewErrors);
    A("cmdLastOperationResults")->click();
    A("cmdLastOperationResults")->click();
    QCOMPARE(ButtonColour("cmdDisplayErrors"), dv::frmFileOps::kNewErrors);
    A("cmdDisplayErrors")->click();
    QVERIFY(C<dv::ReportPreview>("txtErrorsDisplay")->Text().contains("a.txt"));
    QCOMPARE(ButtonColour("cmdDisplayErrors"), ButtonColour("cmdProcess"));
    A("cmdDisplayErrors")->click();

    Operation(10);
    SetSource(src);
    Perform();
    QVERIFY(C("txtInfoDisplay")->isVisible());
    QVERIFY(!C("imgViewingResults")->isVisible());
    QVERIFY(!A("cmdProcess")->isEnabled());
  }

  void resultsAreSavedAsRichTextUnderTheirDefaultName() {
    QCOMPARE(dv::FileOpsSaveName("DV_Op_Results_", QDateTime(QDate(2005, 3, 2), QTime(15, 7))),
             QString("DV_Op_Results_03-02-05_03-07-pm"));
    SetSource(Source());
    E("txtDestination")->setText(Q(*tree_ / "dst"));
    Perform();
    std::vector<dv::SaveDialogRequest> asked;
    const std::string target = *tree_ / "saved.rtf";
    w_->Now = [] { return QDateTime(QDate(2005, 3, 2), QTime(9, 7)); };
    w_->SaveDialog = [&](const dv::SaveDialogRequest& r) -> std::optional<dv::SaveDialogChoice> {
      asked.push_back(r);
      if (asked.size() == 1) return std::nullopt;
      return dv::SaveDialogChoice{Q(target), 1};
    };
    prompter_.Clear();
    w_->SaveLastOperationResults();  // cancelled: nothing written, nothing said
    QVERIFY(!TempTree::Exists(target));
    QCOMPARE(prompter_.Count(), 0);
    w_->SaveLastOperationResults();
    QCOMPARE(asked[0].fileName, QString("DV_Op_Results_03-02-05_09-07-am"));
    QCOMPARE(asked[0].title, QString("Save Last Operation Results"));
    QCOMPARE(asked[0].filters, QStringList{"Rich Text Files (*.rtf)"});
    QCOMPARE(asked[0].defaultExtension, QString("rtf"));
    const std::string rtf = TempTree::Read(target);
    QVERIFY(rtf.rfind("{\\rtf1", 0) == 0);
    QVERIFY(rtf.find("Success: ") != std::string::npos);
    w_->SaveFileOpErrorsThisSession();
    QCOMPARE(asked[2].fileName, QString("DV_Errors_03-02-05_09-07-am"));
    QCOMPARE(asked[2].title, QString("Save Errors This Session"));

    // Printing goes through the print dialog; here into a PDF file.
    const QString pdf = Q(*tree_ / "results.pdf");
    services_->Printer().setOutputFileName(pdf);
    w_->PrintDialog = [](QPrintDialog&) { return int(QDialog::Accepted); };
    w_->PrintLastOperationResults();
    QVERIFY(QFileInfo(pdf).size() > 0);
  }

  void bankButtonsTakeDropsAndTypedPaths() {
    const std::string src = Source();
    QStringList asked;
    int answer = 2;  // "Contents Only"
    w_->GiveChoice = [&](const QString&, const QString&, const QString&, const QString& title) {
      asked << title;
      return answer;
    };
    auto drop = [&](const char* button, const std::vector<std::string>& paths) {
      QMimeData data;
      QList<QUrl> urls;
      for (const std::string& p : paths) urls << QUrl::fromLocalFile(Q(p));
      data.setUrls(urls);
      // As a drag arrives: it enters the button, then drops.
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(C(button), &enter);
      QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(C(button), &event);
    };
    drop("cmdAddFiles", {src, src + "/a.txt", src + "/a.txt"});
    QCOMPARE(asked, QStringList{"Add Folder with Contents?"});
    QCOMPARE(w_->ProcessingBankItems(), (std::vector<std::string>{src + "/*.*", src + "/a.txt"}));
    QCOMPARE(C<QLabel>("lblSource")->text(), QString("Operate on Files and Folders from Processing Bank-> Unsaved Bank"));
    drop("cmdRemoveFiles", {src + "/a.txt", src});
    QVERIFY(w_->ProcessingBankItems().empty());
    QCOMPARE(C<QLabel>("lblSource")->text(), QString("From"));
    QVERIFY(!E("txtSource")->isReadOnly());

    // A path typed into the source box and taken straight to "Add to Bank" is added as the user says it is.
    QApplication::setActiveWindow(w_.get());
    E("txtSource")->setFocus();
    E("txtSource")->setText(Q(src + "/b.txt"));
    C("cmdAddFiles")->setFocus();
    answer = 1;  // "File"
    A("cmdAddFiles")->click();
    QCOMPARE(asked.last(), QString("File or Folder?"));
    QCOMPARE(w_->ProcessingBankItems(), (std::vector<std::string>{src + "/b.txt"}));
  }

  // The macro frame builds, saves and loads a macro through its windows; the bank window's list becomes the bank.
  void macroFrameAndBankWindowReachTheWindow() {
    w_->ProgramFolder = tree_->Dir("program");
    w_->UserDataFolder = *tree_ / "data";
    std::function<void(QDialog&)> answer;
    w_->ShowModal = [&](QDialog& d) {
      answer(d);
      return d.result();
    };
    auto add = [&](const QString& keys) {
      E("txtKeyStroke")->setText(keys);
      A("cmdAddToMacroSeries")->click();
    };
    add(" abc ");
    answer = [](QDialog& d) { dv::test::Child<QPushButton>(&d, "cmdSpecialKey_207")->click(); };
    A("cmdSpecialMacroKeys")->click();
    QCOMPARE(E("txtKeyStroke")->text(), QString("{ENTER}"));
    A("cmdAddToMacroSeries")->click();
    QCOMPARE(E("txtKeyStroke")->text(), QString());
    QCOMPARE(E("txtCurrentMacro")->text(), QString("(Step 1) abc   (Step 2) {ENTER}   "));
    prompter_.QueueInput("Notepad");
    A("cmdSaveOpenMacro")->click();
    // Kept in the user's data folder, never beside the program.
    QCOMPARE(Q(TempTree::Read(*tree_ / "data/DVOMacs.txt")), QString("Notepad:::abc:::{ENTER}\r\n"));
    A("cmdMacroReset")->click();
    A("cmdMacroReset")->click();
    QCOMPARE(E("txtCurrentMacro")->text(), QString("Empty Macro"));
    answer = [](QDialog& d) {
      auto* list = dv::test::Child<QListWidget>(&d, "lbxMacros");
      emit list->itemClicked(list->item(0));
      dv::test::Child<QPushButton>(&d, "cmdLoadMacro")->click();
    };
    A("cmdLoadOpenMacro")->click();
    QCOMPARE(w_->MacroSeries(), std::string(":::abc:::{ENTER}"));

    w_->ProcessingBankItems({"/a.txt", "", "/data/"});
    answer = [](QDialog& d) {
      auto* list = dv::test::Child<QTreeWidget>(&d, "lvwProcessingBank");
      QCOMPARE(list->topLevelItemCount(), 2);
      list->topLevelItem(0)->setSelected(true);
      dv::test::Child<QPushButton>(&d, "cmdRemove")->click();
      d.accept();
    };
    A("cmdViewFileBank")->click();
    QCOMPARE(w_->ProcessingBankItems(), std::vector<std::string>{"/data/"});
    QCOMPARE(C<QLabel>("lblSource")->text(), QString("Operate on Files and Folders from Processing Bank-> Unsaved Bank"));
  }

  void treeClicksSetTheBoxesOrSayThePathIsGone() {
    const std::string here = tree_->Dir("here"), gone = tree_->Dir("gone");
    auto* source = C<QTreeView>("ExploreTreeFileOpsSource");
    auto* destination = C<QTreeView>("ExploreTreeFileOpsDestination");
    emit source->clicked(w_->TreeModel()->index(Q(here)));
    QCOMPARE(E("txtSource")->text(), Q(here));
    emit destination->clicked(w_->TreeModel()->index(Q(here)));
    QCOMPARE(E("txtDestination")->text(), Q(here));
    const QModelIndex removed = w_->TreeModel()->index(Q(gone));
    ::rmdir(gone.c_str());
    prompter_.Clear();
    emit source->clicked(removed);
    QCOMPARE(prompter_.CountTitled("Path is no longer valid"), 1);
    QVERIFY(Q(prompter_.Log()[0].text).endsWith("-> File Ops - Refresh Directories"));
    QCOMPARE(E("txtSource")->text(), Q(here));
  }

  void mainWindowMenusReachTheWindow() {
    w_.reset();
    dv::frmMain main(*services_, {}, [this](dv::ShellServices& s) { return new dv::frmFileOps(s, nullptr, &prompter_); });
    main.show();
    main.Load();
    main.Item("mnuGotoFileOperations")->trigger();
    auto* ops = qobject_cast<dv::frmFileOps*>(main.FileOps());
    QVERIFY(ops);
    QVERIFY(main.Item("mnuPerformFileOperation")->isEnabled());
    main.Item("mnuFileOpPreviewOnly")->trigger();
    QVERIFY(ops->findChild<QCheckBox*>("chkPreviewOnly")->isChecked());
    ops->findChild<QCheckBox*>("chkPreviewOnly")->click();
    QVERIFY(!main.Item("mnuFileOpPreviewOnly")->isChecked());
    main.Item("mnuShowFileOpFilterSettings")->trigger();
    QVERIFY(main.Item("mnuShowFileOpFilterSettings")->isChecked());
    QCOMPARE(ops->findChild<QPushButton*>("cmdFilterFiles")->text(), QString("Hide Filters"));
    main.Item("mnuViewFileOpLastOperationResults")->trigger();
    QVERIFY(main.Item("mnuViewFileOpLastOperationResults")->isChecked());
    QVERIFY(!main.Item("mnuPerformFileOperation")->isEnabled());  // it follows "Perform Operation"
    main.Item("mnuViewFileOpLastOperationResults")->trigger();
    QVERIFY(main.Item("mnuPerformFileOperation")->isEnabled());
  }

  void choicesComeBackInTheNextSessionAndPanelsScroll() {
    const std::string src = Source();
    SetSource(src);
    E("txtDestination")->setText(Q(*tree_ / "dst"));
    Operation(8);
    E("txtRegExFilePattern")->setText("*.txt");
    A("optPatternMatching_1")->click();
    A("optPatternMatching_2")->click();
    A("chkDeleteToTrash")->setChecked(true);
    w_->RememberChoices();
    w_.reset();
    MakeWindow();
    QCOMPARE(E("txtSource")->text(), Q(src));
    QCOMPARE(E("txtDestination")->text(), Q(*tree_ / "dst"));
    QVERIFY(A("optFileOps_8")->isChecked() && C("optFileOps_8")->isVisible());
    QVERIFY(C("fraSpecificFileOperationOptions_8")->isVisible());
    QCOMPARE(E("txtRegExFilePattern")->text(), QString("*.txt"));
    QVERIFY(A("optPatternMatching_1")->isChecked() && A("optPatternMatching_2")->isChecked());
    QVERIFY(A("chkDeleteToTrash")->isChecked());

    auto* scroller = C<QScrollArea>("scrContent");
    if (A("cmdShowAdvanced")->text() == "Advanced") A("cmdShowAdvanced")->click();
    if (A("cmdFilterFiles")->text() == "View Filters") A("cmdFilterFiles")->click();
    QVERIFY(C("fraFilters")->isVisible());
    w_->resize(500, 300);
    QApplication::processEvents();
    QVERIFY(scroller->verticalScrollBar()->maximum() > 0);
    // However small the window and whatever is shown, the commands are in reach without scrolling.
    for (const char* name : {"cmdProcess", "cmdLastOperationResults", "cmdDisplayErrors"}) {
      const QWidget* button = C(name);
      const QRect inWindow(button->mapTo(w_.get(), QPoint(0, 0)), button->size());
      QVERIFY2(w_->rect().contains(inWindow) && !button->visibleRegion().isEmpty(), name);
    }
  }

  void aMissingSourceStaysAsChosenAndPerformRefusesIt() {
    struct Row {
      const char* name;
      std::function<void(const std::string& chosen)> lose;  // the chosen folder goes away
    };
    const Row rows[] = {
        {"a delete that removes its own emptied folder",
         [this](const std::string&) {
           Operation(2);
           A("chkDeleteEmptyDirectories")->click();
           Perform();
         }},
        {"removed elsewhere, then the trees refreshed",
         [this](const std::string& chosen) {
           Operation(2);
           ::unlink((chosen + "/x.txt").c_str());
           ::rmdir(chosen.c_str());
           w_->RefreshDrives();
         }},
    };
    for (const Row& r : rows) {
      Reopen();
      const std::string base = *tree_ / r.name;
      tree_->File(std::string(r.name) + "/keep.txt", "kept");
      tree_->File(std::string(r.name) + "/chosen/x.txt", "x");
      const std::string chosen = base + "/chosen";
      SetSource(chosen);
      QCOMPARE(C<QLabel>("lblSource")->text(), QString("From"));
      r.lose(chosen);
      QVERIFY2(!TempTree::Exists(chosen), r.name);
      QCOMPARE(E("txtSource")->text(), Q(chosen));
      QVERIFY2(C<QLabel>("lblSource")->text().contains("not found"), r.name);
      prompter_.Clear();
      Perform();
      QCOMPARE(prompter_.CountTitled("Source does not exist"), 1);
      QCOMPARE(prompter_.CountTitled("Operation Confirmation"), 0);
      QVERIFY2(TempTree::Exists(base + "/keep.txt"), r.name);
      QCOMPARE(w_->focusWidget(), C("txtSource"));
      // Another folder chosen: the mark goes.
      SetSource(base);
      QCOMPARE(C<QLabel>("lblSource")->text(), QString("From"));
    }
  }

  void checksBeforeAskingNameTheFieldAndFocusIt() {
    const std::string src = Source();
    const std::string dst = tree_->Dir("dst");
    struct Row {
      int op;
      std::function<void()> set;
      const char* field;
      const char* title;
      const char* says;
    };
    const Row rows[] = {
        {0, [this] { SetSource(""); }, "txtSource", "No Source", "Choose a source folder"},
        {0, [&] { SetSource(*tree_ / "nowhere"); }, "txtSource", "Source does not exist", "From: "},
        // Typed, a folder of that name is a folder: only files picked in the list make "Multiple.Files".
        {0, [&] { SetSource(*tree_ / "Multiple.Files"); }, "txtSource", "Source does not exist", "From: "},
        {10, [&] { E("txtDestination")->setText(Q(*tree_ / "none")); }, "txtDestination",
         "Destination does not exist", "To: "},
        {0, [&] { E("txtDestination")->setText(Q(src + "/deep")); }, "txtDestination", "Destination inside Source",
         "To: "},
        {6, [&] { E("txtDestination")->setText(Q(src)); }, "txtDestination",
         "Identical Source and Destination directory", "To: "},
        {4, [this] { E("txtRenamePattern")->setText("(b"); }, "txtRenamePattern", "Invalid Pattern",
         "Rename \"Search Pattern\""},
        {0, [this] {
           A("optPatternMatching_1")->click();
           E("txtRegExFilePattern")->setText("a[");
         },
         "txtRegExFilePattern", "Invalid Pattern", "\"File Name Filter\""},
        {8, [this] { E("dtpChangeDate")->setText("2026-02-30"); }, "dtpChangeDate", "Invalid Date",
         "is not a date. Enter the date as YYYY-MM-DD"},
        {9, [this] {
           E("txtRunProcessOnFile")->setText("cat <<filename>>");
           E("txtRunProcOnFileWaitTime")->setText("1bc12x");  // not typed: set as a restore or script would
         },
         "txtRunProcOnFileWaitTime", "Numbers only", "Run Process \"Wait\": digits only"},
        {10, [this] {
           A("optCompareOptions_1")->click();
           E("txtBytesToCompare")->setText("12x");
         },
         "txtBytesToCompare", "Numbers only", "Compare \"Bytes to check\": digits only"},
        {0, [this] { E("dtpDateRestrictionDate")->setText("2026-02-30"); }, "dtpDateRestrictionDate",
         "Invalid Date", "File Date Filter"},
    };
    for (const Row& r : rows) {
      Reopen();
      SetSource(src);
      E("txtDestination")->setText(Q(dst));
      Operation(r.op);
      r.set();
      prompter_.Clear();
      Perform();
      QVERIFY2(prompter_.Count() == 1 && Q(prompter_.Log()[0].title) == r.title, r.title);
      QVERIFY2(Q(prompter_.Log()[0].text).contains(r.says), prompter_.Log()[0].text.c_str());
      QCOMPARE(w_->focusWidget(), C(r.field));
      QVERIFY2(C(r.field)->isVisible(), r.field);
    }
  }

  // The menu's undo: the summary and question through the window's prompter, the run undone on the worker, the
  // results in the results view; a second time there is nothing left to undo.
  void undoLastOperationUndoesTheLastRunAndShowsItsResults() {
    env_->Set("XDG_DATA_HOME", *tree_ / "data");
    const std::string made = tree_->File("dst/made.txt", "m");
    {
      dv::JournalHeader h;
      h.operation = "Copy";
      h.destination = *tree_ / "dst";
      auto journal = dv::JournalWriter::Start(dv::DefaultJournalFolder(), h);
      dv::JournalItem item;
      item.path = made;
      item.id = dv::IdentityAt(AT_FDCWD, made.c_str(), made);
      journal->Add(item);
      journal->End("completed", 1);
    }
    for (const char* expected : {"Undone: ", "There is no operation to undo."}) {
      prompter_.Clear();
      w_->UndoLastOperation();
      QTRY_VERIFY_WITH_TIMEOUT(!w_->Running(), 60000);
      if (expected[0] == 'T') {
        QCOMPARE(prompter_.Count("Message"), 1);
        QCOMPARE(Q(prompter_.Log().back().text), QString(expected));
        continue;
      }
      QCOMPARE(prompter_.CountTitled("Undo"), 1);
      QVERIFY(!TempTree::Exists(made));
      QVERIFY(!C("txtInfoDisplay")->isHidden());
      QVERIFY(TempTree::Read(services_->tempFolder + "/DVidt.txt").find(expected + made) != std::string::npos);
    }
  }

  void renameHasAPatternChoiceOfItsOwn() {
    const std::string src = Source();
    struct Row {
      const char* filterChoice;
      const char* renameChoice;
      long renameMatching;
      dv::PatternKind filterKind;
    };
    const Row rows[] = {
        {"optPatternMatching_0", "optPatternMatching_3", 2, dv::PatternKind::Wildcards},
        {"optPatternMatching_1", "optPatternMatching_2", 1, dv::PatternKind::RegularExpression},
        {"optPatternMatching_0", "optPatternMatching_2", 1, dv::PatternKind::Wildcards},
    };
    for (const Row& r : rows) {
      SetSource(src);
      Operation(4);
      E("txtRenamePattern")->setText("*.txt");
      E("txtRegExFilePattern")->setText("*.txt");
      A(r.filterChoice)->click();
      A(r.renameChoice)->click();
      QVERIFY(A(r.filterChoice)->isChecked());
      prompter_.DefaultAnswer(dv::Answer::No);
      prompter_.Clear();
      w_->PrepareOperation();
      QCOMPARE(prompter_.CountTitled("Operation Confirmation"), 1);
      QCOMPARE(std::get<dv::RenameChoice>(w_->PreparedSettings().details).patternMatching, r.renameMatching);
      QCOMPARE(*w_->PreparedSettings().scan.patternKind, r.filterKind);
    }
  }
};

QTEST_MAIN(FrmFileOpsTest)
#include "frm_file_ops_qtest.moc"
