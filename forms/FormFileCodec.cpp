#include "forms/FormFileCodec.h"

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

Value kept(Keep keep, Value v, const std::string& version) {
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
      if (version >= kLookupListsFrom) return isZero(v) ? Value::null() : v;
      return above0(v) ? v : Value::null();
    case Keep::PositiveElseOne:
      return above0(v) ? v : Value(1);
    case Keep::EmptyAsOne:
      return v.asString().empty() ? Value("1") : v;
  }
  return v;
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
    : section_(&section), version_(std::move(version)) {
  inVersion_.reserve(section.items.size());
  for (const Item& item : section.items) inVersion_.push_back(item.inVersion(version_));
}

bool SectionCodec::decode(ValueReader& in, Row& row, std::string* refused) const {
  const auto& fields = section_->schema->fields;
  row.assign(fields.size(), Value());
  const RowView view(version_, *section_->schema, row);
  const auto& items = section_->items;
  bool ended = false;
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
  try {
    for (size_t i = 0; i < items.size() && !ended; ++i) {
      const Item& item = items[i];
      const FieldDef& field = fields[size_t(item.pos)];
      if (!carried(i, view)) {
        Value absent = item.absentRule ? fit(field, item.absentRule(view)) : item.absent;
        if (!absent.isNull()) row[size_t(item.pos)] = std::move(absent);
        continue;
      }
      Value v;
      switch (item.enc) {
        case Enc::Str: {
          std::string text = in.ReadStr();
          if (item.endMark && text == kEndMark) {
            // The rest of the row is not in the file; its fields stay null.
            row[size_t(item.pos)] = item.endValue;
            ended = true;
            continue;
          }
          v = Value(std::move(text));
          break;
        }
        case Enc::I32:
          v = Value(int64_t{in.ReadInt()});
          break;
        case Enc::F64:
          v = Value(in.ReadFloat());
          break;
        case Enc::Bool:
          v = Value(in.ReadBool());
          break;
        case Enc::NullableBool:
          v = in.ReadNullableBool();
          break;
        case Enc::Memo:
          v = Value(in.ReadMemo());
          break;
        case Enc::PackedPair: {
          const int64_t packed = in.ReadInt();
          const int64_t high = packed / 1000;  // truncated toward zero
          row[size_t(item.pos)] = fit(field, Value(packed - 1000 * high));
          row[size_t(item.pos2)] =
              fit(fields[size_t(item.pos2)], high > 0 ? Value(high) : Value::null());
          continue;
        }
      }
      if (in.overrun()) return false;
      v = kept(item.keep, std::move(v), version_);
      row[size_t(item.pos)] = storedAsIs(field, v) ? std::move(v) : fit(field, std::move(v));
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

bool decodeFormFileSections(std::string_view bytes, size_t bodyStart, const std::string& version,
                            const RowSink& sink, std::string* refused) {
  ValueReader in(bytes, bodyStart);
  Row row;
  for (const Section& section : formFileSections()) {
    const SectionCodec codec(section, version);
    const int32_t count = in.ReadInt();
    if (in.overrun()) return false;
    // Every row begins with at least a str length or a number.
    if (count > 0 && uint64_t(count) * 2 > in.remaining()) return false;
    for (int32_t n = 0; n < count; ++n) {
      if (!codec.decode(in, row, refused)) return false;
      if (sink) sink(section, row);
    }
  }
  return true;
}

}  // namespace kvt::forms
