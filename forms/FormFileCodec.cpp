#include "forms/FormFileCodec.h"

#include <type_traits>

#include "schema/EngineError.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// Numbers read are integers or doubles; a NaN is neither above 0 nor 0.
bool above0(const Value& v) {
  return v.asFloat() > 0;
}

bool isZero(const Value& v) {
  return v.asFloat() == 0;
}

Value kept(Keep keep, Value v, bool lookupListsFile) {
  switch (keep) {
    case Keep::Always:
      return v;
    case Keep::Positive:
      return above0(v) ? v : Value::null();
    case Keep::NonZero:
      return isZero(v) ? Value::null() : v;
    case Keep::Never:
      return Value::null();
    case Keep::LookupNumber:
      if (lookupListsFile) return isZero(v) ? Value::null() : v;
      return above0(v) ? v : Value::null();
    case Keep::PositiveElseOne:
      return above0(v) ? v : Value(1);
    case Keep::EmptyAsOne:
      return v.asString().empty() ? Value("1") : v;
  }
  return v;
}

// What an item keeps of a number read (an integer or a double), by the rules of kept() without
// making a Value first: the number, null, or 1.
enum class Kept { Read, Null, One };

template <class N>
Kept keptNumber(Keep keep, N n, bool lookupListsFile) {
  switch (keep) {
    case Keep::Always:
    case Keep::EmptyAsOne:  // a number's text is never empty
      return Kept::Read;
    case Keep::Positive:
      return n > 0 ? Kept::Read : Kept::Null;
    case Keep::NonZero:
      return n == 0 ? Kept::Null : Kept::Read;
    case Keep::Never:
      return Kept::Null;
    case Keep::LookupNumber:
      if (lookupListsFile) return n == 0 ? Kept::Null : Kept::Read;
      return n > 0 ? Kept::Read : Kept::Null;
    case Keep::PositiveElseOne:
      return n > 0 ? Kept::Read : Kept::One;
  }
  return Kept::Read;
}

bool integerField(const FieldDef& field) {
  return field.type == FieldType::Short || field.type == FieldType::Long ||
         field.type == FieldType::AutoInc;
}

}  // namespace

FormFileHeader readFormFileHeader(std::string_view bytes) {
  FormFileHeader header;
  ValueReader in(bytes);
  if (in.ReadStr() != kFormFileMagic || in.overrun()) return header;
  std::string version = in.ReadStr();
  if (in.overrun()) {
    header.status = FormFileHeader::Status::Cut;
    return header;
  }
  header.status = FormFileHeader::Status::Ok;
  header.version = std::move(version);
  header.bodyStart = in.position();
  return header;
}

void writeFormFileHeader(ValueWriter& out, const std::string& version) {
  out.WriteStr(kFormFileMagic);
  out.WriteStr(version);
}

SectionCodec::SectionCodec(const Section& section, std::string version)
    : section_(&section),
      version_(std::move(version)),
      lookupListsFile_(version_ >= kLookupListsFrom) {
  inVersion_.reserve(section.items.size());
  for (const Item& item : section.items) inVersion_.push_back(item.inVersion(version_));
}

