#include "gui-win32/WinControls.h"

#include <commdlg.h>

#include <array>
#include <vector>

#include "platform/win32/WideText.h"

namespace kvt::gui::win32 {

using platform::win32::narrow;
using platform::win32::widen;

void setText(HWND control, const std::string& utf8) {
  ::SetWindowTextW(control, widen(utf8).c_str());
}

std::string textOf(HWND control) {
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(size_t(length) + 1, L'\0');
  const int got = ::GetWindowTextW(control, text.data(), length + 1);
  text.resize(size_t(got > 0 ? got : 0));
  return narrow(text);
}

std::wstring controlLines(const std::string& utf8) {
  const std::wstring in = widen(utf8);
  std::wstring out;
  out.reserve(in.size() + in.size() / 16);
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == L'\r' && i + 1 < in.size() && in[i + 1] == L'\n') continue;
    if (in[i] == L'\n' || in[i] == L'\r') {
      out += L"\r\n";
    } else {
      out += in[i];
    }
  }
  return out;
}

void messageBox(HWND owner, platform::BoxKind kind, const std::string& caption,
                const std::string& text) {
  const UINT icon = kind == platform::BoxKind::Warning ? MB_ICONWARNING
                    : kind == platform::BoxKind::Error ? MB_ICONERROR
                                                       : MB_ICONINFORMATION;
  ::MessageBoxW(owner, controlLines(text).c_str(), widen(caption).c_str(), MB_OK | icon);
}

std::optional<std::string> openFile(HWND owner, const OpenFileRequest& request) {
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring preset = widen(request.fileName);
  if (preset.size() < name.size()) std::copy(preset.begin(), preset.end(), name.begin());
  const std::wstring title = widen(request.title);
  const std::wstring dir = widen(request.startDir);
  const DWORD attributes =
      dir.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(dir.c_str());
  const bool dirExists =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = request.filter.empty() ? nullptr : request.filter.c_str();
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = DWORD(name.size());
  ofn.lpstrInitialDir = dirExists ? dir.c_str() : nullptr;
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              OFN_ENABLESIZING | (request.fileMustExist ? OFN_FILEMUSTEXIST : 0);
  if (!::GetOpenFileNameW(&ofn)) return std::nullopt;
  return narrow(name.data());
}

namespace {

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool hasFace(HDC dc, const wchar_t* face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  ::EnumFontFamiliesExW(dc, &query, noteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The first of the faces the machine has: the Traditional Chinese system's own first, then
// those a Linux desktop brings along.
const wchar_t* firstFace(std::initializer_list<const wchar_t*> faces) {
  HDC dc = ::GetDC(nullptr);
  const wchar_t* chosen = nullptr;
  for (const wchar_t* face : faces) {
    if (hasFace(dc, face)) {
      chosen = face;
      break;
    }
  }
  ::ReleaseDC(nullptr, dc);
  return chosen;
}

HFONT makeFont(int pixelHeight, DWORD pitch, const wchar_t* face) {
  return ::CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, CHINESEBIG5_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch,
                       face != nullptr ? face : L"");
}

}  // namespace

Fonts::Fonts() {
  fixed_ = makeFont(13, FIXED_PITCH | FF_MODERN,
                    firstFace({L"MingLiU", L"\x7d30\x660e\x9ad4", L"Noto Sans Mono CJK TC",
                               L"WenQuanYi Zen Hei Mono"}));
  controls_ = makeFont(12, VARIABLE_PITCH | FF_SWISS,
                       firstFace({L"PMingLiU", L"\x65b0\x7d30\x660e\x9ad4", L"Noto Sans CJK TC",
                                  L"WenQuanYi Zen Hei"}));
}

Fonts::~Fonts() {
  ::DeleteObject(fixed_);
  ::DeleteObject(controls_);
}

}  // namespace kvt::gui::win32
