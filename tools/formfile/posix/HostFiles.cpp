// POSIX: a scratch prefix whose drive Z is the root directory, as Wine sets one up.
#include "tools/formfile/HostFiles.h"
#include "platform/PrefixFileSystem.h"

namespace kvt::formfile {
namespace fs = std::filesystem;

HostFileSystem::HostFileSystem()
    : prefix_(std::make_unique<ScratchDirectory>("kvt-form-prefix")),
      fs_(std::make_unique<platform::PrefixFileSystem>(prefix_->path())) {
  fs::create_directories(prefix_->path() / "dosdevices");
  fs::create_directory_symlink("/", prefix_->path() / "dosdevices" / "z:");
}

HostFileSystem::~HostFileSystem() {
  std::error_code ec;
  fs::remove(prefix_->path() / "dosdevices" / "z:", ec);
}

std::string HostFileSystem::windowsPath(const fs::path& local) {
  std::string text = fs::absolute(local).lexically_normal().string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return "Z:" + text;
}

}  // namespace kvt::formfile
