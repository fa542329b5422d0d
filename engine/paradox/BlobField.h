// A blob field in a record: a leader holding the first bytes of the value, then a 10-byte
// little-endian pointer (location in the .MB file, length, modification number). A value
// that fits the leader lives there alone, with location and modification number 0. A memo
// of length 0 is blank (null): all bytes zero.
//
// Graphic blobs carry an 8-byte head in the .MB file before the picture (01 00 00 01 and the
// picture length); the leader and the value hold the picture alone.
#pragma once

#include "engine/paradox/BlobFile.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::paradox {

// Memo and formatted memo fields read as text (the stored bytes), the other blob types as
// Bytes. `mb` may be null when the table
// has no .MB file; a pointer into it then throws EngineError(Format).
Value decodeBlobField(FieldType type, const char* in, int width, const BlobFileReader* mb);

// Accepts text or Bytes for any blob type. Data longer than the leader goes to `mb`.
void encodeBlobField(FieldType type, const Value& value, char* out, int width, BlobFileWriter& mb);

}  // namespace kvt::paradox
