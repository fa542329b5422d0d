#include "support/FaultyFileSystem.h"

#include <algorithm>

#include "platform/AsciiText.h"

namespace kvt::platform {
namespace {

bool containsIgnoringCase(std::string_view text, std::string_view piece) {
  auto it = std::search(text.begin(), text.end(), piece.begin(), piece.end(),
                        [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
  return it != text.end() || piece.empty();
}

}  // namespace

void FaultyFileSystem::failOn(FsOp op, std::string pathContains, int times, int skip) {
  faults_.push_back({op, std::move(pathContains), times, skip});
}

bool FaultyFileSystem::shouldFail(FsOp op, std::string_view path,
                                  std::string_view otherPath) const {
  ++calls_[static_cast<size_t>(op)];
  for (Fault& f : faults_) {
    if (f.op != op || f.times == 0) continue;
    if (!containsIgnoringCase(path, f.pathContains) &&
        !containsIgnoringCase(otherPath, f.pathContains))
      continue;
    if (f.skip > 0) {
      --f.skip;
      continue;
    }
    if (f.times > 0) --f.times;
    ++injected_;
    return true;
  }
  return false;
}

std::optional<FileTime> FaultyFileSystem::modificationTime(std::string_view path) const {
  if (shouldFail(FsOp::ModificationTime, path)) return std::nullopt;
  return base_.modificationTime(path);
}

bool FaultyFileSystem::setModificationTime(std::string_view path, FileTime t) {
  return !shouldFail(FsOp::SetModificationTime, path) && base_.setModificationTime(path, t);
}

bool FaultyFileSystem::setReadOnly(std::string_view path, bool readOnly) {
  return !shouldFail(FsOp::SetReadOnly, path) && base_.setReadOnly(path, readOnly);
}

bool FaultyFileSystem::clearAttributes(std::string_view path) {
  return !shouldFail(FsOp::SetReadOnly, path) && base_.clearAttributes(path);
}

bool FaultyFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  return !shouldFail(FsOp::CopyFile, from, to) && base_.copyFile(from, to, failIfExists);
}

bool FaultyFileSystem::moveFile(std::string_view from, std::string_view to) {
  return !shouldFail(FsOp::MoveFile, from, to) && base_.moveFile(from, to);
}

bool FaultyFileSystem::deleteFile(std::string_view path) {
  return !shouldFail(FsOp::DeleteFile, path) && base_.deleteFile(path);
}

bool FaultyFileSystem::createDirectory(std::string_view path) {
  return !shouldFail(FsOp::CreateDirectory, path) && base_.createDirectory(path);
}

bool FaultyFileSystem::forceDirectories(std::string_view path) {
  return !shouldFail(FsOp::ForceDirectories, path) && base_.forceDirectories(path);
}

bool FaultyFileSystem::removeDirectory(std::string_view path) {
  return !shouldFail(FsOp::RemoveDirectory, path) && base_.removeDirectory(path);
}

std::optional<std::vector<DirEntry>> FaultyFileSystem::list(std::string_view pattern) const {
  if (shouldFail(FsOp::List, pattern)) return std::nullopt;
  return base_.list(pattern);
}

std::optional<std::vector<NameEntry>> FaultyFileSystem::listNames(std::string_view pattern) const {
  if (shouldFail(FsOp::List, pattern)) return std::nullopt;
  return base_.listNames(pattern);
}

std::optional<std::string> FaultyFileSystem::readFile(std::string_view path) const {
  if (shouldFail(FsOp::ReadFile, path)) return std::nullopt;
  return base_.readFile(path);
}

bool FaultyFileSystem::writeFile(std::string_view path, std::string_view bytes) {
  return !shouldFail(FsOp::WriteFile, path) && base_.writeFile(path, bytes);
}

bool FaultyFileSystem::writeFileWith(std::string_view path,
                                     const std::function<bool(FileWriter&)>& content) {
  return !shouldFail(FsOp::WriteFile, path) && base_.writeFileWith(path, content);
}

}  // namespace kvt::platform
