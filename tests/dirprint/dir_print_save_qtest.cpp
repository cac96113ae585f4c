// Saving and printing the directory report through the real window: the save dialog and the print dialog are
// scripted, every question is answered by a recording prompter, and the written files are read back.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>
#include <sys/stat.h>

#include <deque>

#include "dirprint/dir_print_save.h"
#include "dirprint/frm_dir_print.h"
#include "dirprint/frm_html_settings.h"
#include "shell/report_view.h"
#include "dirprint/sortable_list.h"
#include "shell/shell_services.h"
#include "support/child_process.h"
#include "support/find_child.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of a PDF file as pdftotext reads it; empty when pdftotext is missing.
QString PdfText(const QString& pdf) {
  return QString::fromStdString(dv::test::RunProgram("pdftotext", {"-layout", pdf.toStdString(), "-"}).out);
}

}  // namespace

class DirPrintSaveTest : public QObject {
  Q_OBJECT
  std::unique_ptr<dv::test::WindowEnvironment> env_;
  std::unique_ptr<dv::ShellServices> services_;
  // Every question answered Yes unless a test queues another answer for its title.
  dv::test::ScriptedPrompter prompter_;
  std::unique_ptr<dv::frmDirPrint> w_;
  // The scripted save dialog: each request is kept, each answer taken from the front of the script.
  std::vector<dv::SaveDialogRequest> requests_;
  std::deque<std::optional<dv::SaveDialogChoice>> dialogAnswers_;

  template <class T = QWidget>
  T* C(const char* name) {
    return dv::test::Child<T>(w_.get(), name);
  }
  QString Home() const { return env_->Home(); }
  QString Out(const QString& name) const { return env_->Path("out/" + name); }
  void Answer(const QString& path, int filterIndex) { dialogAnswers_.push_back(dv::SaveDialogChoice{path, filterIndex}); }
  void Cancel() { dialogAnswers_.push_back(std::nullopt); }
  QString Preview() { return C<dv::ReportPreview>("rtfPreviewDirPrint")->Text(); }

