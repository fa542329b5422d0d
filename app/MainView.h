// What the main window's logic (TUpgradeFrm) needs of its window: the memo, the label, the
// four buttons, closing, and the form directory dialog. Message boxes, the busy cursor and
// processing of pending events come from platform::Ui. The Qt window implements this; tests
// use a scripted one.
#pragma once

#include <string>

#include "platform/Ui.h"

namespace kvt::forms {
class TSelectGlobalPathFrm;
}

namespace kvt::app {

using forms::TSelectGlobalPathFrm;

enum class MainButton { DoBtn, StopBtn, ReportBtn, ExitBtn };

// Which of a window's four button controls stands for `button`.
template <class Control>
Control ButtonControl(MainButton button, Control doBtn, Control stopBtn, Control reportBtn,
                      Control exitBtn) {
  switch (button) {
    case MainButton::DoBtn:
      return doBtn;
    case MainButton::StopBtn:
      return stopBtn;
    case MainButton::ReportBtn:
      return reportBtn;
    case MainButton::ExitBtn:
      return exitBtn;
  }
  return exitBtn;
}

class MainView : public platform::Ui {
 public:
  // The memo's whole text, lines separated by "\n".
  virtual std::string memoText() const = 0;
  virtual void setMemoText(const std::string& text) = 0;
  // Adds the text as one or more lines ("\n" separates them) at the end of the memo; an
  // empty text adds an empty line.
  virtual void appendMemoLine(const std::string& text) = 0;

  virtual void setDirLabel(const std::string& text) = 0;
  virtual void setButtonVisible(MainButton button, bool visible) = 0;

  // Closes the window (the window then calls TUpgradeFrm::FormCloseQuery and FormClose).
  virtual void closeWindow() = 0;

  // Shows the form directory dialog modally over the main window, driven by `dialog`, whose
  // path field and candidate list the caller has filled. True when it was closed with OK.
  virtual bool showFormDirDialog(TSelectGlobalPathFrm& dialog) = 0;
};

}  // namespace kvt::app
