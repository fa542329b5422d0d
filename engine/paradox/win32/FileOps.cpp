// The engine's file operations on Windows, with the wide file calls: the path's own UTF-16
// name, binary bytes, FlushFileBuffers for the disk and a rename that replaces its target.
#include "engine/paradox/FileOps.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "platform/win32/FilePlace.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

struct HandleClose {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

// The system's message for the last error, in English where the system has it.
std::string lastError() {
  const DWORD code = ::GetLastError();
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 ? std::wstring(text, n) : std::wstring();
  ::LocalFree(text);
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  std::string out = "error " + std::to_string(code);
  if (message.empty()) return out;
  // The message's characters as UTF-8: the error texts are logged.
  const int len = ::WideCharToMultiByte(CP_UTF8, 0, message.data(), int(message.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string utf8(size_t(std::max(len, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, message.data(), int(message.size()), utf8.data(), len, nullptr,
                        nullptr);
  return utf8 + " (" + out + ")";
}

}  // namespace

bool FileOps::readFile(const fs::path& path, std::string& bytes, std::string& error) {
  Handle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) {
    error = lastError();
    return false;
  }
  bytes.clear();
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) bytes.reserve(size_t(size.QuadPart));
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) {
      error = lastError();
      return false;
    }
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

namespace {

// Writes each piece straight to the file; the first failure ends the content.
class HandleSink final : public ByteSink {
 public:
  struct Failed {};
  explicit HandleSink(HANDLE h) : h_(h) {}
  void append(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
      if (!::WriteFile(h_, bytes.data(), chunk, &written, nullptr) || written == 0) {
        error = lastError();
        throw Failed{};
      }
      bytes.remove_prefix(written);
    }
  }
  std::string error;

 private:
  HANDLE h_;
};

}  // namespace

namespace {

class HandleInput final : public InputFile {
 public:
  HandleInput(Handle h, uint64_t size) : h_(std::move(h)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, std::span<char> out, std::string& error) override {
    while (!out.empty()) {
      OVERLAPPED at = platform::win32::placeAt(offset);
      DWORD got = 0;
      const DWORD want = DWORD(std::min<size_t>(out.size(), 1u << 30));
      if (!::ReadFile(h_.get(), out.data(), want, &got, &at)) {
        error = lastError();
        return false;
      }
      if (got == 0) {
        error = "the file ends early";
        return false;
      }
      out = out.subspan(got);
      offset += got;
    }
    return true;
  }

 private:
  Handle h_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<InputFile> FileOps::openFile(const fs::path& path, std::string& error) {
  Handle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (h.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(h.get(), &size)) {
    error = lastError();
    return nullptr;
  }
  return std::make_unique<HandleInput>(std::move(h), uint64_t(size.QuadPart));
}

bool FileOps::writeFileFrom(const fs::path& path, const FileContent& content, std::string& error) {
  Handle h(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) {
    error = lastError();
    return false;
  }
  HandleSink sink(h.get());
  try {
    content(sink);
  } catch (const HandleSink::Failed&) {
    error = sink.error;
    return false;
  }
  if (flushes() && !::FlushFileBuffers(h.get())) {
    error = lastError();
    return false;
  }
  return true;
}

bool FileOps::rename(const fs::path& from, const fs::path& to, std::string& error) {
  if (!::MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = lastError();
    return false;
  }
  return true;
}

bool FileOps::remove(const fs::path& path, std::string& error) {
  if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    error = lastError();
    return false;
  }
  return true;
}

// A directory's entries reach the disk with the files' own flushes here.
void FileOps::syncDirectory(const fs::path&) {}

FileOps& defaultFileOps() {
  static FileOps ops;
  return ops;
}

FileOps& scratchFileOps() {
  static FileOps ops(Flushing::Deferred);
  return ops;
}

}  // namespace kvt::paradox
