#include "schema/upgrade/ReleaseRefill.h"

#include <optional>
#include <vector>

#include "files/CopyRule.h"
#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

struct ReleaseRows {
  TableSchema schema;
  std::vector<Row> rows;
};

std::optional<ReleaseRows> ReadReleaseTable(RunContext& ctx, const std::string& name) {
  try {
    Table release(ReleaseDatabase(ctx), name);
    release.open(OpenMode::ReadOnly);
    ReleaseRows read;
    read.schema = release.schema();
    for (release.first(); !release.eof(); release.next()) {
      Row row;
      row.reserve(static_cast<std::size_t>(release.fieldCount()));
      for (int i = 0; i < release.fieldCount(); ++i) row.push_back(release.get(i));
      read.rows.push_back(std::move(row));
    }
    return read;
  } catch (const EngineError&) {
    return std::nullopt;
  }
}

// Closes the package table, applies `repair`, forgets the cached layout of `altered` and
// opens the package table again.
template <class Repair>
void RepairLayout(RunContext& ctx, Table& package, const std::string& altered, Repair repair) {
  package.close();
  repair();
  PackageDatabase(ctx).flushSchema(altered);
  package.open(OpenMode::ReadWrite);
}

// Old layouts of a few tables get the columns the release's rows need.
void RepairOldLayouts(RunContext& ctx, const std::string& name, Table& package) {
  if (name == "X101_1" && package.fieldCount() < 16) {
    RepairLayout(ctx, package, "X101_1", [&] {
      const char* columns[][2] = {{"C02", "EName"}, {"C04", "C02"}, {"C05", "C04"}, {"C06", "C05"},
                                  {"C07", "C06"},   {"C08", "C07"}, {"C09", "C08"}, {"C11", "C09"},
                                  {"C12", "C11"},   {"C13", "C12"}, {"C14", "C13"}, {"C15", "C14"},
                                  {"C16", "C15"}};
      for (const auto& c : columns) AddMySQLColumn(ctx, "X101_1", c[0], 1, c[1]);
    });
  }
  if (name == "X101_1" && package.fieldCount() < 20) {
    RepairLayout(ctx, package, "X101_1", [&] {
      AddMySQLColumn(ctx, "X101_1", "TelNo", 30, "EName");
      AddMySQLColumn(ctx, "X101_1", "FaxNo", 30, "TelNo");
      AddMySQLColumn(ctx, "X101_1", "Contacter", 20, "FaxNo");
      if (ExecGuarded(ctx, std::string("ALTER TABLE X101_1 Add Column `") + "Address" +
                               "` Text After `" + "Contacter" + "`"))
        ctx.AppendLog(std::string("增加 MySQL X101_1 的 ") + "Address" + " (Text)。");
    });
  }
  if (name == "X101_6" && package.fieldCount() <= 2) {
    RepairLayout(ctx, package, "X101_6", [&] {
      AddMySQLColumn(ctx, "X101_6", "Type", 12, "Code");
      if (ExecGuarded(ctx, "ALTER TABLE X101_6 Modify Column `Description` char(200)"))
        ctx.AppendLog("更改 MySQL X101_6 的 Description 為 char(200)。");
    });
  }
  if (name == "X101_13" && package.hasField("PrintText") &&
      package.fieldDef(package.fieldIndex("PrintText")).size == 3) {
    RepairLayout(ctx, package, "X101_13", [&] {
      if (ExecGuarded(ctx, "ALTER TABLE X101_13 Modify Column `PrintText` char(4)"))
        ctx.AppendLog("更改 MySQL X101_13 的 PrintText 為 char(4)。");
    });
  }
  if (name == "X201_6" && package.fieldCount() <= 2) {
    RepairLayout(ctx, package, "X201_6", [&] {
      if (ExecGuarded(ctx, "ALTER TABLE X201_6 Add Column `Note` char(20) After `Description`"))
        ctx.AppendLog("增加 MySQL X201_6 的 Note char(20)。");
    });
  }
  if (name == "PORT" && package.fieldCount() <= 11) {
    RepairLayout(ctx, package, "Port", [&] {
      AddMySQLColumn(ctx, "Port", "SEQ", 1, "Code");
      AddMySQLColumn(ctx, "Port", "Status", 2, "HWay");
      AddMySQLColumn(ctx, "Port", "CDate", 4, "Status");
      AddMySQLColumn(ctx, "Port", "IATA", 6, "CDate");
      ExecGuarded(ctx, JoinStatement({"ALTER TABLE Port DROP PRIMARY KEY,",
                                      "                 ADD PRIMARY KEY (Code, SEQ)"}));
    });
  }
  if (name == "DS43PORT" && package.fieldCount() <= 4) {
    RepairLayout(ctx, package, "DS43Port", [&] {
      AddMySQLColumn(ctx, "DS43Port", "SEQ", 1, "Code");
      ExecGuarded(ctx, JoinStatement({"ALTER TABLE DS43Port DROP PRIMARY KEY,",
                                      "                     ADD PRIMARY KEY (Code, SEQ)"}));
    });
  }
}

}  // namespace

