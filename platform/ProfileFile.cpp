// Profile file parsing. Lines are taken one by one: "[name]" opens a section, "key=value" adds
// a value to the open one, a line whose first non-blank character is ";" is a comment, and
// anything else (text before the first section, lines without "=") is ignored, as the
// Windows profile functions ignore it. Comments after a value are part of the value: the
// callers cut them where they need to.
#include "platform/ProfileFile.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/Cp950.h"
#include "platform/Utf8.h"

namespace kvt::platform {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// UTF-16 text without its mark; an unpaired surrogate or a lone last byte becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  auto unit = [&](size_t i) -> char32_t {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    return char32_t(hi << 8 | lo);
  };
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

}  // namespace

std::string DecodeProfileText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return utf16ToUtf8(bytes.substr(2), true);
  return cp950ToUtf8(bytes);
}

ProfileFile ProfileFile::parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  ProfileFile file;
  Section* current = nullptr;  // null before the first section and inside a repeated one
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string_view name = trim(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      // A section named twice: the later copy is hidden behind the first, as lookups find
      // the first one.
      auto same = [&](const Section& s) { return EqualsIgnoringAsciiCase(s.name, name); };
      if (std::any_of(file.sections_.begin(), file.sections_.end(), same)) {
        current = nullptr;
      } else {
        file.sections_.push_back({std::string(name), {}});
        current = &file.sections_.back();
      }
      continue;
    }
    if (current == nullptr) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, eq));
    if (key.empty()) continue;
    auto sameKey = [&](const auto& kv) { return EqualsIgnoringAsciiCase(kv.first, key); };
    if (std::any_of(current->values.begin(), current->values.end(), sameKey)) continue;
    current->values.emplace_back(std::string(key), std::string(unquote(trim(line.substr(eq + 1)))));
  }
  return file;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::sectionValues(
    std::string_view section) const {
  for (const Section& s : sections_)
    if (EqualsIgnoringAsciiCase(s.name, section)) return s.values;
  return {};
}

std::optional<std::string> ProfileFile::value(std::string_view section,
                                              std::string_view key) const {
  for (const Section& s : sections_) {
    if (!EqualsIgnoringAsciiCase(s.name, section)) continue;
    for (const auto& [k, v] : s.values)
      if (EqualsIgnoringAsciiCase(k, key)) return v;
    return std::nullopt;
  }
  return std::nullopt;
}

std::vector<std::string> ProfileFile::sectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::string lookupValue(const std::vector<std::pair<std::string, std::string>>& values,
                        std::string_view name) {
  for (const auto& [k, v] : values)
    if (EqualsIgnoringAsciiCase(k, name)) return v;
  return {};
}

}  // namespace kvt::platform
