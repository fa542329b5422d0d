#include "gui-win32/UpgradeWindow.h"

#include "gui-win32/ControlIds.h"
#include "gui-win32/FormDirDialog.h"
#include "platform/ErrorReport.h"
#include "platform/win32/WideText.h"
#ifdef KVT_WITH_FORM_IMPORT
#include "forms/upgrade/InteractiveImport.h"
#include "gui-win32/ImportDialog.h"
#endif

namespace kvt::gui::win32 {

using platform::win32::widen;

namespace {

constexpr int kMargin = 6;
constexpr int kButtonHeight = 28;
constexpr int kButtonWidth = 96;
constexpr int kLabelHeight = 20;

}  // namespace

UpgradeWindow::UpgradeWindow(HINSTANCE instance, platform::FileSystem& fs,
                             app::DatabaseOpener& opener, app::RunSteps& steps,
                             std::string releaseDir)
    : instance_(instance), fs_(fs), releaseDir_(releaseDir) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = KVT_MAIN_CLASS;
  ::RegisterClassExW(&wc);

  frm_ = std::make_unique<app::TUpgradeFrm>(*this, fs, opener, steps, std::move(releaseDir));
  const std::string caption =
      std::string(app::TUpgradeFrm::kCaption) + " (" + app::TUpgradeFrm::kSupplierLine + ")";
  // Centred on the work area of the screen.
  RECT work{0, 0, kWidth, kHeight};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - kWidth) / 2;
  const int y = work.top + (work.bottom - work.top - kHeight) / 2;
  hwnd_ = ::CreateWindowExW(0, KVT_MAIN_CLASS, widen(caption).c_str(), WS_OVERLAPPEDWINDOW, x, y,
                            kWidth, kHeight, nullptr, nullptr, instance, this);
}

UpgradeWindow::~UpgradeWindow() {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void UpgradeWindow::show(int showCommand) {
  frm_->FormCreate();
  ::ShowWindow(hwnd_, showCommand);
  ::UpdateWindow(hwnd_);
  frm_->FormShow();
}

LRESULT CALLBACK UpgradeWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<UpgradeWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<UpgradeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT UpgradeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {360, 240};
      return 0;
    }
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        command(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE:
      tryClose();
      return 0;
    case WM_DESTROY:
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void UpgradeWindow::createControls() {
  const auto make = [this](const wchar_t* cls, DWORD style, DWORD exStyle, int id,
                           const std::string& text, HFONT font) {
    HWND h = ::CreateWindowExW(exStyle, cls, widen(text).c_str(), WS_CHILD | style, 0, 0, 10, 10,
                               hwnd_, reinterpret_cast<HMENU>(INT_PTR(id)), instance_, nullptr);
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
  };
  const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
  dirLabel_ = make(L"STATIC", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, IDC_DIRLABEL,
                   "DirLabel", fonts_.fixedPitch());
  mainMemo_ = make(L"EDIT",
                   WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                       ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                   WS_EX_CLIENTEDGE, IDC_MAINMEMO, "", fonts_.fixedPitch());
  ::SendMessageW(mainMemo_, EM_SETLIMITTEXT, 0, 0);  // the log may pass the default 32 KB
  doBtn_ = make(L"BUTTON", WS_VISIBLE | button, 0, IDC_DOBTN, app::TUpgradeFrm::kDoBtnCaption,
                fonts_.controls());
  exitBtn_ = make(L"BUTTON", WS_VISIBLE | button, 0, IDC_EXITBTN, app::TUpgradeFrm::kExitBtnCaption,
                  fonts_.controls());
  reportBtn_ = make(L"BUTTON", button, 0, IDC_REPORTBTN, app::TUpgradeFrm::kReportBtnCaption,
                    fonts_.controls());
  stopBtn_ =
      make(L"BUTTON", button, 0, IDC_STOPBTN, app::TUpgradeFrm::kStopBtnCaption, fonts_.controls());
#ifdef KVT_WITH_FORM_IMPORT
  if (!releaseDir_.empty())
    importBtn_ =
        make(L"BUTTON", WS_VISIBLE | button, 0, IDC_IMPORTBTN, "匯入主表單...", fonts_.controls());
#endif
}

void UpgradeWindow::layout() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const int w = client.right;
  const int h = client.bottom;
  const int buttonsTop = h - kMargin - kButtonHeight;
  ::MoveWindow(dirLabel_, kMargin, kMargin, w - 2 * kMargin, kLabelHeight, TRUE);
  const int memoTop = kMargin + kLabelHeight + kMargin;
  ::MoveWindow(mainMemo_, kMargin, memoTop, w - 2 * kMargin, buttonsTop - kMargin - memoTop, TRUE);
  // Report and Stop share the bottom left: only one of them is ever visible.
  ::MoveWindow(reportBtn_, kMargin, buttonsTop, kButtonWidth + 24, kButtonHeight, TRUE);
  ::MoveWindow(stopBtn_, kMargin, buttonsTop, kButtonWidth, kButtonHeight, TRUE);
  int right = w - kMargin;
  for (HWND b : {exitBtn_, doBtn_, importBtn_}) {
    if (b == nullptr) continue;
    const int width = b == importBtn_ ? kButtonWidth + 24 : kButtonWidth;
    ::MoveWindow(b, right - width, buttonsTop, width, kButtonHeight, TRUE);
    right -= width + kMargin;
  }
}

