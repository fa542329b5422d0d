// Other processes' open files as /proc lists them: every process's descriptors under
// /proc/PID/fd, and the byte-range and whole-file locks of /proc/locks (which also show
// holders whose descriptors this user may not read). Files are matched by device and inode,
// so any name or link that leads to a file finds it. Under Wine the package's open files
// show in its own process and in the Wine server's.
//
// A hold takes a shared whole-file lock on each file and only then looks, so that a process
// that opens a file while the hold is being taken is seen too. POSIX has no lock
// that keeps an open() out; the lock keeps out every lock request that would conflict, which
// is how the Windows programs under Wine ask for a file or a region of it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/FileUse.h"

namespace kvt::platform {
namespace fs = std::filesystem;
namespace {

struct FileId {
  dev_t dev;
  ino_t ino;
  auto operator<=>(const FileId&) const = default;
};

// The files asked about, by identity, with their places in the caller's list.
using Wanted = std::map<FileId, std::vector<size_t>>;

Wanted identify(const std::vector<fs::path>& files) {
  Wanted wanted;
  for (size_t i = 0; i < files.size(); ++i) {
    struct stat st;
    if (::stat(files[i].c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      wanted[{st.st_dev, st.st_ino}].push_back(i);
    }
  }
  return wanted;
}

void mark(const Wanted& wanted, const FileId& id, std::vector<bool>& used) {
  if (auto it = wanted.find(id); it != wanted.end()) {
    for (size_t i : it->second) used[i] = true;
  }
}

bool isNumber(const char* s) {
  if (!*s) return false;
  for (; *s; ++s) {
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  }
  return true;
}

// Descriptors of every other process that this user may look into.
void markOpenDescriptors(const Wanted& wanted, std::vector<bool>& used) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return;
  const std::string self = std::to_string(::getpid());
  while (const dirent* p = ::readdir(proc)) {
    if (!isNumber(p->d_name) || self == p->d_name) continue;
    const std::string fdDir = std::string("/proc/") + p->d_name + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (!fds) continue;  // gone, or another user's
    while (const dirent* f = ::readdir(fds)) {
      if (!isNumber(f->d_name)) continue;
      struct stat st;
      // The descriptor's entry leads to the open file itself, even when its name is gone.
      if (::fstatat(::dirfd(fds), f->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
        mark(wanted, {st.st_dev, st.st_ino}, used);
      }
    }
    ::closedir(fds);
  }
  ::closedir(proc);
}

// Lines such as "3: POSIX  ADVISORY  WRITE 4711 08:02:1234567 0 EOF"; a waiting request has
// "->" after the number. Locks of this process are its own holds.
void markLocks(const Wanted& wanted, std::vector<bool>& used) {
  std::ifstream in("/proc/locks");
  const long self = ::getpid();
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string number, kind, mode, access, device;
    long pid = 0;
    words >> number >> kind;
    if (kind == "->") continue;
    if (!(words >> mode >> access >> pid >> device) || pid == self) continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(device.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    mark(wanted, {::makedev(major, minor), static_cast<ino_t>(inode)}, used);
  }
}

std::vector<fs::path> usedOf(const std::vector<fs::path>& files, const std::vector<bool>& used) {
  std::vector<fs::path> out;
  for (size_t i = 0; i < files.size(); ++i) {
    if (used[i]) out.push_back(files[i]);
  }
  return out;
}

class PosixHold : public FileHold {
 public:
  ~PosixHold() override {
    for (int fd : fds_) ::close(fd);  // closing drops this process's locks
  }
  // False when another process holds a lock that conflicts with a shared one.
  bool lock(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;  // gone, or unreadable: the write reports its own trouble
    fds_.push_back(fd);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;  // l_start 0 and l_len 0: the whole file, however it grows
    return ::fcntl(fd, F_SETLK, &lock) == 0;
  }

 private:
  std::vector<int> fds_;
};

class PosixFileUse : public FileUse {
 public:
  std::vector<fs::path> inUse(const std::vector<fs::path>& files) const override {
    const Wanted wanted = identify(files);
    std::vector<bool> used(files.size(), false);
    if (wanted.empty()) return {};
    markOpenDescriptors(wanted, used);
    markLocks(wanted, used);
    return usedOf(files, used);
  }

  HoldResult hold(const std::vector<fs::path>& files) const override {
    // Locks first, then one look: whoever had a file open before the lock, or opened it since,
    // is seen.
    auto hold = std::make_unique<PosixHold>();
    std::vector<bool> used(files.size(), false);
    for (size_t i = 0; i < files.size(); ++i) used[i] = !hold->lock(files[i]);
    const Wanted wanted = identify(files);
    if (!wanted.empty()) {
      markOpenDescriptors(wanted, used);
      markLocks(wanted, used);
    }
    HoldResult result;
    result.inUse = usedOf(files, used);
    if (result.inUse.empty()) result.hold = std::move(hold);
    return result;
  }
};

}  // namespace

const FileUse& systemFileUse() {
  static const PosixFileUse use;
  return use;
}

}  // namespace kvt::platform
