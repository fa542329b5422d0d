// Loading a form file (.DBT) into the seven form-definition tables.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "schema/Database.h"

namespace kvt::forms {

// Reads the form file `fileName` into the tables of `db`, which CreateFormTables has just
// made empty, repairing the rows of older files on the way.
//
// False, with nothing shown, when the file is missing or unreadable. False, with an error box,
// when it is not a form file or is damaged (cut short, a count or length beyond its end, a
// value its field cannot hold), and when its version is newer than ProgramFormVersion; the
// tables are then untouched. The whole file is checked before the first row is stored.
// Whenever the magic word matched and the version could be read, FormFileVersion and
// LoadedFormFileVersion hold the file's version. A row the tables refuse (a duplicate key)
// is dropped and reading goes on. Errors of the table engine reach the caller.
bool ReadFormFile(platform::FileSystem& fs, platform::Ui& ui, const std::string& fileName,
                  Database& db);

}  // namespace kvt::forms