void AddMySQLColumn(RunContext& ctx, const std::string& table, const std::string& column, int width,
                    const std::string& after) {
  const std::string w = std::to_string(width);
  if (ExecGuarded(ctx, "ALTER TABLE " + table + " Add Column `" + column + "` char(" + w +
                           ") After `" + after + "`"))
    ctx.AppendLog("增加 MySQL " + table + " 的 " + column + " char(" + w + ")。");
}

void RefreshTableFromRelease(RunContext& ctx, const std::string& name) {
  if (!ReleaseDatabase(ctx).tableExists(name)) {
    ctx.AppendLog("找不到來源資料表 " + name + "。");
    return;
  }
  // Read the release's rows before anything of the package table is touched, so that a
  // release table that cannot be read leaves the package's rows where they are.
  std::optional<ReleaseRows> release = ReadReleaseTable(ctx, name);
  if (!release) {
    ctx.AppendLog("開啟來源資料表 " + name + " 時失敗。");
    return;
  }

  Database& db = PackageDatabase(ctx);
  try {
    db.emptyTable(name);
  } catch (const EngineError&) {
    ctx.AppendLog("找不到目的資料表 " + name + "。");
    return;
  }
  Table package(db, name);
  package.open(OpenMode::ReadWrite);
  RepairOldLayouts(ctx, name, package);

  CutValues cut;
  try {
    std::vector<Row> rows;
    rows.reserve(release->rows.size());
    const std::vector<int> positions = CopiedFieldPositions(release->schema, package);
    for (const Row& row : release->rows) {
      rows.push_back(NewRowFields(ctx, release->schema, positions, row, package, &cut));
    }
    package.addRows(std::move(rows));  // a row the server refuses is left out
  } catch (const EngineError&) {
    ctx.AppendLog("更新資料表 " + name + " 時失敗。");
    return;
  }
  package.close();
  // The whole values stay in the release's own table file.
  LogCutValues(ctx, name, cut, ctx.ReleaseDir + name + ".DB");
  ctx.AppendLog("更新了 MySQL 的資料表 " + name + "。");
}

void RunSourceDbStep(RunContext& ctx) {
  for (const std::string& entry : ctx.switches.SourceDB) {
    if (ctx.StopFlag) return;
    const auto first = entry.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    const std::string name = entry.substr(first, entry.find_last_not_of(" \t") - first + 1);
    if (IsMySql(ctx)) {
      RefreshTableFromRelease(ctx, name);
    } else {
      // The engine first finishes a write of the table that a crash cut short, so that the
      // files moved into the backup are one table.
      PackageDatabase(ctx).tableExists(name);
      files::CopyTableFiles(ctx, name);
    }
    ctx.ProcessMessages();
  }
}

}  // namespace kvt::upgrade
