#include "schema/FieldCoercion.h"

#include <charconv>
#include <cmath>

#include "schema/Calendar.h"
#include "schema/EngineError.h"
#include "schema/NumberText.h"
#include "schema/Table.h"

namespace kvt {
namespace {

bool isBlank(std::string_view s) {
  return s.find_first_not_of(" \t") == std::string_view::npos;
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

[[noreturn]] void refuse(const FieldDef& field, const Value& v, const char* as) {
  throw EngineError(ErrorKind::Conversion,
                    "'" + v.asString() + "' is not a valid " + as + " for field " + field.name);
}

// How many bytes of `text` fit into `width` units (bytes, or characters), without splitting
// a two-byte character.
size_t fittingBytes(std::string_view text, size_t width, bool characters);

Value toText(const FieldDef& field, const Value& v, bool cut) {
  std::string text = v.asString();
  if (text.empty()) return Value::null();
  if (cut && field.size > 0 && text.size() > size_t(field.size)) {
    text.resize(fittingBytes(text, size_t(field.size), field.sizeInCharacters));
    if (text.empty()) return Value::null();
  }
  return Value(std::move(text));
}

Value toBytes(const FieldDef& field, const Value& v, bool cut) {
  std::string data;
  if (const auto* b = v.get<Bytes>()) {
    data = b->data;
  } else if (const auto* t = v.get<std::string>()) {
    data = *t;
  } else {
    refuse(field, v, "binary value");
  }
  if (data.empty()) return Value::null();
  if (cut && field.type == FieldType::Bytes && field.size > 0 && data.size() > size_t(field.size)) {
    data.resize(size_t(field.size));
  }
  return Value(Bytes{std::move(data)});
}

Value toInteger(const FieldDef& field, const Value& v) {
  int64_t n = 0;
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    auto parsed = parseInteger(*t);
    if (!parsed) refuse(field, v, "integer");
    n = *parsed;
  } else if (v.isInt() || v.isFloat() || v.isBool() || v.get<Decimal>()) {
    n = v.asInt();
  } else {
    refuse(field, v, "integer");
  }
  const int64_t lo = field.type == FieldType::Short ? -32768 : INT32_MIN;
  const int64_t hi = field.type == FieldType::Short ? 32767 : INT32_MAX;
  if (n < lo || n > hi) {
    throw EngineError(ErrorKind::Conversion,
                      std::to_string(n) + " is out of range for field " + field.name);
  }
  return Value(n);
}

Value toNumber(const FieldDef& field, const Value& v) {
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    auto d = parseNumber(*t);
    if (!d) refuse(field, v, "number");
    return Value(*d);
  }
  if (v.isInt() || v.isFloat() || v.isBool() || v.get<Decimal>()) return Value(v.asFloat());
  refuse(field, v, "number");
}

std::string fixedText(double d) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  return std::string(buf, end);
}

Value toDecimal(const FieldDef& field, const Value& v) {
  if (v.get<Decimal>()) return v;
  if (const auto* i = v.get<int64_t>()) return Value(Decimal{std::to_string(*i)});
  if (const auto* f = v.get<double>()) return Value(Decimal{fixedText(*f == 0 ? 0.0 : *f)});
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    std::string_view s(*t);
    s.remove_prefix(s.find_first_not_of(" \t"));
    s = s.substr(0, s.find_last_not_of(" \t") + 1);
    if (s.size() > 1 && s.front() == '+') s.remove_prefix(1);
    if (isDecimalText(s)) return Value(Decimal{std::string(s)});
    if (auto d = parseNumber(s)) return Value(Decimal{fixedText(*d)});
  }
  refuse(field, v, "number");
}

Value toLogical(const FieldDef& field, const Value& v) {
  if (v.isBool()) return v;
  if (v.isInt() || v.isFloat()) return Value(v.asBool());
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    std::string_view s(*t);
    s.remove_prefix(s.find_first_not_of(" \t"));
    s = s.substr(0, s.find_last_not_of(" \t") + 1);
    const std::string l = lowerAscii(s);
    if (l == "t" || l == "true" || l == "y" || l == "yes" || l == "1") return Value(true);
    if (l == "f" || l == "false" || l == "n" || l == "no" || l == "0") return Value(false);
  }
  refuse(field, v, "Boolean value");
}

