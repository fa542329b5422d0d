#include "WindowDriver.h"

#include <thread>
#include <utility>

#include "gui-win32/ControlIds.h"

namespace kvt::wingui {

std::string textOf(HWND window) {
  if (window == nullptr) return {};
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 10000, &got);
  text.resize(got);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), n, nullptr,
                        nullptr);
  return utf8;
}

void click(HWND button) {
  ::PostMessageW(button, BM_CLICK, 0, 0);
}

bool visible(HWND window) {
  return window != nullptr && ::IsWindowVisible(window);
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

namespace {

struct Search {
  DWORD pid;
  const wchar_t* className;
  HWND except;
  HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  wchar_t cls[64] = {};
  ::GetClassNameW(window, cls, 64);
  if (pid == s.pid && window != s.except && ::IsWindowVisible(window) &&
      lstrcmpW(cls, s.className) == 0) {
    s.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND findWindow(DWORD pid, const wchar_t* className, HWND except = nullptr) {
  Search s{pid, className, except};
  ::EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

ToolProcess::ToolProcess(const std::wstring& program) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring commandLine = L"\"" + program + L"\"";
  const std::wstring dir = program.substr(0, program.find_last_of(L'\\') + 1);
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.c_str(), &startup, &process_))
    return;
  // The window can be found before its children are made: wait for the last button too.
  waitFor([&] {
    HWND w = findWindow(process_.dwProcessId, KVT_MAIN_CLASS);
    if (w != nullptr && ::GetDlgItem(w, IDC_STOPBTN) != nullptr &&
        !textOf(::GetDlgItem(w, IDC_MAINMEMO)).empty())
      main_ = w;
    return main_ != nullptr || ::WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
  });
}

ToolProcess::~ToolProcess() {
  if (process_.hProcess == nullptr) return;
  if (waitForExit(0ms) < 0) {
    if (main_ != nullptr) ::PostMessageW(main_, WM_CLOSE, 0, 0);
    if (waitForExit(5s) < 0) ::TerminateProcess(process_.hProcess, 99);
  }
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

HWND ToolProcess::modal() const {
  return findWindow(process_.dwProcessId, L"#32770", main_);
}

int ToolProcess::waitForExit(std::chrono::milliseconds limit) {
  if (::WaitForSingleObject(process_.hProcess, DWORD(limit.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.hProcess, &code);
  return int(code);
}

std::string boxText(HWND box) {
  return textOf(::GetDlgItem(box, 0xFFFF));
}

HWND boxOk(HWND box) {
  return ::GetDlgItem(box, IDOK);
}

}  // namespace kvt::wingui
