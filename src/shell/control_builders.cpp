#include "shell/control_builders.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QWidget>

#include "common/compare_operators.h"

namespace dv {

// An empty entry first: no comparison chosen.
const QStringList kComparisonOperators = [] {
  QStringList operators{""};
  for (const char* op : kCompareOperators) operators << op;
  return operators;
}();
const QStringList kSizeUnits = {"", "Bytes", "KB", "MB"};

QString Indexed(const char* name, int i) { return QString("%1_%2").arg(name).arg(i); }

QFont FixedFont() {
  QFont f("Courier New");
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  return f;
}

QComboBox* Combo(const QString& name, const QStringList& entries, const QString& tip) {
  auto* c = Named(new QComboBox, name, tip);
  c->addItems(entries);
  return c;
}

QLineEdit* DigitsOnly(QLineEdit* box) {
  box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), box));
  return box;
}

void KeepRoom(QWidget* w) {
  QSizePolicy p = w->sizePolicy();
  p.setRetainSizeWhenHidden(true);
  w->setSizePolicy(p);
}

void SetBase(QWidget* w, bool white) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, white ? QColor(Qt::white) : w->palette().color(QPalette::Window));
  w->setPalette(p);
}

}  // namespace dv
