#include "shell/frm_about.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/resume_scope.h"
#include "shell/launch_browser.h"

namespace dv {

frmAbout::frmAbout(Prompter& prompter, ErrorHandler& errors, QWidget* parent, ProgramVersion version)
    : QDialog(parent), prompter_(prompter), errors_(errors) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(false);

  // The controls sit in one fixed block that the outer grid keeps in the middle of the window, so a resize
  // moves them all by the same offset.
  auto* fraContent = new QWidget(this);
  fraContent->setObjectName(QStringLiteral("fraContent"));
  auto* content = new QVBoxLayout(fraContent);
  content->setSizeConstraint(QLayout::SetFixedSize);

  lblProgName_ = new QLabel(fraContent);
  lblProgName_->setObjectName(QStringLiteral("lblProgName"));
  QFont big = lblProgName_->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.6);
  lblProgName_->setFont(big);
  lblProgName_->setAlignment(Qt::AlignCenter);

  auto* lblDescription = new QLabel(
      QStringLiteral("Directory Printer and batch File Operations for the desktop.\n"
                     "List, filter, sort, print and export folder trees; copy, move, delete,\n"
                     "rename, compare and change many files in one run."),
      fraContent);
  lblDescription->setObjectName(QStringLiteral("lblDescription"));
  lblDescription->setAlignment(Qt::AlignCenter);

  auto* lblCompany = new QLabel(QStringLiteral("Brantwick"), fraContent);
  lblCompany->setObjectName(QStringLiteral("lblCompany"));
  lblCompany->setAlignment(Qt::AlignCenter);

  lblDownload_ = new QLabel(
      QStringLiteral("To download a new copy of Dorvane CLICK  HERE to goto Dorvane's Download Page"), fraContent);
  lblDownload_->setObjectName(QStringLiteral("lblDownload"));
  lblDownload_->setTextFormat(Qt::PlainText);
  lblDownload_->setAlignment(Qt::AlignCenter);
  lblDownload_->setCursor(Qt::PointingHandCursor);
  lblDownload_->setFocusPolicy(Qt::StrongFocus);  // reachable with Tab, opened with Enter or Space
  lblDownload_->setToolTip(QString::fromUtf8(kHomePageAddress));
  QFont link = lblDownload_->font();
  link.setUnderline(true);
  lblDownload_->setFont(link);
  QPalette palette = lblDownload_->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
  lblDownload_->setPalette(palette);
  lblDownload_->installEventFilter(this);

  cmdOK_ = new QPushButton(QStringLiteral("OK"), fraContent);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::close);

  content->addWidget(lblProgName_);
  content->addSpacing(6);
  content->addWidget(lblDescription);
  content->addWidget(lblCompany);
  content->addSpacing(10);
  content->addWidget(lblDownload_);
  content->addSpacing(10);
  content->addWidget(cmdOK_, 0, Qt::AlignHCenter);

  auto* outer = new QGridLayout(this);
  outer->addWidget(fraContent, 0, 0, Qt::AlignCenter);
  // The box opens with the focus on OK, so Enter closes it; the link is the next stop of Tab.
  QWidget::setTabOrder(cmdOK_, lblDownload_);
  cmdOK_->setFocus();

  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FA:1");
  scope.Step([&] { lblProgName_->setText(ProgramNameText(version)); });
}

QString frmAbout::ProgramNameText(const ProgramVersion& version) {
  QString text = QStringLiteral("Dorvane 2004.") + QString::number(version.minor);
  if (version.revision > 0) text += QLatin1Char('.') + QString::number(version.revision);
  return text;
}

void frmAbout::OpenDownloadPage() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FA:3");
  scope.Step([&] { OpenWebPage(QString::fromUtf8(kHomePageAddress), prompter_, errors_); });
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblDownload_) {
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && lblDownload_->rect().contains(mouse->position().toPoint())) {
        OpenDownloadPage();
        return true;
      }
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        OpenDownloadPage();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace dv
