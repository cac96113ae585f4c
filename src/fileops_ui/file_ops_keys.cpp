// The window's keyboard beyond what its controls do themselves: in either folder tree the arrow keys, Enter and
// Space choose the folder they land on, as a click does (path box and file list follow), and Escape closes the
// results or the errors view. Kept in a filter of its own so the trees and views need not know about it.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTreeView>

#include "fileops_ui/frm_file_ops.h"
#include "shell/report_view.h"

namespace dv {

namespace {

bool Moves(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

}  // namespace

class FileOpsKeys : public QObject {
 public:
  FileOpsKeys(frmFileOps& window, QTreeView* source, QTreeView* destination, ReportPreview* results,
              ReportPreview* errors)
      : QObject(&window), w_(window), source_(source), destination_(destination), results_(results), errors_(errors) {
    source_->installEventFilter(this);
    destination_->installEventFilter(this);
    w_.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == source_ || watched == destination_) return TreeKey(static_cast<QTreeView*>(watched), key);
    // Escape reaches the window when the control with the focus has no use for it.
    if (watched == &w_ && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      if (!results_->isHidden()) w_.cmdLastOperationResults_Click();
      else if (!errors_->isHidden()) w_.cmdDisplayErrors_Click();
      else return false;
      return true;
    }
    return false;
  }

 private:
  // What a click on the folder does.
  void Choose(bool source, const QModelIndex& index) {
    w_.Run(source ? "ffo:34" : "ffo:35", [&] { w_.TreeFolderClicked(source, index); });
  }

  bool TreeKey(QTreeView* tree, QKeyEvent* key) {
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    const bool source = tree == source_;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space) {
      if (tree->currentIndex().isValid()) Choose(source, tree->currentIndex());
      return true;
    }
    if (!Moves(key->key())) return false;
    // The tree moves first; a folder is chosen only when the key landed on another one (Left and Right may only
    // fold or unfold).
    const QModelIndex before = tree->currentIndex();
    tree->removeEventFilter(this);
    QCoreApplication::sendEvent(tree, key);
    tree->installEventFilter(this);
    if (tree->currentIndex().isValid() && tree->currentIndex() != before)
      Choose(source, tree->currentIndex());
    return true;
  }

  frmFileOps& w_;
  QTreeView *source_, *destination_;
  ReportPreview *results_, *errors_;
};

void frmFileOps::ConnectKeys() {
  new FileOpsKeys(*this, ExploreTreeFileOpsSource_, ExploreTreeFileOpsDestination_, txtInfoDisplay_,
                  txtErrorsDisplay_);
}

}  // namespace dv
