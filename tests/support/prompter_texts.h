#pragma once
// The texts a ScriptedPrompter was asked, in order, as the QtTest programs compare and print them.
#include <QStringList>

#include "support/scripted_prompter.h"

namespace dv::test {

inline QStringList Texts(const ScriptedPrompter& prompter) {
  QStringList out;
  for (const Asked& a : prompter.Log()) out << QString::fromStdString(a.text);
  return out;
}

}  // namespace dv::test
