#include "tools/formfile/HostFiles.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace kvt::formfile {
namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory(const std::string& stem) {
  std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "cannot make a scratch directory");
  }
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

HostFileSystem::HostFileSystem() : prefix_("kvt-form-prefix"), fs_(prefix_.path()) {
  fs::create_directories(prefix_.path() / "dosdevices");
  fs::create_directory_symlink("/", prefix_.path() / "dosdevices" / "z:");
}

HostFileSystem::~HostFileSystem() {
  std::error_code ec;
  fs::remove(prefix_.path() / "dosdevices" / "z:", ec);
}

std::string HostFileSystem::windowsPath(const fs::path& local) {
  std::string text = fs::absolute(local).lexically_normal().string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return "Z:" + text;
}

void StreamUi::messageBox(platform::BoxKind kind, const std::string& text) {
  const char* label = kind == platform::BoxKind::Error     ? "error"
                      : kind == platform::BoxKind::Warning ? "warning"
                                                           : "note";
  std::string oneLine = text;
  for (size_t at; (at = oneLine.find("\r\n")) != std::string::npos;) oneLine.replace(at, 2, " ");
  out_ << "kvt-form: " << label << ": " << oneLine << "\n";
}

}  // namespace kvt::formfile
