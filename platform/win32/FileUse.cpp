// Other processes' open files on Windows: an open that shares nothing fails with a sharing
// violation while any other handle with read, write or delete access is open, which answers
// "in use" for the package and its table engine alike. A hold keeps one handle per file that
// lets others read and lets this process rename and delete (the writers replace files by
// renames), but keeps every other writer out until it is released.
#include <windows.h>

#include "platform/FileUse.h"

namespace kvt::platform {
namespace fs = std::filesystem;
namespace {

enum class Probe { Missing, Free, Busy };

Probe probe(const fs::path& file) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return Probe::Free;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Probe::Missing;
  // A sharing or lock violation is another process; any other refusal (access denied) leaves
  // the file unknown, which is not taken as free.
  return Probe::Busy;
}

class HandleHold : public FileHold {
 public:
  ~HandleHold() override {
    for (HANDLE h : handles_) CloseHandle(h);
  }
  void keep(HANDLE h) { handles_.push_back(h); }

 private:
  std::vector<HANDLE> handles_;
};

class WindowsFileUse : public FileUse {
 public:
  std::vector<fs::path> inUse(const std::vector<fs::path>& files) const override {
    std::vector<fs::path> out;
    for (const auto& f : files) {
      if (probe(f) == Probe::Busy) out.push_back(f);
    }
    return out;
  }

  HoldResult hold(const std::vector<fs::path>& files) const override {
    HoldResult result;
    auto held = std::make_unique<HandleHold>();
    for (const auto& f : files) {
      // First an open that shares nothing: it fails while any other process has the file.
      const Probe state = probe(f);
      if (state == Probe::Missing) continue;
      if (state == Probe::Busy) {
        result.inUse.push_back(f);
        continue;
      }
      // Then the held handle, which shares reading and deleting only: no other process can
      // open the file for writing until the hold ends, and this one can still replace it.
      HANDLE h = CreateFileW(f.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) result.inUse.push_back(f);
        continue;
      }
      held->keep(h);
    }
    if (result.inUse.empty()) result.hold = std::move(held);
    return result;
  }
};

}  // namespace

const FileUse& systemFileUse() {
  static const WindowsFileUse use;
  return use;
}

}  // namespace kvt::platform
