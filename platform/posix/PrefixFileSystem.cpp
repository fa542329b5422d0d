// Windows paths mapped onto a Wine-style prefix. A path "C:\a\b" is looked up below the target
// of PREFIX/dosdevices/c:, one component at a time: the exact name when it exists, otherwise
// the first entry whose name equals it ignoring ASCII case, as Windows names are.
#include "platform/PrefixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/AsciiText.h"
#include "platform/ReplaceFile.h"

namespace kvt::platform {
namespace fs = std::filesystem;
namespace {

struct WindowsPath {
  char drive = 0;                  // lower case; 0 for a network path
  std::string_view server, share;  // of a network path
  std::vector<std::string_view> components;
};

// "C:\a\\b\..\c" -> drive c, components {a, c}; "\\srv\share\a" -> server srv, share
// share, components {a}. Both "\" and "/" separate; empty and "." components vanish and ".."
// climbs, but never above the drive or the share, as Windows normalises a full path. Only
// drive-letter and network (UNC) paths are accepted.
std::optional<WindowsPath> splitWindowsPath(std::string_view path) {
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  WindowsPath result;
  std::string_view rest;
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    rest = path.substr(2);
    auto take = [&] {
      const size_t sep = rest.find_first_of("\\/");
      std::string_view part = rest.substr(0, sep);
      rest.remove_prefix(sep == std::string_view::npos ? rest.size() : sep + 1);
      return part;
    };
    result.server = take();
    result.share = take();
    // "\\?\" and "\\.\" name devices, not servers.
    if (result.server.empty() || result.share.empty() || result.server == "?" ||
        result.server == ".")
      return std::nullopt;
  } else {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    result.drive = AsciiLower(path[0]);
    if (result.drive < 'a' || result.drive > 'z') return std::nullopt;
    rest = path.substr(2);
  }
  while (!rest.empty()) {
    size_t sep = rest.find_first_of("\\/");
    std::string_view part = rest.substr(0, sep);
    rest.remove_prefix(sep == std::string_view::npos ? rest.size() : sep + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!result.components.empty()) result.components.pop_back();
      continue;
    }
    result.components.push_back(part);
  }
  return result;
}

// The entry of `dir` named `name`: the exact name, else the first one equal ignoring case.
std::optional<std::string> findEntry(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(dir / name, ec))) return std::string(name);
  fs::directory_iterator it(dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualsIgnoringAsciiCase(entry, name)) return entry;
  }
  return std::nullopt;
}

FileTime toFileTime(fs::file_time_type t) {
  return std::chrono::time_point_cast<FileTime::duration>(std::chrono::file_clock::to_sys(t));
}

fs::file_time_type fromFileTime(FileTime t) {
  return std::chrono::time_point_cast<fs::file_time_type::duration>(
      std::chrono::file_clock::from_sys(t));
}

// Fresh memory costs a page fault per page at its first touch. A buffer of many megabytes
// asks for large pages where the kernel gives them on request: a few faults instead of
// thousands. Only whole large pages inside the buffer are named; the rest stays as it is.
void adviseHugePages(char* data, size_t size) {
  constexpr uintptr_t kLarge = uintptr_t(2) << 20;
  if (size < 4 * kLarge) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A descriptor closed when it goes out of scope.
struct OpenFile {
  explicit OpenFile(int f) : fd(f) {}
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  const int fd;
};

bool isRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(fs::status(p, ec));
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::status(p, ec));
}

bool ownerMayWrite(const fs::file_status& st) {
  return (st.permissions() & fs::perms::owner_write) != fs::perms::none;
}

// The read-only attribute: an existing entry without the owner's write bit.
bool readOnlyBit(const fs::path& p) {
  std::error_code ec;
  fs::file_status st = fs::status(p, ec);
  return !ec && fs::exists(st) && !ownerMayWrite(st);
}

bool samePlace(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// `path` below `root`, component-wise; the relative rest when it is.
std::optional<fs::path> below(const fs::path& path, const fs::path& root) {
  auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  // A root given with a trailing separator ends in an empty component.
  if (r != root.end() && !(std::next(r) == root.end() && r->empty())) return std::nullopt;
  fs::path rest;
  for (; p != path.end(); ++p)
    if (!p->empty()) rest /= *p;
  return rest;
}

DirEntry entryOf(std::string name, const fs::path& local) {
  DirEntry entry;
  entry.name = std::move(name);
  std::error_code ec;
  fs::file_status st = fs::status(local, ec);
  if (ec) return entry;  // a dangling link: listed as a plain file
  entry.isDirectory = fs::is_directory(st);
  entry.readOnly = !ownerMayWrite(st);
  auto t = fs::last_write_time(local, ec);
  if (!ec) entry.modified = toFileTime(t);
  return entry;
}

}  // namespace

