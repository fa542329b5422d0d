// A prepared statement: values are bound to its "?" placeholders, never pasted into the
// text, and the server prepares it, so numbers arrive exactly as stored and text arrives as
// the stored bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/mysql/MySqlConnection.h"
#include "schema/Value.h"

namespace kvt::mysql {

// How a result column becomes a Value.
enum class ReadAs {
  Int,      // integer columns
  Bool,     // tinyint(1): 0 is false
  BitBool,  // bit(1): the bit's byte
  Float,    // float and double
  Text,     // character columns: the bytes in the connection character set
  Bytes,    // binary columns
  Decimal,  // decimal: its text
  Date,
  Time,
  Timestamp,  // datetime and timestamp
};

class MySqlStatement {
 public:
  // Prepares the statement; throws the engine error of a refused one.
  MySqlStatement(std::shared_ptr<MySqlConnection> conn, const std::string& sql);
  ~MySqlStatement();
  MySqlStatement(const MySqlStatement&) = delete;
  MySqlStatement& operator=(const MySqlStatement&) = delete;

  unsigned paramCount() const;

  // Binds one value per placeholder (text as its bytes, Bytes as binary, dates and times
  // as their texts, booleans as 1 or 0) and executes. Returns the rows it changed or, for
  // an update, matched.
  uint64_t execute(const std::vector<Value>& params);
  // After execute: every result row, each column read as `kinds` says (one entry a column).
  std::vector<Row> fetchAll(const std::vector<ReadAs>& kinds);
  // After execute: how many rows the result holds.
  uint64_t countRows();

  uint64_t insertId() const;
  unsigned warningCount() const;

 private:
  [[noreturn]] void fail() const;
  void dropResult();
  unsigned resultColumns() const;
  // Column `index` (from 0) of the current row.
  Value readColumn(unsigned index, ReadAs kind, bool isUnsigned);

  std::shared_ptr<MySqlConnection> conn_;
  OdbcHandle stmt_;
  unsigned params_ = 0;
};

}  // namespace kvt::mysql
