#include "engine/paradox/TableUse.h"

#include "engine/paradox/TableFiles.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;

bool isEngineLockFile(const std::string& fileName) {
  const std::string name = upperAscii(fileName);
  return name == "PARADOX.LCK" || name == "PDOXUSRS.LCK" || name == kNetControlFile;
}

std::vector<fs::path> directoryLockFiles(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (isEngineLockFile(it->path().filename().string())) out.push_back(it->path());
  }
  return out;
}

std::unique_ptr<platform::FileHold> holdTable(const platform::FileUse& use, const fs::path& dir,
                                              const std::string& stem, const std::string& table) {
  std::vector<fs::path> files = familyFiles(dir, stem);
  for (auto& lock : directoryLockFiles(dir)) files.push_back(std::move(lock));
  platform::HoldResult held = use.hold(files);
  if (held.hold) return std::move(held.hold);
  std::string names;
  for (const auto& p : held.inUse) names += " " + p.filename().string();
  throw EngineError(ErrorKind::Locked,
                    "table " + table + " is in use by another program (open:" + names + ")");
}

}  // namespace kvt::paradox
