// What the engine knows of a table's columns: their field definitions as the table handles
// see them, and the server-side details that decide how values are read, compared and
// written back.
#pragma once

#include <string>
#include <vector>

#include "engine/mysql/MySqlConnection.h"
#include "engine/mysql/MySqlStatement.h"
#include "schema/TableSchema.h"

namespace kvt::mysql {

struct ColumnInfo {
  FieldDef def;         // char(18) gives Alpha of size 18 characters: the declared width
  std::string charset;  // of a text column, from its collation ("big5"); empty otherwise
  std::string type;     // the declared type as the server shows it, e.g. "char(18)"
  ReadAs readAs = ReadAs::Text;
  bool fixedChar = false;        // CHAR: the server drops trailing blanks when it reads
  bool caseSensitive = false;    // a binary collation or a binary type
  bool singlePrecision = false;  // FLOAT: the server keeps fewer digits than a double
  int decimals = -1;             // declared decimals of float(M,D) and double(M,D), else -1
  bool notNull = false;
  bool autoIncrement = false;

  bool isText() const { return readAs == ReadAs::Text; }
};

// One column from the fields of SHOW FULL COLUMNS: its name, type, collation, "YES"/"NO"
// for null and the extra text ("auto_increment").
ColumnInfo describeColumn(const std::string& name, const std::string& type,
                          const std::string& collation, const std::string& nullable,
                          const std::string& extra);

struct TableInfo {
  std::vector<ColumnInfo> columns;
  TableSchema schema;  // the fields and the indexes, the primary key first
};

// Reads the columns and keys of a table. Throws MissingTable for a table the server lacks.
TableInfo readTableInfo(MySqlConnection& conn, const std::string& table);

}  // namespace kvt::mysql
