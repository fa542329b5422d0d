// What the form file format promises about each field, written down here from the format's
// description, independently of the layout the program uses: the first version that carries a
// gated field and what the reader gives it in older files, which numbers are kept only when
// positive or not zero, and which Booleans may be null. The round-trip tests predict every
// value read back from these facts.
#pragma once

#include <string>

#include "forms/FormTables.h"
#include "schema/Value.h"

namespace kvt::forms::testing {

// The first version whose files carry the field, or nullptr when every version does.
const char* firstVersionOf(FormTable t, const std::string& field);
// What the reader gives the field in a file of `version` that does not carry it; `row` holds
// the row as written (for defaults that depend on the row's type and number).
Value absentValue(FormTable t, const std::string& field, const std::string& version,
                  const Row& row);
// What a null written in a file of `version` comes back as.
Value nullReadBack(FormTable t, const std::string& field, const std::string& version);

// Every version named by a gate, with the day before each.
std::vector<std::string> gateVersions();

}  // namespace kvt::forms::testing