bool SectionCodec::decode(ValueReader& in, Row& row, std::string* refused) const {
  const auto& fields = section_->schema->fields;
  // A row buffer used again keeps its slots: only those holding a value are cleared.
  if (row.size() == fields.size()) {
    for (Value& v : row) {
      if (!v.isNull()) v = Value();
    }
  } else {
    row.assign(fields.size(), Value());
  }
  const RowView view(version_, *section_->schema, row);
  const auto& items = section_->items;
  // A value its field cannot hold: which field and which value, for the reader's box.
  const auto fit = [&](const FieldDef& field, Value v) {
    try {
      return coerceToField(field, v);
    } catch (const EngineError&) {
      if (refused != nullptr) {
        *refused = std::string(formTableName(section_->table)) + " 的欄位 " + field.name +
                   " 放不下數值 " + v.asString() + "。";
      }
      throw;
    }
  };
  // Each value read is made once and moved into its slot, converted only when its field
  // does not already store it so.
  const auto place = [&](const FieldDef& field, Value& slot, Value v) {
    if (storedAsIs(field, v)) {
      slot = std::move(v);
    } else {
      slot = fit(field, std::move(v));
    }
  };
  const auto clear = [](Value& slot) {
    if (!slot.isNull()) slot = Value();
  };
  // A number read, as the item keeps it. Integers in an integer field's range and doubles
  // bound for a number field are stored as they are; the rest takes the full conversion.
  const auto placeNumber = [&](const Item& item, const FieldDef& field, Value& slot, auto n) {
    switch (keptNumber(item.keep, n, lookupListsFile_)) {
      case Kept::Read:
        if constexpr (std::is_same_v<decltype(n), int64_t>) {
          if (integerField(field) &&
              (field.type != FieldType::Short || (n >= -32768 && n <= 32767))) {
            slot = Value(n);
            return;
          }
        } else {
          if (field.type == FieldType::Number || field.type == FieldType::Money) {
            slot = Value(n);
            return;
          }
        }
        place(field, slot, Value(n));
        break;
      case Kept::Null:
        clear(slot);
        break;
      case Kept::One:
        place(field, slot, Value(1));
        break;
    }
  };
  try {
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      const FieldDef& field = fields[size_t(item.pos)];
      Value& slot = row[size_t(item.pos)];
      if (!carried(i, view)) {
        if (item.absentRule) {
          Value absent = fit(field, item.absentRule(view));
          if (!absent.isNull()) slot = std::move(absent);
        } else if (!item.absent.isNull()) {
          slot = item.absent;
        }
        continue;
      }
      switch (item.enc) {
        case Enc::Str: {
          const std::string_view text = in.ReadStrView();
          if (in.overrun()) return false;
          if (item.endMark && text == kEndMark) {
            // The rest of the row is not in the file; its fields stay null.
            slot = item.endValue;
            i = items.size();
            continue;
          }
          if (item.keep == Keep::Always && field.type == FieldType::Alpha) {
            // Text an alpha field holds whole goes in as it is; empty text is null there.
            if (text.empty()) {
              clear(slot);
            } else if (field.size <= 0 || text.size() <= size_t(field.size)) {
              slot.assignText(text);
            } else {
              slot = fit(field, Value(std::string(text)));
            }
          } else {
            place(field, slot, kept(item.keep, Value(std::string(text)), lookupListsFile_));
          }
          break;
        }
        case Enc::I32: {
          const int64_t n = in.ReadInt();
          if (in.overrun()) return false;
          placeNumber(item, field, slot, n);
          break;
        }
        case Enc::F64: {
          const double x = in.ReadFloat();
          if (in.overrun()) return false;
          placeNumber(item, field, slot, x);
          break;
        }
        case Enc::Bool: {
          const bool b = in.ReadBool();
          if (in.overrun()) return false;
          if (item.keep == Keep::Always && field.type == FieldType::Logical) {
            slot = Value(b);
          } else {
            place(field, slot, kept(item.keep, Value(b), lookupListsFile_));
          }
          break;
        }
        case Enc::NullableBool: {
          Value v = in.ReadNullableBool();
          if (in.overrun()) return false;
          if (item.keep == Keep::Always && field.type == FieldType::Logical) {
            slot = std::move(v);
          } else {
            place(field, slot, kept(item.keep, std::move(v), lookupListsFile_));
          }
          break;
        }
        case Enc::Memo: {
          std::string text = in.ReadMemo();
          if (in.overrun()) return false;
          place(field, slot, kept(item.keep, Value(std::move(text)), lookupListsFile_));
          break;
        }
        case Enc::PackedPair: {
          const int64_t packed = in.ReadInt();
          if (in.overrun()) return false;
          const int64_t high = packed / 1000;  // truncated toward zero
          slot = fit(field, Value(packed - 1000 * high));
          row[size_t(item.pos2)] =
              fit(fields[size_t(item.pos2)], high > 0 ? Value(high) : Value::null());
          break;
        }
      }
    }
  } catch (const EngineError&) {
    return false;  // a value its field cannot hold
  }
  for (const auto& [pos, value] : section_->fixed) row[size_t(pos)] = value;
  return !in.overrun();
}

bool SectionCodec::restIsNull(size_t item, const Row& row) const {
  const auto& items = section_->items;
  for (size_t j = item + 1; j < items.size(); ++j) {
    if (!row[size_t(items[j].pos)].isNull()) return false;
    if (items[j].pos2 >= 0 && !row[size_t(items[j].pos2)].isNull()) return false;
  }
  return true;
}

void SectionCodec::encode(ValueWriter& out, const Row& row) const {
  const RowView view(version_, *section_->schema, row);
  const auto& items = section_->items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!carried(i, view)) continue;
    const Item& item = items[i];
    const Value& v = row[size_t(item.pos)];
    if (item.endMark) {
      if (v.isText() && *v.get<std::string>() == kEndMark) {
        throw UnwritableRow(std::string(formTableName(section_->table)) + " field " + item.column +
                            " holds the end mark text");
      }
      if (v == item.endValue && restIsNull(i, row)) {
        out.WriteStr(kEndMark);
        return;
      }
    }
    switch (item.enc) {
      case Enc::Str:
        out.WriteStr(v.asString());
        break;
      case Enc::I32:
        out.WriteInt(static_cast<int32_t>(v.asInt()));
        break;
      case Enc::F64:
        out.WriteFloat(v.asFloat());
        break;
      case Enc::Bool:
        out.WriteBool(v.asBool());
        break;
      case Enc::NullableBool:
        out.WriteNullableBool(v);
        break;
      case Enc::Memo:
        out.WriteMemo(v.asString());
        break;
      case Enc::PackedPair:
        out.WriteInt(static_cast<int32_t>(v.asInt() + 1000 * row[size_t(item.pos2)].asInt()));
        break;
    }
  }
}

bool checkFormFileSections(std::string_view bytes, size_t bodyStart, const std::string& version,
                           std::string* refused) {
  return decodeFormFileSections(
      bytes, bodyStart, version, [](const Section&, Row&) {}, refused);
}

}  // namespace kvt::forms
