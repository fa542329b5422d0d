// The error report of a handler: a failure nothing below foresaw (an error of the table
// engine, of the files, of memory) reaches the operator as an error box with its message
// instead of leaving the handler, so no error ever passes through the window's event loop.
#pragma once

#include <exception>
#include <string>

#include "platform/Ui.h"

namespace kvt::platform {

// Runs `work`. True when it ends normally; false, after an error box with the message of what
// it threw (`fallback` for a throw that carries none), when it throws.
template <class Work>
bool ReportingErrors(Ui& ui, Work&& work,
                     const std::string& fallback = "執行時發生無法處理的錯誤 !") {
  std::string message;
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = fallback;
  }
  // The box is shown outside the handler of the error: showing it may run the event loop.
  ui.messageBox(BoxKind::Error, message.empty() ? fallback : message);
  return false;
}

}  // namespace kvt::platform
