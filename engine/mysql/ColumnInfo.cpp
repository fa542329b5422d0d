#include "engine/mysql/ColumnInfo.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "engine/mysql/SqlText.h"

namespace kvt::mysql {
namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The numbers inside the first parentheses: "double(16,4)" gives {16, 4}.
std::vector<int> typeArguments(const std::string& type) {
  std::vector<int> out;
  const size_t open = type.find('(');
  const size_t close = type.find(')', open);
  if (open == std::string::npos || close == std::string::npos) return out;
  const std::string inside = type.substr(open + 1, close - open - 1);
  size_t i = 0;
  while (i < inside.size()) {
    while (i < inside.size() && !std::isdigit(static_cast<unsigned char>(inside[i]))) ++i;
    if (i == inside.size()) break;
    int v = 0;
    while (i < inside.size() && std::isdigit(static_cast<unsigned char>(inside[i]))) {
      v = v * 10 + (inside[i] - '0');
      ++i;
    }
    out.push_back(v);
  }
  return out;
}

// The widest member of enum('a','bc') or set(...), in bytes.
int widestMember(const std::string& type) {
  int widest = 0, current = 0;
  bool inside = false;
  for (size_t i = type.find('('); i != std::string::npos && i < type.size(); ++i) {
    if (type[i] == '\'') {
      if (inside && i + 1 < type.size() && type[i + 1] == '\'') {
        ++current;
        ++i;
        continue;
      }
      if (inside) widest = std::max(widest, current);
      inside = !inside;
      current = 0;
    } else if (inside) {
      ++current;
    }
  }
  return widest;
}

}  // namespace

ColumnInfo describeColumn(const std::string& name, const std::string& type,
                          const std::string& collation, const std::string& nullable,
                          const std::string& extra) {
  ColumnInfo c;
  c.def.name = name;
  c.type = type;
  const std::string t = lower(type);
  const std::string base = t.substr(0, t.find_first_of("( "));
  const std::vector<int> args = typeArguments(t);
  const int first = args.empty() ? 0 : args[0];
  const std::string coll = lower(collation);
  c.caseSensitive = coll == "binary" || (coll.size() > 4 && coll.ends_with("_bin"));
  c.notNull = lower(nullable) == "no";
  c.autoIncrement = lower(extra).find("auto_increment") != std::string::npos;

  auto set = [&](FieldType ft, int size, ReadAs how) {
    c.def.type = ft;
    c.def.size = size;
    c.readAs = how;
  };
  if (base == "char" || base == "varchar") {
    set(FieldType::Alpha, first, ReadAs::Text);
    c.fixedChar = base == "char";
    // The server counts the width in characters of the column's character set; text
    // reaches it in the connection's, character for character.
    c.charset = coll.substr(0, coll.find('_'));
    c.def.sizeInCharacters = c.charset != "binary";
  } else if (base == "binary" || base == "varbinary") {
    set(FieldType::Bytes, first, ReadAs::Bytes);
    c.caseSensitive = true;
  } else if (base == "tinytext" || base == "text" || base == "mediumtext" || base == "longtext" ||
             base == "json") {
    set(FieldType::Memo, 0, ReadAs::Text);
  } else if (base == "tinyblob" || base == "blob" || base == "mediumblob" || base == "longblob") {
    set(FieldType::Blob, 0, ReadAs::Bytes);
    c.caseSensitive = true;
  } else if ((base == "tinyint" && first == 1) || base == "bool" || base == "boolean") {
    set(FieldType::Logical, 0, ReadAs::Bool);
  } else if (base == "bit") {
    if (first <= 1) {
      set(FieldType::Logical, 0, ReadAs::BitBool);
    } else {
      set(FieldType::Bytes, (first + 7) / 8, ReadAs::Bytes);
    }
  } else if (base == "tinyint" || base == "smallint" || base == "year") {
    set(FieldType::Short, 0, ReadAs::Int);
  } else if (base == "mediumint" || base == "int" || base == "integer" || base == "bigint") {
    set(c.autoIncrement ? FieldType::AutoInc : FieldType::Long, 0, ReadAs::Int);
  } else if (base == "float" || base == "double" || base == "real") {
    set(FieldType::Number, 0, ReadAs::Float);
    c.singlePrecision = base == "float";
    if (args.size() >= 2) c.decimals = args[1];
  } else if (base == "decimal" || base == "numeric" || base == "dec" || base == "fixed") {
    set(FieldType::Bcd, args.size() >= 2 ? args[1] : 0, ReadAs::Decimal);
  } else if (base == "date") {
    set(FieldType::Date, 0, ReadAs::Date);
  } else if (base == "time") {
    set(FieldType::Time, 0, ReadAs::Time);
  } else if (base == "datetime" || base == "timestamp") {
    set(FieldType::Timestamp, 0, ReadAs::Timestamp);
  } else if (base == "enum" || base == "set") {
    set(FieldType::Alpha, widestMember(type), ReadAs::Text);
    c.charset = coll.substr(0, coll.find('_'));
  } else {
    // Anything else (geometry, inet6, ...) is handed through as its text.
    set(FieldType::Memo, 0, ReadAs::Text);
  }
  return c;
}

TableInfo readTableInfo(MySqlConnection& conn, const std::string& table) {
  TableInfo info;
  const std::string quoted = quoteIdentifier(table);
  // Field, Type, Collation, Null, Key, Default, Extra, Privileges, Comment
  for (const auto& row : conn.query("SHOW FULL COLUMNS FROM " + quoted)) {
    if (row.size() < 7 || !row[0] || !row[1]) {
      throw EngineError(ErrorKind::Server, "MySQL: unexpected column listing of " + table);
    }
    ColumnInfo c = describeColumn(*row[0], *row[1], row[2].value_or(""), row[3].value_or(""),
                                  row[6].value_or(""));
    info.schema.fields.push_back(c.def);
    info.columns.push_back(std::move(c));
  }

  // Table, Non_unique, Key_name, Seq_in_index, Column_name, ...
  std::map<std::string, IndexDef> indexes;
  std::vector<std::string> order;
  for (const auto& row : conn.query("SHOW KEYS FROM " + quoted)) {
    if (row.size() < 5 || !row[2] || !row[4]) continue;
    const std::string& keyName = *row[2];
    auto [it, added] = indexes.try_emplace(keyName);
    IndexDef& index = it->second;
    if (added) {
      order.push_back(keyName);
      index.primary = keyName == "PRIMARY";
      index.name = index.primary ? "" : keyName;
      index.unique = row[1].value_or("1") == "0";
    }
    index.fields.push_back(*row[4]);
  }
  for (const std::string& keyName : order) {
    IndexDef& index = indexes[keyName];
    // A key is told apart by letter case only when all its columns compare that way.
    index.caseInsensitive = std::any_of(index.fields.begin(), index.fields.end(), [&](auto& f) {
      auto c = std::find_if(info.columns.begin(), info.columns.end(),
                            [&](const ColumnInfo& col) { return col.def.name == f; });
      return c != info.columns.end() && !c->caseSensitive && c->readAs == ReadAs::Text;
    });
    if (index.primary) {
      info.schema.indexes.insert(info.schema.indexes.begin(), index);
    } else {
      info.schema.indexes.push_back(index);
    }
  }
  return info;
}

}  // namespace kvt::mysql
