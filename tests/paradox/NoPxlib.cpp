// A build without pxlib: the engine's own checks of each test stand alone.
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox::test {

bool pxlibInBuild() {
  return false;
}

PxlibTable readWithPxlib(const std::filesystem::path&) {
  return {};
}

void expectPxlibAgrees(const StoredTable&) {}

}  // namespace kvt::paradox::test
