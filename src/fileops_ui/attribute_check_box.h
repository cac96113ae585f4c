#pragma once
// An attribute box of the file operations window. Each click moves it one step round three states: grayed (the
// attribute is left alone), checked (set), unchecked (cleared). It starts grayed.
#include <QCheckBox>

namespace dv {

class AttributeCheckBox : public QCheckBox {
 public:
  explicit AttributeCheckBox(const QString& caption, QWidget* parent = nullptr) : QCheckBox(caption, parent) {
    setTristate(true);
    setCheckState(Qt::PartiallyChecked);
  }
  // The counter behind the cycle: 0 grayed, 1 checked, 2 unchecked.
  int AttributeClickCount() const { return count_; }
  void Reset() {
    count_ = 0;
    setCheckState(Qt::PartiallyChecked);
  }
  // Puts a remembered state back with the counter in step.
  void SetState(Qt::CheckState state) {
    count_ = state == Qt::Checked ? 1 : state == Qt::Unchecked ? 2 : 0;
    setCheckState(state);
  }

 protected:
  void nextCheckState() override {
    count_ = (count_ + 1) % 3;
    setCheckState(count_ == 1 ? Qt::Checked : count_ == 2 ? Qt::Unchecked : Qt::PartiallyChecked);
  }

 private:
  int count_ = 0;
};

}  // namespace dv
