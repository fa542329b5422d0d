// The scratch drives of one test with the Windows directory C:\windows in place. Files are put
// and read with local paths, past the layer under test.
#pragma once

#include <string_view>

#include "support/ScratchDrives.h"

namespace kvt::app::testing {

class TestPrefix : public kvt::testing::ScratchDrives {
 public:
  TestPrefix() { mkdir("C:\\windows"); }
  // Writes UTF-8 text as code page 950.
  void putCp950(std::string_view winPath, std::string_view utf8) const;
};

}  // namespace kvt::app::testing
