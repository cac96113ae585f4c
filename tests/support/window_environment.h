#pragma once
// The environment of a window test: a fresh scratch folder, with the private temporary folder, the settings store,
// the home folder and the system temporary folder (TMPDIR) pointed at folders inside it, for the object's lifetime;
// everything is restored and removed when it ends. Make one in init() and drop it in cleanup(), so that no test
// function sees another's settings or files.
#include <QString>

#include "support/temp_tree.h"

namespace dv::test {

class WindowEnvironment {
 public:
  WindowEnvironment() : env_(tree_), tmp_(tree_.Dir("env/tmp")) { env_.Set("TMPDIR", tmp_); }

  // A path inside the scratch folder (the folder itself for an empty one); nothing is created.
  QString Path(const QString& relative = {}) const {
    return Q(tree_.Root()) + (relative.isEmpty() ? QString() : "/" + relative);
  }
  QString Home() const { return Q(env_.Home()); }
  QString RuntimeDir() const { return Q(env_.RuntimeDir()); }
  QString ConfigHome() const { return Q(env_.ConfigHome()); }
  QString TempDir() const { return Q(tmp_); }
  TempTree& Tree() { return tree_; }
  // Sets one more variable (a null string unsets it), restored with the others.
  void Set(const char* name, const QString& value) {
    env_.Set(name, value.isNull() ? nullptr : value.toLocal8Bit().constData());
  }

 private:
  static QString Q(const std::string& s) { return QString::fromLocal8Bit(s); }
  TempTree tree_;
  IsolatedEnvironment env_;
  std::string tmp_;
};

}  // namespace dv::test
