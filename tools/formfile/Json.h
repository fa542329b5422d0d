// A small JSON reader and writer for the form-file tool: enough for its own documents
// (objects, arrays, strings, numbers, true, false, null), strict about syntax.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvt::formfile {

class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Json {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Json() = default;
  static Json boolean(bool b);
  static Json number(std::string text);  // the number as written, so integers stay exact
  static Json string(std::string text);
  static Json array(std::vector<Json> items = {});
  static Json object(std::vector<std::pair<std::string, Json>> members = {});

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool asBool() const;
  // Text of a string, or the text of a number as written.
  const std::string& text() const { return text_; }
  const std::vector<Json>& items() const { return items_; }
  const std::vector<std::pair<std::string, Json>>& members() const { return members_; }
  std::vector<Json>& items() { return items_; }
  std::vector<std::pair<std::string, Json>>& members() { return members_; }
  // The member of that name, or nullptr.
  const Json* find(std::string_view name) const;

  // An integer number (no fraction, no exponent) that fits 64 bits.
  std::optional<int64_t> asInteger() const;
  std::optional<double> asDouble() const;

 private:
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  std::string text_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

// Parses one JSON document (UTF-8); throws JsonError naming the offset of the fault.
Json parseJson(std::string_view text);

// Writes a string literal with the escapes JSON needs; the text is UTF-8.
void writeJsonString(std::ostream& out, std::string_view text);
// Writes a double in its shortest exact form; NaN and the infinities as the strings
// "NaN", "Infinity" and "-Infinity".
void writeJsonDouble(std::ostream& out, double d);
// Writes a whole value, compactly.
void writeJson(std::ostream& out, const Json& value);

}  // namespace kvt::formfile
