#include "forms/upgrade/PatchRows.h"

#include <stdexcept>

#include "platform/Cp950.h"

namespace kvt::forms {
namespace {

// A change begun on the table (edit or append) that is cancelled unless it was posted.
class PendingChange {
 public:
  explicit PendingChange(Table& table) : table_(table) {}
  ~PendingChange() {
    if (!posted_) table_.cancel();
  }
  PendingChange(const PendingChange&) = delete;
  PendingChange& operator=(const PendingChange&) = delete;

  void assign(const FieldAssignments& fields) {
    for (const auto& [name, value] : fields) table_.set(name, value);
  }
  void post() {
    table_.post();
    posted_ = true;
  }

 private:
  Table& table_;
  bool posted_ = false;
};

std::vector<std::string> splitKeyFields(const std::string& keyFields) {
  std::vector<std::string> names;
  size_t start = 0;
  while (true) {
    const size_t end = keyFields.find(';', start);
    names.push_back(keyFields.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace

Value StoredText(std::string_view utf8) {
  return Value(platform::utf8ToCp950(utf8));
}

bool EditRow(Table& table, const std::string& keyFields, const std::vector<Value>& key,
             const FieldAssignments& fields) {
  if (!table.locate(keyFields, key)) return false;
  PendingChange change(table);
  table.edit();
  change.assign(fields);
  change.post();
  return true;
}

void AppendRow(Table& table, const FieldAssignments& fields) {
  PendingChange change(table);
  table.append();
  change.assign(fields);
  change.post();
}

UpsertOutcome UpsertRow(Table& table, const std::string& keyFields, const std::vector<Value>& key,
                        const FieldAssignments& fields) {
  const std::vector<std::string> names = splitKeyFields(keyFields);
  if (names.size() != key.size()) {
    throw std::invalid_argument("upsert key " + keyFields + " with " + std::to_string(key.size()) +
                                " values");
  }
  const bool found = table.locate(keyFields, key);
  PendingChange change(table);
  if (found) {
    table.edit();
  } else {
    table.append();
  }
  for (size_t i = 0; i < names.size(); ++i) table.set(names[i], key[i]);
  change.assign(fields);
  try {
    change.post();
  } catch (const EngineError&) {
    return UpsertOutcome::Refused;  // the pending change is cancelled on the way out
  }
  return UpsertOutcome::Posted;
}

}  // namespace kvt::forms
