// kvt-form: the form-file inspector and maker for support staff.
//   kvt-form dump FILE.DBT             what the form file loads into the tables, as JSON
//   kvt-form build FILE.JSON FILE.DBT  a form file made from such JSON
#include <iostream>
#include <string>

#include "schema/EngineError.h"
#include "tools/formfile/FormJson.h"

namespace {

int usage() {
  std::cerr << "usage: kvt-form dump FILE.DBT\n"
               "       kvt-form build FILE.JSON FILE.DBT\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  try {
    if (command == "dump" && argc == 3) {
      if (!kvt::formfile::dumpFormFile(argv[2], std::cout, std::cerr)) return 1;
      std::cout.flush();
      return std::cout ? 0 : 1;
    }
    if (command == "build" && argc == 4) {
      return kvt::formfile::buildFormFile(argv[2], argv[3], std::cerr) ? 0 : 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "kvt-form: " << e.what() << "\n";
    return 1;
  }
  return usage();
}
