// Profile (INI) files read by the rules of the Windows profile API: section and key names
// compared ignoring ASCII case, values trimmed, the first of duplicate keys wins, lines
// beginning with ";" are comments, a value in matching double quotes loses them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvt::platform {

class ProfileFile {
 public:
  // Parses UTF-8 text (DecodeProfileText makes it of a file). CR LF and LF both end lines.
  static ProfileFile parse(std::string_view text);

  // Every key and value of the section, in file order, first occurrence of each key only.
  std::vector<std::pair<std::string, std::string>> sectionValues(std::string_view section) const;
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  std::vector<std::string> sectionNames() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  std::vector<Section> sections_;
};

// The text of a profile file's bytes as the Windows profile functions take it: after a UTF-8
// byte-order mark as UTF-8, after a UTF-16 mark (either byte order) as UTF-16, otherwise as
// code page 950. The mark is not part of the text.
std::string DecodeProfileText(std::string_view bytes);

// Values of a "name=value" list looked up by name ignoring ASCII case; "" when absent.
std::string lookupValue(const std::vector<std::pair<std::string, std::string>>& values,
                        std::string_view name);

}  // namespace kvt::platform
