// Table scan and write speed of the Paradox engine, beside pxlib reading the same file.
//
//   bench_paradox [ROWS]   (default 200000)
//
// Appends ROWS rows without blobs to a new keyed table through the table handle and closes
// it (the close writes the .DB and .PX files), as the upgrade steps do; then scans the table
// with the engine (read and decode every field of every row, walked as read) and with pxlib
// (every record, every field through its PX_get_data_* calls), and loads it into memory with
// the engine. Best of three runs each; prints rows per second and the ratio of the scan speeds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "engine/paradox/TableStorage.h"
#include "schema/Table.h"

extern "C" {
#include <paradox.h>
}

namespace {

using namespace kvt;
using namespace kvt::paradox;
namespace fs = std::filesystem;

double bestSeconds(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
    best = std::min(best, d.count());
  }
  return best;
}

TableSchema benchSchema() {
  TableSchema s;
  s.fields = {{"EntryNo", FieldType::Long, 0},     {"SEQ", FieldType::Short, 0},
              {"EntryName", FieldType::Alpha, 40}, {"VPos", FieldType::Number, 0},
              {"IsM", FieldType::Logical, 0},      {"Made", FieldType::Date, 0},
              {"FontName", FieldType::Alpha, 30},  {"FontSize", FieldType::Short, 0}};
  s.indexes = {{"", {"EntryNo"}, true, true, false}};
  return s;
}

std::vector<Row> benchRows(int count) {
  std::vector<Row> rows;
  rows.reserve(count);
  std::mt19937 rng(7);
  const std::string big5 = "\xA4\xA4\xA4\xE5\xAA\xED\xB3\xE6";  // 中文表單
  for (int i = 0; i < count; ++i) {
    rows.push_back({Value(i + 1), Value(static_cast<int>(rng() % 1000)),
                    Value(big5 + " entry " + std::to_string(i)), Value((rng() % 100000) / 7.0),
                    Value(i % 3 == 0), Value(Date{730000 + static_cast<int32_t>(i % 5000)}),
                    Value("MingLiU"), Value(9 + i % 4)});
  }
  return rows;
}

size_t scanWithPxlib(const fs::path& db) {
  pxdoc_t* doc = PX_new();
  if (PX_open_file(doc, db.c_str()) < 0) {
    std::fprintf(stderr, "pxlib cannot open %s\n", db.c_str());
    std::exit(1);
  }
  const int n = PX_get_num_fields(doc);
  pxfield_t* fields = PX_get_fields(doc);
  const int records = PX_get_num_records(doc);
  std::vector<char> data(PX_get_recordsize(doc));
  size_t checksum = 0;
  for (int r = 0; r < records; ++r) {
    PX_get_record(doc, r, data.data());
    int offset = 0;
    for (int f = 0; f < n; ++f) {
      char* at = data.data() + offset;
      const int len = fields[f].px_flen;
      offset += len;
      switch (fields[f].px_ftype) {
        case pxfAlpha: {
          char* text = nullptr;
          if (PX_get_data_alpha(doc, at, len, &text) > 0 && text) {
            checksum += text[0];
            doc->free(doc, text);
          }
          break;
        }
        case pxfShort: {
          short v;
          if (PX_get_data_short(doc, at, len, &v) > 0) checksum += v;
          break;
        }
        case pxfLong:
        case pxfDate: {
          long v;
          if (PX_get_data_long(doc, at, len, &v) > 0) checksum += v;
          break;
        }
        case pxfNumber: {
          double v;
          if (PX_get_data_double(doc, at, len, &v) > 0) checksum += static_cast<size_t>(v);
          break;
        }
        case pxfLogical: {
          char v;
          if (PX_get_data_byte(doc, at, len, &v) > 0) checksum += v;
          break;
        }
      }
    }
  }
  PX_close(doc);
  PX_delete(doc);
  return checksum + records;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
  PX_boot();
  const fs::path dir =
      fs::temp_directory_path() / ("kvt-bench-paradox-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const TableSchema schema = benchSchema();
  const std::vector<Row> rows = benchRows(count);

  const double writeSeconds = bestSeconds(3, [&] {
    ParadoxDatabase db(dir);
    if (db.tableExists("BENCH")) db.deleteTable("BENCH");
    db.createTable("BENCH", schema);
    Table t(db, "BENCH");
    t.open();
    for (const Row& row : rows) {
      t.append();
      for (int f = 0; f < static_cast<int>(row.size()); ++f) t.set(f, row[f]);
      t.post();
    }
    t.close();
  });

  // The engine walks the rows as pxlib does, each value looked at once and none kept; the load
  // into memory keeps every row as well.
  size_t engineRows = 0;
  size_t engineCheck = 0;
  const double engineSeconds = bestSeconds(3, [&] {
    engineRows = 0;
    engineCheck = 0;
    loadTable(defaultFileOps(), dir, "BENCH", true, [&](const Row& row) {
      ++engineRows;
      for (const Value& v : row) {
        if (const auto* n = v.get<int64_t>()) engineCheck += static_cast<size_t>(*n);
        if (const auto* x = v.get<double>()) engineCheck += static_cast<size_t>(*x);
        if (const auto* t = v.get<std::string>()) engineCheck += t->size();
        if (const auto* d = v.get<Date>()) engineCheck += static_cast<size_t>(d->days);
      }
    });
  });
  size_t loadedRows = 0;
  const double loadSeconds = bestSeconds(
      3, [&] { loadedRows = loadTable(defaultFileOps(), dir, "BENCH").image.rows.size(); });
  size_t pxlibCheck = 0;
  const double pxlibSeconds = bestSeconds(3, [&] { pxlibCheck = scanWithPxlib(dir / "BENCH.DB"); });

  std::printf("rows: %d (%ju bytes .DB, %ju bytes .PX)\n", count,
              static_cast<uintmax_t>(fs::file_size(dir / "BENCH.DB")),
              static_cast<uintmax_t>(fs::file_size(dir / "BENCH.PX")));
  std::printf("write (append %d rows and close): %.3f s, %.0f rows/s\n", count, writeSeconds,
              count / writeSeconds);
  std::printf("scan, engine: %.3f s, %.0f rows/s (%zu rows, check %zu)\n", engineSeconds,
              count / engineSeconds, engineRows, engineCheck);
  std::printf("load into memory, engine: %.3f s, %.0f rows/s (%zu rows)\n", loadSeconds,
              count / loadSeconds, loadedRows);
  std::printf("scan, pxlib:  %.3f s, %.0f rows/s (check %zu)\n", pxlibSeconds, count / pxlibSeconds,
              pxlibCheck);
  std::printf("engine scan speed / pxlib scan speed: %.2f\n", pxlibSeconds / engineSeconds);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return engineRows == static_cast<size_t>(count) && loadedRows == engineRows ? 0 : 1;
}
