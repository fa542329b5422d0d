// The mail client of Windows: Simple MAPI's MAPISendMail, looked up in MAPI32.DLL at the
// moment of sending, with the client's compose dialog.
#include <windows.h>
// mapi.h needs the types of windows.h.
#include <mapi.h>

#include <memory>
#include <string>

#include "platform/Cp950.h"
#include "platform/win32/LoadedLibrary.h"
#include "report/MailClient.h"

namespace kvt::report {
namespace {

class MapiMailClient : public MailClient {
 public:
  explicit MapiMailClient(ParentWindow parent) : parent_(parent) {}

  // The compose dialog is modal and runs the window's messages itself.
  int send(const MailMessage& message, platform::Ui&) override {
    // Released again after the call, whatever happens.
    platform::win32::Library library(::LoadLibraryA("MAPI32.DLL"));
    if (!library) return mail_result::kUserAbort;
    const auto sendMail = platform::win32::exportOf<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
    if (sendMail == nullptr) return mail_result::kUserAbort;

    // The ANSI entry reads the texts in code page 950 whatever the system's ANSI code page is
    // (1252 on many machines, which has no Chinese characters). The strings live until the
    // call returns; MAPI takes non-const pointers but only reads.
    std::string subject = platform::utf8ToCp950(message.subject);
    std::string body = platform::utf8ToCp950(message.body);
    std::string name = platform::utf8ToCp950(message.toName);
    std::string address = platform::utf8ToCp950(message.toAddress);

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

    // No prior logon session. The tool's window owns the compose dialog; without one named,
    // the active window (whose button was pressed) does.
    const ULONG_PTR owner =
        parent_ != 0 ? ULONG_PTR(parent_) : reinterpret_cast<ULONG_PTR>(::GetActiveWindow());
    const ULONG result = sendMail(0, owner, &mail, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    return static_cast<int>(result);
  }

 private:
  ParentWindow parent_;
};

}  // namespace

std::unique_ptr<MailClient> DefaultMailClient(ParentWindow parent) {
  return std::make_unique<MapiMailClient>(parent);
}

}  // namespace kvt::report
