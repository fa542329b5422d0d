// Windows path text helpers. "\" separates components and ":" ends a drive; names are UTF-8,
// in which neither byte can occur inside a multi-byte character.
#include "platform/FileSystem.h"

#include "platform/AsciiText.h"

namespace kvt::platform {
namespace {

bool isDelimiter(char c) {
  return c == '\\' || c == ':';
}

// Position of the last "\" or ":", or npos.
size_t lastDelimiter(std::string_view path) {
  return path.find_last_of("\\:");
}

// Bytes of the UTF-8 character starting at `s[0]` (1 for stray bytes).
size_t charLength(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (n > s.size()) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
}

// Plain "*" (any run of characters) and "?" (one character) matching, ASCII case ignored.
bool globMatch(std::string_view p, std::string_view n) {
  // Iterative matcher with one backtrack point for the last "*": linear for ordinary names.
  size_t pi = 0, ni = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = ++pi;
      starN = ni;
    } else if (pi < p.size() && p[pi] == '?') {
      ++pi;
      ni += charLength(n.substr(ni));
    } else if (pi < p.size() && AsciiUpper(p[pi]) == AsciiUpper(n[ni])) {
      ++pi;
      ++ni;
    } else if (starP != std::string_view::npos) {
      pi = starP;
      starN += charLength(n.substr(starN));
      ni = starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool FileSystem::writeFileWith(std::string_view path,
                               const std::function<bool(FileWriter&)>& content) {
  std::string bytes;
  StringWriter out(bytes);
  return content(out) && writeFile(path, bytes);
}

std::string extractFileDir(std::string_view path) {
  size_t i = lastDelimiter(path);
  if (i == std::string_view::npos) return {};
  // Keep the separator of a root ("C:\", "\"): without it the text would name another place.
  if (path[i] == '\\' && i > 0 && !isDelimiter(path[i - 1])) return std::string(path.substr(0, i));
  return std::string(path.substr(0, i + 1));
}

std::string extractFilePath(std::string_view path) {
  size_t i = lastDelimiter(path);
  return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string extractFileName(std::string_view path) {
  size_t i = lastDelimiter(path);
  return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string extractFileExt(std::string_view path) {
  size_t i = path.find_last_of(".\\:");
  if (i == std::string_view::npos || path[i] != '.') return {};
  return std::string(path.substr(i));
}

std::string includeTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::string excludeTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
  if (globMatch(pattern, name)) return true;
  // A trailing ".*" also matches names without an extension ("*.*" matches "README",
  // "X102*.*" matches "X102A"), and a trailing "." asks for a name without one ("*.").
  if (pattern.ends_with(".*")) return globMatch(pattern.substr(0, pattern.size() - 2), name);
  if (pattern.ends_with('.') && name.find('.') == std::string_view::npos)
    return globMatch(pattern.substr(0, pattern.size() - 1), name);
  return false;
}

}  // namespace kvt::platform
