// Padding text with spaces: the platform's helpers, under the names the form steps use.
#pragma once

#include "platform/TextPadding.h"

namespace kvt::forms {

using platform::PadRight;
using platform::Spaces;

}  // namespace kvt::forms
