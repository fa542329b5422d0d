#include "TestPrefix.h"

#include "platform/Cp950.h"

namespace kvt::app::testing {

void TestPrefix::putCp950(std::string_view winPath, std::string_view utf8) const {
  put(winPath, platform::utf8ToCp950(utf8));
}

}  // namespace kvt::app::testing
