// Text work on SQL statements that never needs the server: quoting identifiers, turning
// named parameters into placeholders, and the old "TYPE=" table option. Quoted strings,
// quoted identifiers and comments are always left as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::mysql {

// `name` with every back-quote doubled, so any table or column name is safe in a statement.
std::string quoteIdentifier(std::string_view name);

// A table name as the server knows it: a trailing ".DB" (any letter case) is dropped, so
// handles may name "XMLApp.DB" as they would a Paradox table.
std::string serverTableName(std::string_view table);

struct PlaceholderText {
  std::string sql;                 // each ":name" replaced by "?"
  std::vector<std::string> names;  // the names, in the order of the placeholders
};
// Finds ":name" parameters (a letter or "_" after the colon, not preceded by a name
// character or another colon) outside quotes and comments.
PlaceholderText replaceNamedParameters(std::string_view sql);

// The statement with each table option "TYPE =" spelled "ENGINE =", or nothing when it has
// none. Servers since MySQL 5.5 refuse the old spelling.
std::optional<std::string> engineOptionSpelling(std::string_view sql);

// True for the server's syntax error (1064) whose quoted place of failure starts with "TYPE".
bool isTypeOptionSyntaxError(unsigned errorCode, std::string_view message);

}  // namespace kvt::mysql
