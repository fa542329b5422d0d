// The form directory dialog's window around TSelectGlobalPathFrm: the path field, the
// candidate list, the browse button and OK / stop-the-run buttons.
#pragma once

#include <QDialog>

#include "forms/SelectGlobalPathFrm.h"
#include "platform/FileSystem.h"

class QLineEdit;
class QListWidget;

namespace kvt::gui {

class SelectGlobalPathDialog : public QDialog, public forms::SelectGlobalPathView {
 public:
  SelectGlobalPathDialog(forms::TSelectGlobalPathFrm& logic, platform::FileSystem& fs,
                         QWidget* owner);
  ~SelectGlobalPathDialog() override;

  // forms::SelectGlobalPathView
  void showWarning(const std::string& text) override;
  std::optional<std::string> openFileDialog(const std::string& startDir,
                                            const std::string& presetFileName) override;
  void pathEditChanged(const std::string& text) override;
  void closeDialog(bool ok) override;

 protected:
  // Escape and the window's close button stop the run, as the stop button does.
  void reject() override;

 private:
  forms::TSelectGlobalPathFrm& logic_;
  platform::FileSystem& fs_;
  QLineEdit* pathEdit_;
  QListWidget* pathLBox_;
};

}  // namespace kvt::gui
