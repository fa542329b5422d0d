// The trade-facilitation directory (DtxDir): release files for it are copied in, always
// replacing the installed ones.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::files {

// Copies the release file `name` into DtxDir. A ".DTX" file (upper case exactly) goes into
// DtxDir itself; any other goes into the subdirectory named after its extension, under its name
// without the extension ("X102.XSD" -> "XSD\X102"). An undefined or missing DtxDir is reported
// in a warning box and nothing is copied.
void CopyDtxFile(RunContext& ctx, const std::string& name);

}  // namespace kvt::files
