#include "PatchFixture.h"

#include "engine/paradox/ParadoxDatabase.h"

namespace kvt::forms::testing {

PatchTest::PatchTest() : dir_(drive_.local("C:\\KVT\\Table")), ctx_(window_, ui_, drive_.fs()) {
  std::filesystem::create_directories(dir_);
  reopen();
  CreateFormTables(*db_);
}

void PatchTest::run(FormTable t, const Patch& patch, const std::string& filter) {
  Table table(*db_, formTableStem(t));
  table.open();
  if (!filter.empty()) {
    table.setFilter(filter);
    table.setFiltered(true);
  }
  patch(ctx_, table);
  EXPECT_EQ(table.state(), Table::State::Browse) << formTableName(t);
}

void PatchTest::expectRow(FormTable t, const std::vector<Value>& key, const NamedRow& expected) {
  const std::vector<Row> rows = rowsOf(*db_, t);
  const Row* row = findRow(rows, t, key);
  ASSERT_NE(row, nullptr) << formTableName(t) << " lacks the row";
  for (const auto& [name, value] : expected) {
    EXPECT_EQ(field(*row, t, name),
              coerceToField(formTableSchema(t).fields[size_t(formTableSchema(t).fieldIndex(name))],
                            value))
        << formTableName(t) << "." << name;
  }
}

void PatchTest::reopen() {
  db_.reset();
  db_ = std::make_unique<paradox::ParadoxDatabase>(dir_, "C:\\KVT\\Table\\");
}

}  // namespace kvt::forms::testing
