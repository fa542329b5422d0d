// Read and save speed of a large form file beside a plain copy of the same file.
//
//   bench_forms [benchmark flags] [MB]   (default 50)
//
// Generates a form file of about MB megabytes (thousands of forms, hundreds of thousands of
// placements) in a scratch prefix, then measures, in one run:
//   copy        the file copied to another name;
//   read        ReadFormFile into seven fresh Paradox tables (the tables written to disk);
//   save        SaveFormFile of those tables over a form file (with its temporary file and backup);
//   round_trip  read, then save;
// and, to tell the form file code from the table engine's part:
//   read_to_memory  ReadFormFile into in-memory tables;
//   decode_only     every row of the file decoded and checked, none stored;
//   encode_only     the form file's bytes made from the Paradox tables, not written.
// Each reports seconds per run, MB/s of the form file and the peak resident memory of the run
// (the high-water mark is reset before each run where the kernel allows it). The summary after
// the table gives each against the copy.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "bench/forms/FormFileGenerator.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileCodec.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "platform/PrefixFileSystem.h"
#include "schema/MemoryDatabase.h"

namespace fs = std::filesystem;

namespace {

class QuietUi : public kvt::platform::Ui {
 public:
  int boxes = 0;
  void messageBox(kvt::platform::BoxKind, const std::string&) override { ++boxes; }
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

// Peak resident memory of the process in bytes. resetPeak starts a new high-water mark where
// /proc/self/clear_refs allows it; otherwise the peak is that of the whole process so far.
bool resetPeak() {
  ::malloc_trim(0);  // what earlier runs freed is not this run's memory
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.close();
  return bool(out);
}

uint64_t peakBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      uint64_t kb = 0;
      status >> kb;
      return kb * 1024;
    }
    status.ignore(1 << 16, '\n');
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return uint64_t(usage.ru_maxrss) * 1024;
}

// A scratch prefix with drive C holding the generated form file.
class Scene {
 public:
  explicit Scene(uint64_t megabytes)
      : root_(fs::temp_directory_path() / ("kvt-bench-forms-" + std::to_string(::getpid()))),
        fs_(root_) {
    fs::create_directories(drive() / "Forms");
    fs::create_directories(drive() / "Out");
    fs::create_directories(drive() / "Table");
    fs::create_directories(drive() / "windows");
    const auto start = std::chrono::steady_clock::now();
    shape_ = kvt::bench::formFileShapeOfSize(megabytes << 20);
    fileBytes_ =
        kvt::bench::GenerateFormFile(drive() / "Made", drive() / "Forms" / "KVTE.DBT", shape_);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("generated %.1f MB: %d forms, %lld rows, in %.1f s\n", double(fileBytes_) / 1e6,
                shape_.forms, static_cast<long long>(shape_.rowCount()), took.count());
  }
  ~Scene() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  fs::path drive() const { return root_ / "dosdevices" / "c:"; }
  kvt::platform::PrefixFileSystem& fileSystem() { return fs_; }
  uint64_t fileBytes() const { return fileBytes_; }
  // The backup stamp of the next save.
  int64_t nextSecond() { return second_++; }

 private:
  fs::path root_;
  kvt::platform::PrefixFileSystem fs_;
  kvt::bench::FormFileShape shape_;
  uint64_t fileBytes_ = 0;
  int64_t second_ = 1700000000;
};

constexpr const char* kSource = "C:\\Forms\\KVTE.DBT";
constexpr const char* kTarget = "C:\\Out\\KVTE.DBT";

// The work tables in C:\Table, a scratch directory of this program alone as the form upgrade
// opens its own (OpenWorkTables).
kvt::paradox::ParadoxDatabase workTables(Scene& scene) {
  return kvt::paradox::ParadoxDatabase(scene.drive() / "Table", "C:\\Table\\",
                                       kvt::paradox::Sharing::Private);
}

// Reads the form file into fresh tables in C:\Table (the tables are written when the reader
// closes them).
bool readInto(Scene& scene, QuietUi& ui) {
  auto db = workTables(scene);
  kvt::forms::CreateFormTables(db);
  return kvt::forms::ReadFormFile(scene.fileSystem(), ui, kSource, db);
}

bool saveFrom(Scene& scene, QuietUi& ui) {
  auto db = workTables(scene);
  // Each run stamped a second after the last: its backup is a new file of its own, as a save
  // of a real run makes it (one stamp would make each later run search the numbered names of
  // the earlier backups).
  const kvt::platform::FileTime stamp{std::chrono::seconds(scene.nextSecond())};
  return kvt::forms::SaveFormFile(scene.fileSystem(), ui, db, kTarget, stamp);
}

