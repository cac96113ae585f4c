#pragma once
// frmHTMLSettings, "HTML Settings": how reports saved as a web page look (background and text colour, font size,
// table borders), with a live example. Two modes:
// - standalone (the menu command): ShowModal; "Set As Default" stores the values and closes, "Cancel" closes;
// - save mode (a web-page save with "Ask for web page settings" ticked): Ask / GetNewSettings; "Set As Default"
//   stores and stays, "OK" hands the current values back. There is no cancel in this mode.
// Every control's objectName is its control name. Failures go to the error handler in mode 18 ("fhs:NN").
#include <QColor>
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "common/error_handler.h"
#include "common/prompter.h"
#include "common/user_settings.h"
#include "export/html_export.h"

class QCheckBox;
class QColorDialog;
class QFrame;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace dv {

class frmHTMLSettings : public QDialog {
  Q_OBJECT
 public:
  // The window's fields, all texts as they are stored.
  struct Fields {
    std::string backValue, backHex;  // decimal platform value (r + 256 g + 65536 b), hex in red-green-blue order
    std::string textValue, textHex;
    std::string fontSize;  // pixels
    std::string borders;   // "0" or "1"
    bool saveMode = false;
  };

  // Picks a colour starting from `current`; nullopt when the user cancels. Replaceable (tests); the default
  // runs the colour dialog `cdColors`.
  using ColourChooser = std::function<std::optional<QColor>(const QColor& current)>;

  // Loads at once (Form_Load): centred over `mainWindow`, standalone layout, fields from the store. The window
  // itself asks nothing; `prompter` is accepted so that callers pass the same services as to the other windows.
  frmHTMLSettings(UserSettings& settings, Prompter& prompter, ErrorHandler& errors, QWidget* mainWindow);
  ~frmHTMLSettings() override;

  // The menu command: shows the window modally in standalone mode.
  static void ShowModal(UserSettings& settings, Prompter& prompter, ErrorHandler& errors, QWidget* mainWindow);
  // A web-page save that asks for its settings: shows the window in save mode and fills `out` with the bare hex
  // colours, font size and borders flag the user left. False when the user pressed Escape or closed the window:
  // the save is then called off.
  static bool Ask(UserSettings& settings, Prompter& prompter, ErrorHandler& errors, QWidget* mainWindow,
                  HtmlSettings& out);

  // Save mode: shows the window modally and copies background hex, text hex, font size and borders out.
  void GetNewSettings(std::string& backHex, std::string& textHex, std::string& fontSize, std::string& borders);
  // Fills the fields from the store, with the defaults for missing or malformed values.
  void LoadDefaultSettings();

  const Fields& CurrentFields() const { return fields_; }
  ColourChooser chooseColour;

  // The decimal platform value of a colour and its hex digits in red-green-blue order.
  static std::string ColourValue(const QColor& c);
  static std::string ColourHex(const QColor& c);

  // The button handlers, as the buttons call them.
  void cmdBackColor_Click();
  void cmdTextColor_Click();
  void sliFontSize_Change();
  void chkBorders_Click();
  void cmdSaveDefaults_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void Form_Load();
  void ArrangeButtons();
  void ApplyBorders();
  void SetExampleFontSize(double pixels);
  std::optional<QColor> RunColourDialog(const QColor& current);
  // The colour a field pair stands for: the decimal value, else the hex digits, else `fallback`.
  static QColor FieldColour(const std::string& value, const std::string& hex, const QColor& fallback);

  UserSettings& settings_;
  ErrorHandler& errors_;
  QWidget* mainWindow_;
  Fields fields_;
  bool cancelled_ = false;  // save mode: Escape or the close button called the save off

  QPushButton* cmdBackColor_;
  QPushButton* cmdTextColor_;
  QPlainTextEdit* txtExample_;
  QSlider* sliFontSize_;
  QLabel* lblFontSize_;
  QCheckBox* chkBorders_;
  QPushButton* cmdSaveDefaults_;
  QPushButton* cmdCancel_;
  QPushButton* cmdOK_;
  QHBoxLayout* buttonRow_;
  QColorDialog* cdColors_ = nullptr;
};

}  // namespace dv
