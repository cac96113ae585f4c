// FiltersPanel: the pattern pair's names follow the window's numbering and form one choice, the levels box
// follows "Only" and corrects text it does not accept, the file filters turn off together (the pattern choice and
// the levels stay), and number boxes refuse other keys when asked to.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "shell/filters_panel.h"

namespace {

dv::FiltersPanelSetup Setup(int firstPattern, bool digitsOnly) {
  dv::FiltersPanelSetup setup;
  setup.firstPatternIndex = firstPattern;
  setup.quickRefName = "cmdQuick";
  setup.digitsOnly = digitsOnly;
  setup.acceptsLevel = [](const QString& t) {
    bool ok = false;
    t.toInt(&ok);
    return ok;
  };
  return setup;
}

}  // namespace

class FiltersPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void patternPairTakesTheWindowsNumbers_data() {
    QTest::addColumn<int>("first");
    QTest::newRow("file operations") << 0;
    QTest::newRow("directory printer") << 2;
  }
  void patternPairTakesTheWindowsNumbers() {
    QFETCH(int, first);
    dv::FiltersPanel panel(Setup(first, false));
    QCOMPARE(panel.AddNameRows(0), 2);
    auto* wild = panel.findChild<QRadioButton*>(QString("optPatternMatching_%1").arg(first));
    auto* regex = panel.findChild<QRadioButton*>(QString("optPatternMatching_%1").arg(first + 1));
    QVERIFY(wild && regex && panel.findChild<QPushButton*>("cmdQuick"));
    wild->setChecked(true);
    regex->setChecked(true);
    QVERIFY(!wild->isChecked());
  }

  void levelsBox_data() {
    QTest::addColumn<bool>("only");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("all: greyed") << false << "3" << "3";
    QTest::newRow("only: a number stays") << true << "12" << "12";
    QTest::newRow("only: other text becomes 1") << true << "1x" << "1";
    QTest::newRow("only: empty stays empty") << true << "" << "";
  }
  void levelsBox() {
    QFETCH(bool, only);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    dv::FiltersPanel panel(Setup(0, false));
    (only ? panel.optSubDirectories_Only : panel.optSubDirectories_All)->setChecked(true);
    panel.SubDirectoriesChanged();
    QCOMPARE(panel.txtSubDirectoriesLevel->isEnabled(), only);
    panel.txtSubDirectoriesLevel->setText(typed);
    panel.LevelChanged();
    QCOMPARE(panel.txtSubDirectoriesLevel->text(), kept);
  }

  void fileControlsTurnOffTogether() {
    dv::FiltersPanel panel(Setup(0, false));
    panel.SetFileControlsEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             panel.txtRegExFilePattern, panel.txtExtensionsFilter, panel.optIncludeExtensions,
             panel.optExcludeExtensions, panel.cboDateRestrictionType, panel.cboDateRestrictionTypeOperator,
             panel.dtpDateRestrictionDate, panel.cboFileSizeRestrictionOperator, panel.txtFileSizeRestrictionSize,
             panel.cboFileSizeRestrictionSizeType})
      QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(panel.optWildcards->isEnabled() && panel.cmdQuickRef->isEnabled());
    QVERIFY(panel.optSubDirectories_All->isEnabled());
    panel.SetFileControlsEnabled(true);
    QVERIFY(panel.txtFileSizeRestrictionSize->isEnabled());
  }

  void numberBoxesRefuseOtherKeys_data() {
    QTest::addColumn<bool>("digitsOnly");
    QTest::addColumn<QString>("kept");
    QTest::newRow("digits only") << true << "112";
    QTest::newRow("any text") << false << "1bc12x";
  }
  void numberBoxesRefuseOtherKeys() {
    QFETCH(bool, digitsOnly);
    QFETCH(QString, kept);
    dv::FiltersPanel panel(Setup(0, digitsOnly));
    for (QLineEdit* box : {panel.txtFileSizeRestrictionSize, panel.txtSubDirectoriesLevel}) {
      QTest::keyClicks(box, "1bc12x");
      QCOMPARE(box->text(), kept);
    }
  }
};

QTEST_MAIN(FiltersPanelTest)
#include "filters_panel_qtest.moc"
