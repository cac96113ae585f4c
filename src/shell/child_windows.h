#pragma once
// The two working windows as the main window sees them: the procedures its menus call. The directory printer and
// file operations windows derive from these; until they exist, plain windows with the right names stand in and
// the procedures do nothing.
#include <QWidget>

namespace dv {

class frmDirPrintBase : public QWidget {
  Q_OBJECT
 public:
  explicit frmDirPrintBase(QWidget* parent = nullptr);
  virtual void ProcessDirPrintJob() {}
  virtual void RefreshDrives() {}
  virtual void ClearSettings() {}
  virtual void PrintDirectoryInformation() {}
  virtual void SaveDirectoryInformation() {}
  virtual void ShowHTMLSettings() {}
  virtual void ViewSessionErrors() {}
  virtual void ClearErrors() {}
};

class frmFileOpsBase : public QWidget {
  Q_OBJECT
 public:
  explicit frmFileOpsBase(QWidget* parent = nullptr);
  virtual void PerformFileOperation() {}
  virtual void UndoLastOperation() {}
  virtual void RefreshDrives() {}
  virtual void ShowFileOpFilterSettings() {}
  virtual void cmdLastOperationResults_Click() {}
  virtual void cmdDisplayErrors_Click() {}
  virtual void PrintLastOperationResults() {}
  virtual void PrintFileOpErrorsThisSession() {}
  virtual void SaveLastOperationResults() {}
  virtual void SaveFileOpErrorsThisSession() {}
  // Whether the window's "Perform Operation" button (cmdProcess) is enabled.
  virtual bool ProcessEnabled() const { return false; }
  // The window's preview box (chkPreviewOnly).
  virtual void SetPreviewOnly(bool checked) { previewOnly_ = checked; }
  virtual bool PreviewOnly() const { return previewOnly_; }

 private:
  bool previewOnly_ = false;
};

}  // namespace dv
