#include "tests/paradox/TestSupport.h"

#include <fstream>
#include <random>
#include <sstream>

#include "engine/paradox/TableFiles.h"

namespace kvt::paradox::test {
namespace fs = std::filesystem;

fs::path samplesDir() {
  // As UTF-8: a narrow string would be read in the ANSI code page on Windows.
  const fs::path dir = u8"" KVT_SAMPLES_DIR;
  std::error_code ec;
  return fs::is_directory(dir, ec) ? dir : fs::path();
}

ScratchDir::ScratchDir() {
  std::random_device rd;
  path_ =
      fs::temp_directory_path() / ("kvt-paradox-" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void ScratchDir::copySamples(const std::string& subdir) const {
  for (const auto& e : fs::directory_iterator(samplesDir() / subdir)) {
    if (!e.is_regular_file()) continue;
    const fs::path to = path_ / e.path().filename();
    fs::copy_file(e.path(), to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  }
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::pair<std::string, std::string>> sampleTables() {
  std::vector<std::pair<std::string, std::string>> out;
  if (samplesDir().empty()) return out;
  for (const auto& sub : fs::directory_iterator(samplesDir())) {
    if (!sub.is_directory()) continue;
    for (const auto& e : fs::directory_iterator(sub.path())) {
      const std::string name = e.path().filename().string();
      if (upperAscii(e.path().extension().string()) == ".DB") {
        out.emplace_back(sub.path().filename().string(), e.path().stem().string());
      }
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

void forEachSampleTable(const std::function<void(const fs::path&, const std::string&)>& f) {
  for (const std::string subdir : {"db", "fields", "geog", "joins", "mtdemo"}) {
    ScratchDir dir;
    dir.copySamples(subdir);
    for (const auto& [sub, stem] : sampleTables()) {
      if (sub != subdir) continue;
      SCOPED_TRACE(subdir + "/" + stem);
      f(dir.path(), stem);
    }
  }
}

std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    out[e.path().filename().string()] = readFile(e.path());
  }
  return out;
}

}  // namespace kvt::paradox::test
