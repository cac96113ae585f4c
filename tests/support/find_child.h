#pragma once
// Finding a window's control by its objectName, as a user finds it by what it is: a missing control ends the test
// at once with its name, instead of a null pointer further down.
#include <QObject>
#include <QWidget>
#include <QtGlobal>

namespace dv::test {

template <class T = QWidget>
T* Child(const QObject* root, const char* name) {
  T* found = root->findChild<T*>(name);
  if (!found) qFatal("no control %s", name);
  return found;
}

}  // namespace dv::test
