#include "platform/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <random>

namespace kvt::platform {
namespace fs = std::filesystem;
namespace {

// An open temporary file beside a target; removed again unless committed.
class TempFile {
 public:
  TempFile(const fs::path& target, mode_t mode) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    // A leading dot keeps a leftover (after a crash) out of "X*.*" listings and out of the
    // directory clean-ups, which skip names beginning with ".".
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      char name[40];
      std::snprintf(name, sizeof name, ".kvt~%016llx.tmp",
                    static_cast<unsigned long long>(random()));
      path_ = target.parent_path() / name;
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    created_ = fd_ >= 0;
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !committed_) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  bool write(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool writeAt(off_t at, std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
      at += n;
    }
    return true;
  }

  // Flushes the content to the disk and moves it into place.
  bool commit(const fs::path& target, bool noReplace) {
    if (::fdatasync(fd_) != 0 && errno != EINVAL) return false;
    int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) return false;
    bool moved =
        noReplace ? renameNoReplace(path_, target) : ::rename(path_.c_str(), target.c_str()) == 0;
    committed_ = moved;
    return moved;
  }

 private:
  fs::path path_;
  int fd_ = -1;
  bool created_ = false;
  bool committed_ = false;
};

// The writer over a temporary file; a failed write is remembered so that the file is not kept.
class TempFileWriter : public FileWriter {
 public:
  explicit TempFileWriter(TempFile& file) : file_(file) {}
  bool append(std::string_view bytes) override {
    ok_ = ok_ && file_.write(bytes);
    size_ += bytes.size();
    return ok_;
  }
  bool patch(uint64_t at, std::string_view bytes) override {
    ok_ = ok_ && at <= size_ && bytes.size() <= size_ - at && file_.writeAt(off_t(at), bytes);
    return ok_;
  }
  bool ok() const { return ok_; }

 private:
  TempFile& file_;
  uint64_t size_ = 0;
  bool ok_ = true;
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool copyContent(int from, int to, off_t size) {
  // copy_file_range lets the kernel (or the file system) copy without a trip through here.
  off_t done = 0;
  while (done < size) {
    ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(size - done), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
      break;
    if (n < 0) return false;
    if (n == 0) return true;  // the source shrank meanwhile
    done += n;
  }
  if (done >= size) return true;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t written = 0; written < n;) {
      ssize_t w = ::write(to, buffer + written, static_cast<size_t>(n - written));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      written += w;
    }
  }
}

}  // namespace

bool replaceWithContent(const fs::path& target, std::optional<mode_t> mode,
                        const std::function<bool(FileWriter&)>& content) {
  TempFile temp(target, mode.value_or(0666));
  if (!temp.ok()) return false;
  TempFileWriter out(temp);
  if (!content(out) || !out.ok()) return false;
  // open() applied the umask: a replaced file keeps its own bits.
  if (mode && ::fchmod(temp.fd(), *mode) != 0) return false;
  return temp.commit(target, false);
}

bool replaceWithCopy(const fs::path& source, const fs::path& target, bool noReplace) {
  Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  TempFile temp(target, st.st_mode & 07777);
  if (!temp.ok() || !copyContent(in.get(), temp.fd(), st.st_size)) return false;
  const struct timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
  if (::fchmod(temp.fd(), st.st_mode & 07777) != 0 || ::futimens(temp.fd(), times) != 0)
    return false;
  return temp.commit(target, noReplace);
}

bool renameNoReplace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse atomically: test first. Nothing else renames concurrently.
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace kvt::platform
