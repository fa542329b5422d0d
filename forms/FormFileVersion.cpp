#include "forms/FormFileVersion.h"

namespace kvt::forms {

// Process-wide by design: the reader, the upgrade and the writer pass the version along here.
std::string FormFileVersion;
std::string LoadedFormFileVersion;

}  // namespace kvt::forms
