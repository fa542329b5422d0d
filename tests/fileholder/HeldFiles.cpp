#include "HeldFiles.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace kvt::testing {
namespace {

struct Spawned {
  pid_t pid;
  int in;   // the child's standard input
  int out;  // the child's standard output
};

Spawned spawnHelper(std::vector<std::string> args) {
  int toChild[2], fromChild[2];
  if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
    posix_spawn_file_actions_addclose(&actions, fd);
  args.insert(args.begin(), KVT_HOLD_FILES);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, KVT_HOLD_FILES, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(toChild[0]);
  ::close(fromChild[1]);
  if (rc != 0) throw std::runtime_error("cannot start " KVT_HOLD_FILES);
  return {pid, toChild[1], fromChild[0]};
}

std::string readAll(int fd) {
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, size_t(n));
    if (text.find('\n') != std::string::npos) break;
  }
  return text;
}

}  // namespace

HeldFiles::HeldFiles(const std::vector<std::filesystem::path>& files, Mode mode) {
  std::vector<std::string> args;
  if (mode == Mode::Lock) args.push_back("--lock");
  for (const auto& f : files) args.push_back(f.string());
  const Spawned child = spawnHelper(args);
  pid_ = child.pid;
  toChild_ = child.in;
  const std::string answer = readAll(child.out);
  ::close(child.out);
  if (answer != "ready\n") {
    release();
    throw std::runtime_error("the file holder did not get its files");
  }
}

HeldFiles::~HeldFiles() {
  release();
}

void HeldFiles::release() {
  if (toChild_ >= 0) ::close(toChild_);
  toChild_ = -1;
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string TryLockElsewhere(const std::filesystem::path& file) {
  const Spawned child = spawnHelper({"--try-lock", file.string()});
  ::close(child.in);
  std::string answer = readAll(child.out);
  ::close(child.out);
  ::waitpid(child.pid, nullptr, 0);
  if (!answer.empty() && answer.back() == '\n') answer.pop_back();
  return answer;
}

}  // namespace kvt::testing
