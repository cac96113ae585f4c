// frmHTMLSettings driven by objectName: loading with the stored values and their fallbacks, the colour choice and
// its hex digits (pure red and pure blue), the slider, borders, "Set As Default" in both modes, save mode's
// GetNewSettings/Ask, failures of the store, and the real settings store.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error_handler.h"
#include "common/user_settings.h"
#include "dirprint/frm_html_settings.h"
#include "platform/error.h"
#include "settings/settings_store.h"
#include "support/map_settings.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

namespace {

using MapSettings = dv::test::MapSettings;

QColor Rgb(int r, int g, int b) { return QColor(r, g, b); }

}  // namespace

class HtmlSettingsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<dv::test::WindowEnvironment> env_;
  std::unique_ptr<dv::test::ScriptedPrompter> prompter_;
  std::unique_ptr<dv::SessionErrorLog> log_;
  std::unique_ptr<dv::ErrorHandler> errors_;
  std::unique_ptr<MapSettings> store_;
  QWidget* main_ = nullptr;

  std::unique_ptr<dv::frmHTMLSettings> Make(dv::UserSettings& settings) {
    return std::make_unique<dv::frmHTMLSettings>(settings, *prompter_, *errors_, main_);
  }
  std::unique_ptr<dv::frmHTMLSettings> Make() { return Make(*store_); }

  template <class T>
  static T* Get(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }
  static void Click(const QWidget& w, const char* name) {
    QTest::mouseClick(Get<QAbstractButton>(w, name), Qt::LeftButton);
  }
  static QColor Base(const QWidget& w) { return Get<QPlainTextEdit>(w, "txtExample")->palette().color(QPalette::Base); }
  static QColor Fore(const QWidget& w) { return Get<QPlainTextEdit>(w, "txtExample")->palette().color(QPalette::Text); }
  static bool ShownIn(const QWidget& w, const char* name) { return !Get<QWidget>(w, name)->isHidden(); }

  // The HTML settings window shown modally right now, if any.
  static QWidget* ModalWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String("frmHTMLSettings") && w->isVisible()) return w;
    return nullptr;
  }
  // Runs `act` on the modal window once it is up.
  static void WhenShown(std::function<void(QWidget&)> act, bool& ran) {
    QTimer::singleShot(0, [act, &ran] {
      QWidget* w = ModalWindow();
      if (!w) return;
      ran = true;
      act(*w);
    });
  }

 private slots:
  void init() {
    env_ = std::make_unique<dv::test::WindowEnvironment>();
    prompter_ = std::make_unique<dv::test::ScriptedPrompter>();
    log_ = std::make_unique<dv::SessionErrorLog>(env_->Path("DVcurerr.txt").toStdString());
    errors_ = std::make_unique<dv::ErrorHandler>(*prompter_, *log_, nullptr);
    store_ = std::make_unique<MapSettings>();
    main_ = new QWidget;
    main_->setGeometry(100, 80, 900, 650);
    main_->show();
  }
  void cleanup() {
    delete main_;
    errors_.reset();
    log_.reset();
    prompter_.reset();
    env_.reset();
  }

  void emptyStoreGivesDefaultsAndStandaloneLayout() {
    auto w = Make();
    const auto& f = w->CurrentFields();
    QCOMPARE(f.backHex, std::string("FFFFFF"));
    QCOMPARE(f.backValue, std::string("16777215"));
    QCOMPARE(f.textHex, std::string("000000"));
    QCOMPARE(f.textValue, std::string("0"));
    QCOMPARE(f.fontSize, std::string("12"));
    QCOMPARE(f.borders, std::string("0"));
    QVERIFY(!f.saveMode);
    QCOMPARE(w->windowTitle(), QString("HTML Settings"));
    QCOMPARE(Get<QPushButton>(*w, "cmdBackColor")->text(), QString("Background Color"));
    QCOMPARE(Get<QPushButton>(*w, "cmdTextColor")->text(), QString("Text Color"));
    QCOMPARE(Get<QPushButton>(*w, "cmdSaveDefaults")->text(), QString("Set As Default"));
    QCOMPARE(Get<QPushButton>(*w, "cmdCancel")->text(), QString("Cancel"));
    QCOMPARE(Get<QPushButton>(*w, "cmdOK")->text(), QString("OK"));
    QCOMPARE(Get<QCheckBox>(*w, "chkBorders")->text(), QString("Borders"));
    QVERIFY(!Get<QCheckBox>(*w, "chkBorders")->isChecked());
    auto* slider = Get<QSlider>(*w, "sliFontSize");
    QCOMPARE(slider->minimum(), 6);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->value(), 12);
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 12"));
    auto* example = Get<QPlainTextEdit>(*w, "txtExample");
    QCOMPARE(example->toPlainText(), QString("Example \nText\n"));
    QCOMPARE(example->font().family(), QString("Courier New"));
    QCOMPARE(example->font().pixelSize(), 12);
    QCOMPARE(example->frameShape(), QFrame::NoFrame);
    QCOMPARE(Base(*w), Rgb(255, 255, 255));
    QCOMPARE(Fore(*w), Rgb(0, 0, 0));

    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    // Standalone: "Set As Default" stands where "OK" was; "OK" is hidden.
    QVERIFY(!ShownIn(*w, "cmdOK"));
    QVERIFY(ShownIn(*w, "cmdCancel"));
    QVERIFY(ShownIn(*w, "cmdSaveDefaults"));
    QVERIFY(Get<QWidget>(*w, "cmdCancel")->x() < Get<QWidget>(*w, "cmdSaveDefaults")->x());
    QCOMPARE(Get<QWidget>(*w, "chkBorders")->nextInFocusChain(), Get<QWidget>(*w, "cmdCancel"));
    QCOMPARE(Get<QWidget>(*w, "cmdCancel")->nextInFocusChain(), Get<QWidget>(*w, "cmdSaveDefaults"));
    // Centred over the main window.
    QVERIFY(qAbs(w->frameGeometry().center().x() - main_->frameGeometry().center().x()) <= 2);
    QVERIFY(qAbs(w->frameGeometry().center().y() - main_->frameGeometry().center().y()) <= 2);
    QVERIFY(prompter_->Log().empty());
  }

  void storedValuesShapeTheExample() {
    store_->values = {{"HTMLbc", "FF0000,255"}, {"HTMLfc", "0000FF,16711680"}, {"HTMLfsize", "20"},
                      {"HTMLtborder", "1"}};
    auto w = Make();
    QCOMPARE(Base(*w), Rgb(255, 0, 0));
    QCOMPARE(Fore(*w), Rgb(0, 0, 255));
    QCOMPARE(Get<QSlider>(*w, "sliFontSize")->value(), 20);
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 20"));
    QCOMPARE(Get<QPlainTextEdit>(*w, "txtExample")->font().pixelSize(), 20);
    QVERIFY(Get<QCheckBox>(*w, "chkBorders")->isChecked());
    QCOMPARE(Get<QPlainTextEdit>(*w, "txtExample")->frameShape(), QFrame::Box);
    QCOMPARE(w->CurrentFields().backHex, std::string("FF0000"));
    QCOMPARE(w->CurrentFields().textValue, std::string("16711680"));
    QCOMPARE(w->CurrentFields().fontSize, std::string("20"));
    QCOMPARE(w->CurrentFields().borders, std::string("1"));
  }

  void malformedStoredValuesFallBack_data() {
    QTest::addColumn<QString>("bc");
    QTest::addColumn<QString>("fc");
    QTest::addColumn<QString>("fsize");
    QTest::addColumn<QString>("border");
    QTest::addColumn<QString>("backHex");
    QTest::addColumn<QString>("backValue");
    QTest::addColumn<QString>("textHex");
    QTest::addColumn<QString>("textValue");
    QTest::addColumn<QString>("wantSize");
    QTest::addColumn<QString>("wantBorder");
    QTest::newRow("no comma") << "FFFFFF" << "00FF00" << "12" << "0" << "FFFFFF" << "16777215" << "000000"
                              << "0" << "12" << "0";
    QTest::newRow("seven characters") << "00FF,12" << "0000FF," << "12" << "0" << "FFFFFF" << "16777215"
                                      << "000000" << "0" << "12" << "0";
    QTest::newRow("long but no comma") << "00FF00-65280" << "0000FF16711680" << "12" << "0" << "FFFFFF"
                                       << "16777215" << "000000" << "0" << "12" << "0";
    QTest::newRow("cleared settings") << "" << "" << "" << "" << "FFFFFF" << "16777215" << "000000" << "0"
                                      << "12" << "0";
    QTest::newRow("not numeric") << "00FF00,65280" << "000000,0" << "big" << "yes" << "00FF00" << "65280"
                                 << "000000" << "0" << "12" << "0";
    // Eight characters with a comma pass the check, although the hex part is short.
    QTest::newRow("eight with comma") << "FFF,4095" << "ABC,1234" << "14" << "1" << "FFF" << "4095" << "ABC"
                                      << "1234" << "14" << "1";
    QTest::newRow("split at first comma") << "0A0B0C,1,2" << "000000,0" << "12" << "0" << "0A0B0C" << "1,2"
                                          << "000000" << "0" << "12" << "0";
  }
  void malformedStoredValuesFallBack() {
    QFETCH(QString, bc);
    QFETCH(QString, fc);
    QFETCH(QString, fsize);
    QFETCH(QString, border);
    store_->values = {{"HTMLbc", bc.toStdString()},
                      {"HTMLfc", fc.toStdString()},
                      {"HTMLfsize", fsize.toStdString()},
                      {"HTMLtborder", border.toStdString()}};
    auto w = Make();
    const auto& f = w->CurrentFields();
    QTEST(QString::fromStdString(f.backHex), "backHex");
    QTEST(QString::fromStdString(f.backValue), "backValue");
    QTEST(QString::fromStdString(f.textHex), "textHex");
    QTEST(QString::fromStdString(f.textValue), "textValue");
    QTEST(QString::fromStdString(f.fontSize), "wantSize");
    QTEST(QString::fromStdString(f.borders), "wantBorder");
    QVERIFY(prompter_->Log().empty());
  }

  void shortHexIsNotStoredBySetAsDefault() {
    store_->values = {{"HTMLbc", "FFF,4095"}, {"HTMLfc", "0000FF,16711680"}, {"HTMLfsize", "14"},
                      {"HTMLtborder", "1"}};
    auto w = Make();
    w->show();
    Click(*w, "cmdSaveDefaults");
    QCOMPARE(store_->values["HTMLbc"], std::string("FFF,4095"));  // untouched: the hex is not six characters
    QCOMPARE(store_->saves, 3);
    QVERIFY(!w->isVisible());
  }

  void pureRedAndPureBlue() {
    auto w = Make();
    std::vector<QColor> offered;
    std::optional<QColor> answer = Rgb(255, 0, 0);
    w->chooseColour = [&](const QColor& current) {
      offered.push_back(current);
      return answer;
    };
    w->show();
    Click(*w, "cmdBackColor");
    QCOMPARE(w->CurrentFields().backValue, std::string("255"));
    QCOMPARE(w->CurrentFields().backHex, std::string("FF0000"));
    QCOMPARE(Base(*w), Rgb(255, 0, 0));
    answer = Rgb(0, 0, 255);
    Click(*w, "cmdTextColor");
    QCOMPARE(w->CurrentFields().textValue, std::string("16711680"));
    QCOMPARE(w->CurrentFields().textHex, std::string("0000FF"));
    QCOMPARE(Fore(*w), Rgb(0, 0, 255));
    // The dialog starts from the colour in use.
    QCOMPARE(offered.size(), size_t(2));
    QCOMPARE(offered[0], Rgb(255, 255, 255));
    QCOMPARE(offered[1], Rgb(0, 0, 0));

    Click(*w, "cmdSaveDefaults");
    QCOMPARE(store_->values["HTMLbc"], std::string("FF0000,255"));
    QCOMPARE(store_->values["HTMLfc"], std::string("0000FF,16711680"));
    QCOMPARE(store_->values["HTMLfsize"], std::string("12"));
    QCOMPARE(store_->values["HTMLtborder"], std::string("0"));
    QVERIFY(!w->isVisible());  // standalone: stored and closed
    QVERIFY(prompter_->Log().empty());
  }

  void hexDigitsArePaddedAndReordered() {
    QCOMPARE(dv::frmHTMLSettings::ColourValue(Rgb(0x12, 0x34, 0x56)), std::string("5649426"));
    QCOMPARE(dv::frmHTMLSettings::ColourHex(Rgb(0x12, 0x34, 0x56)), std::string("123456"));
    QCOMPARE(dv::frmHTMLSettings::ColourHex(Rgb(1, 0, 0)), std::string("010000"));
    QCOMPARE(dv::frmHTMLSettings::ColourHex(Rgb(0, 0, 1)), std::string("000001"));
    QCOMPARE(dv::frmHTMLSettings::ColourHex(Rgb(0, 0xAB, 0)), std::string("00AB00"));
    QCOMPARE(dv::frmHTMLSettings::ColourValue(Rgb(0, 0, 0)), std::string("0"));
    QCOMPARE(dv::frmHTMLSettings::ColourHex(Rgb(0, 0, 0)), std::string("000000"));
  }

  void cancelledColourChangesNothing() {
    store_->values = {{"HTMLbc", "00FF00,65280"}};
    auto w = Make();
    w->chooseColour = [](const QColor&) { return std::optional<QColor>(); };
    w->show();
    Click(*w, "cmdBackColor");
    Click(*w, "cmdTextColor");
    QCOMPARE(w->CurrentFields().backHex, std::string("00FF00"));
    QCOMPARE(w->CurrentFields().backValue, std::string("65280"));
    QCOMPARE(w->CurrentFields().textHex, std::string("000000"));
    QCOMPARE(Base(*w), Rgb(0, 255, 0));
    QCOMPARE(Fore(*w), Rgb(0, 0, 0));
    QVERIFY(prompter_->Log().empty());
    QCOMPARE(store_->saves, 0);
  }

  void realColourDialogChoosesAndCancels() {
    auto w = Make();
    w->show();
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = w->findChild<QColorDialog*>("cdColors");
      if (!dialog) return;
      ran = true;
      dialog->setCurrentColor(Rgb(0, 0, 255));
      dialog->accept();
    });
    Click(*w, "cmdBackColor");
    QVERIFY(ran);
    QCOMPARE(w->CurrentFields().backValue, std::string("16711680"));
    QCOMPARE(w->CurrentFields().backHex, std::string("0000FF"));

    ran = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = w->findChild<QColorDialog*>("cdColors");
      if (!dialog) return;
      ran = true;
      QCOMPARE(dialog->currentColor(), Rgb(0, 0, 0));  // starts from the text colour in use
      dialog->setCurrentColor(Rgb(255, 0, 0));
      dialog->reject();
    });
    Click(*w, "cmdTextColor");
    QVERIFY(ran);
    QCOMPARE(w->CurrentFields().textValue, std::string("0"));
    QCOMPARE(w->CurrentFields().textHex, std::string("000000"));
    QVERIFY(prompter_->Log().empty());
  }

  void sliderSetsLabelFieldAndExample() {
    auto w = Make();
    w->show();
    auto* slider = Get<QSlider>(*w, "sliFontSize");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 13"));
    QCOMPARE(w->CurrentFields().fontSize, std::string("13"));
    QCOMPARE(Get<QPlainTextEdit>(*w, "txtExample")->font().pixelSize(), 13);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 100"));
    QCOMPARE(w->CurrentFields().fontSize, std::string("100"));
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 6"));
    QCOMPARE(Get<QPlainTextEdit>(*w, "txtExample")->font().pixelSize(), 6);
    Click(*w, "cmdSaveDefaults");
    QCOMPARE(store_->values["HTMLfsize"], std::string("6"));
  }

  void storedSizeOutOfRangeIsClamped() {
    store_->values = {{"HTMLfsize", "250"}};
    auto w = Make();
    QCOMPARE(Get<QSlider>(*w, "sliFontSize")->value(), 100);
    QCOMPARE(w->CurrentFields().fontSize, std::string("100"));
    QCOMPARE(Get<QLabel>(*w, "lblFontSize")->text(), QString("Font Size = 100"));
  }

  void bordersFollowTheCheckBox() {
    auto w = Make();
    w->show();
    auto* example = Get<QPlainTextEdit>(*w, "txtExample");
    Click(*w, "chkBorders");
    QCOMPARE(w->CurrentFields().borders, std::string("1"));
    QCOMPARE(example->frameShape(), QFrame::Box);
    Click(*w, "chkBorders");
    QCOMPARE(w->CurrentFields().borders, std::string("0"));
    QCOMPARE(example->frameShape(), QFrame::NoFrame);
    Click(*w, "chkBorders");
    Click(*w, "cmdSaveDefaults");
    QCOMPARE(store_->values["HTMLtborder"], std::string("1"));
  }

  void cancelAndEscapeStoreNothing() {
    auto w = Make();
    w->chooseColour = [](const QColor&) { return std::optional<QColor>(Rgb(255, 0, 0)); };
    w->show();
    Click(*w, "cmdBackColor");
    Click(*w, "chkBorders");
    Click(*w, "cmdCancel");
    QVERIFY(!w->isVisible());
    QCOMPARE(store_->saves, 0);

    auto again = Make();
    again->show();
    QVERIFY(QTest::qWaitForWindowExposed(again.get()));
    QTest::keyClick(again.get(), Qt::Key_Escape);
    QVERIFY(!again->isVisible());
    QCOMPARE(store_->saves, 0);
  }

  void standaloneShowModalClosesWithCancel() {
    bool ran = false;
    WhenShown([](QWidget& w) { Click(w, "cmdCancel"); }, ran);
    dv::frmHTMLSettings::ShowModal(*store_, *prompter_, *errors_, main_);
    QVERIFY(ran);
    QCOMPARE(store_->saves, 0);
  }

  void saveModeStoresStaysOpenAndHandsValuesBack() {
    auto w = Make();
    w->chooseColour = [](const QColor&) { return std::optional<QColor>(Rgb(0, 0, 255)); };
    bool ran = false, stillOpen = false, cancelHidden = false, okShown = false, defaultsShown = false;
    bool order = false, saveMode = false;
    WhenShown(
        [&](QWidget& win) {
          saveMode = w->CurrentFields().saveMode;
          cancelHidden = !ShownIn(win, "cmdCancel");
          okShown = ShownIn(win, "cmdOK");
          defaultsShown = ShownIn(win, "cmdSaveDefaults");
          order = Get<QWidget>(win, "cmdSaveDefaults")->x() < Get<QWidget>(win, "cmdOK")->x() &&
                  Get<QWidget>(win, "chkBorders")->nextInFocusChain() == Get<QWidget>(win, "cmdSaveDefaults") &&
                  Get<QWidget>(win, "cmdSaveDefaults")->nextInFocusChain() == Get<QWidget>(win, "cmdOK");
          Click(win, "cmdBackColor");
          Get<QSlider>(win, "sliFontSize")->setValue(18);
          Click(win, "cmdSaveDefaults");
          stillOpen = win.isVisible();
          Click(win, "chkBorders");  // changed after storing: handed back, not stored
          Click(win, "cmdOK");
        },
        ran);
    std::string back, fore, size, borders;
    w->GetNewSettings(back, fore, size, borders);
    QVERIFY(ran);
    QVERIFY(saveMode);
    QVERIFY(cancelHidden);
    QVERIFY(okShown);
    QVERIFY(defaultsShown);
    QVERIFY(order);
    QVERIFY(stillOpen);
    QCOMPARE(back, std::string("0000FF"));
    QCOMPARE(fore, std::string("000000"));
    QCOMPARE(size, std::string("18"));
    QCOMPARE(borders, std::string("1"));
    QCOMPARE(store_->values["HTMLbc"], std::string("0000FF,16711680"));
    QCOMPARE(store_->values["HTMLfsize"], std::string("18"));
    QCOMPARE(store_->values["HTMLtborder"], std::string("0"));
    QVERIFY(prompter_->Log().empty());
  }

  void askHandsBackWithoutStoring() {
    bool ran = false;
    WhenShown([](QWidget& w) { Click(w, "cmdOK"); }, ran);
    dv::HtmlSettings out;
    QVERIFY(dv::frmHTMLSettings::Ask(*store_, *prompter_, *errors_, main_, out));
    QVERIFY(ran);
    QCOMPARE(out.backgroundColour, std::string("FFFFFF"));
    QCOMPARE(out.textColour, std::string("000000"));
    QCOMPARE(out.fontSize, std::string("12"));
    QCOMPARE(out.tableBorder, std::string("0"));
    QCOMPARE(store_->saves, 0);
    // What the export makes of them.
    const dv::HtmlSettings page = dv::ResolveHtmlSettings(out);
    QCOMPARE(page.backgroundColour, std::string("FFFFFF"));
    QCOMPARE(page.textColour, std::string("000000"));
  }

  void saveModeEscapeCallsTheSaveOff() {
    store_->values = {{"HTMLbc", "FF0000,255"}, {"HTMLfsize", "30"}};
    bool ran = false;
    WhenShown([](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); }, ran);
    dv::HtmlSettings out;
    QVERIFY(!dv::frmHTMLSettings::Ask(*store_, *prompter_, *errors_, main_, out));
    QVERIFY(ran);
    QVERIFY(ModalWindow() == nullptr);
  }

  void failingStoreIsReportedAndEveryPairTried() {
    auto w = Make();
    w->show();
    store_->failSaves = true;
    Click(*w, "cmdSaveDefaults");
    QCOMPARE(store_->saves, 4);
    QCOMPARE(prompter_->Log().size(), size_t(4));
    for (const dv::test::Asked& m : prompter_->Log()) {
      QVERIFY2(m.text.find("fhs:09") != std::string::npos, m.text.c_str());
      QVERIFY2(m.text.find("Permission denied") != std::string::npos, m.text.c_str());
    }
    QVERIFY(!w->isVisible());  // standalone: still closes
  }

  void realSettingsStoreRoundTripAndClearedSettings() {
    {
      dv::IniUserSettings ini("frm_html_settings_qtest");
      QVERIFY(QString::fromStdString(ini.FilePath()).startsWith(env_->ConfigHome()));
      auto w = Make(ini);
      w->chooseColour = [](const QColor&) { return std::optional<QColor>(Rgb(255, 0, 0)); };
      w->show();
      Click(*w, "cmdBackColor");
      Click(*w, "chkBorders");
      Click(*w, "cmdSaveDefaults");

      dv::IniUserSettings reader("frm_html_settings_qtest");
      QCOMPARE(reader.GetSetting("HTMLbc", ""), std::string("FF0000,255"));
      QCOMPARE(reader.GetSetting("HTMLfc", ""), std::string("000000,0"));
      QCOMPARE(reader.GetSetting("HTMLfsize", ""), std::string("12"));
      QCOMPARE(reader.GetSetting("HTMLtborder", ""), std::string("1"));
      auto loaded = Make(reader);
      QCOMPARE(Base(*loaded), Rgb(255, 0, 0));
      QVERIFY(Get<QCheckBox>(*loaded, "chkBorders")->isChecked());

      // Restoring the directory printer's defaults empties the four; the window then falls back.
      for (const char* key : {"HTMLbc", "HTMLfc", "HTMLfsize", "HTMLtborder"}) reader.SaveSetting(key, "");
      auto cleared = Make(reader);
      QCOMPARE(cleared->CurrentFields().backHex, std::string("FFFFFF"));
      QCOMPARE(cleared->CurrentFields().textValue, std::string("0"));
      QCOMPARE(cleared->CurrentFields().fontSize, std::string("12"));
      QCOMPARE(cleared->CurrentFields().borders, std::string("0"));
      QCOMPARE(Base(*cleared), Rgb(255, 255, 255));
    }
    QVERIFY(prompter_->Log().empty());
  }
};

QTEST_MAIN(HtmlSettingsTest)
#include "frm_html_settings_qtest.moc"
