#include "schema/TableSchema.h"

#include <array>
#include <utility>

namespace kvt {
namespace {

constexpr std::array<std::pair<FieldType, char>, 17> kLetters{{
    {FieldType::Alpha, 'A'},
    {FieldType::Date, 'D'},
    {FieldType::Short, 'S'},
    {FieldType::Long, 'I'},
    {FieldType::Money, '$'},
    {FieldType::Number, 'N'},
    {FieldType::Logical, 'L'},
    {FieldType::Memo, 'M'},
    {FieldType::Blob, 'B'},
    {FieldType::FmtMemo, 'F'},
    {FieldType::Ole, 'O'},
    {FieldType::Graphic, 'G'},
    {FieldType::Time, 'T'},
    {FieldType::Timestamp, '@'},
    {FieldType::AutoInc, '+'},
    {FieldType::Bcd, '#'},
    {FieldType::Bytes, 'Y'},
}};

}  // namespace

char typeLetter(FieldType t) {
  for (const auto& [type, letter] : kLetters) {
    if (type == t) return letter;
  }
  return '?';
}

std::optional<FieldType> typeFromLetter(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  for (const auto& [type, l] : kLetters) {
    if (l == letter) return type;
  }
  return std::nullopt;
}

int TableSchema::fieldIndex(const std::string& name) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::vector<int> TableSchema::primaryKey() const {
  std::vector<int> key;
  for (const IndexDef& index : indexes) {
    if (!index.primary) continue;
    for (const std::string& f : index.fields) {
      const int pos = fieldIndex(f);
      if (pos >= 0) key.push_back(pos);
    }
    break;
  }
  return key;
}

}  // namespace kvt
