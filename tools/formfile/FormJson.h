// The form-definition tables as a JSON document, and back:
//   {"version": "1020905", "tables": {"CB20": [{...}, ...], ..., "CB2F0": [...]}}
// Each row is an object holding every field of its table in field order: null for null,
// integers and floats as numbers (a float that is not a number as "NaN", "Infinity" or
// "-Infinity"), Booleans as true and false, text and memos as UTF-8 (stored as code page 950).
// Rows come in key order.
#pragma once

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>

#include "schema/Database.h"
#include "tools/formfile/Json.h"

namespace kvt::formfile {

class FormJsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the seven tables of `db` as the document, stating `version`.
void writeFormTablesJson(std::ostream& out, Database& db, const std::string& version);
std::string formTablesJson(Database& db, const std::string& version);

// Creates the seven tables in `db` and fills them from the document; returns its version.
// Rows may leave fields out (they are null). Throws FormJsonError (unknown table or field,
// a value of the wrong kind, a duplicate key) and JsonError.
std::string loadFormTablesJson(const Json& document, Database& db);
std::string loadFormTablesJson(std::string_view text, Database& db);

// What ReadFormFile loads from the form file `dbt` (read into a scratch directory of tables),
// as the document. False, with a message on `err`, when the file was refused.
bool dumpFormFile(const std::filesystem::path& dbt, std::ostream& out, std::ostream& err);
// Writes the form file `dbt` from the document in `json` through the tables and SaveFormFile,
// in the document's version (an existing file is kept in Backup\ beside it). False, with a
// message on `err`, when that failed.
bool buildFormFile(const std::filesystem::path& json, const std::filesystem::path& dbt,
                   std::ostream& err);

}  // namespace kvt::formfile