void UpgradeWindow::command(int id) {
  // Nothing a handler throws may pass through the message loop: it ends in an error box.
  platform::ReportingErrors(*this, [&] {
    switch (id) {
      case IDC_DOBTN:
        frm_->DoBtnClick();
        break;
      case IDC_STOPBTN:
        frm_->StopBtnClick();
        break;
      case IDC_EXITBTN:
        frm_->ExitBtnClick();
        break;
      case IDC_REPORTBTN:
        // The window goes on working while the mail program is open: one report at a time.
        ::EnableWindow(reportBtn_, FALSE);
        frm_->ReportBtnClick();
        if (reportBtn_ != nullptr && hwnd_ != nullptr) ::EnableWindow(reportBtn_, TRUE);
        break;
      case IDC_IMPORTBTN:
        importBtnClick();
        break;
    }
  });
}

void UpgradeWindow::tryClose() {
  if (hwnd_ == nullptr || !frm_->FormCloseQuery()) return;  // a run stops first, then closes
  frm_->FormClose();
  ::DestroyWindow(hwnd_);
}

std::string UpgradeWindow::memoText() const {
  std::string text = textOf(mainMemo_);
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  return lines;
}

void UpgradeWindow::setMemoText(const std::string& text) {
  ::SetWindowTextW(mainMemo_, controlLines(text).c_str());
  memoHasLines_ = !text.empty();
}

void UpgradeWindow::appendMemoLine(const std::string& text) {
  // An empty memo and a memo of one empty line have the same text: count lines ourselves.
  memoHasLines_ = memoHasLines_ || ::GetWindowTextLengthW(mainMemo_) > 0;
  const std::wstring line = (memoHasLines_ ? L"\r\n" : L"") + controlLines(text);
  memoHasLines_ = true;
  const LRESULT end = ::GetWindowTextLengthW(mainMemo_);
  ::SendMessageW(mainMemo_, EM_SETSEL, WPARAM(end), LPARAM(end));
  ::SendMessageW(mainMemo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  ::SendMessageW(mainMemo_, EM_SCROLLCARET, 0, 0);
}

void UpgradeWindow::setDirLabel(const std::string& text) {
  setText(dirLabel_, text);
}

HWND UpgradeWindow::button(app::MainButton which) const {
  return app::ButtonControl(which, doBtn_, stopBtn_, reportBtn_, exitBtn_);
}

void UpgradeWindow::setButtonVisible(app::MainButton which, bool visible) {
  ::ShowWindow(button(which), visible ? SW_SHOW : SW_HIDE);
  // The import works beside the run's scratch tables: it is offered only before a run.
  if (which == app::MainButton::DoBtn && importBtn_ != nullptr)
    ::ShowWindow(importBtn_, visible ? SW_SHOW : SW_HIDE);
}

void UpgradeWindow::closeWindow() {
  tryClose();
}

bool UpgradeWindow::showFormDirDialog(forms::TSelectGlobalPathFrm& logic) {
  // The operator answers with the normal cursor, whatever the run shows.
  const bool wasBusy = busy_;
  setBusyCursor(false);
  FormDirDialog dialog(logic, fonts_);
  dialog.run(instance_, hwnd_);
  setBusyCursor(wasBusy);
  return logic.Result().value_or(false);
}

void UpgradeWindow::messageBox(platform::BoxKind kind, const std::string& text) {
  const bool wasBusy = busy_;
  setBusyCursor(false);
  const HWND owner = hwnd_ != nullptr && ::IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
  win32::messageBox(owner, kind, app::TUpgradeFrm::kCaption, text);
  setBusyCursor(wasBusy);
}

void UpgradeWindow::setBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void UpgradeWindow::processEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(int(msg.wParam));  // for the message loop that waits for it
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void UpgradeWindow::importBtnClick() {
#ifdef KVT_WITH_FORM_IMPORT
  OpenFileRequest request;
  request.title = "匯入主表單 - 目的主表單檔";
  request.startDir = releaseDir_;
  request.filter = ImportDialog::fileFilter();
  const auto destination = openFile(hwnd_, request);
  if (!destination) return;
  // An error of the table engine or the files leaves this handler for its error box; the form
  // file is replaced only by a finished save, so it stays as it was.
  const auto result =
      forms::ImportIntoFormFile(fs_, *this, releaseDir_ + "Table\\", releaseDir_ + "SrcTable\\",
                                *destination, [this](forms::TImportTableFrm& logic) {
                                  ImportDialog dialog(logic, fonts_);
                                  dialog.run(instance_, hwnd_);
                                });
  forms::ReportImportResult(*this, result, *destination);
#endif
}

}  // namespace kvt::gui::win32