Value toDate(const FieldDef& field, const Value& v) {
  if (v.get<Date>()) return v;
  if (const auto* s = v.get<Timestamp>()) return Value(dateOf(*s));
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    if (auto d = parseDate(*t)) return Value(*d);
    if (auto s = parseTimestamp(*t)) return Value(dateOf(*s));
  }
  refuse(field, v, "date");
}

Value toTime(const FieldDef& field, const Value& v) {
  if (v.get<Time>()) return v;
  if (const auto* s = v.get<Timestamp>()) return Value(timeOf(*s));
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    if (auto tt = parseTime(*t)) return Value(*tt);
    if (auto s = parseTimestamp(*t)) return Value(timeOf(*s));
  }
  refuse(field, v, "time");
}

Value toTimestamp(const FieldDef& field, const Value& v) {
  if (v.get<Timestamp>()) return v;
  if (const auto* d = v.get<Date>()) return Value(makeTimestamp(*d, Time{}));
  if (const auto* t = v.get<std::string>()) {
    if (isBlank(*t)) return Value::null();
    if (auto s = parseTimestamp(*t)) return Value(*s);
  }
  refuse(field, v, "date and time");
}

Value coerce(const FieldDef& field, Value v, bool cut) {
  if (v.isNull()) return v;
  switch (field.type) {
    case FieldType::Alpha:
      return toText(field, v, cut);
    case FieldType::Memo:
    case FieldType::FmtMemo:
      return toText(field, v, false);
    case FieldType::Blob:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Bytes:
      return toBytes(field, v, cut);
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
      return toInteger(field, v);
    case FieldType::Number:
    case FieldType::Money:
      return toNumber(field, v);
    case FieldType::Bcd:
      return toDecimal(field, v);
    case FieldType::Logical:
      return toLogical(field, v);
    case FieldType::Date:
      return toDate(field, v);
    case FieldType::Time:
      return toTime(field, v);
    case FieldType::Timestamp:
      return toTimestamp(field, v);
  }
  return v;
}

bool isLead(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
bool isTrail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE);
}

size_t fittingBytes(std::string_view text, size_t width, bool characters) {
  size_t i = 0, used = 0;
  while (i < text.size()) {
    const bool pair = isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                      isTrail(static_cast<unsigned char>(text[i + 1]));
    const size_t step = pair ? 2 : 1;
    const size_t cost = characters ? 1 : step;
    if (used + cost > width) break;
    i += step;
    used += cost;
  }
  return i;
}

}  // namespace

std::string cutToWidth(std::string_view text, size_t width) {
  return std::string(text.substr(0, fittingBytes(text, width, false)));
}

bool fitsField(const FieldDef& field, const Value& v) {
  if (v.isNull() || field.size <= 0) return true;
  if (field.type == FieldType::Alpha) {
    if (v.isText()) {
      const std::string& t = *v.get<std::string>();
      return t.size() <= size_t(field.size) ||
             fittingBytes(t, size_t(field.size), field.sizeInCharacters) == t.size();
    }
    try {
      const std::string t = v.asString();
      return fittingBytes(t, size_t(field.size), field.sizeInCharacters) == t.size();
    } catch (const EngineError&) {
      return true;
    }
  }
  if (field.type == FieldType::Bytes) {
    if (const auto* b = v.get<Bytes>()) return b->data.size() <= size_t(field.size);
    if (const auto* t = v.get<std::string>()) return t->size() <= size_t(field.size);
  }
  return true;
}

Value coerceToField(const FieldDef& field, Value v) {
  return coerce(field, std::move(v), true);
}

Value coerceForSearch(const FieldDef& field, Value v) {
  return coerce(field, std::move(v), false);
}

}  // namespace kvt
