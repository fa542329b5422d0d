// The row changes a release spells out in the switch file: lists of values, each naming one
// row and its new values. Each applier works on the table its list is about, which the caller
// has open, and leaves it open. A value that does not parse, or names a row that is missing,
// changes nothing (the field-size list alone adds rows). List values are UTF-8 as the switch
// file was decoded; what they store goes into the tables as code page 950.
#pragma once

#include <string>
#include <vector>

#include "schema/Table.h"

namespace kvt::forms {

// "EntryNo, EntryName, FormularMode, Formular" on CB21: the name and the mode are set even
// when empty; the formula only when given.
void ApplyAdditionList(Table& cb21, const std::vector<std::string>& values);

// "FormNo, Class" on CB20: the class is everything after the first comma.
void ApplyFormClassList(Table& cb20, const std::vector<std::string>& values);

// "<Type><FieldNo>, FieldLength, GridWidth, FieldName" on CB22: an existing field gets the
// length, the width when above 0 and the name when given; a missing one is added when a name
// is given.
void ApplyBodyFieldSizeList(Table& cb22, const std::vector<std::string>& values);

// "Code, FieldNo, YES|NO" on CB2F0: the field number when above 0, DoIt when the flag is given.
void ApplyBigFormularList(Table& cb2f0, const std::vector<std::string>& values);

}  // namespace kvt::forms
