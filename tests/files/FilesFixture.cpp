#include "FilesFixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/LocalDate.h"

namespace kvt::files::testing {
namespace fs = std::filesystem;
namespace {

fs::path makeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "kvt-files-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  fs::create_directories(fs::path(pattern) / "drive_c");
  fs::create_directories(fs::path(pattern) / "dosdevices" / "d:");
  fs::create_directory_symlink("../drive_c", fs::path(pattern) / "dosdevices" / "c:");
  return pattern;
}

}  // namespace

FilesTest::FilesTest()
    : root(makeTempDir()), prefixFs(root), faults(prefixFs), ctx(window, ui, faults) {
  ctx.ReleaseDir = "C:\\KVT更新\\";
  mkdir(ctx.ReleaseDir);
}

FilesTest::~FilesTest() {
  std::error_code ec;
  // Read-only directories left by a test would stop the removal.
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root, ec);
}

fs::path FilesTest::local(const std::string& winPath) const {
  if (winPath.size() < 3 || winPath[1] != ':') throw std::invalid_argument(winPath);
  fs::path result =
      root / "dosdevices" / std::string{static_cast<char>(std::tolower(winPath[0])), ':'};
  std::stringstream parts(winPath.substr(3));
  for (std::string part; std::getline(parts, part, '\\');)
    if (!part.empty()) result /= part;
  return result;
}

void FilesTest::put(const std::string& winPath, const std::string& bytes, platform::FileTime time) {
  fs::path file = local(winPath);
  fs::create_directories(file.parent_path());
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + file.string());
  }
  fs::last_write_time(file, std::chrono::time_point_cast<fs::file_time_type::duration>(
                                std::chrono::file_clock::from_sys(time)));
}

std::string FilesTest::get(const std::string& winPath) const {
  std::ifstream in(local(winPath), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FilesTest::exists(const std::string& winPath) const {
  return fs::exists(local(winPath));
}

void FilesTest::mkdir(const std::string& winPath) {
  fs::create_directories(local(winPath));
}

std::vector<std::string> FilesTest::namesIn(const std::string& winDir) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(local(winDir)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

platform::FileTime Day(int year, int month, int day) {
  return platform::localDate(year, month, day);
}

platform::FileTime At(int year, int month, int day, int hour, int minute, int second) {
  return Day(year, month, day) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
         std::chrono::seconds(second);
}

}  // namespace kvt::files::testing
