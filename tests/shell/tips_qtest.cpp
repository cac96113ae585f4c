// frmTip with real tips files, the real per-user settings store and the shipped TIPOFDAY.TXT.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <set>

#include "common/setting_defaults.h"
#include "shell/frm_tip.h"
#include "shell/resources.h"
#include "settings/settings_store.h"
#include "small_windows_support.h"

using dvtest::TestErrors;

namespace {

const QString kMissingText =
    "That the TIPOFDAY.TXT file was not found? \n"
    "Create a text file named TIPOFDAY.TXT using NotePad with 1 tip per line. "
    "Then place it in the same directory as the application. ";

}  // namespace

class TipsTest : public QObject {
  Q_OBJECT

  // Each test gets its own config folder (so its own settings file), scratch folder and main window.
  std::unique_ptr<dv::test::WindowEnvironment> env_;
  std::unique_ptr<dv::IniUserSettings> settings_;
  std::unique_ptr<TestErrors> errors_;
  QWidget* main_ = nullptr;

  QString WriteTips(const QByteArray& bytes) {
    const QString path = env_->Path("TIPOFDAY.TXT");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
  }
  std::unique_ptr<dv::frmTip> MakeTip(const QString& file) {
    return std::make_unique<dv::frmTip>(*settings_, errors_->handler, main_, file);
  }
  static QString Shown(const dv::frmTip& tip) { return tip.findChild<QLabel*>("lblTipText")->text(); }
  static void Click(const dv::frmTip& tip, const char* name) {
    QTest::mouseClick(tip.findChild<QAbstractButton*>(name), Qt::LeftButton);
  }

 private slots:
  void init() {
    env_ = std::make_unique<dv::test::WindowEnvironment>();
    settings_ = std::make_unique<dv::IniUserSettings>();
    QVERIFY(QString::fromStdString(settings_->FilePath()).startsWith(env_->ConfigHome()));
    errors_ = std::make_unique<TestErrors>();
    main_ = new QWidget;
    main_->setGeometry(100, 80, 900, 650);
    main_->show();
  }
  void cleanup() {
    delete main_;
    QVERIFY2(errors_->prompter.Log().empty(), errors_->prompter.Log().empty()
                                                     ? ""
                                                     : errors_->prompter.Log()[0].text.c_str());
    errors_.reset();
    settings_.reset();
    env_.reset();
  }

  void emptyFileShowsNothingAndNextTipStaysAtOne() {
    auto tip = MakeTip(WriteTips(""));
    QVERIFY(tip->Load());
    QVERIFY(tip->Tips().isEmpty());
    QCOMPARE(tip->CurrentTip(), 1);
    QCOMPARE(Shown(*tip), QString());
    Click(*tip, "cmdNextTip");
    Click(*tip, "cmdNextTip");
    QCOMPARE(tip->CurrentTip(), 1);
    QCOMPARE(Shown(*tip), QString());
  }

  void oneLineFileAlwaysShowsThatLine() {
    auto tip = MakeTip(WriteTips("Only this tip.\r\n"));
    QVERIFY(tip->Load());
    QCOMPARE(tip->Tips(), QStringList{"Only this tip."});
    for (int i = 0; i < 5; ++i) {
      QCOMPARE(Shown(*tip), QString("Only this tip."));
      QCOMPARE(tip->CurrentTip(), 1);
      Click(*tip, "cmdNextTip");
    }
  }

