// The installation search over a large tree: 20 000 directories and 200 000 files below a
// drive's Velmor\KVT\ directory, walked by SearchInstallations and, in the same run, listed by
// find(1). Prints the best of several warm runs of each and their ratio.
//
//   bench_files [scratch-dir]   (default: a fresh directory under the system temp dir)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "files/InstallationSearch.h"
#include "platform/PrefixFileSystem.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTop = 10, kMiddle = 10, kLeaves = 200, kFilesPerLeaf = 10;

class QuietWindow : public kvt::MainWindowPort {
 public:
  int lines = 0;
  void appendLog(const std::string&) override { ++lines; }
  void setDirLabel(const std::string&) override {}
};

class QuietUi : public kvt::platform::Ui {
 public:
  long events = 0;
  void messageBox(kvt::platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override { ++events; }
};

void touch(const fs::path& file) {
  int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + file.string());
  ::close(fd);
}

// 10 x 10 x 200 leaf directories of 10 files each, plus the 110 directories above them. Some
// files carry an executable's name in directories that are not installations, so the search
// has something to look at without changing the tree.
void buildTree(const fs::path& top) {
  for (int a = 0; a < kTop; ++a)
    for (int b = 0; b < kMiddle; ++b)
      for (int c = 0; c < kLeaves; ++c) {
        fs::path leaf = top / ("Client" + std::to_string(a)) / ("Site" + std::to_string(b)) /
                        ("Data" + std::to_string(c));
        fs::create_directories(leaf);
        for (int f = 0; f < kFilesPerLeaf; ++f) {
          std::string name = (f == 0 && c % 50 == 0) ? "KVT.EXE" : "X" + std::to_string(f) + ".DB";
          touch(leaf / name);
        }
      }
}

template <typename F>
double bestSeconds(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path root;
  bool ownRoot = argc < 2;
  if (ownRoot) {
    std::string pattern = (fs::temp_directory_path() / "kvt-bench-files-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    root = pattern;
  } else {
    root = argv[1];
  }
  const fs::path driveC = root / "drive_c";
  const fs::path top = driveC / "Velmor" / "KVT";
  fs::create_directories(root / "dosdevices");
  if (!fs::exists(root / "dosdevices" / "c:"))
    fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:");
  if (!fs::exists(top)) {
    auto start = Clock::now();
    buildTree(top);
    std::printf("tree built in %.1f s\n",
                std::chrono::duration<double>(Clock::now() - start).count());
  }

  kvt::platform::PrefixFileSystem fileSystem(root);
  QuietWindow window;
  QuietUi ui;
  kvt::RunContext ctx(window, ui, fileSystem);
  ctx.ReleaseDir = "C:\\KVT-release\\";
  ctx.switches.UpgradeKVTEXE = true;

  const std::string findCommand = "find '" + top.string() + "' > /dev/null";
  const int runs = 3;
  // One untimed pass of each warms the caches for both.
  if (std::system(findCommand.c_str()) != 0) return 1;
  kvt::files::SearchInstallations(ctx, "C:\\Velmor\\KVT\\");

  double search =
      bestSeconds(runs, [&] { kvt::files::SearchInstallations(ctx, "C:\\Velmor\\KVT\\"); });
  double find = bestSeconds(runs, [&] {
    if (std::system(findCommand.c_str()) != 0) throw std::runtime_error("find failed");
  });
  long events = ui.events / (runs + 1);
  std::printf("event calls per search: %ld (dirs %d, files %d)\n", events,
              kTop + kTop * kMiddle + kTop * kMiddle * kLeaves,
              kTop * kMiddle * kLeaves * kFilesPerLeaf);
  std::printf("SearchInstallations: %.3f s\n", search);
  std::printf("find:                %.3f s\n", find);
  std::printf("ratio:               %.2f (goal: at most 2)\n", search / find);

  if (ownRoot) fs::remove_all(root);
  return 0;
}
