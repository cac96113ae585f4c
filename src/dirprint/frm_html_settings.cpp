#include "dirprint/frm_html_settings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/resume_scope.h"
#include "common/setting_defaults.h"
#include "shell/input_checks.h"
#include "shell/frm_please_wait.h"

namespace dv {

namespace {

constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 100;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The number a numeric field stands for; "," grouping is dropped as a user would mean it.
double NumberOf(const std::string& text) {
  QString t = Q(text).trimmed();
  t.remove(QLatin1Char(','));
  return t.toDouble();
}

// A stored colour pair "hex,value"; anything empty, of 7 characters or fewer, or without "," gives `fallback`.
void SplitColour(const std::string& stored, const char* fallback, std::string& hex, std::string& value) {
  QString text = Q(stored);
  if (text.isEmpty() || text.length() <= 7 || !text.contains(QLatin1Char(','))) text = QString::fromLatin1(fallback);
  const qsizetype comma = text.indexOf(QLatin1Char(','));
  hex = text.left(comma).toStdString();
  value = text.mid(comma + 1).toStdString();
}

}  // namespace

frmHTMLSettings::frmHTMLSettings(UserSettings& settings, Prompter& /*prompter*/, ErrorHandler& errors,
                                 QWidget* mainWindow)
    : QDialog(mainWindow), settings_(settings), errors_(errors), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("frmHTMLSettings"));
  setWindowTitle(QStringLiteral("HTML Settings"));
  setModal(true);

  cmdBackColor_ = new QPushButton(QStringLiteral("Background Color"), this);
  cmdBackColor_->setObjectName(QStringLiteral("cmdBackColor"));
  cmdTextColor_ = new QPushButton(QStringLiteral("Text Color"), this);
  cmdTextColor_->setObjectName(QStringLiteral("cmdTextColor"));

  txtExample_ = new QPlainTextEdit(this);
  txtExample_->setObjectName(QStringLiteral("txtExample"));
  // A plain-text document keeps a CR as a character; its line breaks are LF.
  txtExample_->setPlainText(QStringLiteral("Example \nText\n"));
  txtExample_->setReadOnly(true);
  txtExample_->setFocusPolicy(Qt::NoFocus);
  txtExample_->setMinimumSize(320, 160);
  txtExample_->setFont(QFont(QStringLiteral("Courier New")));

  sliFontSize_ = new QSlider(Qt::Horizontal, this);
  sliFontSize_->setObjectName(QStringLiteral("sliFontSize"));
  sliFontSize_->setRange(kMinFontSize, kMaxFontSize);
  sliFontSize_->setValue(12);
  lblFontSize_ = new QLabel(QStringLiteral("Font Size = 12"), this);
  lblFontSize_->setObjectName(QStringLiteral("lblFontSize"));

  chkBorders_ = new QCheckBox(QStringLiteral("Borders"), this);
  chkBorders_->setObjectName(QStringLiteral("chkBorders"));

  cmdSaveDefaults_ = new QPushButton(QStringLiteral("Set As Default"), this);
  cmdSaveDefaults_->setObjectName(QStringLiteral("cmdSaveDefaults"));
  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  for (QPushButton* b : {cmdBackColor_, cmdTextColor_, cmdSaveDefaults_, cmdCancel_, cmdOK_}) b->setAutoDefault(false);

  auto* colours = new QHBoxLayout;
  colours->addWidget(cmdBackColor_);
  colours->addWidget(cmdTextColor_);
  colours->addStretch();
  auto* size = new QHBoxLayout;
  size->addWidget(lblFontSize_);
  size->addWidget(sliFontSize_, 1);
  buttonRow_ = new QHBoxLayout;
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(colours);
  layout->addWidget(txtExample_, 1);
  layout->addLayout(size);
  layout->addWidget(chkBorders_, 0, Qt::AlignLeft);  // only as wide as its box and caption, which take clicks
  layout->addLayout(buttonRow_);

  connect(cmdBackColor_, &QPushButton::clicked, this, &frmHTMLSettings::cmdBackColor_Click);
  connect(cmdTextColor_, &QPushButton::clicked, this, &frmHTMLSettings::cmdTextColor_Click);
  connect(sliFontSize_, &QSlider::valueChanged, this, &frmHTMLSettings::sliFontSize_Change);
  connect(chkBorders_, &QCheckBox::toggled, this, &frmHTMLSettings::chkBorders_Click);
  connect(cmdSaveDefaults_, &QPushButton::clicked, this, &frmHTMLSettings::cmdSaveDefaults_Click);
  connect(cmdOK_, &QPushButton::clicked, this, &frmHTMLSettings::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmHTMLSettings::cmdCancel_Click);

  chooseColour = [this](const QColor& current) { return RunColourDialog(current); };
  Form_Load();
}

frmHTMLSettings::~frmHTMLSettings() = default;

void frmHTMLSettings::ShowModal(UserSettings& settings, Prompter& prompter, ErrorHandler& errors,
                                QWidget* mainWindow) {
  frmHTMLSettings window(settings, prompter, errors, mainWindow);
  window.exec();
}

