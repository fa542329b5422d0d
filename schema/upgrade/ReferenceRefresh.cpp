#include "schema/upgrade/ReferenceRefresh.h"

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "schema/EngineError.h"
#include "schema/FieldCoercion.h"
#include "schema/Table.h"
#include "schema/ValueOrder.h"
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

// Merges port rows into an open DS43Port with the outcome of a locate, an edit or an append,
// and a post per row: a row of the code is edited (the first in key order), else one is
// appended, with SEQ "1", or "2" when that post fails; a row whose second post fails too is
// left out. Appends are gathered and stored together; the table's codes are read once, so a
// code it lacks is known without looking for it.
class PortListMerge {
 public:
  explicit PortListMerge(Table& package) : package_(package) {
    for (package_.first(); !package_.eof(); package_.next()) ++codes_[package_.get("Code")];
  }

  void take(const Value& code, const Value& name) {
    const int codePos = package_.fieldIndex("Code");
    const FieldDef& codeField = package_.fieldDef(codePos);
    const Value wanted = coerceForSearch(codeField, code);
    const std::string loose = LooseCode(wanted);
    if (pendingCodes_.count(loose)) flush();
    const bool maybeHeld = codes_.count(wanted) || appendedCodes_.count(loose);
    if (maybeHeld && package_.locate("Code", {code})) {
      edit(code, name);
      return;
    }
    Row row(static_cast<size_t>(package_.fieldCount()), Value::null());
    set(row, "Code", code);
    trySet(row, "SEQ", Value("1"));  // an old layout has no SEQ
    set(row, "Name", name);
    set(row, "Type", Value("L"));
    set(row, "CountryCode", Value("TW"));
    pending_.push_back(std::move(row));
    pendingCodes_.insert(LooseCode(pending_.back()[static_cast<size_t>(codePos)]));
  }

  // Stores the gathered appends; a row the table refuses is offered again with SEQ "2".
  void flush() {
    if (pending_.empty()) return;
    std::vector<Row> rows = std::exchange(pending_, {});
    const std::vector<bool> stored = package_.tryAddRows(rows);
    std::vector<Row> again;
    for (size_t r = 0; r < rows.size(); ++r) {
      if (stored[r]) continue;
      trySet(rows[r], "SEQ", Value("2"));
      again.push_back(std::move(rows[r]));
    }
    if (!again.empty()) package_.tryAddRows(std::move(again));  // a row refused twice is left out
    appendedCodes_.merge(pendingCodes_);
    pendingCodes_.clear();
  }

 private:
  struct StoredOrder {
    bool operator()(const Value& a, const Value& b) const { return compareStoredValues(a, b) < 0; }
  };

  // A code as either database's key comparison may take it: without case or trailing
  // blanks. Two codes that can stand for the same row share it.
  static std::string LooseCode(const Value& code) {
    std::string text = code.isNull() ? std::string() : code.asString();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return UpperAscii(text);
  }

  void set(Row& row, const std::string& field, Value value) const {
    const int pos = package_.fieldIndex(field);
    try {
      row[static_cast<size_t>(pos)] = coerceToField(package_.fieldDef(pos), std::move(value));
    } catch (const EngineError& e) {
      throw EngineError(e.kind(), "Table " + package_.tableName() + ": " + e.what());
    }
  }
  void trySet(Row& row, const std::string& field, Value value) const {
    try {
      set(row, field, std::move(value));
    } catch (const EngineError&) {
    }
  }

  // The located row, changed and posted as a record buffer is.
  void edit(const Value& code, const Value& name) {
    const Value before = package_.get("Code");
    package_.edit();
    package_.set("Code", code);
    TrySet(package_, "SEQ", Value("1"));
    package_.set("Name", name);
    package_.set("Type", Value("L"));
    package_.set("CountryCode", Value("TW"));
    try {
      package_.post();
    } catch (const EngineError&) {
      TrySet(package_, "SEQ", Value("2"));
      try {
        package_.post();
      } catch (const EngineError&) {
        package_.cancel();
        return;
      }
    }
    if (auto it = codes_.find(before); it != codes_.end() && --it->second == 0) codes_.erase(it);
    ++codes_[package_.get("Code")];
  }

  Table& package_;
  std::map<Value, int, StoredOrder> codes_;  // codes of the rows held, but for those appended
  std::vector<Row> pending_;                 // appends not yet stored
  std::set<std::string> pendingCodes_, appendedCodes_;
};

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

  PortListMerge merge(package);
  try {
    for (release.first(); !release.eof(); release.next()) {
      merge.take(release.get("Code"), release.get("CName"));
    }
  } catch (...) {
    merge.flush();  // the rows taken before stay stored, as each was posted in turn
    throw;
  }
  merge.flush();
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
