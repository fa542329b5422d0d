// The mail client of a free desktop, reached through xdg-email, which opens the operator's
// mail program with a composed mail. POSIX only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "report/MailClient.h"

namespace kvt::report {

// How large the body may be once percent-encoded. The mail goes on as one mailto address,
// and Linux limits a single program argument to 128 KiB; the rest is left for the subject,
// the address and the mail program's own wrapping.
inline constexpr std::size_t kMaxEncodedBody = 96 * 1024;

// The size of `text` in a mailto address: three bytes for each byte that is not a letter,
// digit or one of "-._~".
std::size_t MailtoEncodedSize(std::string_view text);

// The body as it fits into `maxEncoded`: unchanged when it fits; otherwise whole lines from
// its start and from its end, with a line in between that says how many lines were left out.
// `body` has CR LF line breaks.
std::string FitBodyForArgument(const std::string& body, std::size_t maxEncoded = kMaxEncodedBody);

// "mailto:ADDRESS?subject=SUBJECT&body=BODY": the address without its "SMTP:" prefix (the
// display name has no place in it), every byte of subject and body other than a letter, digit
// or "-._~" percent-encoded, backslashes and line breaks included, and the body's CR LF line
// breaks as LF. Nothing in it is left for a shell's echo or sed to read as an escape.
std::string MailtoAddress(const MailMessage& message);

// Runs `program` (found on PATH) with the mailto address of the message as its one argument.
// xdg-email hands an address it is given to the mail program unchanged; the texts it would
// encode itself from --subject and --body go through the shell's echo, which takes the
// backslashes of Windows paths for escapes. The call returns when the program ends (as the
// compose dialog of Simple MAPI holds the caller), letting the window process its events
// meanwhile. Exit status 0 is success (the mail program has the mail); a program that cannot
// be started, a non-zero exit (3: no mail program found, 4: it failed, 1 and 2: refused
// arguments) and a signal all count as kUserAbort, which the report shows as a failed
// connection to the mail client.
class XdgEmailClient : public MailClient {
 public:
  explicit XdgEmailClient(std::string program = "xdg-email") : program_(std::move(program)) {}
  int send(const MailMessage& message, platform::Ui& ui) override;

 private:
  std::string program_;
};

}  // namespace kvt::report