PrefixFileSystem::PrefixFileSystem(fs::path prefix) : prefix_(std::move(prefix)) {}

fs::path PrefixFileSystem::defaultPrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') return p;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "") / ".wine";
}

std::optional<fs::path> PrefixFileSystem::driveRoot(char letter) const {
  char lower = AsciiLower(letter);
  if (lower < 'a' || lower > 'z') return std::nullopt;
  for (char c : {lower, static_cast<char>(lower - 'a' + 'A')}) {
    fs::path entry = prefix_ / "dosdevices" / std::string{c, ':'};
    if (isDirectory(entry)) return entry;
  }
  return std::nullopt;
}

std::optional<fs::path> PrefixFileSystem::shareRoot(std::string_view server,
                                                    std::string_view share) const {
  fs::path local = prefix_ / "dosdevices" / "unc";
  for (std::string_view part : {server, share}) {
    auto found = findEntry(local, part);
    if (!found) return std::nullopt;
    local /= *found;
  }
  if (!isDirectory(local)) return std::nullopt;
  return local;
}

std::optional<fs::path> PrefixFileSystem::resolve(std::string_view winPath) const {
  auto split = splitWindowsPath(winPath);
  if (!split) return std::nullopt;
  auto root = split->drive != 0 ? driveRoot(split->drive) : shareRoot(split->server, split->share);
  if (!root) return std::nullopt;
  // Most paths are written with the names as stored: one look settles them.
  fs::path exact = *root;
  for (std::string_view part : split->components) exact /= part;
  std::error_code ec;
  if (split->components.empty() || fs::exists(fs::symlink_status(exact, ec))) return exact;

  fs::path local = *root;
  bool parentExists = true;
  for (std::string_view part : split->components) {
    std::optional<std::string> found;
    if (parentExists) found = findEntry(local, part);
    parentExists = found.has_value();
    local /= found ? fs::path(*found) : fs::path(part);
  }
  return local;
}

std::optional<std::string> PrefixFileSystem::windowsPathOf(const fs::path& local) const {
  std::error_code ec;
  fs::path target = fs::weakly_canonical(fs::absolute(local, ec), ec);
  if (ec) return std::nullopt;
  // The drive whose root holds the path most closely ("C:" over a "Z:" of the whole disk).
  std::optional<char> bestDrive;
  fs::path bestRest;
  size_t bestDepth = 0;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    auto entry = driveRoot(letter);
    if (!entry) continue;
    fs::path root = fs::canonical(*entry, ec);
    if (ec) continue;
    auto rest = below(target, root);
    size_t depth = static_cast<size_t>(std::distance(root.begin(), root.end()));
    if (rest && (!bestDrive || depth > bestDepth)) {
      bestDrive = static_cast<char>(letter - 'a' + 'A');
      bestRest = *rest;
      bestDepth = depth;
    }
  }
  std::string result;
  // A path below a share: "\\server\share\rest", unless a drive holds it more closely.
  if (fs::path unc = fs::canonical(prefix_ / "dosdevices" / "unc", ec); !ec) {
    auto rest = below(target, unc);
    const size_t depth = static_cast<size_t>(std::distance(unc.begin(), unc.end())) + 2;
    if (rest && std::distance(rest->begin(), rest->end()) >= 2 &&
        (!bestDrive || depth > bestDepth)) {
      auto part = rest->begin();
      result = "\\\\" + part->string();
      result += "\\" + (++part)->string();
      bestRest.clear();
      for (++part; part != rest->end(); ++part) bestRest /= *part;
      bestDrive.reset();
    }
  }
  if (result.empty()) {
    // As Wine does, a path no drive holds is reached through Z:, the whole file system.
    if (!bestDrive) {
      bestDrive = 'Z';
      bestRest = target.relative_path();
    }
    result = {*bestDrive, ':'};
  }
  for (const fs::path& part : bestRest) {
    if (part.empty()) continue;
    result += '\\';
    result += part.string();
  }
  if (result.size() == 2) result += '\\';  // a drive's root
  return result;
}

