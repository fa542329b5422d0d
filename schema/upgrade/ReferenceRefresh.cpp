#include "schema/upgrade/ReferenceRefresh.h"

#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

std::string KindWord(const RunContext& ctx) {
  return IsMySql(ctx) ? "MySQL" : "Paradox";
}

// The destination-country code the switch file asks for in the X101 message's row `kvtNo`,
// with the log line that says so; nothing for the other rows.
struct CountryOverride {
  const char* fno;
  const char* line;
};
std::optional<CountryOverride> X101Country(int64_t kvtNo) {
  if (kvtNo == 230) return CountryOverride{"E15766", "更新了 XNoMap2(X101230) 的 15766。"};
  if (kvtNo == 232) return CountryOverride{"E15768", "更新了 XNoMap2(X101232) 的 15768。"};
  return std::nullopt;
}

// Mode texts as the key comparison of either database takes them: without case or trailing
// blanks.
std::string ModeKey(std::string mode) {
  while (!mode.empty() && mode.back() == ' ') mode.pop_back();
  return UpperAscii(mode);
}

// Sets a field, ignoring a failure (the column may be missing in an old layout).
void TrySet(Table& table, const std::string& field, Value value) {
  try {
    table.set(field, std::move(value));
  } catch (const EngineError&) {
  }
}

}  // namespace

ModeRefresh XMLAppRefresh(const std::string& mode) {
  std::string filter = "([Mode] = '" + mode + "')";
  if (mode == "X602" || mode == "X903") filter += " or ([Mode] = '" + mode + "No')";
  return {"XMLApp", mode, filter, "Mode;SEQ", "(" + mode + ")。"};
}

ModeRefresh XNoMap2Refresh(const std::string& mode) {
  return {"XNoMap2", mode, "([Mode] = '" + mode + "')", "Mode;KVTNo", "(" + mode + ")。"};
}

void RefreshFromReleaseByMode(RunContext& ctx, const ModeRefresh& refresh) {
  Database& db = PackageDatabase(ctx);
  if (refresh.table == "XNoMap2" && !db.tableExists(refresh.table)) {
    ctx.AppendLog("找不到目的資料表 " + refresh.table + "，" + refresh.mode + " 沒有更新。");
    return;
  }
  Database& releaseDb = ReleaseDatabase(ctx);
  if (!releaseDb.tableExists(refresh.table)) {
    ctx.AppendLog("找不到來源資料表 " + refresh.table + "。");
    return;
  }
  ClearTableFileAttributes(ctx, refresh.table);

  const std::string secondKey = refresh.keyFields.substr(refresh.keyFields.find(';') + 1);
  const bool overrideCountry = refresh.table == "XNoMap2" && refresh.mode == "X101" &&
                               ctx.switches.X101DestinationCountry15766And15768;

  Table package(db, refresh.table);
  package.open(OpenMode::ReadWrite);
  Table release(releaseDb, refresh.table);
  try {
    release.setFilter(refresh.filter);
    release.setFiltered(true);
    release.open(OpenMode::ReadOnly);
  } catch (const EngineError&) {
    ctx.AppendLog("開啟來源資料表 " + refresh.table + " 時失敗。");
    return;
  }

  // Rows the package lacks are added in one go at the end; a release row whose key is among
  // them first has them stored, so it finds its row.
  CutValues cut;
  std::vector<Row> added;
  std::set<std::pair<std::string, int64_t>> addedKeys;
  const int fnoPos = package.schema().fieldIndex("FNo");
  const TableSchema& releaseSchema = release.schema();
  for (release.first(); !release.eof(); release.next()) {
    const std::string mode = release.getString("Mode");
    const int64_t key = release.getInt(secondKey);
    const std::optional<CountryOverride> country =
        overrideCountry ? X101Country(key) : std::nullopt;
    bool found = package.locate(refresh.keyFields, {Value(mode), Value(key)});
    if (!found && addedKeys.count({ModeKey(mode), key})) {
      package.addRows(std::exchange(added, {}));
      addedKeys.clear();
      found = package.locate(refresh.keyFields, {Value(mode), Value(key)});
    }
    if (!found) {
      Row row = NewRowFields(ctx, releaseSchema, RecordValues(release), package, &cut);
      // A table without FNo keeps what was copied.
      if (country && fnoPos >= 0) {
        row[static_cast<size_t>(fnoPos)] =
            coerceToField(package.fieldDef(fnoPos), Value(country->fno));
        ctx.AppendLog(country->line);
      }
      added.push_back(std::move(row));
      addedKeys.insert({ModeKey(mode), key});
      continue;
    }
    package.edit();
    CopyRecordFields(ctx, release, package, &cut);
    if (country && fnoPos >= 0) {
      package.set(fnoPos, Value(country->fno));
      ctx.AppendLog(country->line);
    }
    try {
      package.post();
    } catch (const EngineError&) {
      package.cancel();
    }
  }
  package.addRows(std::move(added));  // a row the table refuses is left out
  release.close();
  package.close();
  LogCutValues(ctx, refresh.table, cut, ctx.ReleaseDir + refresh.table + ".DB");
  ctx.AppendLog("更新了 " + KindWord(ctx) + " 的資料表 " + refresh.table + refresh.label);
}

