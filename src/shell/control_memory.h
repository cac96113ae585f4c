#pragma once
// A window's choices kept between sessions in the per-user settings store: each named control's state is stored
// under prefix + its objectName, as text. Line edits keep their text, check boxes and radio buttons whether they
// are checked, combo boxes the text of their entry, lists their entries.
#include <QString>
#include <QStringList>

class QWidget;

namespace dv {

class UserSettings;

// The state of one control as it is stored; empty for a control of another kind.
QString ControlState(const QWidget& control);

// Stores the state of each named control under `root`. Failures of the store are thrown (dv::Error).
void RememberControls(const QWidget& root, const QStringList& names, const QString& prefix, UserSettings& store);

// Puts the stored states back with the controls' signals blocked, so the caller brings dependent controls in line
// afterwards. A control with nothing stored keeps its state; a radio button is only ever switched on (its group
// switches the others off); a combo box keeps its entry when the stored one no longer exists. Lists get the
// stored entries as they are: the caller checks that they still make sense.
void RestoreControls(QWidget& root, const QStringList& names, const QString& prefix, UserSettings& store);

}  // namespace dv
