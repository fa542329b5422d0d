#include "ScratchPrefix.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kvt::platform::testing {
namespace fs = std::filesystem;
namespace {

fs::path makeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "kvt-platform-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace

ScratchPrefix::ScratchPrefix() : root_(makeTempDir()), fs_(root_) {
  fs::create_directories(root_ / "drive_c");
  fs::create_directories(root_ / "dosdevices" / "d:");
  fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
}

ScratchPrefix::~ScratchPrefix() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void ScratchPrefix::put(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string ScratchPrefix::get(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kvt::platform::testing
