// The file helpers of the form-file code: the platform's, under the names the form steps use.
#pragma once

#include "platform/FileHelpers.h"

namespace kvt::forms {

using platform::ClearDirectory;
using platform::ForceDeleteFile;
using platform::ForceRenameFile;
using platform::TryForceRenameFile;

}  // namespace kvt::forms
