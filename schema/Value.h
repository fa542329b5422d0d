// One field value of a table row, as both table engines hand it out and take it in.
//
// Text is kept as the stored bytes (code page 950 for the package's tables), never
// re-encoded on the way through; converting for display happens at the edges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kvt {

// Calendar values as the Paradox format counts them.
struct Date {
  int32_t days = 0;  // days since 1 January of year 1 (that day is 1)
  friend bool operator==(const Date&, const Date&) = default;
};
struct Time {
  int32_t ms = 0;  // milliseconds since midnight
  friend bool operator==(const Time&, const Time&) = default;
};
struct Timestamp {
  double ms = 0;  // milliseconds since the start of day 1 of the Date count
  friend bool operator==(const Timestamp&, const Timestamp&) = default;
};
// A fixed-point decimal kept as its text ("-12.3400"); exact, unlike a double.
struct Decimal {
  std::string text;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};
// Uninterpreted bytes: binary, graphic and OLE blobs, byte fields.
struct Bytes {
  std::string data;
  friend bool operator==(const Bytes&, const Bytes&) = default;
};

class Value {
 public:
  using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, Date, Time,
                               Timestamp, Decimal, Bytes>;

  Value() = default;
  Value(bool b) : v_(b) {}
  Value(int v) : v_(int64_t{v}) {}
  Value(int64_t v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(std::string text) : v_(std::move(text)) {}
  Value(const char* text) : v_(std::string(text)) {}
  Value(Date d) : v_(d) {}
  Value(Time t) : v_(t) {}
  Value(Timestamp t) : v_(t) {}
  Value(Decimal d) : v_(std::move(d)) {}
  Value(Bytes b) : v_(std::move(b)) {}

  static Value null() { return Value(); }

  // In-place assignments for code that fills one row buffer again and again: text goes into
  // the storage of the text the value holds already, and no temporary Value is made.
  void setNull() { v_.emplace<std::monostate>(); }
  void setBool(bool b) { v_ = b; }
  void setInt(int64_t n) { v_ = n; }
  void setFloat(double d) { v_ = d; }
  void setText(std::string_view text) {
    if (auto* s = std::get_if<std::string>(&v_)) {
      s->assign(text);
    } else {
      v_.emplace<std::string>(text);
    }
  }

  bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool isBool() const { return std::holds_alternative<bool>(v_); }
  bool isInt() const { return std::holds_alternative<int64_t>(v_); }
  bool isFloat() const { return std::holds_alternative<double>(v_); }
  bool isText() const { return std::holds_alternative<std::string>(v_); }

  const Storage& storage() const { return v_; }

  template <class T>
  const T* get() const {
    return std::get_if<T>(&v_);
  }

  // Conversions in the manner of a data-aware field: null reads as "", 0, 0.0, false.
  // asString: integers in decimal, floats in their shortest exact form, booleans "T"/"F",
  // text unchanged. Throws EngineError(Conversion) where no sensible conversion exists
  // (text that is not a number read as an integer, for example).
  std::string asString() const;
  int64_t asInt() const;
  double asFloat() const;
  bool asBool() const;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  Storage v_;
};

using Row = std::vector<Value>;

}  // namespace kvt
