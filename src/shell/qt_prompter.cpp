#include "shell/qt_prompter.h"

#include <QInputDialog>
#include <QMessageBox>

namespace dv {

namespace {

QString Title(const std::string& title) { return QString::fromStdString(title.empty() ? kAppTitle : title); }
// Texts join their lines with CR LF; a label wants plain line feeds.
QString Body(const std::string& text) { return QString::fromStdString(text).replace("\r\n", "\n"); }

int Ask(QWidget* parent, QMessageBox::Icon icon, const std::string& text, const std::string& title,
        QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, Title(title), Body(text), buttons, parent);
  box.setObjectName("dvMessageBox");
  return box.exec();
}

}  // namespace

void QtPrompter::Message(const std::string& text, const std::string& title) {
  Ask(parent_, QMessageBox::Information, text, title, QMessageBox::Ok);
}

bool QtPrompter::YesNo(const std::string& text, const std::string& title) {
  return Ask(parent_, QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Answer QtPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  switch (Ask(parent_, QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

std::optional<std::string> QtPrompter::Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(parent_, Title(title), Body(prompt), QLineEdit::Normal,
                                       QString::fromStdString(defaultText), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

}  // namespace dv
