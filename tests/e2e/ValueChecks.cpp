// The row-by-row, value-by-value comparison of the installed tables before and after a run.
#include <gtest/gtest.h>

#include <set>

#include "RunChecks.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::e2e {
namespace {

std::string Text(const Value& v) {
  if (v.isNull()) return "(null)";
  std::string s = v.asString();
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The row's values of the before-layout's key fields, as one text; the fields are found by
// name in `schema`.
std::string KeyOf(const TableSchema& keySchema, const TableSchema& schema, const Row& row) {
  std::string key;
  if (keySchema.indexes.empty()) return key;
  for (const std::string& field : keySchema.indexes.front().fields) {
    const int at = schema.fieldIndex(field);
    key += (at < 0 ? std::string("?") : Text(row[static_cast<size_t>(at)])) + "|";
  }
  return key;
}

const std::set<std::pair<std::string, std::string>> kDroppedColumns = {
    {"X202Base", "ApplicantType"},
    {"X202Base", "AgentType"},
    {"X402Base", "TransitCountry"},
    {"X802Base", "BoxNumber"}};
const std::set<std::string> kRefilledTables = {"X101_6", "X201_6", "DS43Port"};

// Whether the switches asked for the rows of this key to take the release's values.
bool RowRefreshed(const std::string& table, const std::string& mode) {
  static const std::set<std::string> xmlApp = {"X102",   "X602", "X602No", "X903",
                                               "X903No", "XS01", "XS02"};
  static const std::set<std::string> xNoMap2 = {"X101", "X201", "X301", "X401", "X601", "XSEA"};
  if (kRefilledTables.count(table)) return true;
  if (table == "XMLApp") return xmlApp.count(mode) > 0;
  if (table == "XNoMap2") return xNoMap2.count(mode) > 0;
  return false;
}

}  // namespace

DatabaseImage CaptureInstalledTables(DemoInstallation& inst) {
  DatabaseImage image;
  std::vector<std::string> names = {"Company"};
  for (const auto& t : demo::InstallationTables()) names.push_back(t.name);
  for (const std::string& name : names) {
    auto schema = inst.SchemaOf(name);
    if (!schema) continue;
    image[name] = TableImage{*schema, inst.RowsOf(name)};
  }
  return image;
}

void ExpectNoValueLost(const DatabaseImage& before, DemoInstallation& inst) {
  const auto release = demo::ReleaseTables();
  const demo::DemoTable& ports = demo::Find(release, "KVT43");
  int compared = 0;
  for (const auto& [table, old] : before) {
    SCOPED_TRACE(table);
    const auto schema = inst.SchemaOf(table);
    ASSERT_TRUE(schema.has_value()) << "table gone";
    const std::vector<Row> rows = inst.RowsOf(table);
    std::map<std::string, const Row*> byKey;
    for (const Row& row : rows) byKey[KeyOf(old.schema, *schema, row)] = &row;
    // The release's rows of the same table, by the same key.
    std::map<std::string, const Row*> releaseByKey;
    const demo::DemoTable* released = nullptr;
    for (const auto& t : release)
      if (t.name == table) released = &t;
    if (released)
      for (const Row& row : released->rows)
        releaseByKey[KeyOf(old.schema, released->schema, row)] = &row;

    for (const FieldDef& f : old.schema.fields)
      if (schema->fieldIndex(f.name) < 0)
        EXPECT_TRUE(kDroppedColumns.count({table, f.name})) << "column " << f.name << " gone";

    const int modeAt = old.schema.fieldIndex("Mode");
    for (const Row& row : old.rows) {
      const std::string key = KeyOf(old.schema, old.schema, row);
      const bool refreshed =
          RowRefreshed(table, modeAt < 0 ? "" : Text(row[static_cast<size_t>(modeAt)]));
      auto found = byKey.find(key);
      if (found == byKey.end()) {
        EXPECT_TRUE(kRefilledTables.count(table)) << "row " << key << " lost";
        continue;
      }
      for (size_t i = 0; i < old.schema.fields.size(); ++i) {
        const std::string& field = old.schema.fields[i].name;
        const int at = schema->fieldIndex(field);
        if (at < 0) continue;
        const std::string was = Text(row[i]), now = Text((*found->second)[static_cast<size_t>(at)]);
        ++compared;
        if (was == now) continue;
        // A change the switches asked for: the release's value of the row, the port names of
        // KVT43, or the destination-country override.
        bool asked = false;
        if (refreshed) {
          auto rel = releaseByKey.find(key);
          if (rel != releaseByKey.end()) {
            const int relAt = released->schema.fieldIndex(field);
            asked = relAt >= 0 && Text((*rel->second)[static_cast<size_t>(relAt)]) == now;
          }
          if (table == "DS43Port")
            for (const Row& port : ports.rows)
              asked = asked || (field == "Name" && Text(port[1]) == now);
          if (table == "XNoMap2" && field == "FNo")
            asked = asked || now == "E15766" || now == "E15768";
        }
        EXPECT_TRUE(asked) << "row " << key << ", " << field << ": \"" << was << "\" became \""
                           << now << "\"";
      }
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace kvt::e2e
