#include "engine/paradox/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kvt::paradox {
namespace fs = std::filesystem;

namespace {

std::string describe(int err) {
  return std::strerror(err);
}

}  // namespace

bool FileOps::readFile(const fs::path& path, std::string& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = describe(errno);
    return false;
  }
  bytes.clear();
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = describe(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

namespace {

// Writes each piece straight to the file; the first failure ends the content.
class FdSink final : public ByteSink {
 public:
  struct Failed {};
  explicit FdSink(int fd) : fd_(fd) {}
  void append(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        throw Failed{};
      }
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }
  int error = 0;

 private:
  int fd_;
};

}  // namespace

namespace {

class FdInput final : public InputFile {
 public:
  FdInput(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FdInput() override { ::close(fd_); }
  FdInput(const FdInput&) = delete;
  FdInput& operator=(const FdInput&) = delete;
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, std::span<char> out, std::string& error) override {
    while (!out.empty()) {
      const ssize_t n = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR) continue;
        error = describe(errno);
        return false;
      }
      if (n == 0) {
        error = "the file ends early";
        return false;
      }
      out = out.subspan(static_cast<size_t>(n));
      offset += static_cast<uint64_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<InputFile> FileOps::openFile(const fs::path& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    error = describe(errno);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return std::make_unique<FdInput>(fd, static_cast<uint64_t>(st.st_size));
}

bool FileOps::writeFileFrom(const fs::path& path, const FileContent& content, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = describe(errno);
    return false;
  }
  FdSink sink(fd);
  try {
    content(sink);
  } catch (const FdSink::Failed&) {
    error = describe(sink.error);
    ::close(fd);
    return false;
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (flushes() && ::fsync(fd) != 0) {
    error = describe(errno);
    ::close(fd);
    return false;
  }
  if (::close(fd) != 0) {
    error = describe(errno);
    return false;
  }
  return true;
}

bool FileOps::rename(const fs::path& from, const fs::path& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    error = describe(errno);
    return false;
  }
  return true;
}

bool FileOps::remove(const fs::path& path, std::string& error) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = describe(errno);
    return false;
  }
  return true;
}

void FileOps::syncDirectory(const fs::path& dir) {
  if (!flushes()) return;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

FileOps& defaultFileOps() {
  static FileOps ops;
  return ops;
}

FileOps& scratchFileOps() {
  static FileOps ops(Flushing::Deferred);
  return ops;
}

}  // namespace kvt::paradox
