// The table engines of this build behind the opener: Paradox tables in a directory, and a
// MySQL server when the build has the MySQL engine.
#pragma once

#include "app/DatabaseOpener.h"

namespace kvt::app {

class EngineOpener : public DatabaseOpener {
 public:
  std::unique_ptr<Database> openParadox(const std::filesystem::path& localDir,
                                        const std::string& name) override;
  // Throws EngineError(Unsupported) in a build without the MySQL engine.
  std::unique_ptr<Database> connectMySql(const MySqlAliasParams& params,
                                         const std::string& name) override;
};

}  // namespace kvt::app
