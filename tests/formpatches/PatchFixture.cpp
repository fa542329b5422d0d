#include "PatchFixture.h"

#include <algorithm>

#include "engine/paradox/ParadoxDatabase.h"

namespace kvt::forms::testing {

// The rows of one table, refusing the rows its database names.
class RefusingDatabase::Store : public RowStore {
 public:
  Store(RefusingDatabase& db, std::shared_ptr<RowStore> inner)
      : db_(db), inner_(std::move(inner)) {}
  const TableSchema& schema() const override { return inner_->schema(); }
  size_t size() const override { return inner_->size(); }
  const Row& row(size_t pos) const override { return inner_->row(pos); }
  size_t insert(Row row) override {
    db_.check(schema(), row);
    return inner_->insert(std::move(row));
  }
  size_t update(size_t pos, Row row) override {
    db_.check(schema(), row);
    return inner_->update(pos, std::move(row));
  }
  void remove(size_t pos) override { inner_->remove(pos); }
  void clear() override { inner_->clear(); }
  uint64_t changeCount() const override { return inner_->changeCount(); }
  std::optional<size_t> find(const Row& probe, size_t hint) const override {
    return inner_->find(probe, hint);
  }
  std::optional<size_t> seekKey(const Row& keyPrefix) const override {
    return inner_->seekKey(keyPrefix);
  }

 private:
  RefusingDatabase& db_;
  std::shared_ptr<RowStore> inner_;
};

std::shared_ptr<RowStore> RefusingDatabase::openTable(const std::string& t, OpenMode m) {
  auto inner = inner_.openTable(t, m);
  auto outer = std::make_shared<Store>(*this, inner);
  wrapped_.emplace_back(outer, inner);
  return outer;
}

void RefusingDatabase::closeTable(const std::shared_ptr<RowStore>& s, OpenMode m) {
  const auto it = std::find_if(wrapped_.begin(), wrapped_.end(),
                               [&](const auto& pair) { return pair.first == s; });
  if (it == wrapped_.end()) throw std::logic_error("closing a table not opened here");
  const auto inner = it->second;
  wrapped_.erase(it);
  inner_.closeTable(inner, m);
}

void RefusingDatabase::check(const TableSchema& schema, const Row& row) {
  const int pos = schema.fieldIndex(field_);
  if (!refusing || pos < 0) return;
  if (coerceToField(schema.fields[size_t(pos)], value_) == row[size_t(pos)]) {
    ++refusals;
    throw EngineError(ErrorKind::DuplicateKey, "refused for the test");
  }
}

PatchTest::PatchTest() : dir_(drive_.local("C:\\KVT\\Table")), ctx(window_, ui_, drive_.fs()) {
  std::filesystem::create_directories(dir_);
  db_ = std::make_unique<paradox::ParadoxDatabase>(dir_, "C:\\KVT\\Table\\");
  CreateFormTables(*db_);
}

PatchTest::~PatchTest() = default;

void PatchTest::run(FormTable t, const Patch& patch) {
  run(*db_, t, patch);
}

void PatchTest::run(Database& db, FormTable t, const Patch& patch) {
  Table table(db, formTableStem(t));
  table.open();
  patch(ctx, table);
  // The patch leaves no change pending.
  EXPECT_EQ(table.state(), Table::State::Browse) << formTableName(t);
  table.close();
}

Row PatchTest::row(FormTable t, const std::vector<Value>& key) {
  const std::vector<Row> all = rows(t);
  const Row* found = findRow(all, t, key);
  if (found == nullptr) {
    ADD_FAILURE() << formTableName(t) << " has no row with the key asked for";
    return Row(formTableSchema(t).fields.size());
  }
  return *found;
}

void PatchTest::reopen() {
  db_.reset();
  db_ = std::make_unique<paradox::ParadoxDatabase>(dir_, "C:\\KVT\\Table\\");
}

}  // namespace kvt::forms::testing
