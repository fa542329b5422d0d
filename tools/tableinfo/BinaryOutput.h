// The tool's output is the same bytes on every platform: no end-of-line translation on the
// standard output (Windows' C runtime writes "\n" as CR LF in its default text mode).
#pragma once

namespace kvt::tableinfo {

void SetBinaryStandardOutput();

}  // namespace kvt::tableinfo
