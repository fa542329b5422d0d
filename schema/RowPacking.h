// Rows packed into a few bytes a value and back, for rows held in memory that nobody looks at
// for a while (KeyedRowStore keeps the rows a fill has passed so).
//
// Each value is its kind (the index of Value::Storage) in one byte, then: nothing for null, one
// byte for a Boolean, a zigzag varint for an integer, Date and Time, eight bytes for a double
// and a Timestamp, a varint length and the bytes for text, Decimal and Bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "schema/Value.h"

namespace kvt {

// Appends the values of `row` to `out`.
void packRow(const Row& row, std::string& out);

// Reads the row of `fields` values that starts at `at` into `row` (its values replaced);
// returns where the next row starts.
size_t unpackRow(std::string_view bytes, size_t at, size_t fields, Row& row);

}  // namespace kvt
