#include "report/XdgEmailClient.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace kvt::report {
namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::size_t lineCost(std::string_view line) {
  return MailtoEncodedSize(line) + 6;  // its CR LF; the address carries less, a "%0A"
}

// A program argument cannot hold a NUL byte; one in the text would cut it short.
std::string withoutNul(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\0') out += c;
  return out;
}

std::string bareAddress(std::string_view address) {
  constexpr std::string_view kPrefix = "SMTP:";
  if (address.size() >= kPrefix.size()) {
    bool prefixed = true;
    for (size_t i = 0; i < kPrefix.size(); ++i) {
      char c = address[i];
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      if (c != kPrefix[i]) prefixed = false;
    }
    if (prefixed) address.remove_prefix(kPrefix.size());
  }
  return std::string(address);
}

// Percent-encodes every byte but the unreserved ones, and `keep`.
void appendEncoded(std::string& out, std::string_view text, char keep = 0) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : text) {
    if (isUnreserved(c) || (keep != 0 && c == static_cast<unsigned char>(keep))) {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

std::string lfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace

std::size_t MailtoEncodedSize(std::string_view text) {
  std::size_t size = 0;
  for (unsigned char c : text) size += isUnreserved(c) ? 1 : 3;
  return size;
}

std::string FitBodyForArgument(const std::string& body, std::size_t maxEncoded) {
  if (MailtoEncodedSize(body) <= maxEncoded) return body;
  const std::vector<std::string_view> lines = splitLines(body);

  // The note's number has at most as many digits as the count of all lines.
  auto note = [](size_t omitted) {
    return "……（報告太長，中間省略了 " + std::to_string(omitted) + " 行。）……";
  };
  const std::size_t noteCost = lineCost(note(lines.size()));
  const std::size_t room = maxEncoded > noteCost ? maxEncoded - noteCost : 0;

  // The start holds the company and version lines and the first steps; the end holds how the
  // run finished. Each gets half of the room; what the start leaves goes to the end.
  size_t head = 0;
  std::size_t used = 0;
  while (head < lines.size() && used + lineCost(lines[head]) <= room / 2) {
    used += lineCost(lines[head]);
    ++head;
  }
  size_t tail = lines.size();
  while (tail > head && used + lineCost(lines[tail - 1]) <= room) {
    used += lineCost(lines[tail - 1]);
    --tail;
  }

  std::string out;
  for (size_t i = 0; i < head; ++i) {
    out.append(lines[i]);
    out += "\r\n";
  }
  out += note(tail - head);
  for (size_t i = tail; i < lines.size(); ++i) {
    out += "\r\n";
    out.append(lines[i]);
  }
  return out;
}

std::string MailtoAddress(const MailMessage& message) {
  std::string out = "mailto:";
  appendEncoded(out, withoutNul(bareAddress(message.toAddress)), '@');
  out += "?subject=";
  appendEncoded(out, withoutNul(message.subject));
  out += "&body=";
  appendEncoded(out, lfLines(withoutNul(message.body)));
  return out;
}

int XdgEmailClient::send(const MailMessage& message, platform::Ui& ui) {
  MailMessage fitted = message;
  fitted.body = FitBodyForArgument(withoutNul(message.body));
  std::vector<std::string> args = {program_, MailtoAddress(fitted)};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (::posix_spawnp(&pid, program_.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return mail_result::kUserAbort;  // no such program, or the arguments were refused
  }
  // The mail program may stay open as long as the operator writes: the window keeps painting
  // and answering meanwhile.
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return mail_result::kUserAbort;
    ui.processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return mail_result::kSuccess;
  return mail_result::kUserAbort;
}

// xdg-email starts the mail program as a window of its own: there is no parent to name.
std::unique_ptr<MailClient> DefaultMailClient(ParentWindow) {
  return std::make_unique<XdgEmailClient>();
}

}  // namespace kvt::report
