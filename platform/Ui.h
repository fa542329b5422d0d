// What the tool's logic needs of the desktop beyond one window's own controls: message boxes,
// the busy cursor and letting the window process pending events. The Qt program implements
// it; tests use a scripted one that records what was shown.
#pragma once

#include <string>

namespace kvt::platform {

enum class BoxKind { Information, Warning, Error };

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal box with one OK button; returns when the operator has closed it.
  virtual void messageBox(BoxKind kind, const std::string& text) = 0;
  virtual void setBusyCursor(bool busy) = 0;
  virtual void processEvents() = 0;
};

}  // namespace kvt::platform
