// KVTUpgrade.exe: the upgrade tool's one window on Windows. The release directory is the
// directory of this program file.
#include <windows.h>

#include <vector>

#include "app/EngineOpener.h"
#include "app/UpgradeSteps.h"
#include "gui-win32/UpgradeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsFileSystem.h"

namespace {

// The program file's directory with its trailing backslash; empty when it cannot be had.
std::string programDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // a long path: try again with room for it
  }
  return kvt::platform::extractFilePath(
      kvt::platform::win32::narrow(std::wstring_view(path.data(), path.size())));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  kvt::platform::WindowsFileSystem files;
  const std::string releaseDir = programDirectory();
  kvt::app::EngineOpener opener;
  kvt::app::UpgradeRunSteps steps;
  kvt::gui::win32::UpgradeWindow window(instance, files, opener, steps, releaseDir);
  if (window.handle() == nullptr) return 1;
  steps.setMailParent(reinterpret_cast<kvt::report::ParentWindow>(window.handle()));
  window.show(showCommand);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return int(msg.wParam);
}
