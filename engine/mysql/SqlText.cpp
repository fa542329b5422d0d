#include "engine/mysql/SqlText.h"

#include <cctype>

namespace kvt::mysql {
namespace {

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

char upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Length of the quoted string, identifier or comment starting at `i`, or 0 when the text
// at `i` is plain statement text. An unterminated one runs to the end.
size_t skippedLength(std::string_view s, size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"' || c == '`') {
    size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == '\\' && c != '`') {
        j += 2;
        continue;
      }
      if (s[j] == c) {
        if (j + 1 < s.size() && s[j + 1] == c) {  // a doubled quote stands for itself
          j += 2;
          continue;
        }
        return j + 1 - i;
      }
      ++j;
    }
    return s.size() - i;
  }
  const bool dashComment =
      c == '-' && i + 1 < s.size() && s[i + 1] == '-' &&
      (i + 2 == s.size() || std::isspace(static_cast<unsigned char>(s[i + 2])));
  if (c == '#' || dashComment) {
    size_t end = s.find('\n', i);
    return (end == std::string_view::npos ? s.size() : end) - i;
  }
  if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
    size_t end = s.find("*/", i + 2);
    return (end == std::string_view::npos ? s.size() : end + 2) - i;
  }
  return 0;
}

}  // namespace

std::string quoteIdentifier(std::string_view name) {
  std::string out = "`";
  for (char c : name) {
    if (c == '`') out += '`';
    out += c;
  }
  out += '`';
  return out;
}

std::string serverTableName(std::string_view table) {
  if (table.size() > 3) {
    std::string_view tail = table.substr(table.size() - 3);
    if (tail[0] == '.' && upper(tail[1]) == 'D' && upper(tail[2]) == 'B') {
      table.remove_suffix(3);
    }
  }
  return std::string(table);
}

PlaceholderText replaceNamedParameters(std::string_view sql) {
  PlaceholderText out;
  size_t i = 0;
  while (i < sql.size()) {
    if (size_t skip = skippedLength(sql, i)) {
      out.sql.append(sql.substr(i, skip));
      i += skip;
      continue;
    }
    const char c = sql[i];
    const bool startsName =
        i + 1 < sql.size() &&
        (std::isalpha(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '_');
    const bool afterName = i > 0 && (isNameChar(sql[i - 1]) || sql[i - 1] == ':');
    if (c == ':' && startsName && !afterName) {
      size_t j = i + 1;
      while (j < sql.size() && isNameChar(sql[j])) ++j;
      out.names.emplace_back(sql.substr(i + 1, j - i - 1));
      out.sql += '?';
      i = j;
      continue;
    }
    out.sql += c;
    ++i;
  }
  return out;
}

std::optional<std::string> engineOptionSpelling(std::string_view sql) {
  std::string out;
  bool changed = false;
  size_t i = 0;
  while (i < sql.size()) {
    if (size_t skip = skippedLength(sql, i)) {
      out.append(sql.substr(i, skip));
      i += skip;
      continue;
    }
    const bool wordStart =
        i == 0 || (!isNameChar(sql[i - 1]) && sql[i - 1] != '.' && sql[i - 1] != '@');
    if (wordStart && i + 4 <= sql.size() && upper(sql[i]) == 'T' && upper(sql[i + 1]) == 'Y' &&
        upper(sql[i + 2]) == 'P' && upper(sql[i + 3]) == 'E' &&
        (i + 4 == sql.size() || !isNameChar(sql[i + 4]))) {
      size_t j = i + 4;
      while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      if (j < sql.size() && sql[j] == '=') {
        out += "ENGINE";
        i += 4;
        changed = true;
        continue;
      }
    }
    out += sql[i];
    ++i;
  }
  if (!changed) return std::nullopt;
  return out;
}

bool isTypeOptionSyntaxError(unsigned errorCode, std::string_view message) {
  constexpr unsigned kParseError = 1064;
  if (errorCode != kParseError) return false;
  // The server quotes the text where it stopped: "... near 'TYPE=MyISAM' at line 4".
  for (size_t i = 0; i + 5 <= message.size(); ++i) {
    if (message[i] == '\'' && upper(message[i + 1]) == 'T' && upper(message[i + 2]) == 'Y' &&
        upper(message[i + 3]) == 'P' && upper(message[i + 4]) == 'E') {
      return true;
    }
  }
  return false;
}

}  // namespace kvt::mysql
