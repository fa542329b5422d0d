// Small pieces shared by the Win32 windows: UTF-8 texts in and out of controls, the message
// box, the file-open dialog and the fonts. Every text crosses as UTF-16.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/Ui.h"

namespace kvt::gui::win32 {

void setText(HWND control, const std::string& utf8);
std::string textOf(HWND control);
// A logic text with "\n" or "\r\n" breaks as an edit control shows it ("\r\n").
std::wstring controlLines(const std::string& utf8);

// A modal box with one OK button over `owner` (which may be null).
void messageBox(HWND owner, platform::BoxKind kind, const std::string& caption,
                const std::string& text);

struct OpenFileRequest {
  std::string title;
  std::string startDir;  // a Windows directory; ignored when it does not exist
  std::string fileName;  // preselected
  std::wstring filter;   // pairs of texts, each ended by L'\0'; empty for all files
  bool fileMustExist = true;
};
// The chosen file's Windows path, or nullopt when the operator cancelled.
std::optional<std::string> openFile(HWND owner, const OpenFileRequest& request);

// A fixed-pitch face that has the Chinese characters, and the face of buttons and boxes.
class Fonts {
 public:
  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;
  HFONT fixedPitch() const { return fixed_; }
  HFONT controls() const { return controls_; }

 private:
  HFONT fixed_;
  HFONT controls_;
};

}  // namespace kvt::gui::win32
