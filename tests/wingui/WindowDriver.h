// Drives KVTUpgrade.exe from another process, as an operator would: finds its window once it
// is visible with its buttons made, presses buttons with posted clicks (a sent one would block
// in a modal box), reads controls with WM_GETTEXT and answers dialogs and boxes.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace kvt::wingui {

using namespace std::chrono_literals;

// The UTF-8 text of a control of any process; empty for a missing window.
std::string textOf(HWND window);
void click(HWND button);
bool visible(HWND window);

// Polls `done` until it holds or `limit` has passed; whether it held.
bool waitFor(const std::function<bool()>& done,
             std::chrono::milliseconds limit = std::chrono::milliseconds(60s));

class ToolProcess {
 public:
  // Starts the program and waits for its main window; `ok()` tells whether it came.
  explicit ToolProcess(const std::wstring& program);
  ~ToolProcess();
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  bool ok() const { return main_ != nullptr; }
  HWND main() const { return main_; }
  HWND control(int id) const { return ::GetDlgItem(main_, id); }
  // A visible dialog or box of the program other than the main window; null when none.
  HWND modal() const;
  // Waits for the program to end; its exit code, or -1 when it is still running.
  int waitForExit(std::chrono::milliseconds limit = std::chrono::milliseconds(30s));

 private:
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

// A message box's text (its static control) and its OK button.
std::string boxText(HWND box);
HWND boxOk(HWND box);

}  // namespace kvt::wingui
