// The depth-first walk over an installation tree. Directory links can make a tree reach itself;
// each directory is walked once, known by the place on disk it stands for.
#include "files/InstallationSearch.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "platform/AsciiText.h"

namespace kvt::files {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 5> kSkippedFragments = {"\\WIN", "\\TEMP", "\\PROGRAM",
                                                               "\\DOCUMENT", "\\KVT更新"};
constexpr std::array<std::string_view, 4> kExecutables = {"KVT.EXE", "KVTA.EXE", "PNX.EXE",
                                                          "PNXA.EXE"};

bool isSkipped(const std::string& upperDir) {
  for (std::string_view fragment : kSkippedFragments)
    if (upperDir.find(fragment) != std::string::npos) return true;
  return false;
}

bool isExecutable(const std::string& upperName) {
  for (std::string_view exe : kExecutables)
    if (upperName == exe) return true;
  return false;
}

class InstallationWalk {
 public:
  explicit InstallationWalk(RunContext& ctx) : ctx_(ctx) {}

  // `place` is where the directory is on disk, when its parent already knew it; a directory
  // its parent has just listed is not looked up again.
  void visit(const std::string& dir, std::optional<fs::path> place, bool listedByParent) {
    ctx_.SetDirLabel(dir);
    ctx_.ProcessMessages();
    if (isSkipped(platform::UpperAscii(dir))) return;
    if (!listedByParent && !ctx_.fs.directoryExists(dir)) return;
    if (!place) place = placeOf(dir);
    if (!visited_.insert(place ? placeKey(*place) : "?" + platform::UpperAscii(dir)).second) return;

    // Names and kinds are all the walk needs: no attributes are looked up per entry.
    auto entries = ctx_.fs.listNames(dir + "*.*");
    if (!entries) return;  // unreadable: passed over
    for (const platform::NameEntry& entry : *entries) {
      if (ctx_.StopFlag) return;
      if (entry.isDirectory) {
        visit(dir + entry.name + "\\", childPlace(place, entry), true);
      } else {
        std::string upperName = platform::UpperAscii(entry.name);
        if (isExecutable(upperName)) UpdateFoundExecutable(ctx_, upperName, dir);
      }
      ctx_.ProcessMessages();
    }
  }

 private:
  // A place as the set of visited ones keeps it: its bytes, whatever the platform's own path
  // text is (UTF-16 on Windows).
  static std::string placeKey(const fs::path& place) {
    const std::u8string text = place.u8string();
    return std::string(text.begin(), text.end());
  }

  // The canonical local path of a Windows directory path; nullopt when there is none.
  std::optional<fs::path> placeOf(const std::string& dir) const {
    auto local = ctx_.fs.resolve(dir);
    if (!local) return std::nullopt;
    std::error_code ec;
    fs::path canonical = fs::canonical(*local, ec);
    if (ec) return std::nullopt;
    return canonical;
  }

  // The place of a subdirectory: below its parent's, unless the entry is a link, which is
  // followed to wherever it leads. Working from the parent saves resolving every path whole.
  static std::optional<fs::path> childPlace(const std::optional<fs::path>& parent,
                                            const platform::NameEntry& entry) {
    if (!parent) return std::nullopt;
    fs::path local = *parent / entry.name;
    if (!entry.isLink) return local;
    std::error_code ec;
    fs::path canonical = fs::canonical(local, ec);
    if (ec) return std::nullopt;
    return canonical;
  }

  RunContext& ctx_;
  std::unordered_set<std::string> visited_;
};

}  // namespace

void SearchInstallations(RunContext& ctx, const std::string& dir) {
  InstallationWalk(ctx).visit(dir, std::nullopt, false);
}

void SearchAllDrives(RunContext& ctx, const DriveSearch& searchDrive) {
  const uint32_t drives = ctx.fs.logicalDrives();
  for (char drive = 'C'; drive <= 'G'; ++drive) {
    if (ctx.StopFlag) break;
    try {
      if ((drives & (uint32_t{1} << (drive - 'A'))) == 0) continue;
      if (ctx.fs.driveType(drive) != platform::DriveType::Fixed) continue;
      std::string dir = "A:\\Velmor\\KVT\\";
      dir[0] = drive;
      searchDrive(ctx, dir);
    } catch (const std::exception&) {
      // A drive that cannot be searched is passed over; the next one is tried.
    }
  }
}

}  // namespace kvt::files
