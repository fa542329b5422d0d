#include "tools/tableinfo/BinaryOutput.h"

namespace kvt::tableinfo {

// POSIX streams translate nothing.
void SetBinaryStandardOutput() {}

}  // namespace kvt::tableinfo
