// The mail client of Windows: Simple MAPI's MAPISendMail, looked up in MAPI32.DLL at the
// moment of sending, with the client's compose dialog.
#include <windows.h>
// mapi.h needs the types of windows.h.
#include <mapi.h>

#include <memory>
#include <string>
#include <type_traits>

#include "report/MailClient.h"

namespace kvt::report {
namespace {

struct LibraryRelease {
  void operator()(HMODULE library) const { ::FreeLibrary(library); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryRelease>;

// UTF-8 to the ANSI code page, which the ANSI entry of Simple MAPI reads (code page 950 on
// a Traditional Chinese system). Characters the code page lacks become its default character.
std::string toAnsi(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int wideLength =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(size_t(wideLength), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), wideLength);
  const int ansiLength =
      ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) return {};
  std::string ansi(size_t(ansiLength), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        nullptr);
  return ansi;
}

class MapiMailClient : public MailClient {
 public:
  // The compose dialog is modal and runs the window's messages itself.
  int send(const MailMessage& message, platform::Ui&) override {
    // Released again after the call, whatever happens.
    Library library(::LoadLibraryA("MAPI32.DLL"));
    if (!library) return mail_result::kUserAbort;
    const FARPROC entry = ::GetProcAddress(library.get(), "MAPISendMail");
    if (entry == nullptr) return mail_result::kUserAbort;
    const auto sendMail = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(entry));

    // The strings live until the call returns; MAPI takes non-const pointers but only reads.
    std::string subject = toAnsi(message.subject);
    std::string body = toAnsi(message.body);
    std::string name = toAnsi(message.toName);
    std::string address = toAnsi(message.toAddress);

    MapiRecipDesc recipient{};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = name.data();
    recipient.lpszAddress = address.data();

    MapiMessage mail{};
    mail.lpszSubject = subject.data();
    mail.lpszNoteText = body.data();
    mail.lpOriginator = nullptr;
    mail.nRecipCount = 1;
    mail.lpRecips = &recipient;
    mail.nFileCount = 0;
    mail.lpFiles = nullptr;

    // No prior logon session; the active window (the main window, whose button was pressed)
    // owns the compose dialog.
    const ULONG result = sendMail(0, reinterpret_cast<ULONG_PTR>(::GetActiveWindow()), &mail,
                                  MAPI_LOGON_UI | MAPI_DIALOG, 0);
    return static_cast<int>(result);
  }
};

}  // namespace

std::unique_ptr<MailClient> DefaultMailClient() {
  return std::make_unique<MapiMailClient>();
}

}  // namespace kvt::report
