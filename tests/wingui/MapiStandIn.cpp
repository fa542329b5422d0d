// A stand-in MAPI32.DLL for the window tests: MAPISendMail writes what it was given (subject,
// body, recipient name and address as the bytes it got, the owner window) to MAPI-SENT.BIN
// beside the DLL, and reports success.
#include <windows.h>
// mapi.h needs the types of windows.h.
#include <mapi.h>

#include <string>

namespace {

std::string field(const char* text) {
  return text == nullptr ? std::string("(null)") : std::string(text);
}

std::wstring besideThisDll(const wchar_t* name) {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&besideThisDll), &self);
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

}  // namespace

extern "C" __declspec(dllexport) ULONG WINAPI
    MAPISendMail(LHANDLE, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags, ULONG) {
  // One field a line-free record each, ended by NUL.
  std::string record;
  for (const std::string& f :
       {field(message->lpszSubject), field(message->lpszNoteText),
        message->nRecipCount > 0 ? field(message->lpRecips[0].lpszName) : std::string(),
        message->nRecipCount > 0 ? field(message->lpRecips[0].lpszAddress) : std::string(),
        std::to_string(message->nRecipCount), std::to_string(uiParam),
        std::to_string(flags & (MAPI_DIALOG | MAPI_LOGON_UI))}) {
    record += f;
    record += '\0';
  }
  HANDLE out = ::CreateFileW(besideThisDll(L"MAPI-SENT.BIN").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return MAPI_E_FAILURE;
  DWORD written = 0;
  ::WriteFile(out, record.data(), DWORD(record.size()), &written, nullptr);
  ::CloseHandle(out);
  return SUCCESS_SUCCESS;
}
