// The order of stored values of one field, shared by the row store's key order and by
// looking rows up: null first, text and bytes by their bytes, numbers, Booleans and calendar
// values by their numeric value.
#pragma once

#include <optional>

#include "schema/Value.h"

namespace kvt {

// <0, 0 or >0.
int compareStoredValues(const Value& a, const Value& b);

// The numeric value of a Boolean, number, fixed-point or calendar value (days of a Date,
// milliseconds of a Time or Timestamp); nullopt for null, text and bytes.
std::optional<double> numericValue(const Value& v);

}  // namespace kvt