bool frmHTMLSettings::Ask(UserSettings& settings, Prompter& prompter, ErrorHandler& errors, QWidget* mainWindow,
                          HtmlSettings& out) {
  frmHTMLSettings window(settings, prompter, errors, mainWindow);
  window.GetNewSettings(out.backgroundColour, out.textColour, out.fontSize, out.tableBorder);
  return !window.cancelled_;
}

void frmHTMLSettings::Form_Load() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:06");
  scope.Step([&] { CentreOverWindow(this, mainWindow_); });
  scope.Step([&] { ArrangeButtons(); });
  scope.Step([&] { LoadDefaultSettings(); });
  scope.Step([&] {
    QPalette p = txtExample_->palette();
    p.setColor(QPalette::Base, FieldColour(fields_.backValue, fields_.backHex, Qt::white));
    p.setColor(QPalette::Text, FieldColour(fields_.textValue, fields_.textHex, Qt::black));
    txtExample_->setPalette(p);
  });
  scope.Step([&] {
    const double size = NumberOf(fields_.fontSize);
    SetExampleFontSize(size);
    // Out of the slider's range the slider clamps, and its change handler then takes the clamped size.
    sliFontSize_->setValue(static_cast<int>(std::lround(std::clamp(size, -1e6, 1e6))));
  });
  scope.Step([&] {
    chkBorders_->setChecked(NumberOf(fields_.borders) != 0);
    // Setting the box counts as a click: the field becomes the box's "0" or "1" even when it did not change.
    chkBorders_Click();
  });
}

void frmHTMLSettings::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The frame is known only once the window is up; centring again makes it exact.
  CentreOverWindow(this, mainWindow_);
}

void frmHTMLSettings::ArrangeButtons() {
  // Two places: the first holds "Cancel" (standalone) or "Set As Default" (save mode), the second "Set As
  // Default" (standalone) or "OK" (save mode).
  for (QPushButton* b : {cmdSaveDefaults_, cmdCancel_, cmdOK_}) buttonRow_->removeWidget(b);
  QPushButton* first = fields_.saveMode ? cmdSaveDefaults_ : cmdCancel_;
  QPushButton* second = fields_.saveMode ? cmdOK_ : cmdSaveDefaults_;
  QPushButton* hidden = fields_.saveMode ? cmdCancel_ : cmdOK_;
  while (buttonRow_->count() > 0) delete buttonRow_->takeAt(0);
  buttonRow_->addStretch();
  buttonRow_->addWidget(first);
  buttonRow_->addWidget(second);
  hidden->hide();
  first->show();
  second->show();
  for (QPushButton* b : {cmdSaveDefaults_, cmdCancel_, cmdOK_}) b->setDefault(b == second);
  setTabOrder(cmdBackColor_, cmdTextColor_);
  setTabOrder(cmdTextColor_, sliFontSize_);
  setTabOrder(sliFontSize_, chkBorders_);
  setTabOrder(chkBorders_, first);
  setTabOrder(first, second);
}

void frmHTMLSettings::LoadDefaultSettings() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:10");
  scope.Step([&] {
    SplitColour(settings_.GetSetting(setting::HTMLbc, SettingDefault(setting::HTMLbc)),
                SettingDefault(setting::HTMLbc).c_str(), fields_.backHex, fields_.backValue);
  });
  scope.Step([&] {
    SplitColour(settings_.GetSetting(setting::HTMLfc, SettingDefault(setting::HTMLfc)),
                SettingDefault(setting::HTMLfc).c_str(), fields_.textHex, fields_.textValue);
  });
  scope.Step([&] {
    fields_.fontSize = SettingOrDefault(settings_, setting::HTMLfsize);
    if (!IsNumericText(Q(fields_.fontSize))) fields_.fontSize = SettingDefault(setting::HTMLfsize);
  });
  scope.Step([&] {
    fields_.borders = SettingOrDefault(settings_, setting::HTMLtborder);
    if (!IsNumericText(Q(fields_.borders))) fields_.borders = SettingDefault(setting::HTMLtborder);
  });
}

std::string frmHTMLSettings::ColourValue(const QColor& c) {
  return std::to_string(static_cast<long>(c.red()) + 256L * c.green() + 65536L * c.blue());
}

std::string frmHTMLSettings::ColourHex(const QColor& c) {
  const long value = static_cast<long>(c.red()) + 256L * c.green() + 65536L * c.blue();
  // The platform value in hex reads blue-green-red; the page wants red-green-blue.
  const QString bgr = QString::number(value, 16).toUpper().rightJustified(6, QLatin1Char('0'));
  return (bgr.mid(4, 2) + bgr.mid(2, 2) + bgr.mid(0, 2)).toStdString();
}

