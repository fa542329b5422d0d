#include "TestTables.h"

namespace kvt::testing {

TableSchema xmlAppSchema() {
  TableSchema s;
  s.fields = {{"Mode", FieldType::Alpha, 10},
              {"SEQ", FieldType::Long, 0},
              {"Name", FieldType::Alpha, 18},
              {"Flag", FieldType::Logical, 0}};
  s.indexes = {{"", {"Mode", "SEQ"}, true, true, false}};
  return s;
}

TableSchema logSchema() {
  TableSchema s;
  s.fields = {{"Line", FieldType::Long, 0}, {"Text", FieldType::Alpha, 20}};
  return s;
}

void addApp(Table& t, const std::string& mode, int seq, const std::string& name) {
  t.append();
  t.set("Mode", Value(mode));
  t.set("SEQ", Value(seq));
  t.set("Name", Value(name));
  t.post();
}

std::vector<std::string> walkKeys(Table& t) {
  std::vector<std::string> keys;
  for (t.first(); !t.eof(); t.next()) {
    keys.push_back(t.getString("Mode") + "/" + std::to_string(t.getInt("SEQ")));
  }
  return keys;
}

}  // namespace kvt::testing
