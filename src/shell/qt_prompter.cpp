#include "shell/qt_prompter.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

namespace dv {

// Tells the hook when the first box opens and the last one closes (a box may ask another while it is open).
class BoxOpen {
 public:
  explicit BoxOpen(QtPrompter& p) : p_(p) {
    if (p_.open_++ == 0 && p_.aside_) p_.aside_(true);
  }
  ~BoxOpen() {
    if (--p_.open_ == 0 && p_.aside_) p_.aside_(false);
  }
  BoxOpen(const BoxOpen&) = delete;
  BoxOpen& operator=(const BoxOpen&) = delete;

 private:
  QtPrompter& p_;
};

namespace {

QString Title(const std::string& title) { return QString::fromStdString(title.empty() ? kAppTitle : title); }
// Texts join their lines with CR LF; a label wants plain line feeds.
QString Body(const std::string& text) { return QString::fromStdString(text).replace("\r\n", "\n"); }

// The box comes in front and takes the keyboard: the user must be able to see and answer it at once.
int ShowInFront(QDialog& box) {
  // Once exec has shown it (shown earlier, the box would not be modal).
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  return box.exec();
}

}  // namespace

int QtPrompter::Ask(int icon, const std::string& text, const std::string& title, int buttons) {
  BoxOpen open(*this);
  QMessageBox box(QMessageBox::Icon(icon), Title(title), Body(text), QMessageBox::StandardButtons(buttons), parent_);
  box.setObjectName("dvMessageBox");
  return ShowInFront(box);
}

void QtPrompter::Message(const std::string& text, const std::string& title) {
  Ask(QMessageBox::Information, text, title, QMessageBox::Ok);
}

bool QtPrompter::YesNo(const std::string& text, const std::string& title) {
  return Ask(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Answer QtPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  switch (Ask(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

std::optional<std::string> QtPrompter::Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
  BoxOpen open(*this);
  QInputDialog box(parent_);
  box.setObjectName("dvInputBox");
  box.setWindowTitle(Title(title));
  box.setLabelText(Body(prompt));
  box.setTextValue(QString::fromStdString(defaultText));
  if (ShowInFront(box) != QDialog::Accepted) return std::nullopt;
  return box.textValue().toStdString();
}

}  // namespace dv
