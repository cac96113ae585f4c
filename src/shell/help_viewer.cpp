#include "shell/help_viewer.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/screen_fit.h"

namespace dv {

namespace {

// A page that is not there gets a readable explanation instead of an empty window.
class HelpBrowser : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  bool missing = false;

 protected:
  void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override {
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
      missing = true;
      setHtml(QStringLiteral("<h2>Help page not found</h2><p>The help page <b>%1</b> was not found in the folder "
                             "%2.</p><p>Reinstalling Dorvane restores its help pages.</p>")
                  .arg(url.fileName().toHtmlEscaped(), QFileInfo(url.toLocalFile()).path().toHtmlEscaped()));
      return;
    }
    missing = false;
    QTextBrowser::doSetSource(url, type);
  }
};

// Closes the help windows of the window it watches when that window is closed or hidden by the program (a
// minimised window is hidden spontaneously and keeps its help).
class OwnerWatcher : public QObject {
 public:
  explicit OwnerWatcher(QWidget* owner) : QObject(owner), owner_(owner) {
    setObjectName(QStringLiteral("dvHelpOwnerWatcher"));
    owner->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == owner_ && event->type() == QEvent::Hide && !event->spontaneous()) HelpViewer::CloseAll(owner_);
    return false;
  }

 private:
  QWidget* owner_;
};

}  // namespace

HelpViewer::HelpViewer(QWidget* owner, QString helpFolder)
    : QWidget(owner, Qt::Window), helpFolder_(std::move(helpFolder)) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Dorvane Help"));

  cmdHelpContents_ = new QPushButton(QStringLiteral("&Contents"), this);
  cmdHelpContents_->setObjectName(QStringLiteral("cmdHelpContents"));
  cmdHelpBack_ = new QPushButton(QStringLiteral("&Back"), this);
  cmdHelpBack_->setObjectName(QStringLiteral("cmdHelpBack"));
  cmdHelpBack_->setEnabled(false);
  cmdHelpForward_ = new QPushButton(QStringLiteral("&Forward"), this);
  cmdHelpForward_->setObjectName(QStringLiteral("cmdHelpForward"));
  cmdHelpForward_->setEnabled(false);

  auto* browser = new HelpBrowser(this);
  txtHelpPage_ = browser;
  txtHelpPage_->setObjectName(QStringLiteral("txtHelpPage"));
  txtHelpPage_->setOpenExternalLinks(true);  // web addresses go to the desktop's browser

  auto* bar = new QHBoxLayout;
  bar->addWidget(cmdHelpContents_);
  bar->addWidget(cmdHelpBack_);
  bar->addWidget(cmdHelpForward_);
  bar->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(txtHelpPage_, 1);
  resize(760, 580);

  connect(cmdHelpContents_, &QPushButton::clicked, this, [this] { GoToTopic(kContentsTopic); });
  connect(cmdHelpBack_, &QPushButton::clicked, txtHelpPage_, &QTextBrowser::backward);
  connect(cmdHelpForward_, &QPushButton::clicked, txtHelpPage_, &QTextBrowser::forward);
  connect(txtHelpPage_, &QTextBrowser::backwardAvailable, cmdHelpBack_, &QPushButton::setEnabled);
  connect(txtHelpPage_, &QTextBrowser::forwardAvailable, cmdHelpForward_, &QPushButton::setEnabled);
  connect(txtHelpPage_, &QTextBrowser::sourceChanged, this, &HelpViewer::UpdateTitle);
}

void HelpViewer::keyPressEvent(QKeyEvent* event) {
  // Escape closes the help, as it closes a dialog (the page passes on the keys it does not use).
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

HelpViewer* HelpViewer::ShowTopic(QWidget* owner, const QString& topic, const QString& helpFolder) {
  HelpViewer* viewer = nullptr;
  for (HelpViewer* candidate : owner->findChildren<HelpViewer*>(Qt::FindDirectChildrenOnly)) {
    if (candidate->helpFolder_ == helpFolder) viewer = candidate;
  }
  if (!viewer) {
    // A help window opened from a dialog closes with the dialog and with every window above it, the main window
    // included.
    for (QWidget* w = owner; w; w = w->parentWidget()) {
      if (w == owner || w->isWindow()) WatchOwner(w);
    }
    viewer = new HelpViewer(owner, helpFolder);
  }
  viewer->GoToTopic(topic);
  FitToScreen(viewer);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
  return viewer;
}

void HelpViewer::CloseAll(QWidget* owner) {
  for (HelpViewer* viewer : owner->findChildren<HelpViewer*>()) viewer->close();
}

QList<HelpViewer*> HelpViewer::OpenWindows(QWidget* owner) {
  QList<HelpViewer*> open;
  for (HelpViewer* viewer : owner->findChildren<HelpViewer*>()) {
    if (viewer->isVisible()) open.append(viewer);
  }
  return open;
}

void HelpViewer::WatchOwner(QWidget* owner) {
  if (!owner->findChild<QObject*>(QStringLiteral("dvHelpOwnerWatcher"), Qt::FindDirectChildrenOnly)) {
    new OwnerWatcher(owner);
  }
}

void HelpViewer::GoToTopic(const QString& topic) {
  const qsizetype hash = topic.indexOf(QLatin1Char('#'));
  const QString page = hash < 0 ? topic : topic.left(hash);
  QUrl url = QUrl::fromLocalFile(helpFolder_ + QLatin1Char('/') + page);
  if (hash >= 0) url.setFragment(topic.mid(hash + 1));
  txtHelpPage_->setSource(url);
  UpdateTitle();
}

QString HelpViewer::CurrentTopic() const {
  if (static_cast<HelpBrowser*>(txtHelpPage_)->missing) return {};
  return txtHelpPage_->source().fileName();
}

void HelpViewer::UpdateTitle() {
  const QString title = txtHelpPage_->documentTitle();
  setWindowTitle(title.isEmpty() ? QStringLiteral("Dorvane Help") : QStringLiteral("Dorvane Help - ") + title);
}

}  // namespace dv
