// kvt-table: a table inspector for support staff.
//   kvt-table structure DIR TABLE   level, code page, block size, records, fields, keys
//   kvt-table rows DIR TABLE        one JSON object per record, in table order
#include <iostream>
#include <string>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/TableStorage.h"
#include "schema/EngineError.h"
#include "tools/tableinfo/BinaryOutput.h"
#include "tools/tableinfo/TableReport.h"

namespace {

int usage() {
  std::cerr << "usage: kvt-table structure DIR TABLE\n"
               "       kvt-table rows DIR TABLE\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return usage();
  const std::string command = argv[1];
  if (command != "structure" && command != "rows") return usage();
  kvt::tableinfo::SetBinaryStandardOutput();
  try {
    // Reading only: the files are left exactly as they are.
    const auto table =
        kvt::paradox::loadTable(kvt::paradox::defaultFileOps(), argv[2], argv[3], false);
    if (command == "structure") {
      kvt::tableinfo::writeStructure(std::cout, table);
    } else {
      kvt::tableinfo::writeRows(std::cout, table);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
  } catch (const kvt::EngineError& e) {
    std::cerr << "kvt-table: " << e.what() << "\n";
    return 1;
  }
}
