#include "shell/frm_tip.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "common/resume_scope.h"
#include "common/setting_defaults.h"
#include "platform/error.h"
#include "shell/frm_please_wait.h"

namespace dv {

namespace {
constexpr QChar kLineBreakMark(0x00E6);  // "æ"
}

frmTip::frmTip(UserSettings& settings, ErrorHandler& errors, QWidget* mainWindow, QString tipsFile)
    : QDialog(mainWindow), settings_(settings), errors_(errors), mainWindow_(mainWindow),
      tipsFile_(std::move(tipsFile)) {
  setObjectName(QStringLiteral("frmTip"));
  setWindowTitle(QStringLiteral("Tip of the Day"));
  setModal(false);

  auto* lblDidYouKnow = new QLabel(QStringLiteral("Did you know..."), this);
  lblDidYouKnow->setObjectName(QStringLiteral("lblDidYouKnow"));
  QFont heading = lblDidYouKnow->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.3);
  lblDidYouKnow->setFont(heading);

  lblTipText_ = new QLabel(this);
  lblTipText_->setObjectName(QStringLiteral("lblTipText"));
  lblTipText_->setTextFormat(Qt::PlainText);
  lblTipText_->setWordWrap(true);
  lblTipText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblTipText_->setMinimumSize(380, 120);
  lblTipText_->setFrameShape(QFrame::StyledPanel);
  lblTipText_->setMargin(8);

  chkLoadTipsAtStartup_ = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
  chkLoadTipsAtStartup_->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
  cmdNextTip_ = new QPushButton(QStringLiteral("&Next Tip"), this);
  cmdNextTip_->setObjectName(QStringLiteral("cmdNextTip"));
  cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkLoadTipsAtStartup_);
  buttons->addStretch();
  buttons->addWidget(cmdNextTip_);
  buttons->addWidget(cmdOK_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblDidYouKnow);
  layout->addWidget(lblTipText_, 1);
  layout->addLayout(buttons);
  resize(460, 260);

  connect(cmdNextTip_, &QPushButton::clicked, this, &frmTip::NextTip);
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::close);
  // Only a click by the user writes the setting; ticking the box at load does not.
  connect(chkLoadTipsAtStartup_, &QCheckBox::clicked, this, &frmTip::SaveShowTipsSetting);
}

frmTip* frmTip::ShowAtStartup(UserSettings& settings, ErrorHandler& errors, QWidget* mainWindow) {
  auto* tip = new frmTip(settings, errors, mainWindow);
  if (!tip->Load()) {
    delete tip;
    return nullptr;
  }
  tip->setAttribute(Qt::WA_DeleteOnClose);
  tip->show();
  tip->raise();
  return tip;
}

bool frmTip::Load() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FT:1");
  CentreOverWindow(this, mainWindow_);
  bool show = true;
  scope.Step([&] {
    // Anything but a number equal to 0 leaves tips on, as a missing value does.
    bool numeric = false;
    const std::string stored = SettingOrDefault(settings_, setting::ShowTipsAtStartup);
    const long value = QString::fromStdString(stored).trimmed().toLong(&numeric);
    show = !(numeric && value == 0);
  });
  if (!show) return false;
  chkLoadTipsAtStartup_->setChecked(true);
  bool loaded = false;
  scope.Step([&] { loaded = LoadTips(tipsFile_); });
  if (!loaded) lblTipText_->setText(MissingFileText());
  return true;
}

void frmTip::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The frame is known only once the window is up; centring again makes it exact.
  CentreOverWindow(this, mainWindow_);
}

QStringList frmTip::ParseTips(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
  QStringList tips;
  for (const QString& line : text.split(lineEnd)) {
    if (!line.trimmed().isEmpty()) tips.append(line);
  }
  return tips;
}

QString frmTip::TipDisplayText(const QString& tip) {
  QString shown = tip;
  return shown.replace(kLineBreakMark, QLatin1Char('\n'));
}

QString frmTip::MissingFileText() {
  const QString name = QString::fromLatin1(kTipsFileName);
  return QStringLiteral("That the ") + name + QStringLiteral(" file was not found? ") + QStringLiteral("\n") +
         QStringLiteral("Create a text file named ") + name +
         QStringLiteral(" using NotePad with 1 tip per line. ") +
         QStringLiteral("Then place it in the same directory as the application. ");
}

bool frmTip::LoadTips(const QString& file) {
  tips_.clear();
  if (file.isEmpty() || !QFileInfo(file).isFile()) return false;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FT:2");
  bool read = false;
  scope.Step([&] {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
      throw Error(err::PathFileAccess, in.errorString().toStdString() + ": " + file.toStdString());
    }
    tips_ = ParseTips(in.readAll());
    read = true;
  });
  if (!read) return false;
  current_ = static_cast<int>(QRandomGenerator::global()->generateDouble() * tips_.size() + 1);
  DisplayCurrentTip();
  return true;
}

void frmTip::DisplayCurrentTip() {
  if (tips_.isEmpty() || current_ < 1 || current_ > tips_.size()) return;
  lblTipText_->setText(TipDisplayText(tips_.at(current_ - 1)));
}

void frmTip::NextTip() {
  ++current_;
  if (current_ > tips_.size()) current_ = 1;
  DisplayCurrentTip();
}

void frmTip::SaveShowTipsSetting(bool show) {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FT:3");
  scope.Step([&] { settings_.SaveSetting(setting::ShowTipsAtStartup, show ? "1" : "0"); });
}

}  // namespace dv