uint32_t PrefixFileSystem::logicalDrives() const {
  uint32_t mask = 0;
  std::error_code ec;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    fs::path entry = prefix_ / "dosdevices" / std::string{letter, ':'};
    fs::path upper = prefix_ / "dosdevices" / std::string{static_cast<char>(letter - 32), ':'};
    if (fs::exists(fs::status(entry, ec)) || fs::exists(fs::status(upper, ec)))
      mask |= 1u << (letter - 'a');
  }
  return mask;
}

DriveType PrefixFileSystem::driveType(char letter) const {
  char lower = AsciiLower(letter);
  if (lower < 'a' || lower > 'z') return DriveType::NoRootDir;
  if (driveRoot(lower)) return DriveType::Fixed;
  if (logicalDrives() & (1u << (lower - 'a'))) return DriveType::Unknown;
  return DriveType::NoRootDir;
}

std::string PrefixFileSystem::windowsDirectory() const {
  return "C:\\windows";
}

bool PrefixFileSystem::fileExists(std::string_view path) const {
  auto local = resolve(path);
  return local && isRegularFile(*local);
}

bool PrefixFileSystem::directoryExists(std::string_view path) const {
  auto local = resolve(path);
  return local && isDirectory(*local);
}

std::optional<FileTime> PrefixFileSystem::modificationTime(std::string_view path) const {
  auto local = resolve(path);
  if (!local) return std::nullopt;
  std::error_code ec;
  auto t = fs::last_write_time(*local, ec);
  if (ec) return std::nullopt;
  return toFileTime(t);
}

bool PrefixFileSystem::setModificationTime(std::string_view path, FileTime t) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  fs::last_write_time(*local, fromFileTime(t), ec);
  return !ec;
}

bool PrefixFileSystem::isReadOnly(std::string_view path) const {
  auto local = resolve(path);
  return local && readOnlyBit(*local);
}

bool PrefixFileSystem::setReadOnly(std::string_view path, bool readOnly) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  if (readOnly) {
    fs::permissions(*local,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
  } else {
    fs::permissions(*local, fs::perms::owner_write, fs::perm_options::add, ec);
  }
  return !ec;
}

bool PrefixFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  auto source = resolve(from);
  auto target = resolve(to);
  if (!source || !target || !isRegularFile(*source) || !isDirectory(target->parent_path()))
    return false;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(*target, ec))) {
    // Windows refuses to copy over a read-only file, over a directory and onto the source.
    if (failIfExists || !isRegularFile(*target) || readOnlyBit(*target) ||
        samePlace(*source, *target))
      return false;
  }
  return replaceWithCopy(*source, *target, failIfExists);
}

bool PrefixFileSystem::moveFile(std::string_view from, std::string_view to) {
  auto source = resolve(from);
  auto target = resolve(to);
  std::error_code ec;
  if (!source || !target || !fs::exists(fs::symlink_status(*source, ec))) return false;
  if (fs::exists(fs::symlink_status(*target, ec))) {
    // The target found is the source itself when only the letter case changes.
    auto split = splitWindowsPath(to);
    if (split->components.empty() || !samePlace(*source, *target) ||
        target->parent_path() != source->parent_path() ||
        !EqualsIgnoringAsciiCase(source->filename().string(), split->components.back()))
      return false;
    fs::path renamed = target->parent_path() / fs::path(split->components.back());
    if (renamed == *source) return true;
    return ::rename(source->c_str(), renamed.c_str()) == 0;
  }
  if (!isDirectory(target->parent_path())) return false;
  if (renameNoReplace(*source, *target)) return true;
  // Another device: a file moves by copy and delete, a directory does not move.
  if (errno != EXDEV || !isRegularFile(*source)) return false;
  if (!replaceWithCopy(*source, *target, true)) return false;
  return fs::remove(*source, ec) && !ec;
}

bool PrefixFileSystem::deleteFile(std::string_view path) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  fs::file_status st = fs::symlink_status(*local, ec);
  // Windows deletes neither a directory nor a read-only file through this call.
  if (ec || !fs::exists(st) || fs::is_directory(st)) return false;
  if (fs::is_symlink(st) ? isDirectory(*local) : readOnlyBit(*local)) return false;
  return fs::remove(*local, ec) && !ec;
}

bool PrefixFileSystem::createDirectory(std::string_view path) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  return fs::create_directory(*local, ec) && !ec;
}

bool PrefixFileSystem::forceDirectories(std::string_view path) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  fs::create_directories(*local, ec);
  return isDirectory(*local);
}

