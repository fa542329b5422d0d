// Form file bytes <-> rows of the form-definition tables, driven by the layout of
// FormFileLayout.h. Rows hold one value per field of the table, in the table's field order,
// each of the kind the field stores.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "forms/FormFileLayout.h"
#include "forms/FormFileValues.h"

namespace kvt::forms {

struct FormFileHeader {
  enum class Status { WrongMagic, Cut, Ok };
  Status status = Status::WrongMagic;
  std::string version;   // when the status is Ok
  size_t bodyStart = 0;  // where the first section begins
};
FormFileHeader readFormFileHeader(std::string_view bytes);
void writeFormFileHeader(ValueWriter& out, const std::string& version);

// A row that no form file can carry (a value the reader would take for an end mark).
class UnwritableRow : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One section's layout as files of one version carry it.
class SectionCodec {
 public:
  SectionCodec(const Section& section, std::string version);

  const Section& section() const { return *section_; }

  // Reads one row into `row` with the defaults, kept values and end marks of the layout.
  // False when the file ends inside the row or a value does not fit its field; in the latter
  // case `refused`, when given, says which field and value.
  bool decode(ValueReader& in, Row& row, std::string* refused = nullptr) const;
  // Writes one row; nulls are written as the encoding's zero. Throws UnwritableRow.
  void encode(ValueWriter& out, const Row& row) const;

 private:
  // How a value read goes into its field when it needs no conversion there.
  enum class Direct : uint8_t { No, Text, Int, Short, Float, Bool };
  // An item with what the walk over a row looks at, resolved once for the version.
  struct Step {
    const Item* item;
    const FieldDef* field;
    size_t pos;
    Enc enc;
    Keep keep;
    Direct direct;
    bool inVersion;
  };
  bool carried(const Step& step, const RowView& row) const {
    return step.inVersion && (!step.item->onlyIf || step.item->onlyIf(row));
  }
  // Every field of the items after `item` is null.
  bool restIsNull(size_t item, const Row& row) const;

  const Section* section_;
  std::string version_;
  bool lookupListsFile_;  // the version carries twelve lookup lists
  std::vector<Step> steps_;
};

// Reads every section after the header, handing each row to `sink(section, row)` as it is
// read (sections in file order, rows in file order); the sink may take the row's values.
// Returns false when the file is damaged: it ends before the last section is complete, a
// count or a length cannot fit in the bytes that remain, or a value does not fit its field.
// The rows handed over before the damage was found are then incomplete, so callers that must
// not load half a file check it first. `refused`, when given, says which field and value did
// not fit.
template <class Sink>
bool decodeFormFileSections(std::string_view bytes, size_t bodyStart, const std::string& version,
                            Sink&& sink, std::string* refused = nullptr) {
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
      sink(section, row);
    }
  }
  return true;
}

// The walk above with every row read into one buffer and dropped: whether the file loads
// whole. Nothing is allocated per row but for text that outgrows what the buffer held.
bool checkFormFileSections(std::string_view bytes, size_t bodyStart, const std::string& version,
                           std::string* refused = nullptr);

}  // namespace kvt::forms