  // One "æ" between two words gives two lines, whether the file is UTF-8 or Latin-1.
  void lineBreakMarkGivesTwoLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("UTF-8") << QByteArray("first\xC3\xA6second\n");
    QTest::newRow("Latin-1") << QByteArray("first\xE6second\n");
    QTest::newRow("UTF-8 with BOM, CR LF") << QByteArray("\xEF\xBB\xBF" "first\xC3\xA6second\r\n");
    QTest::newRow("no final line end") << QByteArray("first\xC3\xA6second");
  }
  void lineBreakMarkGivesTwoLines() {
    QFETCH(QByteArray, bytes);
    auto tip = MakeTip(WriteTips(bytes));
    QVERIFY(tip->Load());
    QCOMPARE(tip->Tips().size(), 1);
    QCOMPARE(Shown(*tip).split('\n'), (QStringList{"first", "second"}));
  }

  void parseKeepsTextAndDropsBlankLines() {
    // Latin-1 text that happens to hold other accented bytes stays Latin-1 throughout.
    QCOMPARE(dv::frmTip::ParseTips("caf\xE9 one\xE6two\r\n\r\n   \nlast"),
             (QStringList{QString::fromUtf8("caf\xC3\xA9 one\xC3\xA6two"), "last"}));
    QCOMPARE(dv::frmTip::ParseTips("a\rb\nc\r\n"), (QStringList{"a", "b", "c"}));
    QCOMPARE(dv::frmTip::TipDisplayText(QString::fromUtf8("a\xC3\xA6" "b\xC3\xA6\xC3\xA6" "c")),
             QString("a\nb\n\nc"));
    QCOMPARE(dv::frmTip::TipDisplayText(QString::fromUtf8("\xC3\x86 capital stays")),
             QString::fromUtf8("\xC3\x86 capital stays"));
  }

  void nextTipWalksInFileOrderAndWraps() {
    auto tip = MakeTip(WriteTips("one\ntwo\nthree\n"));
    QVERIFY(tip->Load());
    const QStringList tips{"one", "two", "three"};
    int current = tip->CurrentTip();
    QVERIFY(current >= 1 && current <= 3);
    QCOMPARE(Shown(*tip), tips[current - 1]);
    for (int i = 0; i < 6; ++i) {
      Click(*tip, "cmdNextTip");
      current = current % 3 + 1;
      QCOMPARE(tip->CurrentTip(), current);
      QCOMPARE(Shown(*tip), tips[current - 1]);
    }
  }

  // The first tip is picked at random among all of them, never outside.
  void firstTipIsRandomWithinRange() {
    const QString file = WriteTips("a\nb\nc\n");
    auto tip = MakeTip(file);
    std::set<int> seen;
    for (int i = 0; i < 300; ++i) {
      QVERIFY(tip->LoadTips(file));
      QVERIFY(tip->CurrentTip() >= 1 && tip->CurrentTip() <= 3);
      seen.insert(tip->CurrentTip());
    }
    QCOMPARE(seen.size(), size_t(3));
  }

  void missingFileShowsHowToCreateIt() {
    auto tip = MakeTip(env_->Path("TIPOFDAY.TXT"));
    QVERIFY(tip->Load());
    QCOMPARE(Shown(*tip), kMissingText);
    QCOMPARE(dv::frmTip::MissingFileText(), kMissingText);
    QVERIFY(!tip->LoadTips(""));
    QVERIFY(!tip->LoadTips(env_->Path()));  // a folder is no tips file
    Click(*tip, "cmdNextTip");                  // harmless with no tips
  }

  void windowLooksRightAndOkCloses() {
    auto tip = MakeTip(WriteTips("x\n"));
    QVERIFY(tip->Load());
    QCOMPARE(tip->windowTitle(), QString("Tip of the Day"));
    QCOMPARE(tip->findChild<QCheckBox*>("chkLoadTipsAtStartup")->text(), QString("&Show Tips at Startup"));
    QCOMPARE(tip->findChild<QPushButton*>("cmdNextTip")->text(), QString("&Next Tip"));
    QCOMPARE(tip->findChild<QPushButton*>("cmdOK")->text(), QString("OK"));
    tip->show();
    QVERIFY(QTest::qWaitForWindowExposed(tip.get()));
    QVERIFY((tip->frameGeometry().center() - main_->frameGeometry().center()).manhattanLength() <= 2);
    QVERIFY(!tip->isModal());
    Click(*tip, "cmdOK");
    QVERIFY(!tip->isVisible());
  }

  void missingSettingShowsTipsAndLoadWritesNothing() {
    auto tip = MakeTip(WriteTips("x\n"));
    QVERIFY(tip->Load());
    QVERIFY(tip->findChild<QCheckBox*>("chkLoadTipsAtStartup")->isChecked());
    QCOMPARE(settings_->GetSetting(dv::setting::ShowTipsAtStartup, "missing"), std::string("missing"));
  }

  void settingDecidesWhetherTipsShow_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("shown");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("0 with blanks") << " 0 " << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("not a number") << "yes" << true;
    QTest::newRow("empty") << "" << true;
  }
  void settingDecidesWhetherTipsShow() {
    QFETCH(QString, stored);
    QFETCH(bool, shown);
    settings_->SaveSetting(dv::setting::ShowTipsAtStartup, stored.toStdString());
    WriteTips("x\n");
    QCOMPARE(MakeTip(env_->Path("TIPOFDAY.TXT"))->Load(), shown);
  }

  // Unticking writes "0" at once; the next start shows no tip window at all. Ticking again brings them back.
  void switchingTipsOffThenRestartingShowsNoWindow() {
    const QString file = WriteTips("x\n");
    auto tip = MakeTip(file);
    QVERIFY(tip->Load());
    tip->show();
    auto* box = tip->findChild<QCheckBox*>("chkLoadTipsAtStartup");
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!box->isChecked());
    QCOMPARE(dv::IniUserSettings().GetSetting(dv::setting::ShowTipsAtStartup, "?"), std::string("0"));
    tip.reset();

    dv::IniUserSettings restarted;
    QCOMPARE(dv::frmTip::ShowAtStartup(restarted, errors_->handler, main_), nullptr);
    QVERIFY(main_->findChildren<dv::frmTip*>().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!(qobject_cast<dv::frmTip*>(w) && w->isVisible()));

    restarted.SaveSetting(dv::setting::ShowTipsAtStartup, "1");
    QPointer<dv::frmTip> again = dv::frmTip::ShowAtStartup(restarted, errors_->handler, main_);
    QVERIFY(again);
    QVERIFY(again->isVisible());
    QTest::mouseClick(again->findChild<QCheckBox*>("chkLoadTipsAtStartup"), Qt::LeftButton);  // off
    QTest::mouseClick(again->findChild<QCheckBox*>("chkLoadTipsAtStartup"), Qt::LeftButton);  // on again
    QCOMPARE(restarted.GetSetting(dv::setting::ShowTipsAtStartup, "?"), std::string("1"));
    QTest::mouseClick(again->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(again.isNull());  // the start-up window is deleted once closed
  }

  // The tips shipped with the program: enough real tips, each readable, some with line breaks.
  void shippedTipsFile() {
    const QString file = dv::ResourceFolderFor(DV_BUILD_BIN_DIR) + "/TIPOFDAY.TXT";
    QFile in(file);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(file));
    QStringList tips = dv::frmTip::ParseTips(in.readAll());
    QVERIFY(tips.size() >= 15);
    int withBreaks = 0;
    for (const QString& t : tips) {
      QVERIFY2(t.size() >= 30 && t.size() <= 400, qPrintable(t));
      QVERIFY2(!t.contains(QChar::ReplacementCharacter), qPrintable(t));
      QVERIFY2(!t.contains("&&"), qPrintable(t));  // captions are written as the user sees them
      if (t.contains(QChar(0xE6))) ++withBreaks;
    }
    QVERIFY(withBreaks >= 2);
    QCOMPARE(tips.removeDuplicates(), 0);
  }

  void resourceFolderBesideOrInstalled() {
    QTemporaryDir root;
    QDir(root.path()).mkpath("bin");
    const QString bin = root.path() + "/bin";
    QCOMPARE(dv::ResourceFolderFor(bin), bin + "/resources");  // neither: where it was expected
    QDir(root.path()).mkpath("share/dorvane");
    QCOMPARE(dv::ResourceFolderFor(bin), root.path() + "/share/dorvane");
    QDir(root.path()).mkpath("bin/resources");
    QCOMPARE(dv::ResourceFolderFor(bin), bin + "/resources");  // the build's copy wins
  }
};

QTEST_MAIN(TipsTest)
#include "tips_qtest.moc"
