// Windows: the real file system; a local path is already a Windows one.
#include "tools/formfile/HostFiles.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsFileSystem.h"

namespace kvt::formfile {
namespace fs = std::filesystem;

HostFileSystem::HostFileSystem() : fs_(std::make_unique<platform::WindowsFileSystem>()) {}

HostFileSystem::~HostFileSystem() = default;

std::string HostFileSystem::windowsPath(const fs::path& local) {
  std::wstring text = fs::absolute(local).lexically_normal().wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return platform::win32::narrow(text);
}

}  // namespace kvt::formfile
