// The repairs the reader makes to the rows of older form files, and the code renaming that
// the reader and the writer share.
#pragma once

#include <array>
#include <string>

#include "forms/FormTables.h"
#include "schema/Table.h"
#include "schema/Value.h"

namespace kvt::forms {

// Position of a field of one of the form-definition tables.
int fieldPos(FormTable t, const std::string& name);

// Files of "0940404" and earlier name ten codes of the code-to-field map by their old
// names; newer files use the new ones.
inline constexpr const char* kLastOldCodeNames = "0940404";
// The new name of an old code (the code itself when it is not one of the ten).
std::string newCodeName(const std::string& code);
// The old name of a new code (the code itself when it is not one of the ten).
std::string oldCodeName(const std::string& code);

// CB21: formula mode "2" is now written "I".
void repairEntry(Row& row);
// CB22: the X fields 144 and 191 as later releases define them.
void repairFieldDefinition(Row& row);
// CB22 after its last row: adds X-145 (a copy of X-144 for printing) when missing, and
// marks the fields I-4, P-4, P-16 and S-4 with attribute "W".
void completeFieldDefinitions(Table& fields);
// CB23: one placement whose IsM was set by mistake.
void repairEntryPlacement(Row& row);

// CB2F0: the field number of a code, as repaired for files of `version`.
Value repairedCodeFieldNo(const std::string& code, Value fieldNo, const std::string& version);

// Which of the forms that the code-to-field map points at were in the file.
class PresentForms {
 public:
  void note(int64_t formNo);
  bool has(int64_t formNo) const;

 private:
  static constexpr std::array<int64_t, 7> kForms{15100, 15201, 15202, 15300, 15430, 15440, 16008};
  std::array<bool, 7> present_{};
};

// Files older than "0920520" kept the sum mark of four item fields by their code only: moves
// CB22's SumField to the field each code now points at. `codes` is the open CB2F0.
void moveSumFieldMarks(Database& db, Table& codes, const std::string& version);
// Points the form codes of CB2F0 at forms that exist, or at none.
void fixFormCodes(Table& codes, const PresentForms& forms);

}  // namespace kvt::forms
