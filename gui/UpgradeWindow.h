// The main window: a label, the memo (switch text, then the log) and four buttons, driven by
// TUpgradeFrm. Closing is put off while a run is in progress.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "app/DatabaseOpener.h"
#include "app/MainView.h"
#include "app/RunSteps.h"
#include "app/UpgradeFrm.h"
#include "platform/FileSystem.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kvt::gui {

class UpgradeWindow : public QWidget, public app::MainView {
 public:
  // The supplier line that follows the caption in parentheses.
  static constexpr const char* kSupplierLine = app::TUpgradeFrm::kSupplierLine;

  UpgradeWindow(platform::FileSystem& fs, app::DatabaseOpener& opener, app::RunSteps& steps,
                std::string releaseDir);
  ~UpgradeWindow() override;

  // Loads the switch text; called once before the window is shown.
  void FormCreate() { frm_->FormCreate(); }
  app::TUpgradeFrm& frm() { return *frm_; }

  // app::MainView
  std::string memoText() const override;
  void setMemoText(const std::string& text) override;
  void appendMemoLine(const std::string& text) override;
  void setDirLabel(const std::string& text) override;
  void setButtonVisible(app::MainButton button, bool visible) override;
  void closeWindow() override;
  bool showFormDirDialog(forms::TSelectGlobalPathFrm& dialog) override;
  // platform::Ui
  void messageBox(platform::BoxKind kind, const std::string& text) override;
  void setBusyCursor(bool busy) override;
  void processEvents() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* button(app::MainButton which) const;
  // Imports forms into a form file of the operator's choice, before a run.
  void importBtnClick();

  platform::FileSystem& fs_;
  QLabel* dirLabel_;
  QPlainTextEdit* mainMemo_;
  QPushButton* doBtn_;
  QPushButton* exitBtn_;
  QPushButton* reportBtn_;
  QPushButton* stopBtn_;
  QPushButton* importBtn_ = nullptr;  // only in builds with the form import
  std::string releaseDir_;
  bool busy_ = false;
  bool memoHasLines_ = false;
  bool shownOnce_ = false;
  std::unique_ptr<app::TUpgradeFrm> frm_;
};

// A text of the tool's logic ("\r\n" breaks) as the toolkit shows it.
QString toDisplayText(const std::string& text);

}  // namespace kvt::gui
