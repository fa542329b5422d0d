// The form-file step of a run on a large form file.
//
//   bench_formupgrade [benchmark flags] [MB]   (default 50)
//
// Generates a form file of about MB megabytes in a scratch prefix, then measures, in one run:
//   copy        the file copied (the reference);
//   round_trip  UpgradeFormFile of an export entry with nothing switched on: read into the
//               work tables and written back;
//   everything  the same entry with the additions flag, every list full (200 or 50 values,
//               each naming a row of the file) and every fixed patch switched on;
//   import      the round trip with the forms of a release form file taken in: a twentieth
//               of the forms, the same dictionaries; each form replaces the installed form
//               of its number.
// Each run starts from the generated file. The summary gives each against the copy, and the
// lists and patches against the round trip.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench/forms/FormFileGenerator.h"
#include "forms/upgrade/FormUpgrade.h"
#include "platform/PrefixFileSystem.h"
#include "run/RunContext.h"

namespace fs = std::filesystem;

namespace {

class Quiet : public kvt::platform::Ui, public kvt::MainWindowPort {
 public:
  int boxes = 0;
  int lines = 0;
  void messageBox(kvt::platform::BoxKind, const std::string&) override { ++boxes; }
  void setBusyCursor(bool) override {}
  void processEvents() override {}
  void appendLog(const std::string&) override { ++lines; }
  void setDirLabel(const std::string&) override {}
};

class Scene {
 public:
  explicit Scene(uint64_t megabytes)
      : root_(fs::temp_directory_path() / ("kvt-bench-formupgrade-" + std::to_string(::getpid()))),
        fs_(root_) {
    for (const char* dir : {"Forms", "Release", "Pristine", "windows"})
      fs::create_directories(drive() / dir);
    const auto start = std::chrono::steady_clock::now();
    shape_ = kvt::bench::formFileShapeOfSize(megabytes << 20);
    fileBytes_ = kvt::bench::GenerateFormFile(drive() / "Made", pristine(), shape_);
    fs::remove_all(drive() / "Made");
    kvt::bench::FormFileShape release = shape_;
    release.forms = std::max(1, shape_.forms / 20);
    release.seed = 2;
    releaseBytes_ =
        kvt::bench::GenerateFormFile(drive() / "Made", drive() / "Release" / "NEWE.DBT", release);
    releaseForms_ = release.forms;
    fs::remove_all(drive() / "Made");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("generated %.1f MB: %d forms, %d entries, %lld rows, in %.1f s\n",
                double(fileBytes_) / 1e6, shape_.forms, shape_.entries,
                static_cast<long long>(shape_.rowCount()), took.count());
  }
  ~Scene() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  fs::path drive() const { return root_ / "dosdevices" / "c:"; }
  fs::path pristine() const { return drive() / "Pristine" / "KVTE.DBT"; }
  fs::path installed() const { return drive() / "Forms" / "KVTE.DBT"; }
  kvt::platform::PrefixFileSystem& fileSystem() { return fs_; }
  uint64_t fileBytes() const { return fileBytes_; }
  uint64_t releaseBytes() const { return releaseBytes_; }
  int releaseForms() const { return releaseForms_; }
  const kvt::bench::FormFileShape& shape() const { return shape_; }

  // The installed file as generated, and no backups of earlier runs.
  void reset() {
    fs::copy_file(pristine(), installed(), fs::copy_options::overwrite_existing);
    std::error_code ignored;
    fs::remove_all(drive() / "Forms" / "Backup", ignored);
  }

