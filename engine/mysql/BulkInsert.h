// Writes many new rows of one table in multi-row INSERT statements, each kept within the
// server's packet limit and the protocol's count of placeholders. The table is locked for
// writing meanwhile, so that no other session adds rows between the statements and the rows
// a failed statement left behind can be counted. A statement the server refuses is taken
// apart until the row it refuses is found; only that row is left out.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/mysql/MySqlConnection.h"
#include "engine/mysql/MySqlStatement.h"
#include "schema/Value.h"

namespace kvt::mysql {

// One value per column as the statement sends it; nullopt where the column takes the
// server's default (DEFAULT in the statement).
using WriteRow = std::vector<std::optional<Value>>;

class BulkInsert {
 public:
  // `columns`: the table's column names, in the order of each row's values.
  BulkInsert(std::shared_ptr<MySqlConnection> conn, std::string table,
             std::vector<std::string> columns);

  // Writes the rows in their order and says for each whether the server took it. A row it
  // refuses (a duplicate key, a value it will not store) is left out; a failure of the
  // session itself refuses every row after it, as single inserts would.
  std::vector<bool> write(const std::vector<WriteRow>& rows);

  // The most rows one statement may carry with this many columns, and the bytes of values
  // one statement may carry under a packet limit of `maxPacket`.
  static std::size_t rowsPerStatement(std::size_t columns);
  static std::size_t bytesPerStatement(std::size_t maxPacket);

 private:
  struct Range {
    const std::vector<WriteRow>& rows;
    std::vector<bool>& taken;
    std::size_t maxRows, maxBytes;
    std::size_t count;  // rows the table holds now
  };
  // Writes rows [from, to) in as few statements as the limits allow; false when the session
  // failed, so that no later row gets in.
  bool writeRange(Range& r, std::size_t from, std::size_t to);
  std::size_t maxPacket();
  std::size_t rowCount();
  // Writes rows [from, to) in one statement; returns the rows it changed. Throws EngineError.
  std::size_t writeStatement(const std::vector<WriteRow>& rows, std::size_t from, std::size_t to);
  void writeSingly(const std::vector<WriteRow>& rows, std::size_t from, std::size_t to,
                   std::vector<bool>& taken);

  std::shared_ptr<MySqlConnection> conn_;
  std::string quoted_;
  std::string columnList_;
  std::size_t columns_;
  std::string lastSql_;
  std::unique_ptr<MySqlStatement> last_;
};

}  // namespace kvt::mysql
