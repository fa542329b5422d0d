// Where the table engine's aliases are looked up: on Windows the installed engine's own
// configuration, read through the engine itself, with the alias registry DBALIAS.INI when no
// engine is installed; elsewhere DBALIAS.INI alone. One implementation per platform.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/AliasRegistry.h"
#include "platform/FileSystem.h"

namespace kvt::app {

struct AliasLookup {
  // nullopt when the alias is missing or unreadable where it was looked up.
  std::optional<AliasInfo> alias;
  // A log line naming where the alias was looked up, when the platform has more than one
  // place for it; empty otherwise. It never holds a parameter's value.
  std::string sourceLine;
};

class AliasSource {
 public:
  virtual ~AliasSource() = default;
  // The alias of that name (ASCII case ignored).
  virtual AliasLookup lookup(std::string_view alias) const = 0;
};

// The alias registry DBALIAS.INI in the Windows directory of `fs`.
class AliasRegistrySource : public AliasSource {
 public:
  explicit AliasRegistrySource(const platform::FileSystem& fs) : fs_(fs) {}
  AliasLookup lookup(std::string_view alias) const override { return {ReadAlias(fs_, alias), {}}; }

 private:
  const platform::FileSystem& fs_;
};

// The aliases of the package installed on this machine, with the files of `fs`.
std::unique_ptr<AliasSource> InstalledAliasSource(const platform::FileSystem& fs);

}  // namespace kvt::app
