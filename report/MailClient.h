// The desktop's mail client, reached through one call that shows its compose window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Ui.h"

namespace kvt::report {

// Texts are UTF-8, as everything a person reads inside the tool; a client converts them to
// what its desktop takes (code page 950 for Simple MAPI on Windows).
struct MailMessage {
  std::string subject;
  std::string body;       // lines ended by CR LF
  std::string toName;     // display name of the one recipient
  std::string toAddress;  // "SMTP:" followed by the address
};

// The result codes of the mail call, as Simple MAPI numbers them. Clients of other desktops
// map their outcome onto these.
namespace mail_result {
inline constexpr int kSuccess = 0;
inline constexpr int kUserAbort = 1;  // also: no client, or the client failed
inline constexpr int kLoginFailure = 3;
inline constexpr int kInsufficientMemory = 5;
inline constexpr int kAttachmentNotFound = 11;
inline constexpr int kAttachmentOpenFailure = 12;
}  // namespace mail_result

class MailClient {
 public:
  virtual ~MailClient() = default;
  // Shows the composed mail for the operator to send; returns one of the codes above (or
  // another code of the mail system, which counts as a failure). `ui` is the window the
  // operator pressed the report button in: a client that waits for a separate mail program
  // lets it process its events meanwhile.
  virtual int send(const MailMessage& message, platform::Ui& ui) = 0;
};

// The native handle of the window that owns a mail client's dialogs (an HWND on Windows), as
// the window that makes the client hands it over; 0 for none.
using ParentWindow = std::uintptr_t;

// The desktop's default mail client of this platform: Simple MAPI on Windows, xdg-email
// elsewhere. Its compose window belongs to `parent` where the desktop lets it name one.
std::unique_ptr<MailClient> DefaultMailClient(ParentWindow parent = 0);

}  // namespace kvt::report
