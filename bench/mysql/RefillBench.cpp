// A refill of a MariaDB table: the same rows written through a table handle one statement a
// row (as the steps wrote them before), through Table::addRows (multi-row statements), and by
// the mariadb command-line client from a file of multi-row INSERT statements, the reference;
// and the release's port list merged into DS43Port and a release Mode upserted into XNoMap2 by
// the refresh steps, beside that reference.
// Runs on a throwaway server of its own (scripts/mariadb-test-server.sh).
//
//   bench_mysql [rows] [scratch-dir]   (default: 100 000 rows, a fresh temp directory)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/mysql/ModeRefreshBench.h"
#include "bench/mysql/PortListBench.h"
#include "bench/mysql/ThrowawayServer.h"
#include "engine/mysql/MySqlDatabase.h"
#include "schema/Table.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kvt;

namespace {

constexpr int kSingleRows = 20000;  // one statement a row is slow: fewer rows do
constexpr int kPortRows = 20000;    // KVT43 rows merged into a DS43Port holding half of them
constexpr int kModeRows = 20000;    // release XNoMap2 rows of a Mode, half of them held
const char* kCreate =
    "CREATE TABLE `Refill` (`Code` varchar(10) NOT NULL default '', `SEQ` int NOT NULL "
    "default 0, `Name` char(40), `CName` varchar(60), `Qty` double, `Flag` char(1), "
    "PRIMARY KEY (`Code`, `SEQ`)) TYPE=MyISAM;";

void run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string clientProgram() {
  for (const char* name : {"mariadb", "mysql"}) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/usr/sbin"}) {
      const fs::path p = fs::path(dir) / name;
      if (fs::exists(p)) return p.string();
    }
  }
  throw std::runtime_error("no mariadb client program");
}

// Rows of the kind the release's reference tables hold: Big5 names, numbers, a flag.
std::vector<Row> makeRows(int n) {
  const std::string big5 = "\xB3\xF8\xB3\xE6";  // 報單
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    rows.push_back({Value("C" + std::to_string(i % 997)), Value(i / 997),
                    Value(big5 + " name " + std::to_string(i)),
                    Value(big5 + big5 + " long name of row " + std::to_string(i)), Value(i * 0.25),
                    Value(i % 2 ? "T" : "F")});
  }
  return rows;
}

std::string sqlText(const Value& v) {
  if (v.isNull()) return "NULL";
  if (const auto* s = v.get<std::string>()) return "'" + *s + "'";  // no quote or backslash
  return v.asString();
}

void writeInsertFile(const fs::path& file, const std::vector<Row>& rows) {
  std::ofstream out(file, std::ios::binary);
  out << "LOCK TABLES `Refill` WRITE;\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    out << (i % 1000 == 0 ? "INSERT INTO `Refill` VALUES (" : ",(");
    for (size_t c = 0; c < rows[i].size(); ++c) out << (c ? "," : "") << sqlText(rows[i][c]);
    out << ")";
    if (i % 1000 == 999 || i + 1 == rows.size()) out << ";\n";
  }
  out << "UNLOCK TABLES;\n";
}

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void emptyTable(Database& db) {
  db.execSql("DROP TABLE IF EXISTS `Refill`");
  db.execSql(kCreate);
}

// A refresh's rows a second, first and again, beside the client's.
void printRefresh(const char* what, const bench::RefreshFigures& fig, double clientRate) {
  std::printf("%-30s%10.0f rows/s (%d rows into %d, %.3f s)\n", what, fig.releaseRows / fig.seconds,
              fig.releaseRows, fig.heldRows, fig.seconds);
  std::printf("  run again, nothing to change%10.0f rows/s (%.3f s)\n",
              fig.releaseRows / fig.againSeconds, fig.againSeconds);
  std::printf("client rows/s / refresh rows/s%10.2f\n",
              clientRate / (fig.releaseRows / fig.seconds));
}

}  // namespace

int main(int argc, char** argv) try {
  const int n = argc > 1 ? std::stoi(argv[1]) : 100000;
  fs::path scratch =
      argc > 2 ? fs::path(argv[2])
               : fs::temp_directory_path() / ("kvt-bench-mysql-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  const bench::ThrowawayServer server(scratch / "server");
  const mysql::MySqlConnectionParams& params = server.params();
  auto db = mysql::MySqlDatabase::connect(params);
  const std::vector<Row> rows = makeRows(n);

  // One statement a row, through the record buffer.
  emptyTable(*db);
  const int single = std::min(n, kSingleRows);
  auto t0 = Clock::now();
  {
    Table t(*db, "Refill");
    t.open();
    for (int i = 0; i < single; ++i) {
      t.append();
      for (int c = 0; c < t.fieldCount(); ++c) t.set(c, rows[size_t(i)][size_t(c)]);
      t.post();
    }
    t.close();
  }
  const double singleRate = single / seconds(t0);

  // Many rows at once.
  emptyTable(*db);
  t0 = Clock::now();
  size_t refused = 0;
  {
    Table t(*db, "Refill");
    t.open();
    refused = t.addRows(rows);
    t.close();
  }
  const double bulkSeconds = seconds(t0);
  // The rows are read back when a handle next looks at them, as opening the table does.
  t0 = Clock::now();
  {
    Table t(*db, "Refill");
    t.open(OpenMode::ReadOnly);
  }
  const double readSeconds = seconds(t0);
  if (refused != 0 || db->selectCount("SELECT * FROM Refill") != n) {
    throw std::runtime_error("the bulk write lost rows");
  }

  // The reference: the command-line client reading multi-row statements from a file.
  const fs::path file = scratch / "rows.sql";
  writeInsertFile(file, rows);
  emptyTable(*db);
  t0 = Clock::now();
  using bench::shellQuoted;
  run(shellQuoted(clientProgram()) +
      " --no-defaults --default-character-set=big5 --socket=" + shellQuoted(server.socket()) +
      " --user=" + shellQuoted(params.user) + " --password=" + shellQuoted(params.password) + " " +
      shellQuoted(params.database) + " < " + shellQuoted(file.string()));
  const double clientSeconds = seconds(t0);
  if (db->selectCount("SELECT * FROM Refill") != n) throw std::runtime_error("client lost rows");

  std::printf("rows                          %d\n", n);
  std::printf("one statement a row           %10.0f rows/s (%d rows)\n", singleRate, single);
  std::printf("Table::addRows                %10.0f rows/s (%.3f s)\n", n / bulkSeconds,
              bulkSeconds);
  std::printf("  reading them back later     %10.3f s\n", readSeconds);
  std::printf("mariadb client, file of rows  %10.0f rows/s (%.3f s)\n", n / clientSeconds,
              clientSeconds);
  std::printf("addRows time / client time    %10.2f\n", bulkSeconds / clientSeconds);
  std::printf("addRows / one a row           %10.1fx faster\n", (n / bulkSeconds) / singleRate);

  std::unique_ptr<Database> package = std::move(db);
  printRefresh("DS43Port refresh", bench::MergePortList(package, kPortRows), n / clientSeconds);
  printRefresh("XNoMap2 Mode refresh", bench::RefreshMode(package, kModeRows), n / clientSeconds);
  fs::remove(file);
  std::error_code ec;
  fs::remove(scratch, ec);  // when nothing else is in it
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "bench_mysql: %s\n", e.what());
  return 1;
}
