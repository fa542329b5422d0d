// The MySQL CREATE TABLE statements of the new tables, as lists of lines. They are sent as
// they stand, so the package's other tools find the same layout they were written for.
#pragma once

#include <string>
#include <vector>

namespace kvt::upgrade {

// The statement of a code table: a code, a description and the fixed extra columns that
// some of the tables carry. `descriptionColumn` empty means "Description".
std::vector<std::string> CodeTableStatement(const std::string& table, int codeWidth,
                                            const std::string& descriptionColumn,
                                            int descriptionWidth);

// The fixed statement of a message table (X901_5th, XIDPSW, EMailFTP, EMailLog, X903Base,
// X903_2nd, XS01Base, XS02Base, X602Base, X602_2nd, X602_3rd); empty for another name.
const std::vector<std::string>& ScriptedTableStatement(const std::string& table);

}  // namespace kvt::upgrade
