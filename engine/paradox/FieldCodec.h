// The stored form of the fixed-size field types in a record.
//
// Numbers are kept big-endian with the sign bit flipped, so that the bytes sort like the
// values and a field of all zero bytes is blank (null): integers and dates flip the top
// bit; a floating-point value flips the top bit when positive and every bit when negative.
// Alpha fields hold the stored bytes padded with zeros; logical is 0x80 false, 0x81 true.
// Blob fields are handled by BlobField.h; this codec covers everything else.
#pragma once

#include <cstdint>

#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::paradox {

// Decodes `width` bytes at `in`. Never throws: any bytes decode to some value.
Value decodeField(FieldType type, int descriptorSize, const char* in, int width);
// The same into `out`, whose text storage is used again: for filling one row buffer again and
// again.
void decodeFieldInto(FieldType type, int descriptorSize, const char* in, int width, Value& out);

// Encodes a value of the field's own kind (text for alpha, integer for S/I/+, double for
// N/$, bool, Date, Time, Timestamp, Decimal, Bytes) into `width` bytes at `out`; null
// encodes as zeros. Throws EngineError(Conversion) for a value of another kind or one the
// field cannot hold (a short outside -32767..32767, a BCD value too wide).
void encodeField(FieldType type, int descriptorSize, const Value& value, char* out, int width);

}  // namespace kvt::paradox
