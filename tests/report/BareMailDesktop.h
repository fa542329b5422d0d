// The real xdg-email on a desktop with nothing set up: no display, no desktop session, no
// MAILER or BROWSER. There xdg-email hands the mailto address to xdg-open, which tries the
// text browsers of its list in turn, "www-browser" first; this stand-in mail program of that
// name, first on PATH, records the address it is given. The environment is put back
// afterwards.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvt::report::testing {

class BareMailDesktop {
 public:
  // The mail program ends with `exitCode`; with `waitForRelease` it first waits (at most ten
  // seconds) until release() is called, as a compose window stays open until it is sent.
  explicit BareMailDesktop(int exitCode = 0, bool waitForRelease = false);
  ~BareMailDesktop();
  BareMailDesktop(const BareMailDesktop&) = delete;
  BareMailDesktop& operator=(const BareMailDesktop&) = delete;

  void release() const;
  bool called() const;
  // The address the mail program was given, and its fields percent-decoded.
  std::string received() const;
  std::string recipient() const;
  std::optional<std::string> field(const std::string& name) const;

 private:
  std::filesystem::path dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A percent-encoded text decoded.
std::string PercentDecoded(const std::string& text);

}  // namespace kvt::report::testing