 private:
  fs::path root_;
  kvt::platform::PrefixFileSystem fs_;
  kvt::bench::FormFileShape shape_;
  uint64_t fileBytes_ = 0;
  uint64_t releaseBytes_ = 0;
  int releaseForms_ = 0;
};

// Full lists whose values name rows the generator made.
void switchEverythingOn(kvt::UpgradeSwitches& s, const kvt::bench::FormFileShape& shape) {
  for (int i = 1; i <= 200; ++i) {
    const int entry = 1 + (i * 17) % shape.entries;
    s.EAddition.push_back(std::to_string(entry) + ", 名稱" + std::to_string(i) + ", S, //C<" +
                          std::to_string(entry) + ">");
    s.EFormClass.push_back(std::to_string(1 + (i * 13) % shape.forms) + ", 類" +
                           std::to_string(i % 10));
  }
  for (int i = 1; i <= 50; ++i) {
    s.EAlterBodyFieldSizeList.push_back("X" + std::to_string(i) + ", " + std::to_string(8 + i % 7) +
                                        ", " + std::to_string(6 + i % 5) + ", 欄" +
                                        std::to_string(i));
    const std::string digits = std::to_string(1000 + i).substr(1);
    s.EAlterBigFormularList.push_back("Q" + digits + ", " + std::to_string(i) +
                                      (i % 2 ? ", YES" : ", NO"));
  }
  s.DoEFormClass = s.EAlterBodyFieldSize = s.EAlterBigFormular = true;
  s.SetE15735Clear = s.SetE15706Lookup = s.SetE13090Clear = true;
  s.X101DestinationCountry15766And15768 = s.X101Country15766Mode = true;
  s.DisableOldX101Form = s.InvisibleF15104 = true;
  s.EAlterX191Lookup = s.EAlterX198Lookup = s.EAlterX198FieldLen = true;
  s.EAlterX6And7Trans = s.EAlterECFAFormular = s.EAlterFR16Formular = true;
  s.EAlterFI05Formular = s.EAlterFI36Formular = s.EAlterEZ84EZ86 = true;
}

void copyRun(benchmark::State& state, Scene& scene) {
  for (auto _ : state) {
    fs::copy_file(scene.pristine(), scene.drive() / "Forms" / "COPY.DBT",
                  fs::copy_options::overwrite_existing);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(scene.fileBytes()));
}

void upgradeRun(benchmark::State& state, Scene& scene, bool everything, const char* source = "*") {
  Quiet quiet;
  kvt::RunContext ctx(quiet, quiet, scene.fileSystem());
  ctx.ReleaseDir = "C:\\Release\\";
  ctx.FormDir = "C:\\Forms\\";
  if (everything) switchEverythingOn(ctx.switches, scene.shape());
  for (auto _ : state) {
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
    kvt::forms::UpgradeFormFile(ctx, 1, "E", source, everything, "KVTE.DBT");
  }
  if (quiet.boxes != 0) state.SkipWithError("a message box came up");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(scene.fileBytes()));
  state.counters["log_lines"] = quiet.lines / double(state.iterations());
}

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  CollectingReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      seconds[run.run_name.function_name] = run.real_accumulated_time / double(run.iterations);
    }
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50;
  Scene scene(megabytes == 0 ? 50 : megabytes);

  benchmark::RegisterBenchmark("copy", [&](benchmark::State& s) { copyRun(s, scene); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(10);
  benchmark::RegisterBenchmark("round_trip",
                               [&](benchmark::State& s) { upgradeRun(s, scene, false); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(3);
  benchmark::RegisterBenchmark("everything",
                               [&](benchmark::State& s) { upgradeRun(s, scene, true); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(3);

  benchmark::RegisterBenchmark(
      "import", [&](benchmark::State& s) { upgradeRun(s, scene, false, "NEWE.DBT"); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1);

  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto& t = reporter.seconds;
  if (!t.count("copy") || !t.count("round_trip") || !t.count("everything")) return 1;
  const double mb = double(scene.fileBytes()) / 1e6;
  std::printf("\nform file %.1f MB; copy %.3f s\n", mb, t.at("copy"));
  for (const char* name : {"round_trip", "everything", "import"}) {
    if (!t.count(name)) continue;
    std::printf("%-11s %.3f s  %.1f MB/s  %.1fx copy\n", name, t.at(name), mb / t.at(name),
                t.at(name) / t.at("copy"));
  }
  std::printf("release file %.1f MB with %d forms\n", double(scene.releaseBytes()) / 1e6,
              scene.releaseForms());
  std::printf("lists and patches add %.1f%% to the round trip\n",
              100.0 * (t.at("everything") / t.at("round_trip") - 1.0));
  return 0;
}
