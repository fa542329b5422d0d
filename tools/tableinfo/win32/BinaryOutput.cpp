#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tools/tableinfo/BinaryOutput.h"

namespace kvt::tableinfo {

void SetBinaryStandardOutput() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace kvt::tableinfo
