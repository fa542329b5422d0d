// Tables written to a form file and read back, in every version a gate names and the day
// before it: each value comes back as written, as the reader's default for a field the
// version does not carry, or (for a null) as the format's zero, and nothing else changes.
// Written and read again, nothing changes any more.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FormFileFacts.h"
#include "FormsTestSupport.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

using namespace testing;

std::string text5000() {
  std::string t;
  for (int i = 0; i < 2500; ++i) t += big5("表");
  return t;
}

// A value for every field that the reader keeps as it is, distinct per field; Booleans take
// the opposite of their default.
Row probeRow(FormTable t, const NamedRow& overrides) {
  const TableSchema& schema = formTableSchema(t);
  Row row;
  for (size_t i = 0; i < schema.fields.size(); ++i) {
    const FieldDef& f = schema.fields[i];
    switch (f.type) {
      case FieldType::Alpha:
        row.push_back(f.size == 1 ? Value("Q")
                                  : coerceToField(f, Value(big5("值") + "v" + f.name)));
        break;
      case FieldType::Short:
      case FieldType::Long:
        row.push_back(Value(int64_t(10 + i)));
        break;
      case FieldType::Number:
        row.push_back(Value(0.25 + double(i)));
        break;
      case FieldType::Logical: {
        const Value absent = absentValue(t, f.name, "0000000", Row(schema.fields.size()));
        row.push_back(Value(!(absent.isBool() && absent.asBool())));
        break;
      }
      case FieldType::Memo:
        row.push_back(Value(text5000()));
        break;
      default:
        row.push_back(Value());
    }
  }
  for (const auto& [name, v] : overrides) {
    const int pos = schema.fieldIndex(name);
    row[size_t(pos)] = coerceToField(schema.fields[size_t(pos)], v);
  }
  return row;
}

// Only the key fields set.
Row keyRow(FormTable t, const NamedRow& key) {
  const TableSchema& schema = formTableSchema(t);
  Row row(schema.fields.size());
  for (const auto& [name, v] : key) {
    const int pos = schema.fieldIndex(name);
    row[size_t(pos)] = coerceToField(schema.fields[size_t(pos)], v);
  }
  return row;
}

// Where two byte strings first differ; npos when they are the same.
size_t firstDifference(const std::string& a, const std::string& b) {
  const auto [pa, pb] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return pa == a.end() && pb == b.end() ? std::string::npos : size_t(pa - a.begin());
}

struct Written {
  FormTable table;
  Row row;
};

// The rows of the round trip: one with every value, one with only its key, per table.
std::vector<Written> probeRows() {
  const Value e("E");
  return {
      {FormTable::CB20, probeRow(FormTable::CB20, {{"FormNo", Value(101)}})},
      {FormTable::CB20, keyRow(FormTable::CB20, {{"FormNo", Value(102)}})},
      {FormTable::CB21,
       probeRow(FormTable::CB21, {{"EntryNo", Value(201)}, {"LookupMode", Value("Y")}})},
      {FormTable::CB21, keyRow(FormTable::CB21, {{"EntryNo", Value(202)}})},
      {FormTable::CB22, probeRow(FormTable::CB22, {{"Type", e},
                                                   {"FieldNo", Value(301)},
                                                   {"TransferNo", Value(3)},
                                                   {"Transfer2ndNo", Value(2)},
                                                   {"LookupMode", Value("Y")}})},
      {FormTable::CB22, keyRow(FormTable::CB22, {{"Type", e}, {"FieldNo", Value(302)}})},
      {FormTable::CB23, probeRow(FormTable::CB23, {{"FormNo", Value(101)}, {"SEQ", Value(10)}})},
      {FormTable::CB23, probeRow(FormTable::CB23, {{"FormNo", Value(101)}, {"SEQ", Value(20)}})},
      {FormTable::CB23, keyRow(FormTable::CB23, {{"FormNo", Value(102)}, {"SEQ", Value(10)}})},
      {FormTable::CB24, probeRow(FormTable::CB24, {{"FormNo", Value(101)},
                                                   {"EntryNo", Value(201)},
                                                   {"SEQ", Value(10)},
                                                   {"Type", e},
                                                   {"Part", Value("B")},
                                                   {"IsDummy", Value(false)}})},
      {FormTable::CB24,
       keyRow(FormTable::CB24,
              {{"FormNo", Value(102)}, {"EntryNo", Value(1)}, {"SEQ", Value(10)}})},
      {FormTable::CB25, probeRow(FormTable::CB25, {{"BlockName", Value("BLK")}})},
      {FormTable::CB25, keyRow(FormTable::CB25, {{"BlockName", Value("NUL")}})},
      {FormTable::CB2F0, probeRow(FormTable::CB2F0, {{"Code", Value("ZZ01")}})},
      {FormTable::CB2F0, keyRow(FormTable::CB2F0, {{"Code", Value("ZZ02")}})},
  };
}

void store(Database& db, const std::vector<Written>& rows) {
  for (const Written& w : rows) {
    Table t(db, formTableName(w.table));
    t.open();
    t.append();
    for (size_t i = 0; i < w.row.size(); ++i) t.set(int(i), w.row[i]);
    t.post();
  }
}

// The row the reader should give back for `written` in a file of `version`.
Row expectedBack(FormTable t, const Row& written, const std::string& version) {
  const TableSchema& schema = formTableSchema(t);
  Row expected(schema.fields.size());
  for (size_t i = 0; i < schema.fields.size(); ++i) {
    const std::string& name = schema.fields[i].name;
    const char* from = firstVersionOf(t, name);
    if (t == FormTable::CB24 && name == "IsDummy") {
      expected[i] = Value(false);
    } else if (from && version < from) {
      expected[i] = coerceToField(schema.fields[i], absentValue(t, name, version, written));
    } else if (written[i].isNull()) {
      expected[i] = nullReadBack(t, name, version);
    } else {
      expected[i] = written[i];
    }
  }
  return expected;
}

