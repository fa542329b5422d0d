// The demonstration installation with its database on a MySQL server instead of Paradox
// tables: the alias KVT points at the server, and the installed tables (old layouts with
// their rows, and Company) are made in the server's database. The release keeps its Paradox
// tables, as a real release does.
#pragma once

#include <string>

#include "tools/demo/DemoPrefix.h"

namespace kvt::demo {

struct MySqlDemoServer {
  std::string host = "127.0.0.1";
  unsigned port = 3306;
  std::string database;  // must exist; the demonstration's tables in it are replaced
  std::string user, password;
  std::string driver;  // the ODBC driver: empty for the build's own
};

// Rewrites the alias registry of a prefix made by BuildDemoPrefix and builds the tables on the
// server, dropping any demonstration or upgrade table an earlier run left there. The Paradox
// tables of the installation's database directory are removed, so nothing can be mistaken
// for the package's database.
void UseMySqlDatabase(const DemoLayout& layout, const MySqlDemoServer& server);

}  // namespace kvt::demo
