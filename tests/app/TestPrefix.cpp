#include "TestPrefix.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/Cp950.h"

namespace kvt::app::testing {
namespace fs = std::filesystem;
namespace {

fs::path makeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "kvt-app-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace

TestPrefix::TestPrefix() : root_(makeTempDir()), fs_(root_) {
  fs::create_directories(root_ / "drive_c" / "windows");
  fs::create_directories(root_ / "dosdevices" / "d:");
  fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
}

TestPrefix::~TestPrefix() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path TestPrefix::local(std::string_view winPath) const {
  if (winPath.size() < 2 || winPath[1] != ':') throw std::invalid_argument("not a drive path");
  char drive = static_cast<char>(winPath[0] | 0x20);
  fs::path p = drive == 'c' ? root_ / "drive_c" : root_ / "dosdevices" / std::string{drive, ':'};
  std::string_view rest = winPath.substr(2);
  while (!rest.empty()) {
    size_t slash = rest.find('\\');
    std::string_view part = rest.substr(0, slash);
    if (!part.empty()) p /= std::string(part);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return p;
}

void TestPrefix::put(std::string_view winPath, std::string_view bytes) {
  fs::path file = local(winPath);
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void TestPrefix::putCp950(std::string_view winPath, std::string_view utf8) {
  put(winPath, platform::utf8ToCp950(utf8));
}

void TestPrefix::mkdir(std::string_view winPath) {
  fs::create_directories(local(winPath));
}

bool TestPrefix::exists(std::string_view winPath) const {
  return fs::exists(local(winPath));
}

}  // namespace kvt::app::testing
