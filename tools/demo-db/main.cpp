// Writes the demonstration tables as Paradox files: the old layouts into an installation's
// database directory and the new layouts and reference rows into a release directory.
//   kvt-demo-db DATABASE_DIR RELEASE_DIR [SWITCH_FILE]
// The optional switch file receives (in UTF-8) the switches that run every database step.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "engine/paradox/ParadoxDatabase.h"
#include "schema/EngineError.h"
#include "tools/demo-db/DemoTables.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: kvt-demo-db DATABASE_DIR RELEASE_DIR [SWITCH_FILE]\n";
    return 2;
  }
  try {
    const std::filesystem::path databaseDir = argv[1], releaseDir = argv[2];
    std::filesystem::create_directories(databaseDir);
    std::filesystem::create_directories(releaseDir);
    kvt::paradox::ParadoxDatabase installation(databaseDir, "C:\\Velmor\\KVT\\Database\\");
    kvt::paradox::ParadoxDatabase release(releaseDir, "C:\\KVT更新\\");
    // Made again on every call: tables of an earlier demonstration are replaced.
    auto build = [](kvt::Database& db, const std::vector<kvt::demo::DemoTable>& tables) {
      for (const auto& t : tables) {
        if (db.tableExists(t.name)) db.deleteTable(t.name);
        kvt::demo::BuildTable(db, t);
      }
    };
    build(installation, kvt::demo::InstallationTables());
    build(release, kvt::demo::ReleaseTables());
    if (argc > 3) std::ofstream(argv[3], std::ios::binary) << kvt::demo::DemoSwitchText();
  } catch (const std::exception& e) {
    std::cerr << "kvt-demo-db: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
