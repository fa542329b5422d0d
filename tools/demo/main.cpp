// Builds a demonstration prefix for KVTUpgrade:
//   kvt-demo PREFIX [PROGRAM] [--mysql HOST:PORT DATABASE USER PASSWORD]
// PROGRAM (the built KVTUpgrade) is copied into the release directory C:\KVT更新\, where it
// finds its switch file; start it from there with WINEPREFIX=PREFIX. With --mysql the
// installed tables are made in that database of a MySQL server and the alias KVT points
// there. Prints the release directory.
#include <iostream>
#include <string>
#include <vector>

#include "tools/demo/DemoPrefix.h"
#ifdef KVT_WITH_MYSQL_DEMO
#include "tools/demo/DemoMySql.h"
#endif

namespace {

int usage() {
  std::cerr << "usage: kvt-demo PREFIX [PROGRAM] [--mysql HOST:PORT DATABASE USER PASSWORD]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> mysqlArgs;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--mysql") continue;
    if (args.size() - i != 5) return usage();
    mysqlArgs.assign(args.begin() + static_cast<long>(i) + 1, args.end());
    args.resize(i);
    break;
  }
  if (args.empty() || args.size() > 2) return usage();
  try {
    kvt::demo::DemoLayout layout;
    layout.prefix = std::filesystem::absolute(args[0]);
    kvt::demo::BuildDemoPrefix(
        layout, args.size() > 1 ? std::filesystem::path(args[1]) : std::filesystem::path());
    if (!mysqlArgs.empty()) {
#ifdef KVT_WITH_MYSQL_DEMO
      kvt::demo::MySqlDemoServer server;
      const std::string& address = mysqlArgs[0];
      const size_t colon = address.rfind(':');
      server.host = address.substr(0, colon);
      if (colon != std::string::npos) server.port = std::stoul(address.substr(colon + 1));
      server.database = mysqlArgs[1];
      server.user = mysqlArgs[2];
      server.password = mysqlArgs[3];
      kvt::demo::UseMySqlDatabase(layout, server);
#else
      std::cerr << "kvt-demo: this build has no MySQL engine\n";
      return 1;
#endif
    }
    std::cout << layout.local(layout.releaseDir).string() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "kvt-demo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
