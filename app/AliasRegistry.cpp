#include "app/AliasRegistry.h"

#include <charconv>

#include "platform/ProfileFile.h"

namespace kvt::app {
namespace {

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

// The value of "NAME=value" when the line's name is `name`.
std::optional<std::string> paramValue(const AliasInfo& alias, std::string_view name) {
  for (const std::string& line : alias.params) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && sameName(std::string_view(line).substr(0, eq), name))
      return line.substr(eq + 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<AliasInfo> ReadAlias(const platform::FileSystem& fs, std::string_view alias) {
  const std::string file =
      platform::includeTrailingBackslash(fs.windowsDirectory()) + std::string(kAliasFile);
  std::optional<std::string> bytes = fs.readFile(file);
  if (!bytes) return std::nullopt;
  platform::ProfileFile registry =
      platform::ProfileFile::parse(platform::DecodeProfileText(*bytes));
  bool found = false;
  for (const std::string& name : registry.sectionNames()) found = found || sameName(name, alias);
  if (!found) return std::nullopt;

  AliasInfo info;
  std::vector<std::string> others;
  for (const auto& [key, value] : registry.sectionValues(alias)) {
    if (sameName(key, "DRIVER"))
      info.driver = value;
    else if (sameName(key, "PATH"))
      info.params.push_back(key + "=" + value);
    else
      others.push_back(key + "=" + value);
  }
  info.params.insert(info.params.end(), others.begin(), others.end());
  return info;
}

MySqlAliasParams MySqlParamsOf(const AliasInfo& alias) {
  MySqlAliasParams p;
  p.dsn = paramValue(alias, "ODBC DSN").value_or("");
  p.server = paramValue(alias, "SERVER NAME").value_or("");
  p.database = paramValue(alias, "DATABASE NAME").value_or("");
  p.user = paramValue(alias, "USER NAME").value_or("");
  p.password = paramValue(alias, "PASSWORD").value_or("");
  p.charset = paramValue(alias, "CHARSET").value_or("");
  if (auto port = paramValue(alias, "PORT")) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(port->data(), port->data() + port->size(), value);
    if (ec == std::errc() && end == port->data() + port->size() && value > 0 && value < 65536)
      p.port = value;
  }
  return p;
}

}  // namespace kvt::app
