#include "shell/control_memory.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QWidget>

#include "common/user_settings.h"

namespace dv {

namespace {

// Column names and the like never hold a line feed, so it separates a list's entries.
constexpr QChar kEntrySeparator = u'\n';

// The text stored when the store holds no value: no state of a control is this text.
const char* const kNothingStored = "\x01";

QWidget* Find(const QWidget& root, const QString& name) { return root.findChild<QWidget*>(name); }

}  // namespace

QString ControlState(const QWidget& control) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) return edit->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
    return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  if (const auto* combo = qobject_cast<const QComboBox*>(&control)) return combo->currentText();
  if (const auto* list = qobject_cast<const QListWidget*>(&control)) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return entries.join(kEntrySeparator);
  }
  return {};
}

void RememberControls(const QWidget& root, const QStringList& names, const QString& prefix, UserSettings& store) {
  for (const QString& name : names) {
    const QWidget* control = Find(root, name);
    if (!control) continue;
    // Each save rewrites the settings file; reading is cheap, so only what changed is written.
    const std::string key = (prefix + name).toStdString(), state = ControlState(*control).toStdString();
    if (store.GetSetting(key, kNothingStored) != state) store.SaveSetting(key, state);
  }
}

void RestoreControls(QWidget& root, const QStringList& names, const QString& prefix, UserSettings& store) {
  for (const QString& name : names) {
    QWidget* control = Find(root, name);
    if (!control) continue;
    const std::string stored = store.GetSetting((prefix + name).toStdString(), kNothingStored);
    if (stored == kNothingStored) continue;
    const QString state = QString::fromStdString(stored);
    const QSignalBlocker quiet(control);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      edit->setText(state);
    } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
      if (state == "1") radio->setChecked(true);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      if (button->isCheckable()) button->setChecked(state == "1");
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      const int entry = combo->findText(state);
      if (entry >= 0) combo->setCurrentIndex(entry);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
      list->clear();
      if (!state.isEmpty()) list->addItems(state.split(kEntrySeparator));
    }
  }
}

}  // namespace dv