bool PrefixFileSystem::removeDirectory(std::string_view path) {
  auto local = resolve(path);
  if (!local) return false;
  std::error_code ec;
  fs::file_status st = fs::symlink_status(*local, ec);
  if (ec || !(fs::is_directory(st) || (fs::is_symlink(st) && isDirectory(*local)))) return false;
  return fs::remove(*local, ec) && !ec;  // rmdir: refuses a directory that is not empty
}

std::optional<PrefixFileSystem::ListTarget> PrefixFileSystem::listTarget(
    std::string_view pattern) const {
  size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string_view::npos) {
    if (pattern.size() < 2 || pattern[1] != ':') return std::nullopt;
    cut = 1;  // "C:*.*": the root of the drive
  }
  std::string_view dirPart = pattern.substr(0, cut + 1);
  auto dir = resolve(dirPart);
  if (!dir) return std::nullopt;
  return ListTarget{std::move(*dir), std::string(pattern.substr(cut + 1)),
                    splitWindowsPath(dirPart)->components.empty()};
}

std::optional<std::vector<DirEntry>> PrefixFileSystem::list(std::string_view pattern) const {
  auto target = listTarget(pattern);
  if (!target) return std::nullopt;
  const fs::path& dir = target->dir;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return std::nullopt;

  std::vector<DirEntry> entries;
  // Every directory but a drive's root lists itself and its parent first.
  if (!target->isDriveRoot) {
    for (std::string_view dots : {".", ".."})
      if (matchesWildcard(target->wildcard, dots))
        entries.push_back(entryOf(std::string(dots), dots == "." ? dir : dir.parent_path()));
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return std::nullopt;
    std::string name = it->path().filename().string();
    if (matchesWildcard(target->wildcard, name))
      entries.push_back(entryOf(std::move(name), it->path()));
  }
  if (ec) return std::nullopt;
  return entries;
}

std::optional<std::vector<NameEntry>> PrefixFileSystem::listNames(std::string_view pattern) const {
  auto target = listTarget(pattern);
  if (!target) return std::nullopt;
  // readdir itself, not a directory iterator: it hands over each name with the kind the
  // directory records, and nothing is built per entry that is not kept.
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(target->dir.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  const int fd = ::dirfd(dir.get());

  std::vector<NameEntry> entries;
  for (;;) {
    errno = 0;  // readdir tells the end from a failure only by errno
    const dirent* d = ::readdir(dir.get());
    if (d == nullptr) {
      if (errno != 0) return std::nullopt;
      break;
    }
    const std::string_view name = d->d_name;
    if (name == "." || name == ".." || !matchesWildcard(target->wildcard, name)) continue;
    NameEntry entry{std::string(name), d->d_type == DT_DIR, d->d_type == DT_LNK};
    struct stat st {};
    if (d->d_type == DT_UNKNOWN && ::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.isDirectory = S_ISDIR(st.st_mode);
      entry.isLink = S_ISLNK(st.st_mode);
    }
    // Only a link is followed, to tell what it leads to; a dangling one lists as a file, as
    // list() has it.
    if (entry.isLink)
      entry.isDirectory = ::fstatat(fd, d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<std::string> PrefixFileSystem::readFile(std::string_view path) const {
  auto local = resolve(path);
  if (!local) return std::nullopt;
  // Not blocking: a FIFO under the name would hold the open until a writer came. It is refused
  // below with every other file that is not a regular one.
  const OpenFile file(::open(local->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  const int fd = file.fd;
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  // Form files run to tens of megabytes. The string takes the bytes once, straight from a
  // buffer that stays in the cache: resizing it first would write every byte one time more.
  // Whatever the size promised is read until the end (a file still growing, or shrinking).
  std::string bytes;
  bytes.reserve(size_t(st.st_size));
  adviseHugePages(bytes.data(), bytes.capacity());
  constexpr size_t kChunk = size_t(1) << 18;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return bytes;
    bytes.append(buffer.get(), size_t(n));
  }
}

bool PrefixFileSystem::writeFile(std::string_view path, std::string_view bytes) {
  return writeFileWith(path, [&](FileWriter& out) { return out.append(bytes); });
}

bool PrefixFileSystem::writeFileWith(std::string_view path,
                                     const std::function<bool(FileWriter&)>& content) {
  auto local = resolve(path);
  if (!local || !isDirectory(local->parent_path())) return false;
  std::optional<mode_t> mode;  // a new file gets the usual bits
  struct stat st {};
  if (::stat(local->c_str(), &st) == 0) {
    // Windows opens neither a directory nor a read-only file for writing.
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return false;
    mode = st.st_mode & 07777;
  }
  return replaceWithContent(*local, mode, content);
}

}  // namespace kvt::platform