QColor frmHTMLSettings::FieldColour(const std::string& value, const std::string& hex, const QColor& fallback) {
  bool ok = false;
  const long long v = Q(value).trimmed().toLongLong(&ok);
  if (ok && v >= 0 && v <= 0xFFFFFF) return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
  const QString h = Q(hex).trimmed();
  if (h.length() == 6) {
    const QColor c = QColor::fromString(QLatin1Char('#') + h);
    if (c.isValid()) return c;
  }
  return fallback;
}

std::optional<QColor> frmHTMLSettings::RunColourDialog(const QColor& current) {
  if (!cdColors_) {
    cdColors_ = new QColorDialog(this);
    cdColors_->setObjectName(QStringLiteral("cdColors"));
  }
  cdColors_->setCurrentColor(current);
  if (cdColors_->exec() != QDialog::Accepted) return std::nullopt;
  return cdColors_->selectedColor();
}

void frmHTMLSettings::cmdBackColor_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:02");
  scope.Step([&] {
    const std::optional<QColor> c =
        chooseColour(FieldColour(fields_.backValue, fields_.backHex, Qt::white));
    if (!c || !c->isValid()) return;  // cancelled: nothing changes
    fields_.backValue = ColourValue(*c);
    fields_.backHex = ColourHex(*c);
    QPalette p = txtExample_->palette();
    p.setColor(QPalette::Base, c->toRgb());
    txtExample_->setPalette(p);
  });
}

void frmHTMLSettings::cmdTextColor_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:05");
  scope.Step([&] {
    const std::optional<QColor> c =
        chooseColour(FieldColour(fields_.textValue, fields_.textHex, Qt::black));
    if (!c || !c->isValid()) return;
    fields_.textValue = ColourValue(*c);
    fields_.textHex = ColourHex(*c);
    QPalette p = txtExample_->palette();
    p.setColor(QPalette::Text, c->toRgb());
    txtExample_->setPalette(p);
  });
}

void frmHTMLSettings::SetExampleFontSize(double pixels) {
  QFont f = txtExample_->font();
  f.setPixelSize(std::clamp(static_cast<int>(std::lround(std::clamp(pixels, -1e6, 1e6))), kMinFontSize,
                            kMaxFontSize));
  txtExample_->setFont(f);
}

void frmHTMLSettings::sliFontSize_Change() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:07");
  scope.Step([&] {
    const int value = sliFontSize_->value();
    lblFontSize_->setText(QStringLiteral("Font Size = ") + QString::number(value));
    fields_.fontSize = std::to_string(value);
    SetExampleFontSize(value);
    txtExample_->viewport()->update();
  });
}

void frmHTMLSettings::ApplyBorders() {
  txtExample_->setFrameShape(fields_.borders == "1" ? QFrame::Box : QFrame::NoFrame);
  txtExample_->setFrameShadow(QFrame::Plain);
}

void frmHTMLSettings::chkBorders_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:01");
  scope.Step([&] {
    // One character assigned: assigning the literal trips a false -Wrestrict of GCC 12's string inlining.
    fields_.borders.assign(1, chkBorders_->isChecked() ? '1' : '0');
    ApplyBorders();
  });
}

void frmHTMLSettings::cmdSaveDefaults_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:09");
  // Each pair is stored only when it is valid; a failing store is reported and the next one still tried.
  if (IsNumericText(Q(fields_.backValue)) && Q(fields_.backHex).length() == 6)
    scope.Step([&] { settings_.SaveSetting(setting::HTMLbc, fields_.backHex + "," + fields_.backValue); });
  if (IsNumericText(Q(fields_.textValue)) && Q(fields_.textHex).length() == 6)
    scope.Step([&] { settings_.SaveSetting(setting::HTMLfc, fields_.textHex + "," + fields_.textValue); });
  if (IsNumericText(Q(fields_.fontSize)))
    scope.Step([&] { settings_.SaveSetting(setting::HTMLfsize, fields_.fontSize); });
  if (IsNumericText(Q(fields_.borders)))
    scope.Step([&] { settings_.SaveSetting(setting::HTMLtborder, fields_.borders); });
  if (!fields_.saveMode) QDialog::reject();
}

void frmHTMLSettings::cmdOK_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:04");
  // Hiding ends the modal run, which lets GetNewSettings go on; standalone, it simply closes.
  scope.Step([&] { accept(); });
}

void frmHTMLSettings::cmdCancel_Click() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:03");
  scope.Step([&] { QDialog::reject(); });
}

void frmHTMLSettings::reject() {
  // Escape and the close button cancel: standalone nothing is stored, and in save mode the save itself is called
  // off (a user who presses Escape does not expect a file to appear).
  if (fields_.saveMode) cancelled_ = true;
  cmdCancel_Click();
}

void frmHTMLSettings::GetNewSettings(std::string& backHex, std::string& textHex, std::string& fontSize,
                                     std::string& borders) {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "fhs:11");
  scope.Step([&] {
    fields_.saveMode = true;
    ArrangeButtons();
  });
  scope.Step([&] { exec(); });
  backHex = fields_.backHex;
  textHex = fields_.textHex;
  fontSize = fields_.fontSize;
  borders = fields_.borders;
}

}  // namespace dv
