#include "forms/upgrade/WorkTables.h"

#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileVersion.h"

namespace kvt::forms {

std::unique_ptr<Database> OpenWorkTables(platform::FileSystem& fs, const std::string& winDir) {
  const auto local = fs.resolve(winDir);
  if (!local) return nullptr;
  // Scratch tables of this program alone: no other program's use to look for.
  return std::make_unique<paradox::ParadoxDatabase>(*local, winDir, paradox::Sharing::Private);
}

FormFileVersionKeeper::FormFileVersionKeeper()
    : formFileVersion_(FormFileVersion), loadedFormFileVersion_(LoadedFormFileVersion) {}

FormFileVersionKeeper::~FormFileVersionKeeper() {
  FormFileVersion = formFileVersion_;
  LoadedFormFileVersion = loadedFormFileVersion_;
}

}  // namespace kvt::forms
