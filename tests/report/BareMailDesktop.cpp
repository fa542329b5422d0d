#include "BareMailDesktop.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kvt::report::testing {
namespace fs = std::filesystem;

namespace {

// What tells xdg-email and xdg-open that a desktop, a browser or a mail program is set up.
constexpr const char* kDesktopVariables[] = {"DISPLAY",
                                             "WAYLAND_DISPLAY",
                                             "XDG_CURRENT_DESKTOP",
                                             "DESKTOP_SESSION",
                                             "KDE_FULL_SESSION",
                                             "GNOME_DESKTOP_SESSION_ID",
                                             "MATE_DESKTOP_SESSION_ID",
                                             "LXQT_SESSION_CONFIG",
                                             "DESKTOP",
                                             "DBUS_SESSION_BUS_ADDRESS",
                                             "BROWSER",
                                             "MAILER"};

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

BareMailDesktop::BareMailDesktop(int exitCode, bool waitForRelease) {
  std::string pattern = (fs::temp_directory_path() / "kvt-mail-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  for (const char* sub : {"bin", "home", "share", "etc"}) fs::create_directory(dir_ / sub);

  const fs::path program = dir_ / "bin" / "www-browser";
  std::ofstream script(program);
  script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << (dir_ / "received").string() << "'\n";
  if (waitForRelease) {
    script << "n=0\nwhile [ ! -e '" << (dir_ / "released").string()
           << "' ] && [ $n -lt 500 ]; do sleep 0.02; n=$((n+1)); done\n";
  }
  script << "exit " << exitCode << "\n";
  script.close();
  fs::permissions(program, fs::perms::owner_all);

  auto set = [this](const char* name, std::optional<std::string> value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  };
  for (const char* name : kDesktopVariables) set(name, std::nullopt);
  set("PATH", (dir_ / "bin").string() + ":/usr/bin:/bin");
  set("HOME", (dir_ / "home").string());
  set("XDG_CONFIG_HOME", (dir_ / "home").string());
  set("XDG_DATA_HOME", (dir_ / "home").string());
  set("XDG_DATA_DIRS", (dir_ / "share").string());
  set("XDG_CONFIG_DIRS", (dir_ / "etc").string());
}

BareMailDesktop::~BareMailDesktop() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second)
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    else
      ::unsetenv(it->first.c_str());
  }
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void BareMailDesktop::release() const {
  std::ofstream(dir_ / "released").put('\n');
}

bool BareMailDesktop::called() const {
  return fs::exists(dir_ / "received");
}

std::string BareMailDesktop::received() const {
  return readAll(dir_ / "received");
}

std::string BareMailDesktop::recipient() const {
  const std::string address = received();
  if (!address.starts_with("mailto:")) return {};
  return PercentDecoded(address.substr(7, address.find('?') - 7));
}

std::optional<std::string> BareMailDesktop::field(const std::string& name) const {
  const std::string address = received();
  size_t at = address.find('?');
  while (at != std::string::npos) {
    const size_t end = address.find('&', at + 1);
    const std::string pair = address.substr(at + 1, end == std::string::npos ? end : end - at - 1);
    if (pair.starts_with(name + "=")) return PercentDecoded(pair.substr(name.size() + 1));
    at = end;
  }
  return std::nullopt;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace kvt::report::testing
