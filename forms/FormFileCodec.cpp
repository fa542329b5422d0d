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
  steps_.reserve(section.items.size());
  for (const Item& item : section.items) {
    const FieldDef& field = section.schema->fields[size_t(item.pos)];
    // What storedAsIs lets through for each kind of value read, decided once.
    Direct direct = Direct::No;
    const bool always = item.keep == Keep::Always;
    switch (item.enc) {
      case Enc::Str:
        if (always && field.type == FieldType::Alpha) direct = Direct::Text;
        break;
      case Enc::I32:
        if (field.type == FieldType::Short) direct = Direct::Short;
        if (field.type == FieldType::Long || field.type == FieldType::AutoInc) direct = Direct::Int;
        break;
      case Enc::F64:
        if (field.type == FieldType::Number || field.type == FieldType::Money) {
          direct = Direct::Float;
        }
        break;
      case Enc::Bool:
      case Enc::NullableBool:
        if (always && field.type == FieldType::Logical) direct = Direct::Bool;
        break;
      case Enc::Memo:
      case Enc::PackedPair:
        break;
    }
    steps_.push_back(
        {&item, &field, size_t(item.pos), item.enc, item.keep, direct, item.inVersion(version_)});
  }
}

bool SectionCodec::decode(ValueReader& in, Row& row, std::string* refused) const {
  const auto& fields = section_->schema->fields;
  // A row buffer used again keeps its slots (and the storage of their text): only those
  // holding a value are cleared.
  if (row.size() == fields.size()) {
    for (Value& v : row) {
      if (!v.isNull()) v.setNull();
    }
  } else {
    row.assign(fields.size(), Value());
  }
  const RowView view(version_, *section_->schema, row);
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
  // A value read that needs more than a direct store: converted unless its field already
  // stores it so.
  const auto place = [&](const FieldDef& field, Value& slot, Value v) {
    if (storedAsIs(field, v)) {
      slot = std::move(v);
    } else {
      slot = fit(field, std::move(v));
    }
  };
  const auto clear = [](Value& slot) {
    if (!slot.isNull()) slot.setNull();
  };
  // A number read, as the item keeps it.
  const auto placeNumber = [&](const Step& s, Value& slot, auto n) {
    switch (keptNumber(s.keep, n, lookupListsFile_)) {
      case Kept::Read:
        if constexpr (std::is_same_v<decltype(n), int64_t>) {
          if (s.direct == Direct::Int || (s.direct == Direct::Short && n >= -32768 && n <= 32767)) {
            slot.setInt(n);
            return;
          }
        } else {
          if (s.direct == Direct::Float) {
            slot.setFloat(n);
            return;
          }
        }
        place(*s.field, slot, Value(n));
        break;
      case Kept::Null:
        clear(slot);
        break;
      case Kept::One:
        place(*s.field, slot, Value(1));
        break;
    }
  };
  try {
    for (size_t i = 0; i < steps_.size(); ++i) {
      const Step& s = steps_[i];
      Value& slot = row[s.pos];
      if (!carried(s, view)) {
        const Item& item = *s.item;
        if (item.absentRule) {
          Value absent = fit(*s.field, item.absentRule(view));
          if (!absent.isNull()) slot = std::move(absent);
        } else if (!item.absent.isNull()) {
          slot = item.absent;
        }
        continue;
      }
      switch (s.enc) {
        case Enc::Str: {
          const std::string_view text = in.ReadStrView();
          if (in.overrun()) return false;
          if (s.item->endMark && text == kEndMark) {
            // The rest of the row is not in the file; its fields stay null.
            slot = s.item->endValue;
            i = steps_.size();
            continue;
          }
          if (s.direct == Direct::Text) {
            // Text an alpha field holds whole goes in as it is; empty text is null there.
            const int width = s.field->size;
            if (text.empty()) {
              clear(slot);
            } else if (width <= 0 || text.size() <= size_t(width)) {
              slot.setText(text);
            } else {
              slot = fit(*s.field, Value(std::string(text)));
            }
          } else {
            place(*s.field, slot, kept(s.keep, Value(std::string(text)), lookupListsFile_));
          }
          break;
        }
        case Enc::I32: {
          const int64_t n = in.ReadInt();
          if (in.overrun()) return false;
          placeNumber(s, slot, n);
          break;
        }
        case Enc::F64: {
          const double x = in.ReadFloat();
          if (in.overrun()) return false;
          placeNumber(s, slot, x);
          break;
        }
        case Enc::Bool: {
          const bool b = in.ReadBool();
          if (in.overrun()) return false;
          if (s.direct == Direct::Bool) {
            slot.setBool(b);
          } else {
            place(*s.field, slot, kept(s.keep, Value(b), lookupListsFile_));
          }
          break;
        }
        case Enc::NullableBool: {
          const std::optional<bool> b = in.ReadOptionalBool();
          if (in.overrun()) return false;
          if (s.direct == Direct::Bool) {
            if (b) {
              slot.setBool(*b);
            } else {
              clear(slot);
            }
          } else {
            place(*s.field, slot, kept(s.keep, b ? Value(*b) : Value::null(), lookupListsFile_));
          }
          break;
        }
        case Enc::Memo: {
          std::string text = in.ReadMemo();
          if (in.overrun()) return false;
          place(*s.field, slot, kept(s.keep, Value(std::move(text)), lookupListsFile_));
          break;
        }
        case Enc::PackedPair: {
          const int64_t packed = in.ReadInt();
          if (in.overrun()) return false;
          const int64_t high = packed / 1000;  // truncated toward zero
          slot = fit(*s.field, Value(packed - 1000 * high));
          const size_t pos2 = size_t(s.item->pos2);
          row[pos2] = fit(fields[pos2], high > 0 ? Value(high) : Value::null());
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
    if (!carried(steps_[i], view)) continue;
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
        // Text is written from where the row holds it; other kinds as their text.
        if (const auto* text = v.get<std::string>()) {
          out.WriteStr(*text);
        } else {
          out.WriteStr(v.asString());
        }
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
        if (const auto* text = v.get<std::string>()) {
          out.WriteMemo(*text);
        } else {
          out.WriteMemo(v.asString());
        }
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
