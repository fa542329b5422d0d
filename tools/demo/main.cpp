// Builds a demonstration prefix for KVTUpgrade:
//   kvt-demo PREFIX [PROGRAM]
// PROGRAM (the built KVTUpgrade) is copied into the release directory C:\KVT更新\, where it
// finds its switch file; start it from there with WINEPREFIX=PREFIX.
#include <iostream>

#include "tools/demo/DemoPrefix.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: kvt-demo PREFIX [PROGRAM]\n";
    return 2;
  }
  try {
    kvt::demo::DemoLayout layout;
    layout.prefix = std::filesystem::absolute(argv[1]);
    kvt::demo::BuildDemoPrefix(layout,
                               argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::path());
    std::cout << layout.local(layout.releaseDir).string() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "kvt-demo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
