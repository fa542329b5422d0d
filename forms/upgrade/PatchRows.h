// Row changes of the fixed form-definition patches: edit a row found by its key, append a
// row, or edit-or-append (upsert). Each change is posted once; a change that is not posted
// is cancelled, so the table never keeps a half-assigned record buffer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "schema/Table.h"
#include "schema/Value.h"

namespace kvt::forms {

struct FieldAssignment {
  std::string field;
  Value value;
};
// Applied in order: a field named twice ends with its last value.
using FieldAssignments = std::vector<FieldAssignment>;

// Built-in text as the form tables store it (code page 950 bytes).
Value StoredText(std::string_view utf8);

// Locates the row whose key fields ("Type;FieldNo") hold `key` exactly. When there is none,
// nothing changes and the result is false. Otherwise the row is edited, `fields` assigned and
// posted. An engine error cancels the pending change and is passed on.
bool EditRow(Table& table, const std::string& keyFields, const std::vector<Value>& key,
             const FieldAssignments& fields);

// Appends a row holding `fields` (the rest null) and posts it. An engine error cancels the
// new row and is passed on.
void AppendRow(Table& table, const FieldAssignments& fields);

enum class UpsertOutcome { Posted, Refused };

// Locates the row by its key; edits it when found, else appends one; assigns the key fields,
// then `fields`, and posts. When the engine refuses the post, the change is cancelled and
// the outcome is Refused; fields not named keep their values (an appended row has them null).
UpsertOutcome UpsertRow(Table& table, const std::string& keyFields, const std::vector<Value>& key,
                        const FieldAssignments& fields);

}  // namespace kvt::forms
