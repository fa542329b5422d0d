// Test helper: a second process that uses files the way a running package does.
//   hold-files [--lock] FILE...  opens every file (with --lock for writing, with a write lock
//                                over the whole file), prints "ready" and waits until its
//                                standard input ends.
//   hold-files --try-lock FILE   asks for a write lock without waiting; prints "locked" or
//                                "refused".
// Exit status 2 when a file cannot be opened.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool writeLock(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_SETLK, &lock) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool lock = !args.empty() && args[0] == "--lock";
  const bool tryLock = !args.empty() && args[0] == "--try-lock";
  if (lock || tryLock) args.erase(args.begin());
  std::vector<int> fds;
  for (const auto& file : args) {
    const int fd = ::open(file.c_str(), lock || tryLock ? O_RDWR : O_RDONLY);
    if (fd < 0) {
      std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), std::strerror(errno));
      return 2;
    }
    if (tryLock) {
      std::puts(writeLock(fd) ? "locked" : "refused");
      return 0;
    }
    if (lock && !writeLock(fd)) {
      std::fprintf(stderr, "cannot lock %s\n", file.c_str());
      return 2;
    }
    fds.push_back(fd);
  }
  std::puts("ready");
  std::fflush(stdout);
  char buffer[64];
  while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  return 0;
}
