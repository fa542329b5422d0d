// Files held by a second process (the hold-files helper) for as long as the object lives.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvt::testing {

class HeldFiles {
 public:
  enum class Mode { Open, Lock };
  // Returns once the helper has every file open (and locked); throws std::runtime_error when
  // it cannot.
  explicit HeldFiles(const std::vector<std::filesystem::path>& files, Mode mode = Mode::Open);
  ~HeldFiles();
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;

  // Lets the helper end and waits for it.
  void release();

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
};

// What another process gets when it asks for a write lock on `file`: "locked" or "refused".
std::string TryLockElsewhere(const std::filesystem::path& file);

}  // namespace kvt::testing