void measure(benchmark::State& state, Scene& scene, bool (*step)(Scene&, QuietUi&)) {
  const bool peakReset = resetPeak();
  for (auto _ : state) {
    QuietUi ui;
    if (!step(scene, ui)) {
      state.SkipWithError("the form file step failed");
      break;
    }
  }
  const double bytes = double(scene.fileBytes());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(scene.fileBytes()));
  state.counters["peak_MB"] = double(peakBytes()) / 1e6;
  state.counters["peak_per_file"] = double(peakBytes()) / bytes;
  state.counters["peak_reset"] = peakReset ? 1 : 0;
}

bool copyStep(Scene& scene, QuietUi&) {
  std::error_code error;
  fs::copy_file(scene.drive() / "Forms" / "KVTE.DBT", scene.drive() / "Out" / "COPY.DBT",
                fs::copy_options::overwrite_existing, error);
  return !error;
}

// The reader alone, into in-memory tables: what the Paradox engine adds to a read is the
// difference to "read".
bool readToMemory(Scene& scene, QuietUi& ui) {
  kvt::MemoryDatabase db;
  kvt::forms::CreateFormTables(db);
  return kvt::forms::ReadFormFile(scene.fileSystem(), ui, kSource, db);
}

// The parser alone: every row of the file decoded into a row buffer and checked, as the
// reader's first pass does, none stored.
bool decodeOnly(Scene& scene, QuietUi&) {
  const std::optional<std::string> bytes = scene.fileSystem().readFile(kSource);
  if (!bytes) return false;
  const kvt::forms::FormFileHeader header = kvt::forms::readFormFileHeader(*bytes);
  return header.status == kvt::forms::FormFileHeader::Status::Ok &&
         kvt::forms::checkFormFileSections(*bytes, header.bodyStart, header.version);
}

// The writer's encoding alone, from the Paradox tables, without writing the file.
bool encodeOnly(Scene& scene, QuietUi&) {
  auto db = workTables(scene);
  return !kvt::forms::encodeFormFile(db, kvt::forms::ProgramFormVersion).empty();
}

bool roundTripStep(Scene& scene, QuietUi& ui) {
  return readInto(scene, ui) && saveFrom(scene, ui);
}

// The console table, and the seconds per run and peak of each benchmark for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  CollectingReporter() : ConsoleReporter(OO_Tabular) {}
  struct Result {
    double seconds = 0;
    double peak = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      const auto peak = run.counters.find("peak_MB");
      results[run.run_name.function_name] = {
          run.real_accumulated_time / double(run.iterations),
          peak == run.counters.end() ? 0.0 : double(peak->second.value)};
    }
  }
  std::map<std::string, Result> results;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50;
  Scene scene(megabytes == 0 ? 50 : megabytes);
  {
    // The tables the save runs write out, and the file for the copy's target directory.
    QuietUi ui;
    if (!readInto(scene, ui)) {
      std::fprintf(stderr, "the generated form file does not read\n");
      return 1;
    }
    // A save in a run replaces the file that was read: every save here replaces one too.
    std::error_code error;
    fs::copy_file(scene.drive() / "Forms" / "KVTE.DBT", scene.drive() / "Out" / "KVTE.DBT",
                  fs::copy_options::overwrite_existing, error);
    if (error) {
      std::fprintf(stderr, "the save's target cannot be made: %s\n", error.message().c_str());
      return 1;
    }
  }
  const auto add = [&](const char* name, bool (*step)(Scene&, QuietUi&), int iterations) {
    benchmark::RegisterBenchmark(
        name, [&scene, step](benchmark::State& state) { measure(state, scene, step); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
  };
  add("copy", copyStep, 20);
  add("read", readInto, 3);
  add("save", saveFrom, 3);
  add("round_trip", roundTripStep, 3);
  add("read_to_memory", readToMemory, 3);
  add("decode_only", decodeOnly, 3);
  add("encode_only", encodeOnly, 3);

  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto& r = reporter.results;
  if (!r.count("copy") || !r.count("round_trip")) return 1;
  const double copy = r.at("copy").seconds;
  const double mb = double(scene.fileBytes()) / 1e6;
  std::printf("\nform file %.1f MB; copy %.3f s (%.0f MB/s)\n", mb, copy, mb / copy);
  for (const char* name :
       {"read", "save", "round_trip", "read_to_memory", "decode_only", "encode_only"}) {
    if (!r.count(name)) continue;
    const auto& x = r.at(name);
    std::printf("%-14s %.3f s  %.1f MB/s  %.1fx copy  peak %.0f MB = %.2fx file\n", name, x.seconds,
                mb / x.seconds, x.seconds / copy, x.peak, x.peak / mb);
  }
  std::printf("goals: round trip within 10x copy, peak within 3x file\n");
  return 0;
}
