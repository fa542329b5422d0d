// The format versions of form files. A version is a seven-digit date of the Republic-of-China
// calendar, yyymmdd ("1020905" is 5 September 2013); versions compare as byte strings, which
// with seven digits is chronological order.
#pragma once

#include <string>

namespace kvt::forms {

// The newest format this program reads and writes; newer files are refused.
inline constexpr const char* ProgramFormVersion = "1020905";

// The version the form-definition tables are written in by SaveFormFile. CreateFormTables sets
// it to ProgramFormVersion, ReadFormFile to the version of the file it read.
extern std::string FormFileVersion;
// The version of the form file ReadFormFile read last.
extern std::string LoadedFormFileVersion;

}  // namespace kvt::forms
