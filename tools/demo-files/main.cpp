// Adds the program-file demonstration to a prefix made by kvt-demo:
//   kvt-demo-files PREFIX
#include <iostream>

#include "tools/demo-files/DemoFiles.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kvt-demo-files PREFIX\n";
    return 2;
  }
  try {
    kvt::demo::AddProgramFileDemo(std::filesystem::absolute(argv[1]));
  } catch (const std::exception& e) {
    std::cerr << "kvt-demo-files: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
