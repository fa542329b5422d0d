#include "platform/TextPadding.h"

namespace kvt::platform {

std::string Spaces(int count) {
  return count > 0 ? std::string(size_t(count), ' ') : std::string();
}

std::string PadRight(const std::string& text, int width) {
  if (width <= 0 || text.size() >= size_t(width)) return text;
  return text + Spaces(width - int(text.size()));
}

}  // namespace kvt::platform
