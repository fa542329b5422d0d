// The field type codes of the table header and the width each type takes in a record.
#pragma once

#include <cstdint>
#include <optional>

#include "schema/TableSchema.h"

namespace kvt::paradox {

// The code byte of a field descriptor in a header ("A" is 0x01, "M" 0x0C, "+" 0x16, ...).
std::optional<FieldType> typeFromCode(uint8_t code);
uint8_t codeOf(FieldType type);
// The letter structure listings show ("A", "N", "+", "#", ...).
char letterOf(FieldType type);

// Blob fields keep a leader in the record followed by a 10-byte pointer into the .MB file.
bool isBlob(FieldType type);
constexpr int kBlobPointerSize = 10;

// The size byte of a header field descriptor <-> the size a FieldDef carries:
// alpha width, blob leader size (descriptor minus the pointer), BCD decimal places,
// bytes length; 0 for the types whose size is fixed.
int defSizeFromDescriptor(FieldType type, int descriptorSize);
// Throws EngineError(Unsupported) for a size the type cannot take.
int descriptorSizeFor(const FieldDef& field);
// Bytes the field occupies in a record.
int recordWidth(FieldType type, int descriptorSize);

// The lowest table level (file version byte) that can hold the type.
uint8_t minimumVersionFor(FieldType type);

}  // namespace kvt::paradox