  // A tree with names that need escaping in every format.
  QString MakeTree() {
    const QString root = env_->Home() + "/tree";
    QDir().mkpath(root + "/sub");
    for (const QString& name : {QString("plain.txt"), QString("a&b <c> \"q\".txt"), QString("br{ace}s\\x.dat"),
                                QString::fromUtf8("caf\xc3\xa9.txt"), QString("sub/inner.dat")}) {
      QFile f(root + "/" + name);
      if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(name));
      f.write("x");
    }
    return root;
  }
  void RunJob(const char* view) {
    C<QLineEdit>("txtPathSelected")->setText(MakeTree());
    C<QRadioButton>(view)->click();
    C<QPushButton>("cmdProcessDirPrint")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w_->JobRunning(), 30000);
    QVERIFY(Preview().contains("plain.txt"));
  }
  qint64 LogSize() { return QFileInfo(QString::fromStdString(services_->log.Path())).size(); }

 private slots:
  void init() {
    env_ = std::make_unique<dv::test::WindowEnvironment>();
    QDir().mkpath(env_->Path("out"));
    services_ = std::make_unique<dv::ShellServices>();
    services_->log.OpenSessionErrorLog();
    services_->utilities.PrintFontChecked = true;
    prompter_.Reset();
    prompter_.DefaultAnswer(dv::Answer::Yes);
    requests_.clear();
    dialogAnswers_.clear();
    w_ = std::make_unique<dv::frmDirPrint>(*services_, nullptr, &prompter_);
    w_->SaveDialog = [this](const dv::SaveDialogRequest& r) -> std::optional<dv::SaveDialogChoice> {
      requests_.push_back(r);
      if (dialogAnswers_.empty()) return std::nullopt;
      auto a = dialogAnswers_.front();
      dialogAnswers_.pop_front();
      return a;
    };
    w_->resize(900, 700);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
  }
  void cleanup() {
    QCOMPARE(LogSize(), 0);  // no step of any test failed
    w_.reset();
    services_.reset();
    env_.reset();
  }

  // --- The pieces ---

  void defaultNameUsesTwelveHourClockAndNoSlash() {
    QCOMPARE(dv::DefaultSaveFileName(QDateTime(QDate(2004, 10, 4), QTime(15, 15))),
             QString("DV_DirectoryInfo_10-04-04_03-15-pm"));
    QCOMPARE(dv::DefaultSaveFileName(QDateTime(QDate(2026, 1, 9), QTime(0, 5))),
             QString("DV_DirectoryInfo_01-09-26_12-05-am"));
    QCOMPARE(dv::DefaultSaveFileName(QDateTime(QDate(2026, 12, 31), QTime(12, 0))),
             QString("DV_DirectoryInfo_12-31-26_12-00-pm"));
    QCOMPARE(dv::DefaultSaveFileName(QDateTime(QDate(2026, 12, 31), QTime(11, 59))),
             QString("DV_DirectoryInfo_12-31-26_11-59-am"));
  }

  void realDialogStartsAsAskedAndAddsThePickedType() {
    dv::SaveDialogRequest r;
    r.title = "Save Directory Information";
    r.initialFolder = env_->Path("out") + "/";
    r.fileName = "DV_DirectoryInfo_01-02-03_04-05-pm";
    r.filters = dv::SaveNameFilters(false);
    r.defaultExtension = "htm";
    r.filterIndex = 3;
    r.askWebPageSettings = true;
    QString seenTitle, seenFilter, seenName, seenFolder;
    bool seenAsk = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!d) return;
      seenTitle = d->windowTitle();
      seenFilter = d->selectedNameFilter();
      seenFolder = d->directory().absolutePath();
      auto* name = d->findChild<QLineEdit*>("fileNameEdit");
      auto* types = d->findChild<QComboBox*>("fileTypeCombo");
      auto* ask = d->findChild<QCheckBox*>("chkAskWebPageSettings");
      auto* folder = d->findChild<QCheckBox*>("chkDefaultSaveFolder");
      if (!name || !types || !ask || !folder || !ask->isVisible() || !folder->isVisible()) return d->reject();
      seenAsk = ask->isChecked();
      ask->click();
      folder->click();
      seenName = name->text();
      types->setCurrentIndex(0);
      emit types->activated(0);  // the user picks rich text
      name->setText("mine");
      static_cast<QDialog*>(d)->accept();  // the Save button
    });
    auto choice = dv::RunSaveFileDialog(r, nullptr);
    QCOMPARE(seenTitle, QString("Save Directory Information"));
    QCOMPARE(seenFilter, QString("Web Page (*.htm)"));
    QCOMPARE(seenFolder, env_->Path("out"));
    QCOMPARE(seenName, r.fileName);
    QVERIFY(choice);
    QCOMPARE(choice->path, env_->Path("out/mine.rtf"));
    QCOMPARE(choice->filterIndex, 1);
    QVERIFY(seenAsk);
    QVERIFY(!choice->askWebPageSettings);
    QVERIFY(choice->makeDefaultFolder);

    QTimer::singleShot(0, [] {
      if (auto* d = QApplication::activeModalWidget()) static_cast<QDialog*>(d)->reject();
    });
    QVERIFY(!dv::RunSaveFileDialog(r, nullptr));
  }

  // Saving from the report file gives, byte for byte, what saving the text preview's text gave.
  void reportFileSavesAsThePreviewTextDid() {
    const QByteArray cases[] = {
        "",
        "plain\r\nlines\r\n",
        "no final end\nLF only",
        "lone\rCR\r\r\nthen",
        "bad \xff\xfe UTF-8 \xe2\x82\r\n",
        "no-break\xc2\xa0space, line\xe2\x80\xa8separator, paragraph\xe2\x80\xa9separator\r\n",
        "caf\xc3\xa9 \xef\xbb\xbfmarked \xf0\x9f\x93\x81\r\n",
    };
    int n = 0;
    for (const QByteArray& bytes : cases) {
      QFile report(Out("report" + QString::number(++n)));
      QVERIFY(report.open(QIODevice::WriteOnly) && report.write(bytes) == bytes.size());
      report.close();
      QPlainTextEdit old;
      old.setPlainText(QString::fromUtf8(bytes));
      const QString before = Out(QString::number(n) + "-before.txt"), after = Out(QString::number(n) + "-after.txt");
      dv::SaveReportText(old.toPlainText(), before.toStdString(), {});
      dv::SaveReportFile(report.fileName().toStdString(), after.toStdString(), {});
      QCOMPARE(ReadAll(after), ReadAll(before));
    }
  }

  // --- The save dialog's request ---

  void dialogGetsDefaultNameFiltersIndexAndLocation() {
    RunJob("optHierarchicalView");
    Cancel();
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_.size(), size_t(1));
    const dv::SaveDialogRequest& r = requests_[0];
    QCOMPARE(r.title, QString("Save Directory Information"));
    QVERIFY2(QRegularExpression("^DV_DirectoryInfo_\\d\\d-\\d\\d-\\d\\d_\\d\\d-\\d\\d-(am|pm)$").match(r.fileName).hasMatch(),
             qPrintable(r.fileName));
    QCOMPARE(r.filters, QStringList({"Rich Text Files (*.rtf)", "Text Files (*.txt)", "Web Page (*.htm)"}));
    QCOMPARE(r.defaultExtension, QString("htm"));
    QCOMPARE(r.filterIndex, 3);
    QCOMPARE(r.initialFolder, Home() + "/");
    // Cancel: nothing asked, nothing written, nothing stored.
    QVERIFY(prompter_.Log().empty());
    QVERIFY(QDir(env_->Path("out")).isEmpty());
    QCOMPARE(services_->settings.GetSetting("Default Ext", "none"), std::string("none"));
  }

  void csvViewOffersCsvAndStoresNoIndex() {
    RunJob("optCSVView");
    Answer(Out("r.csv"), 4);
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_[0].filters.size(), 4);
    QCOMPARE(requests_[0].filters[3], QString("Comma Separated Values (*.csv)"));
    QCOMPARE(requests_[0].defaultExtension, QString("csv"));
    QCOMPARE(requests_[0].filterIndex, 4);
    QCOMPARE(services_->settings.GetSetting("Default Ext", "none"), std::string("none"));
    QCOMPARE(QString::fromUtf8(ReadAll(Out("r.csv"))), Preview().replace("\n", "\r\n"));
  }

  // --- The formats ---

  void textFileHoldsThePreviewsReportWithCrLf() {
    RunJob("optFlatView");
    Answer(Out("report.txt"), 2);
    w_->SaveDirectoryInformation();
    const QByteArray saved = ReadAll(Out("report.txt"));
    QCOMPARE(saved, ReadAll(w_->ReportPath()));
    QVERIFY(saved.contains("\r\n"));
    QVERIFY(!QByteArray(saved).replace("\r\n", "").contains('\n'));
    // The chosen file type is remembered and offered first next time.
    QCOMPARE(services_->settings.GetSetting("Default Ext", ""), std::string("2"));
    Cancel();
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_.back().filterIndex, 2);
  }

  void richTextFileEscapesNames() {
    RunJob("optHierarchicalView");
    Answer(Out("report.rtf"), 1);
    w_->SaveDirectoryInformation();
    const QByteArray rtf = ReadAll(Out("report.rtf"));
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("Courier New"));
    QVERIFY(rtf.contains("br\\{ace\\}s\\\\x.dat"));
    QVERIFY(rtf.contains("caf\\u233?.txt"));
    QVERIFY(rtf.contains("a&b <c> \"q\".txt"));
    QCOMPARE(services_->settings.GetSetting("Default Ext", ""), std::string("1"));
  }

  void webPageIsEscapedAndTitledByTheBaseName() {
    services_->settings.SaveSetting("HTMLbc", "FFFFFF,16777215");  // stored: no settings window
    RunJob("optFlatView");
    Answer(Out("list.old.htm"), 3);
    w_->SaveDirectoryInformation();
    const QString page = QString::fromUtf8(ReadAll(Out("list.old.htm")));
    QVERIFY(page.startsWith("<!DOCTYPE html>\r\n"
                            "<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - list</TITLE>\r\n"));
    QVERIFY(page.contains("<TABLE border=\"0\">"));
    QVERIFY(page.contains("bgcolor=\"#FFFFFF\" text=\"#000000\""));
    QVERIFY(page.contains("<TD WIDTH=\"*\">a&amp;b &lt;c&gt; &quot;q&quot;.txt</TD>\r\n"));
    QVERIFY(!page.contains("<c>"));
    QVERIFY(page.trimmed().endsWith("</BODY></HTML>"));
    QCOMPARE(services_->settings.GetSetting("Default Ext", ""), std::string("3"));
  }

  void htmlEndingAndStoredSettingsAreUsed() {
    services_->settings.SaveSetting("HTMLbc", "0000FF,16711680");
    services_->settings.SaveSetting("HTMLtborder", "1");
    RunJob("optHierarchicalView");
    Answer(Out("Page.HTML"), 3);
    w_->SaveDirectoryInformation();
    const QString page = QString::fromUtf8(ReadAll(Out("Page.HTML")));
    QVERIFY(page.contains("<TITLE>Dorvane Directory Report - Page</TITLE>"));
    QVERIFY(page.contains("bgcolor=\"#0000FF\""));
    QVERIFY(page.contains("<TABLE border=\"1\">"));
  }

  void askedSettingsWindowServesThisSaveOnly() {
    w_->ClearSettings();  // stores the four HTML settings empty
    RunJob("optFlatView");
    dialogAnswers_.push_back(dv::SaveDialogChoice{Out("asked.htm"), 3, true, false});
    QString shownName;
    QTimer::singleShot(0, [&] {
      auto* s = qobject_cast<dv::frmHTMLSettings*>(QApplication::activeModalWidget());
      if (!s) return;
      shownName = s->objectName();
      s->findChild<QCheckBox*>("chkBorders")->click();
      s->findChild<QPushButton*>("cmdOK")->click();
    });
    w_->SaveDirectoryInformation();
    QCOMPARE(shownName, QString("frmHTMLSettings"));
    const QString page = QString::fromUtf8(ReadAll(Out("asked.htm")));
    QVERIFY(page.contains("<TABLE border=\"1\">"));
    QVERIFY(page.contains("bgcolor=\"#FFFFFF\" text=\"#000000\""));
    QVERIFY(page.contains("font-size: 12px"));
    // "OK" hands the values to this save only; nothing was stored.
    QCOMPARE(services_->settings.GetSetting("HTMLtborder", "x"), std::string(""));
  }

  // --- Saving safely ---

  void webPageWorkFileIsGoneWhenDone() {
    services_->settings.SaveSetting("HTMLbc", "FFFFFF,16777215");
    RunJob("optFlatView");
    Answer(Out("page.htm"), 3);
    w_->SaveDirectoryInformation();
    QVERIFY(ReadAll(Out("page.htm")).contains("plain.txt"));
    QCOMPARE(QString::fromStdString(dv::HtmlWorkFilePath()), env_->RuntimeDir() + "/dorvane/DVhtmltemp");
    QVERIFY(!QFile::exists(QString::fromStdString(dv::HtmlWorkFilePath())));
  }

  void savingOverAFileKeepsItsModeAndNeverFollowsALink() {
    services_->settings.SaveSetting("HTMLbc", "FFFFFF,16777215");
    RunJob("optFlatView");
    QFile old(Out("keep.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QCOMPARE(::chmod(qPrintable(Out("keep.txt")), 0640), 0);
    Answer(Out("keep.txt"), 2);
    w_->SaveDirectoryInformation();
    QCOMPARE(ReadAll(Out("keep.txt")), ReadAll(w_->ReportPath()));
    struct stat st {};
    QCOMPARE(::stat(qPrintable(Out("keep.txt")), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);

    // A link is neither written through nor replaced, whatever the kind; the failure is reported.
    QFile real(Out("real.txt"));
    QVERIFY(real.open(QIODevice::WriteOnly));
    real.write("the link's target");
    real.close();
    // The session's own message box reports each failure; it is read and closed as it comes up.
    QStringList reported;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        reported << box->text();
        box->accept();
      }
    });
    closer.start(10);
    for (const char* name : {"link.txt", "link.rtf", "link.htm"}) {
      QVERIFY(QFile::link("real.txt", Out(name)));
      Answer(Out(name), 2);
      w_->SaveDirectoryInformation();
      QVERIFY(QFileInfo(Out(name)).isSymLink());
    }
    closer.stop();
    QCOMPARE(ReadAll(Out("real.txt")), QByteArray("the link's target"));
    QCOMPARE(reported.size(), 3);
    for (const QString& text : reported) QVERIFY2(text.contains("is a symbolic link"), qPrintable(text));
    QVERIFY(!QFile::exists(QString::fromStdString(dv::HtmlWorkFilePath())));
    QCOMPARE(QDir(env_->Path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({"keep.txt", "link.htm", "link.rtf", "link.txt", "real.txt"}));
  }

  // --- The dialog's answers ---

  void invalidPathAsksAndRetriesFromTheTempFolder() {
    RunJob("optHierarchicalView");
    Answer(env_->Path("missing/r.txt"), 2);
    Answer(Out("bad|name.txt"), 2);
    Answer(Out("good.txt"), 2);
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_.size(), size_t(3));
    QCOMPARE(prompter_.CountTitled("Invalid Path or Name"), 2);
    QCOMPARE(prompter_.Log()[0].text,
             std::string("Either the directory does not exist or the file name has invalid characters in it.\r\n\r\n"
                         "Would you like to try to save again?"));
    QCOMPARE(requests_[1].fileName, QString());
    QCOMPARE(requests_[1].initialFolder, env_->TempDir() + "/");
    QVERIFY(!QFile::exists(env_->Path("missing/r.txt")));
    QCOMPARE(ReadAll(Out("good.txt")), ReadAll(w_->ReportPath()));
  }

  void invalidPathAnsweredNoSavesNothing() {
    RunJob("optHierarchicalView");
    Answer(env_->Path("missing/r.txt"), 2);
    prompter_.QueueAnswerFor("Invalid Path or Name", dv::Answer::No);
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_.size(), size_t(1));
    QVERIFY(QDir(env_->Path("out")).isEmpty());
    QCOMPARE(services_->settings.GetSetting("Default Ext", "none"), std::string("none"));
  }

  // The dialog is the one thing a save asks: no question and no settings window follow it unless its options
  // ask for them, and both options take effect.
  void oneSaveAsksOnlyTheDialog_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ask");
    QTest::addColumn<bool>("makeDefault");
    QTest::addColumn<bool>("settingsShown");
    QTest::newRow("text") << "one.txt" << 2 << false << false << false;
    QTest::newRow("page, nothing stored") << "one.htm" << 3 << false << false << false;
    QTest::newRow("page, ask") << "asked.htm" << 3 << true << false << true;
    QTest::newRow("text, ask, default folder") << "two.txt" << 2 << true << true << false;
  }
  void oneSaveAsksOnlyTheDialog() {
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(bool, ask);
    QFETCH(bool, makeDefault);
    QFETCH(bool, settingsShown);
    w_->ClearSettings();  // no stored web page settings: once a reason to ask
    RunJob("optFlatView");
    dialogAnswers_.push_back(dv::SaveDialogChoice{Out(name), type, ask, makeDefault});
    bool shown = false;
    QTimer settingsCloser;
    connect(&settingsCloser, &QTimer::timeout, [&] {
      if (auto* s = qobject_cast<dv::frmHTMLSettings*>(QApplication::activeModalWidget())) {
        shown = true;
        s->findChild<QPushButton*>("cmdOK")->click();
      }
    });
    settingsCloser.start(0);
    w_->SaveDirectoryInformation();
    settingsCloser.stop();
    QVERIFY(prompter_.Log().empty());
    QCOMPARE(shown, settingsShown);
    QVERIFY(ReadAll(Out(name)).contains("plain.txt"));
    const std::string home = (Home() + "/").toStdString(), out = (env_->Path("out") + "/").toStdString();
    QCOMPARE(services_->settings.GetSetting("Default Save Location", home), makeDefault ? out : home);
    // The web page option is remembered for the next save.
    Cancel();
    w_->SaveDirectoryInformation();
    QCOMPARE(requests_.size(), size_t(2));
    QCOMPARE(requests_[1].askWebPageSettings, ask);
    QCOMPARE(requests_[1].initialFolder, QString::fromStdString(makeDefault ? out : home));
  }

  // --- The sortable view ---

  void sortableViewSavesOnlyTheHighlightedRowsOnYes() {
    RunJob("optSortableView");
    dv::SortableListModel* model = w_->SortableList();
    const int nameColumn = model->columnCount() - 1;
    int plain = -1;
    for (int r = 0; r < model->rowCount(); ++r)
      if (model->Text(r, nameColumn).endsWith("plain.txt")) plain = r;
    QVERIFY(plain >= 0);
    auto* view = C<QTableView>("lvFilesFolders");
    view->selectionModel()->select(model->index(plain, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Answer(Out("selected.txt"), 2);
    w_->SaveDirectoryInformation();
    QCOMPARE(prompter_.CountTitled("Save Selected Only?"), 1);
    const QString saved = QString::fromUtf8(ReadAll(Out("selected.txt")));
    QVERIFY(saved.startsWith("Dorvane Row-Selected Data Directory Report\r\n"));
    QVERIFY(saved.contains("plain.txt"));
    QVERIFY(!saved.contains("inner.dat"));
    QVERIFY(!saved.contains("caf"));
    QCOMPARE(saved.toUtf8(), ReadAll(w_->ReportPath()));

    prompter_.QueueAnswerFor("Save Selected Only?", dv::Answer::No);
    Answer(Out("all.txt"), 2);
    w_->SaveDirectoryInformation();
    const QString all = QString::fromUtf8(ReadAll(Out("all.txt")));
    QVERIFY(all.startsWith("Dorvane Data Directory Report\r\n"));
    QVERIFY(all.contains("plain.txt") && all.contains("inner.dat"));
  }

  void noRowHighlightedNoQuestionAndEveryRowSaved() {
    RunJob("optSortableView");
    Answer(Out("every.txt"), 2);
    w_->SaveDirectoryInformation();
    QCOMPARE(prompter_.CountTitled("Save Selected Only?"), 0);
    const QString saved = QString::fromUtf8(ReadAll(Out("every.txt")));
    QVERIFY(saved.startsWith("Dorvane Data Directory Report\r\n"));
    QVERIFY(saved.contains("plain.txt") && saved.contains("inner.dat"));
  }

  void outsideTheSortableViewNoRowQuestion() {
    RunJob("optFlatView");
    Answer(Out("r.txt"), 2);
    w_->SaveDirectoryInformation();
    QCOMPARE(prompter_.CountTitled("Save Selected Only?"), 0);
  }

  // --- Printing ---

  void printWritesThePreviewToAPdfFile() {
    RunJob("optFlatView");
    const QString pdf = env_->Path("out/print.pdf");
    services_->Printer().setOutputFormat(QPrinter::PdfFormat);
    services_->Printer().setOutputFileName(pdf);
    int dialogs = 0;
    w_->PrintDialog = [&](QPrintDialog&) {
      ++dialogs;
      return int(QDialog::Accepted);
    };
    w_->PrintDirectoryInformation();
    QCOMPARE(dialogs, 1);
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    QVERIFY(prompter_.Log().empty());
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is not installed");
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("Dorvane DOS Style Directory Report"), qPrintable(text));
    QVERIFY(text.contains("plain.txt"));
    QVERIFY(text.contains("inner.dat"));
  }

  void printWithASelectionPrintsOnlyIt() {
    RunJob("optFlatView");
    auto* preview = C<dv::ReportPreview>("rtfPreviewDirPrint");
    const int start = Preview().indexOf("plain.txt");
    QVERIFY(start >= 0);
    QVERIFY(preview->Find("plain.txt"));
    QCOMPARE(preview->SelectedText(), QString("plain.txt"));
    const QString pdf = env_->Path("out/part.pdf");
    services_->Printer().setOutputFormat(QPrinter::PdfFormat);
    services_->Printer().setOutputFileName(pdf);
    w_->PrintDialog = [](QPrintDialog& d) {
      return int(d.printer()->printRange() == QPrinter::Selection ? QDialog::Accepted : QDialog::Rejected);
    };
    w_->PrintDirectoryInformation();
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is not installed");
    const QString text = PdfText(pdf).trimmed();
    QCOMPARE(text, QString("plain.txt"));
  }

  void sortablePrintAsksAndRewritesTheReport() {
    RunJob("optSortableView");
    const QString pdf = env_->Path("out/sorted.pdf");
    services_->Printer().setOutputFormat(QPrinter::PdfFormat);
    services_->Printer().setOutputFileName(pdf);
    w_->PrintDialog = [](QPrintDialog&) { return int(QDialog::Accepted); };
    // Nothing highlighted: nothing is asked, and every row is printed.
    w_->PrintDirectoryInformation();
    QCOMPARE(prompter_.CountTitled("Save Selected Only?") + prompter_.CountTitled("Print Selected Only?"), 0);
    QVERIFY(Preview().startsWith("Dorvane Data Directory Report"));
    QVERIFY(Preview().contains("plain.txt"));
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));

    // A highlighted row: the question is asked in printing words, and Yes prints that row alone.
    dv::SortableListModel* model = w_->SortableList();
    C<QTableView>("lvFilesFolders")->selectionModel()->select(
        model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    prompter_.QueueAnswerFor("Print Selected Only?", dv::Answer::Yes);
    w_->PrintDirectoryInformation();
    QCOMPARE(prompter_.CountTitled("Print Selected Only?"), 1);
    QCOMPARE(prompter_.CountTitled("Save Selected Only?"), 0);
    QVERIFY(Preview().startsWith("Dorvane Row-Selected Data Directory Report"));
  }

  void cancelledPrintIsSilent() {
    RunJob("optFlatView");
    const QString pdf = env_->Path("out/never.pdf");
    services_->Printer().setOutputFormat(QPrinter::PdfFormat);
    services_->Printer().setOutputFileName(pdf);
    w_->PrintDialog = [](QPrintDialog&) { return int(QDialog::Rejected); };
    w_->PrintDirectoryInformation();
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(prompter_.Log().empty());
  }
};

QTEST_MAIN(DirPrintSaveTest)
#include "dir_print_save_qtest.moc"
