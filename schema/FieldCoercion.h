// Converting values to the kind a field stores, as a handle does when a value is assigned
// (coerceToField, declared in schema/Table.h) or looked for.
#pragma once

#include <string>
#include <string_view>

#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt {

// `text` cut to at most `width` bytes without splitting a two-byte code page 950 character
// (a lead byte 0x81-0xFE followed by a trail byte 0x40-0x7E or 0xA1-0xFE).
std::string cutToWidth(std::string_view text, size_t width);

// Whether coerceToField keeps `v` whole in `field`: false for text or bytes longer than the
// field holds. Values of other kinds (and values it cannot convert) count as fitting.
bool fitsField(const FieldDef& field, const Value& v);

// As coerceToField, but text longer than an alpha field is kept whole, so that looking for
// it finds nothing instead of finding a row that holds its first bytes.
Value coerceForSearch(const FieldDef& field, Value v);

}  // namespace kvt
