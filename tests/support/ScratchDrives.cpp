#include "support/ScratchDrives.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kvt::testing {
namespace fs = std::filesystem;

fs::path Utf8Path(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

void PutLocal(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + Utf8Text(file));
}

std::string GetLocal(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + Utf8Text(file));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void RemoveTree(const fs::path& dir) {
  std::error_code ec;
  // Read-only files and directories left by a test would stop the removal.
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (!it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir, ec);
}

fs::path MakeTempDir(std::string_view stem) {
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path dir =
        fs::temp_directory_path() / (std::string(stem) + "-" + std::to_string(random() % 1000000));
    if (fs::create_directory(dir)) return dir;
  }
  throw std::runtime_error("no fresh temporary directory");
}

ScratchDrives::~ScratchDrives() {
  fs_.reset();
  RemoveTree(root_);
}

fs::path ScratchDrives::local(std::string_view winPath) const {
  fs::path p;
  std::string_view rest;
  if (winPath.starts_with("\\\\")) {
    p = network();
    rest = winPath.substr(2);
  } else if (winPath.size() >= 2 && winPath[1] == ':') {
    p = drive(winPath[0]);
    rest = winPath.substr(2);
  } else {
    throw std::invalid_argument("not a drive or network path: " + std::string(winPath));
  }
  while (!rest.empty()) {
    const size_t slash = rest.find('\\');
    const std::string_view part = rest.substr(0, slash);
    if (!part.empty()) p /= Utf8Path(part);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return p;
}

void ScratchDrives::put(std::string_view winPath, std::string_view bytes) const {
  PutLocal(local(winPath), bytes);
}

std::string ScratchDrives::get(std::string_view winPath) const {
  return GetLocal(local(winPath));
}

bool ScratchDrives::exists(std::string_view winPath) const {
  std::error_code ec;
  return fs::exists(local(winPath), ec);
}

void ScratchDrives::mkdir(std::string_view winPath) const {
  fs::create_directories(local(winPath));
}

std::vector<std::string> ScratchDrives::namesIn(std::string_view winDir) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(local(winDir), ec))
    names.push_back(Utf8Text(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kvt::testing
