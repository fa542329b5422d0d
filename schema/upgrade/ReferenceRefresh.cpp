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

// Merges port rows into an open DS43Port with the outcome of a locate, an edit or an append,
// and a post per row: the first row of the code in key order is changed, else one is
// appended, with SEQ "1", or "2" when that post fails; a row whose second post fails too is
// left as it was. The changes are gathered and made together while none of them touches a
// code that another may stand for; the rows are read once, so the row a code finds is
// known without looking for it.
class PortListMerge {
 public:
  explicit PortListMerge(Table& package) : package_(package) {}

  void take(const Value& code, const Value& name) {
    const int codePos = package_.fieldIndex("Code");
    const FieldDef& codeField = package_.fieldDef(codePos);
    if (!read_) readRows(codePos);
    const Value wanted = coerceForSearch(codeField, code);
    const std::string loose = LooseCode(wanted);
    const std::string looseStored = LooseCode(convert(codePos, code));
    if (pendingCodes_.count(loose) || pendingCodes_.count(looseStored)) flush();

    std::optional<Row> held;
    if (changedCodes_.count(loose)) {
      // Rows of this code were written since the table was read: look for it.
      if (package_.locate("Code", {code})) {
        held.emplace();
        for (int i = 0; i < package_.fieldCount(); ++i) held->push_back(package_.get(i));
      }
    } else if (auto it = firstRows_.find(wanted); it != firstRows_.end()) {
      held = it->second;
    }
    Row row = held ? *held : Row(static_cast<size_t>(package_.fieldCount()), Value::null());
    set(row, "Code", code);
    trySet(row, "SEQ", Value("1"));  // an old layout has no SEQ
    set(row, "Name", name);
    set(row, "Type", Value("L"));
    set(row, "CountryCode", Value("TW"));
    if (!held) {
      appends_.push_back(std::move(row));
    } else if (row != *held) {
      edits_.emplace_back(std::move(*held), std::move(row));
    } else {
      return;  // posting the row as it stands would leave it so
    }
    pendingCodes_.insert(loose);
    pendingCodes_.insert(looseStored);
  }

  // Makes the gathered changes; one the table refuses is offered again with SEQ "2", and one
  // it refuses twice is dropped.
  void flush() {
    std::vector<Row> appends = std::exchange(appends_, {});
    std::vector<std::pair<Row, Row>> edits = std::exchange(edits_, {});
    // Changes first: on MySQL they read the table back, which appends would leave unread.
    const std::vector<bool> changed = package_.tryChangeRows(edits);
    const std::vector<bool> added = package_.tryAddRows(appends);
    std::vector<Row> appendAgain;
    for (size_t r = 0; r < appends.size(); ++r) {
      if (added[r]) continue;
      trySet(appends[r], "SEQ", Value("2"));
      appendAgain.push_back(std::move(appends[r]));
    }
    std::vector<std::pair<Row, Row>> editAgain;
    for (size_t e = 0; e < edits.size(); ++e) {
      if (changed[e]) continue;
      trySet(edits[e].second, "SEQ", Value("2"));
      editAgain.push_back(std::move(edits[e]));
    }
    package_.tryChangeRows(std::move(editAgain));
    package_.tryAddRows(std::move(appendAgain));
    changedCodes_.merge(pendingCodes_);
    pendingCodes_.clear();
  }

 private:
  struct StoredOrder {
    bool operator()(const Value& a, const Value& b) const { return compareStoredValues(a, b) < 0; }
  };

  // A code as either database's key comparison may take it: without case or trailing
  // blanks. Codes that can meet in a key share it.
  static std::string LooseCode(const Value& code) {
    std::string text = code.isNull() ? std::string() : code.asString();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return UpperAscii(text);
  }

  // The first row of each code, in table order, as locate finds it.
  void readRows(int codePos) {
    for (package_.first(); !package_.eof(); package_.next()) {
      const Value code = package_.get(codePos);
      if (firstRows_.count(code)) continue;
      Row row;
      for (int i = 0; i < package_.fieldCount(); ++i) row.push_back(package_.get(i));
      firstRows_.emplace(code, std::move(row));
    }
    read_ = true;
  }

  Value convert(int pos, Value value) const {
    try {
      return coerceToField(package_.fieldDef(pos), std::move(value));
    } catch (const EngineError& e) {
      throw EngineError(e.kind(), "Table " + package_.tableName() + ": " + e.what());
    }
  }
  void set(Row& row, const std::string& field, Value value) const {
    const int pos = package_.fieldIndex(field);
    row[static_cast<size_t>(pos)] = convert(pos, std::move(value));
  }
  void trySet(Row& row, const std::string& field, Value value) const {
    try {
      set(row, field, std::move(value));
    } catch (const EngineError&) {
    }
  }

  Table& package_;
  bool read_ = false;
  std::map<Value, Row, StoredOrder> firstRows_;  // as read, before any change
  std::vector<Row> appends_;
  std::vector<std::pair<Row, Row>> edits_;  // the row as held, the row as it is to be
  // Codes of the gathered changes, and of those made, as LooseCode gives them.
  std::set<std::string> pendingCodes_, changedCodes_;
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
