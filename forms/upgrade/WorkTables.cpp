#include "forms/upgrade/WorkTables.h"

#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileVersion.h"

namespace kvt::forms {

std::unique_ptr<Database> OpenWorkTables(platform::FileSystem& fs, const std::string& winDir) {
  const auto local = fs.resolve(winDir);
  if (!local) return nullptr;
  return std::make_unique<paradox::ParadoxDatabase>(*local, winDir);
}

FormFileVersionKeeper::FormFileVersionKeeper()
    : formFileVersion_(FormFileVersion), loadedFormFileVersion_(LoadedFormFileVersion) {}

FormFileVersionKeeper::~FormFileVersionKeeper() {
  FormFileVersion = formFileVersion_;
  LoadedFormFileVersion = loadedFormFileVersion_;
}

}  // namespace kvt::forms
