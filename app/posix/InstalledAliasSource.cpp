// No table engine runs here: the aliases are those of the registry file.
#include "app/AliasSource.h"

namespace kvt::app {

std::unique_ptr<AliasSource> InstalledAliasSource(const platform::FileSystem& fs) {
  return std::make_unique<AliasRegistrySource>(fs);
}

}  // namespace kvt::app
