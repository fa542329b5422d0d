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

bool FileOps::writeFile(const fs::path& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = describe(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = describe(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) {
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
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

FileOps& defaultFileOps() {
  static FileOps ops;
  return ops;
}

}  // namespace kvt::paradox
