// The desktop's mail client, reached through one call that shows its compose window.
#pragma once

#include <memory>
#include <string>

namespace kvt::report {

struct MailMessage {
  std::string subject;      // code page 950 text
  std::string body;         // code page 950 text, lines ended by CR LF
  std::string toName;       // display name of the one recipient
  std::string toAddress;    // "SMTP:" followed by the address
};

// The result codes of the mail call: 0 sent (or handed over), 1 cancelled or no client,
// 3 no default account, 5 not enough memory, 11 and 12 attachment failures.
class MailClient {
 public:
  virtual ~MailClient() = default;
  virtual int send(const MailMessage& message) = 0;
};

// The desktop's default mail client of this platform.
std::unique_ptr<MailClient> DefaultMailClient();

}  // namespace kvt::report
