// Writing the seven form-definition tables back into a form file (.DBT).
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/FileUse.h"
#include "platform/Ui.h"
#include "schema/Database.h"

namespace kvt::forms {

// Writes the bytes of a form file of `version` holding the tables of `db`, each in its key
// order, to `out` as they are made, a chunk at a time; false when a write failed. Rows of form
// 88888 and dummy print placements are left out; in versions up to "0940404" the renamed codes
// are written under their old names. Every item is written exactly when the reader of that
// version reads it. Throws UnwritableRow (a row no form file can carry), std::length_error (a
// text longer than a str can say) and the table engine's errors.
bool encodeFormFile(Database& db, const std::string& version, platform::FileWriter& out);
// The same bytes in memory.
std::string encodeFormFile(Database& db, const std::string& version);

// The name the new file is written under first: the extension replaced by "$x$".
std::string formFileTempName(const std::string& fileName);

// Writes the tables of `db` to the form file `fileName` in the version FormFileVersion: first
// to the temporary file, then the old file (if any) is moved to `Backup\` beside it, as
// "<name> yyyy-mm-dd hh-mm-ss.BAK備份" stamped with `now` (" (2)", " (3)" ... before ".BAK備份"
// when a backup of that name is already there), and the new file takes its place. False, with an
// error box, when the tables cannot be written as a form file or the new file cannot be put in
// place, or when another process (the package) has the form file open: the target then keeps its
// old content, or, when the old content cannot be moved back either, the temporary file is kept
// and the box names it and the backup. Others are kept out of the form file (`use`) until the
// new file is in place. Errors of the table engine reach the caller with no file changed: the
// new content is written as it is made, and what was written of it is removed.
bool SaveFormFile(platform::FileSystem& fs, platform::Ui& ui, Database& db,
                  const std::string& fileName, platform::FileTime now,
                  const platform::FileUse& use = platform::systemFileUse());
// As above, stamped with the current time.
bool SaveFormFile(platform::FileSystem& fs, platform::Ui& ui, Database& db,
                  const std::string& fileName);

}  // namespace kvt::forms