void RefreshDS43Port(RunContext& ctx) {
  ClearTableFileAttributes(ctx, "DS43Port");
  Database& releaseDb = ReleaseDatabase(ctx);
  if (!releaseDb.tableExists("KVT43")) {
    ctx.AppendLog("找不到來源資料表 KVT43。");
    return;
  }
  Table package(PackageDatabase(ctx), "DS43Port");
  try {
    package.open(OpenMode::ReadWrite);
  } catch (const EngineError&) {
    ctx.AppendLog(std::string("開啟目的資料表 ") + "DS43Port" + " 時失敗。");
    return;
  }
  Table release(releaseDb, "KVT43");
  try {
    release.open(OpenMode::ReadOnly);
  } catch (const EngineError&) {
    ctx.AppendLog("開啟來源資料表 KVT43 時失敗。");
    return;
  }

  for (release.first(); !release.eof(); release.next()) {
    const Value code = release.get("Code");
    const Value name = release.get("CName");
    if (package.locate("Code", {code})) {
      package.edit();
    } else {
      package.append();
    }
    package.set("Code", code);
    TrySet(package, "SEQ", Value("1"));
    package.set("Name", name);
    package.set("Type", Value("L"));
    package.set("CountryCode", Value("TW"));
    try {
      package.post();
    } catch (const EngineError&) {
      TrySet(package, "SEQ", Value("2"));
      try {
        package.post();
      } catch (const EngineError&) {
        package.cancel();
      }
    }
  }
  release.close();
  package.close();
  ctx.AppendLog((IsMySql(ctx) ? "更新了 MySQL 的資料表 " : "更新了 Paradox 的資料表 ") +
                std::string("DS43Port") + "。");
}

void RunReferenceRefreshes(RunContext& ctx) {
  const auto& sw = ctx.switches;
  if (!ctx.StopFlag && sw.ChangeDS43Port) {
    RefreshDS43Port(ctx);
    ctx.ProcessMessages();
  }
  const struct {
    bool on;
    bool xmlApp;
    const char* mode;
  } steps[] = {
      {sw.ChangeXMLAppX102, true, "X102"},   {sw.ChangeXMLAppX602, true, "X602"},
      {sw.ChangeXMLAppX903, true, "X903"},   {sw.ChangeXMLAppXS01, true, "XS01"},
      {sw.ChangeXMLAppXS02, true, "XS02"},   {sw.ChangeXNoMap2X101, false, "X101"},
      {sw.ChangeXNoMap2X201, false, "X201"}, {sw.ChangeXNoMap2X301, false, "X301"},
      {sw.ChangeXNoMap2X401, false, "X401"}, {sw.ChangeXNoMap2X601, false, "X601"},
      {sw.ChangeXNoMap2XSEA, false, "XSEA"},
  };
  for (const auto& s : steps) {
    if (ctx.StopFlag) return;
    if (!s.on) continue;
    RefreshFromReleaseByMode(ctx, s.xmlApp ? XMLAppRefresh(s.mode) : XNoMap2Refresh(s.mode));
    ctx.ProcessMessages();
  }
}

}  // namespace kvt::upgrade
