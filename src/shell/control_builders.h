#pragma once
// The small helpers the windows build their controls with: a control named after its control name (the tests and
// the remembered choices find it by that name), indexed names of control arrays, the fixed-pitch report font, a
// filled combo box, the comparison operator and size unit lists of the filters, number boxes and the
// background that tells a box taking input from one that does not.
#include <QFont>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QWidget;

namespace dv {

// The choices of the date and size restrictions' operator boxes; the first (empty) one means no restriction.
extern const QStringList kComparisonOperators;
// The choices of the size restrictions' unit boxes; the first (empty) one means none chosen yet.
extern const QStringList kSizeUnits;

// Names `w` (its objectName) and gives it `tip` when there is one; answers `w`.
template <class W>
W* Named(W* w, const QString& name, const QString& tip = {}) {
  w->setObjectName(name);
  if (!tip.isEmpty()) w->setToolTip(tip);
  return w;
}

// The name of an array's member: "name_i".
QString Indexed(const char* name, int i);

// "Courier New", or the fixed-pitch face the font system puts in its place: report columns line up with it.
QFont FixedFont();

// A combo box named `name` holding `entries`.
QComboBox* Combo(const QString& name, const QStringList& entries, const QString& tip = {});

// A number box: keys other than digits never reach it, so "1bc12x" cannot be typed. Answers `box`.
QLineEdit* DigitsOnly(QLineEdit* box);

// Hidden, `w` keeps its room, so a place shared by pages is as large as the largest and nothing jumps.
void KeepRoom(QWidget* w);

// A box's background: white when it takes input, the window's colour when it does not.
void SetBase(QWidget* w, bool white);

}  // namespace dv