void expectReadBack(Database& back, const std::vector<Written>& written,
                    const std::string& version) {
  for (const Written& w : written) {
    const auto rows = rowsOf(back, w.table);
    std::vector<Value> key;
    for (int k : formTableSchema(w.table).primaryKey()) key.push_back(w.row[size_t(k)]);
    const Row* got = findRow(rows, w.table, key);
    ASSERT_NE(got, nullptr) << formTableName(w.table) << " at " << version;
    const Row expected = expectedBack(w.table, w.row, version);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ((*got)[i], expected[i])
          << formTableName(w.table) << "." << formTableSchema(w.table).fields[i].name << " at "
          << version << (w.row[i].isNull() ? " (written null)" : "");
    }
  }
  size_t total = 0;
  for (FormTable t : kFormTables) total += countRows(back, t);
  EXPECT_EQ(total, written.size()) << version;
}

TEST(RoundTrip, EveryGateVersionAndTheDayBeforeIt) {
  const auto written = probeRows();
  ScratchDrive drive;
  drive.mkdir("C:\\F");
  RecordingUi ui;
  const auto versions = gateVersions();
  ASSERT_GT(versions.size(), 60u);
  for (const std::string& version : versions) {
    MemoryDatabase db;
    CreateFormTables(db);
    store(db, written);
    FormFileVersion = version;
    ASSERT_TRUE(SaveFormFile(drive.fs(), ui, db, "C:\\F\\T.DBT")) << version;
    const std::string bytes = drive.get("C:\\F\\T.DBT");

    MemoryDatabase back;
    CreateFormTables(back);
    ASSERT_TRUE(ReadFormFile(drive.fs(), ui, "C:\\F\\T.DBT", back)) << version;
    EXPECT_EQ(LoadedFormFileVersion, version);
    expectReadBack(back, written, version);

    // What was read, written and read again writes the same bytes: the reader's zeros and
    // defaults are a fixed point of the two.
    const std::string second = encodeFormFile(back, version);
    drive.put("C:\\F\\T2.DBT", second);
    MemoryDatabase again;
    CreateFormTables(again);
    ASSERT_TRUE(ReadFormFile(drive.fs(), ui, "C:\\F\\T2.DBT", again)) << version;
    EXPECT_EQ(firstDifference(encodeFormFile(again, version), second), std::string::npos)
        << version;
  }
  EXPECT_TRUE(ui.boxes.empty());
}

class ParadoxRoundTrip : public ::testing::TestWithParam<const char*> {
 protected:
  ParadoxRoundTrip() {
    dir = kvt::testing::MakeTempDir("kvt-forms-roundtrip");
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    drive.mkdir("C:\\F");
  }
  ~ParadoxRoundTrip() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  ScratchDrive drive;
  RecordingUi ui;
};

TEST_P(ParadoxRoundTrip, TablesOnDiskComeBackWithOnlyTheListedDifferences) {
  const std::string version = GetParam();
  auto written = probeRows();
  // Rows the file leaves out, and placements whose numbers the reader renumbers.
  std::vector<Written> extra{
      {FormTable::CB20, probeRow(FormTable::CB20, {{"FormNo", Value(88888)}})},
      {FormTable::CB23, probeRow(FormTable::CB23, {{"FormNo", Value(88888)}, {"SEQ", Value(10)}})},
      {FormTable::CB23, probeRow(FormTable::CB23, {{"FormNo", Value(101)}, {"SEQ", Value(70)}})},
      {FormTable::CB24, probeRow(FormTable::CB24, {{"FormNo", Value(101)},
                                                   {"EntryNo", Value(201)},
                                                   {"SEQ", Value(30)},
                                                   {"Type", Value("E")},
                                                   {"IsDummy", Value(true)}})},
      {FormTable::CB24, probeRow(FormTable::CB24, {{"FormNo", Value(101)},
                                                   {"EntryNo", Value(201)},
                                                   {"SEQ", Value(90)},
                                                   {"Type", Value("E")},
                                                   {"Part", Value("C")},
                                                   {"IsDummy", Value(false)}})},
      {FormTable::CB24, probeRow(FormTable::CB24, {{"FormNo", Value(88888)},
                                                   {"EntryNo", Value(201)},
                                                   {"SEQ", Value(10)},
                                                   {"IsDummy", Value(false)}})},
  };
  {
    paradox::ParadoxDatabase db(dir / "a");
    CreateFormTables(db);
    store(db, written);
    store(db, extra);
  }
  paradox::ParadoxDatabase db(dir / "a");
  FormFileVersion = version;
  ASSERT_TRUE(SaveFormFile(drive.fs(), ui, db, "C:\\F\\KVTE.DBT"));
  paradox::ParadoxDatabase back(dir / "b");
  CreateFormTables(back);
  ASSERT_TRUE(ReadFormFile(drive.fs(), ui, "C:\\F\\KVTE.DBT", back));

  // CB23 row SEQ 70 of form 101 is the third of its form: 30. CB24's SEQ 90 follows the two
  // written before it (the dummy is gone): 20.
  extra[2].row[size_t(formTableSchema(FormTable::CB23).fieldIndex("SEQ"))] = Value(30);
  extra[4].row[size_t(formTableSchema(FormTable::CB24).fieldIndex("SEQ"))] = Value(20);
  written.push_back(extra[2]);
  written.push_back(extra[4]);
  expectReadBack(back, written, version);
  EXPECT_TRUE(ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, ParadoxRoundTrip,
                         ::testing::Values("1020905", "0940404", "0900206", "0890401"));

}  // namespace
}  // namespace kvt::forms
