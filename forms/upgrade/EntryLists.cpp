#include "forms/upgrade/EntryLists.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/AsciiText.h"
#include "platform/Cp950.h"
#include "run/EntryFields.h"

namespace kvt::forms {
namespace {

constexpr int64_t kShortMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kShortMax = std::numeric_limits<int16_t>::max();
constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();

using platform::TrimBlanks;

// The integer a trimmed text spells (an optional sign and decimal digits), or `otherwise`.
// A number the field cannot hold counts as no number: storing it would fail halfway.
int64_t integerOr(std::string_view text, int64_t otherwise, int64_t min, int64_t max) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return otherwise;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return otherwise;
  return value < min || value > max ? otherwise : value;
}

Value stored(std::string_view utf8) {
  return Value(platform::utf8ToCp950(utf8));
}

// The text after the n-th comma up to the next one (or the end); nullopt when there are
// fewer than n commas.
std::optional<std::string_view> piece(std::string_view value, int n) {
  size_t start = 0;
  for (int i = 0; i < n; ++i) {
    const size_t comma = value.find(',', start);
    if (comma == std::string_view::npos) return std::nullopt;
    start = comma + 1;
  }
  const size_t end = value.find(',', start);
  return value.substr(start, end == std::string_view::npos ? value.npos : end - start);
}

// The length in bytes of the UTF-8 character that begins the text.
size_t firstCharacterLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s.front());
  size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return n > s.size() ? s.size() : n;
}

struct FieldSizeChange {
  std::string type;
  int64_t fieldNo = -1;
  int64_t fieldLength = -1;
  int64_t gridWidth = -1;
  std::string fieldName;
};

std::optional<FieldSizeChange> parseFieldSize(std::string_view value) {
  const size_t comma = value.find(',');
  if (comma == std::string_view::npos || comma == 0) return std::nullopt;
  FieldSizeChange c;
  const size_t typeLength = firstCharacterLength(value);
  if (typeLength > comma) return std::nullopt;
  c.type = std::string(value.substr(0, typeLength));
  c.fieldNo = integerOr(value.substr(typeLength, comma - typeLength), -1, kShortMin, kShortMax);
  if (auto length = piece(value, 1)) c.fieldLength = integerOr(*length, -1, kShortMin, kShortMax);
  if (auto width = piece(value, 2)) c.gridWidth = integerOr(*width, -1, kShortMin, kShortMax);
  size_t third = value.find(',', comma + 1);
  if (third != std::string_view::npos) third = value.find(',', third + 1);
  if (third != std::string_view::npos)
    c.fieldName = std::string(TrimBlanks(value.substr(third + 1)));
  return c;
}

}  // namespace

void ApplyAdditionList(Table& cb21, const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    const auto fields = SplitEntryFields(value);
    const int64_t entryNo = integerOr(fields[0], 0, kLongMin, kLongMax);
    if (!cb21.locate("EntryNo", {Value(entryNo)})) continue;
    cb21.edit();
    cb21.set("EntryName", stored(fields[1]));
    cb21.set("FormularMode", stored(fields[2]));
    if (!fields[3].empty()) cb21.set("Formular", stored(fields[3]));
    cb21.post();
  }
}

void ApplyFormClassList(Table& cb20, const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    const size_t comma = value.find(',');
    if (comma == std::string::npos) continue;
    const int64_t formNo =
        integerOr(std::string_view(value).substr(0, comma), -1, kLongMin, kLongMax);
    const std::string_view formClass = TrimBlanks(std::string_view(value).substr(comma + 1));
    if (formNo <= 0 || !cb20.locate("FormNo", {Value(formNo)})) continue;
    cb20.edit();
    cb20.set("Class", stored(formClass));
    cb20.post();
  }
}

void ApplyBodyFieldSizeList(Table& cb22, const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    const auto change = parseFieldSize(value);
    if (!change || change->fieldNo <= 0 || change->fieldLength <= 0) continue;
    const Value type = stored(change->type);
    const std::string name = platform::utf8ToCp950(change->fieldName);
    if (cb22.locate("Type;FieldNo", {type, Value(change->fieldNo)})) {
      if (cb22.getInt("FieldLength") == change->fieldLength &&
          cb22.getInt("GridWidth") == change->gridWidth &&
          (name.empty() || cb22.getString("FieldName") == name)) {
        continue;
      }
      cb22.edit();
      if (!name.empty()) cb22.set("FieldName", Value(name));
      cb22.set("FieldLength", Value(change->fieldLength));
      if (change->gridWidth > 0) cb22.set("GridWidth", Value(change->gridWidth));
      cb22.post();
    } else if (!name.empty()) {
      cb22.append();
      cb22.set("Type", type);
      cb22.set("FieldNo", Value(change->fieldNo));
      cb22.set("FieldName", Value(name));
      cb22.set("FieldLength", Value(change->fieldLength));
      cb22.set("GridWidth", Value(change->gridWidth > 0 ? change->gridWidth : int64_t{0}));
      cb22.set("UnitLength", Value(0));
      cb22.set("Attribute", Value("X"));
      cb22.set("SumMode", Value("X"));
      cb22.set("FormularMode", Value("N"));
      cb22.set("LookupMode", Value("N"));
      for (const char* flag :
           {"Hide", "CopyClear", "EnterCopy", "ExitCopy", "AutoEditMode", "KeepBackUnit",
            "SuspendFormular", "UseDOZ", "SubTotal", "SumField", "SumLine"}) {
        cb22.set(flag, Value(false));
      }
      cb22.post();
    }
  }
}

void ApplyBigFormularList(Table& cb2f0, const std::vector<std::string>& values) {
  constexpr int64_t kNoNumber = -32000;
  for (const std::string& value : values) {
    const auto fieldNoText = piece(value, 1);
    if (!piece(value, 2)) continue;
    const size_t first = value.find(',');
    const size_t second = value.find(',', first + 1);
    const std::string_view code = TrimBlanks(std::string_view(value).substr(0, first));
    const int64_t fieldNo = integerOr(*fieldNoText, kNoNumber, kLongMin, kLongMax);
    const std::string flag =
        platform::UpperAscii(TrimBlanks(std::string_view(value).substr(second + 1)));
    const bool flagGiven = flag == "YES" || flag == "NO";
    if (fieldNo <= kNoNumber && !flagGiven) continue;
    if (!cb2f0.locate("Code", {stored(code)})) continue;
    cb2f0.edit();
    if (fieldNo > 0) cb2f0.set("FieldNo", Value(fieldNo));
    if (flagGiven) cb2f0.set("DoIt", Value(flag == "YES"));
    cb2f0.post();
  }
}

}  // namespace kvt::forms
