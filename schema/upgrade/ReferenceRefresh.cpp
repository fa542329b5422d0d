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

// Appends and edits gathered to be made together.
struct GatheredChanges {
  std::vector<Row> appends;
  std::vector<std::pair<Row, Row>> edits;  // the row as held, the row as it is to be

  // `row` to be appended when no row is `held`, else to replace it; false, with nothing
  // gathered, when it is the held row as it stands (posting it would leave it so).
  bool add(std::optional<Row> held, Row row) {
    if (!held) {
      appends.push_back(std::move(row));
    } else if (row != *held) {
      edits.emplace_back(std::move(*held), std::move(row));
    } else {
      return false;
    }
    return true;
  }
};

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
    if (!gathered_.add(std::move(held), std::move(row))) return;
    pendingCodes_.insert(loose);
    pendingCodes_.insert(looseStored);
  }

  // Makes the gathered changes; one the table refuses is offered again with SEQ "2", and one
  // it refuses twice is dropped.
  void flush() {
    std::vector<Row> appends = std::exchange(gathered_.appends, {});
    std::vector<std::pair<Row, Row>> edits = std::exchange(gathered_.edits, {});
    // Changes first: on MySQL one made alone reads the table again, which appends leave unread.
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
  GatheredChanges gathered_;
  // Codes of the gathered changes, and of those made, as LooseCode gives them.
  std::set<std::string> pendingCodes_, changedCodes_;
};

// Upserts release rows into an open package table with the outcome of a locate of the row's
// Mode and key, then an edit, a copy of the fields and a post, or else an append: the package
// rows of the release's Modes are read once, and the edits and appends are gathered and made
// together until a row meets the key of a gathered one, which is stored first so that the row
// finds what it left. An edit the table refuses leaves its row as it was, as the cancelled
// post did; an append it refuses is left out.
class ModeRowMerge {
 public:
  ModeRowMerge(RunContext& ctx, Table& package, const TableSchema& releaseSchema,
               const std::string& keyFields, CutValues& cut)
      : ctx_(ctx),
        package_(package),
        releaseSchema_(releaseSchema),
        keyFields_(keyFields),
        positions_(CopiedFieldPositions(releaseSchema, package)),
        modePos_(package.fieldIndex("Mode")),
        keyPos_(package.fieldIndex(keyFields.substr(keyFields.find(';') + 1))),
        fnoPos_(package.schema().fieldIndex("FNo")),
        cut_(cut) {}

  // Reads the first package row of each key among the given Modes, in table order. A Mode
  // that no row can hold finds none; its rows fail as they are taken.
  void readRows(const std::set<std::string>& modes) {
    std::set<Row, KeyOrder> wantedModes;
    for (const std::string& mode : modes) {
      try {
        wantedModes.insert(Row{searchValue(modePos_, Value(mode))});
      } catch (const EngineError&) {
      }
    }
    for (package_.first(); !package_.eof(); package_.next()) {
      if (!wantedModes.count(Row{package_.get(modePos_)})) continue;
      Row key{package_.get(modePos_), package_.get(keyPos_)};
      if (!firstRows_.count(key)) firstRows_.emplace(std::move(key), RecordValues(package_));
    }
  }

  // `country`: the FNo the row takes instead of the release's, with the line that says so.
  void take(const std::string& mode, int64_t key, const Row& releaseRow,
            const std::optional<CountryOverride>& country) {
    const std::pair<std::string, int64_t> loose{ModeKey(mode), key};
    if (pending_.count(loose)) flush();
    std::optional<Row> held;
    if (written_.count(loose)) {
      // Rows of this key were stored since the table was read: look for it.
      if (package_.locate(keyFields_, {Value(mode), Value(key)})) held = RecordValues(package_);
    } else if (auto it = firstRows_.find(
                   Row{searchValue(modePos_, Value(mode)), searchValue(keyPos_, Value(key))});
               it != firstRows_.end()) {
      held = it->second;
    }
    Row row = held ? ChangedRowFields(ctx_, releaseSchema_, positions_, releaseRow, package_, *held,
                                      &cut_)
                   : NewRowFields(ctx_, releaseSchema_, positions_, releaseRow, package_, &cut_);
    // A table without FNo keeps what was copied.
    if (country && fnoPos_ >= 0) {
      row[static_cast<size_t>(fnoPos_)] =
          coerceToField(package_.fieldDef(fnoPos_), Value(country->fno));
      ctx_.AppendLog(country->line);
    }
    if (gathered_.add(std::move(held), std::move(row))) pending_.insert(loose);
  }

  // Makes the gathered edits; the appends too unless `editsOnly`.
  void flush(bool editsOnly = false) {
    // Edits first: on MySQL one made alone reads the table again, which appends leave unread.
    package_.tryChangeRows(std::exchange(gathered_.edits, {}));
    if (!editsOnly) package_.addRows(std::exchange(gathered_.appends, {}));
    written_.merge(pending_);
    pending_.clear();
  }

 private:
  // A value as locate compares it with the field's.
  Value searchValue(int pos, Value value) const {
    try {
      return coerceForSearch(package_.fieldDef(pos), std::move(value));
    } catch (const EngineError& e) {
      throw EngineError(e.kind(), "Table " + package_.tableName() + ": " + e.what());
    }
  }

  struct KeyOrder {
    bool operator()(const Row& a, const Row& b) const {
      for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (const int c = compareStoredValues(a[i], b[i])) return c < 0;
      }
      return a.size() < b.size();
    }
  };

  RunContext& ctx_;
  Table& package_;
  const TableSchema& releaseSchema_;
  const std::string keyFields_;
  const std::vector<int> positions_;
  const int modePos_, keyPos_, fnoPos_;
  CutValues& cut_;
  std::map<Row, Row, KeyOrder> firstRows_;  // by Mode and key, as read
  GatheredChanges gathered_;
  // Keys of the gathered changes, and of those made, as ModeKey gives their Modes.
  std::set<std::pair<std::string, int64_t>> pending_, written_;
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

  CutValues cut;
  ModeRowMerge merge(ctx, package, release.schema(), refresh.keyFields, cut);
  struct Taken {
    std::string mode;
    int64_t key;
    Row row;
  };
  std::vector<Taken> rows;
  std::set<std::string> modes;
  for (release.first(); !release.eof(); release.next()) {
    rows.push_back({release.getString("Mode"), release.getInt(secondKey), RecordValues(release)});
    modes.insert(rows.back().mode);
  }
  merge.readRows(modes);
  try {
    for (const Taken& r : rows) {
      merge.take(r.mode, r.key, r.row, overrideCountry ? X101Country(r.key) : std::nullopt);
    }
  } catch (...) {
    merge.flush(true);  // the edits before stay stored, as each was posted in turn
    throw;
  }
  merge.flush();
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
