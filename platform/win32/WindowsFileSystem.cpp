#include "platform/win32/WindowsFileSystem.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <type_traits>

#include "platform/AsciiText.h"
#include "platform/win32/FilePlace.h"
#include "platform/win32/WideText.h"

namespace kvt::platform {
namespace {

using win32::narrow;
using win32::widen;

struct HandleClose {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

struct FindClose {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
  }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindClose>;

// Only full paths: a drive letter with its backslash, or a network path \\server\share.
bool isFullPath(std::string_view p) {
  if (p.size() >= 3 && AsciiUpper(p[0]) >= 'A' && AsciiUpper(p[0]) <= 'Z' && p[1] == ':' &&
      (p[2] == '\\' || p[2] == '/'))
    return true;
  return p.size() > 2 && (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/') &&
         p[2] != '?' && p[2] != '.';
}

// The wide form of a full path, or empty when the text is no full path. "C:" alone names the
// drive's root.
std::wstring wide(std::string_view path) {
  if (path.size() == 2 && path[1] == ':') return widen(std::string(path) + "\\");
  return isFullPath(path) ? widen(path) : std::wstring();
}

DWORD attributesOf(std::string_view path) {
  const std::wstring w = wide(path);
  return w.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(w.c_str());
}

bool setAttributes(std::string_view path, DWORD remove, DWORD add) {
  const DWORD a = attributesOf(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  DWORD wanted = (a & ~remove) | add;
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return wanted == a || ::SetFileAttributesW(wide(path).c_str(), wanted) != 0;
}

bool isDirectoryAttr(DWORD a) {
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The directory part of a wide full path, with its trailing separator.
std::wstring parentOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// The writer over a new file; every write names its place, so a patch leaves the end where it
// was. A failed write is remembered so that the file is not kept.
class HandleWriter : public FileWriter {
 public:
  explicit HandleWriter(HANDLE h) : h_(h) {}
  bool append(std::string_view bytes) override {
    ok_ = ok_ && writeAt(size_, bytes);
    size_ += bytes.size();
    return ok_;
  }
  bool patch(uint64_t at, std::string_view bytes) override {
    ok_ = ok_ && at <= size_ && bytes.size() <= size_ - at && writeAt(at, bytes);
    return ok_;
  }
  bool ok() const { return ok_; }

 private:
  bool writeAt(uint64_t at, std::string_view bytes) {
    while (!bytes.empty()) {
      OVERLAPPED place = win32::placeAt(at);
      DWORD written = 0;
      const DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
      if (!::WriteFile(h_, bytes.data(), chunk, &written, &place) || written == 0) return false;
      bytes.remove_prefix(written);
      at += written;
    }
    return true;
  }

  HANDLE h_;
  uint64_t size_ = 0;
  bool ok_ = true;
};

// A new temporary file, deleted when it goes out of scope unless kept; its handle is closed
// first, as Windows deletes no file that is open.
class TemporaryFile {
 public:
  TemporaryFile(std::wstring name, Handle h) : name_(std::move(name)), h_(std::move(h)) {}
  ~TemporaryFile() {
    h_.reset();
    if (!kept_) ::DeleteFileW(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::wstring& name() const { return name_; }
  HANDLE handle() const { return h_.get(); }
  void close() { h_.reset(); }
  void keep() { kept_ = true; }

 private:
  std::wstring name_;
  Handle h_;
  bool kept_ = false;
};

// Writes what `content` hands over to a new temporary file beside `target`, flushed to the
// disk, and moves it over the target. False, with the target as it was, when any of it fails.
bool replaceWithContent(const std::wstring& target,
                        const std::function<bool(FileWriter&)>& content) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[40];
    // A leading dot keeps a leftover out of the tool's listings and clean-ups.
    swprintf(name, 40, L".kvt~%016llx.tmp", static_cast<unsigned long long>(random()));
    std::wstring temp = parentOf(target) + name;
    Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return false;
    }
    TemporaryFile written(std::move(temp), std::move(h));
    HandleWriter out(written.handle());
    if (!content(out) || !out.ok() || !::FlushFileBuffers(written.handle())) return false;
    written.close();
    if (!::MoveFileExW(written.name().c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    written.keep();
    return true;
  }
  return false;
}

DirEntry entryOf(const WIN32_FIND_DATAW& d) {
  DirEntry e;
  e.name = narrow(d.cFileName);
  e.isDirectory = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  e.readOnly = (d.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  e.modified = win32::fromFiletime(d.ftLastWriteTime);
  return e;
}

// Calls `each` for every entry FindFirstFileExW finds for the pattern, "." and ".." too;
// false when the directory cannot be read.
template <typename Each>
bool forEachFound(std::string_view pattern, Each each) {
  std::wstring w = wide(pattern);
  if (w.empty()) {
    // "C:*.*": the root of the drive.
    if (pattern.size() < 2 || pattern[1] != ':') return false;
    w = wide(std::string(pattern.substr(0, 2)) + "\\" + std::string(pattern.substr(2)));
  }
  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileExW(w.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (find.get() == INVALID_HANDLE_VALUE) {
    // No match in a directory that is there is an empty listing, not a failure.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND &&
           isDirectoryAttr(::GetFileAttributesW(parentOf(w).c_str()));
  }
  do {
    each(data);
  } while (::FindNextFileW(find.get(), &data));
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

std::optional<std::filesystem::path> WindowsFileSystem::resolve(std::string_view winPath) const {
  if (winPath.size() >= 2 && winPath[1] == ':') {
    const char letter = AsciiUpper(winPath[0]);
    if (letter < 'A' || letter > 'Z' || (logicalDrives() & (1u << (letter - 'A'))) == 0)
      return std::nullopt;
  }
  std::wstring w = wide(winPath);
  if (w.empty()) return std::nullopt;
  // The full form: "." and ".." gone, "/" made "\", as every call would read the path.
  const DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return std::nullopt;
  std::wstring full(n, L'\0');
  const DWORD got = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return std::nullopt;
  full.resize(got);
  return std::filesystem::path(full);
}

std::optional<std::string> WindowsFileSystem::windowsPathOf(
    const std::filesystem::path& local) const {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(local, ec);
  if (ec) return std::nullopt;
  std::wstring w = full.wstring();
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return narrow(w);
}

uint32_t WindowsFileSystem::logicalDrives() const {
  return ::GetLogicalDrives();
}

DriveType WindowsFileSystem::driveType(char letter) const {
  const wchar_t root[] = {wchar_t(AsciiUpper(letter)), L':', L'\\', L'\0'};
  switch (::GetDriveTypeW(root)) {
    case DRIVE_NO_ROOT_DIR:
      return DriveType::NoRootDir;
    case DRIVE_REMOVABLE:
      return DriveType::Removable;
    case DRIVE_FIXED:
      return DriveType::Fixed;
    case DRIVE_REMOTE:
      return DriveType::Remote;
    case DRIVE_CDROM:
      return DriveType::CdRom;
    case DRIVE_RAMDISK:
      return DriveType::RamDisk;
    default:
      return DriveType::Unknown;
  }
}

std::string WindowsFileSystem::windowsDirectory() const {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return "C:\\Windows";
  return excludeTrailingBackslash(narrow(std::wstring_view(buffer, n)));
}

bool WindowsFileSystem::fileExists(std::string_view path) const {
  const DWORD a = attributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WindowsFileSystem::directoryExists(std::string_view path) const {
  return isDirectoryAttr(attributesOf(path));
}

std::optional<FileTime> WindowsFileSystem::modificationTime(std::string_view path) const {
  const std::wstring w = wide(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (w.empty() || !::GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  return win32::fromFiletime(data.ftLastWriteTime);
}

bool WindowsFileSystem::setModificationTime(std::string_view path, FileTime t) {
  const std::wstring w = wide(path);
  if (w.empty()) return false;
  // Backup semantics open a directory as well as a file.
  Handle h(::CreateFileW(w.c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) return false;
  const FILETIME ft = win32::toFiletime(t);
  return ::SetFileTime(h.get(), nullptr, nullptr, &ft) != 0;
}

bool WindowsFileSystem::isReadOnly(std::string_view path) const {
  const DWORD a = attributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0;
}

bool WindowsFileSystem::setReadOnly(std::string_view path, bool readOnly) {
  return readOnly ? setAttributes(path, 0, FILE_ATTRIBUTE_READONLY)
                  : setAttributes(path, FILE_ATTRIBUTE_READONLY, 0);
}

bool WindowsFileSystem::clearAttributes(std::string_view path) {
  return setAttributes(path,
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 0);
}

bool WindowsFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  const std::wstring source = wide(from), target = wide(to);
  if (source.empty() || target.empty()) return false;
  // Windows refuses a read-only target; said here too, as a process with every right (Wine
  // run as root) would otherwise write through it.
  const DWORD a = ::GetFileAttributesW(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) return false;
  // CopyFileW keeps the modification time to the 100 nanoseconds.
  return ::CopyFileW(source.c_str(), target.c_str(), failIfExists) != 0;
}

bool WindowsFileSystem::moveFile(std::string_view from, std::string_view to) {
  const std::wstring source = wide(from), target = wide(to);
  if (source.empty() || target.empty()) return false;
  // A change of letter case only goes by way of another name: Wine on a case-sensitive disk
  // takes the target for the source itself and keeps the old name.
  if (source != target &&
      ::CompareStringOrdinal(source.c_str(), -1, target.c_str(), -1, TRUE) == CSTR_EQUAL) {
    const std::wstring aside = source + L".kvt~case";
    return ::MoveFileExW(source.c_str(), aside.c_str(), 0) &&
           (::MoveFileExW(aside.c_str(), target.c_str(), 0) ||
            (::MoveFileExW(aside.c_str(), source.c_str(), 0), false));
  }
  // Another volume: a file moves by copy and delete. Never over an existing target.
  return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool WindowsFileSystem::deleteFile(std::string_view path) {
  const std::wstring w = wide(path);
  return !w.empty() && ::DeleteFileW(w.c_str()) != 0;
}

bool WindowsFileSystem::createDirectory(std::string_view path) {
  const std::wstring w = wide(path);
  return !w.empty() && ::CreateDirectoryW(w.c_str(), nullptr) != 0;
}

bool WindowsFileSystem::forceDirectories(std::string_view path) {
  std::wstring w = wide(path);
  if (w.empty()) return false;
  // Each missing level from the top down, past the drive or the share.
  size_t start = w[1] == L':' ? 3 : w.find_first_of(L"\\/", w.find_first_of(L"\\/", 2) + 1);
  for (size_t at = start; at != std::wstring::npos && at < w.size();) {
    at = w.find_first_of(L"\\/", at + 1);
    const std::wstring level = w.substr(0, at);
    if (!isDirectoryAttr(::GetFileAttributesW(level.c_str())))
      ::CreateDirectoryW(level.c_str(), nullptr);
  }
  return isDirectoryAttr(::GetFileAttributesW(w.c_str()));
}

bool WindowsFileSystem::removeDirectory(std::string_view path) {
  const std::wstring w = wide(path);
  return !w.empty() && ::RemoveDirectoryW(w.c_str()) != 0;
}

std::optional<std::vector<DirEntry>> WindowsFileSystem::list(std::string_view pattern) const {
  std::vector<DirEntry> entries;
  if (!forEachFound(pattern, [&](const WIN32_FIND_DATAW& d) { entries.push_back(entryOf(d)); }))
    return std::nullopt;
  return entries;
}

std::optional<std::vector<NameEntry>> WindowsFileSystem::listNames(std::string_view pattern) const {
  std::vector<NameEntry> entries;
  const bool ok = forEachFound(pattern, [&](const WIN32_FIND_DATAW& d) {
    const std::wstring_view name = d.cFileName;
    if (name == L"." || name == L"..") return;
    // A reparse point (a symbolic link or a junction) may lead back up the tree.
    entries.push_back({narrow(name), (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  });
  if (!ok) return std::nullopt;
  return entries;
}

std::optional<std::string> WindowsFileSystem::readFile(std::string_view path) const {
  const std::wstring w = wide(path);
  if (w.empty()) return std::nullopt;
  Handle h(::CreateFileW(w.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h.get(), &size)) bytes.reserve(size_t(size.QuadPart));
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

bool WindowsFileSystem::writeFile(std::string_view path, std::string_view bytes) {
  return writeFileWith(path, [&](FileWriter& out) { return out.append(bytes); });
}

bool WindowsFileSystem::writeFileWith(std::string_view path,
                                      const std::function<bool(FileWriter&)>& content) {
  const std::wstring target = wide(path);
  if (target.empty()) return false;
  const DWORD a = ::GetFileAttributesW(target.c_str());
  // Windows opens neither a directory nor a read-only file for writing.
  if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return false;
  return replaceWithContent(target, content);
}

}  // namespace kvt::platform
