#include "engine/paradox/FileSetCommit.h"

#include <exception>
#include <sstream>

#include "engine/paradox/TableFiles.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

const char* const kOldSuffix = ".kvtold";
const char* const kJournalSuffix = ".kvtjournal";
const char* const kJournalHead = "kvt table commit 1";

fs::path withSuffix(const fs::path& p, const char* suffix) {
  return p.parent_path() / (p.filename().string() + suffix);
}

[[noreturn]] void fail(const std::string& what, const std::string& error) {
  throw EngineError(ErrorKind::Io, what + ": " + error);
}

void removeQuietly(FileOps& ops, const fs::path& p) {
  std::string error;
  ops.remove(p, error);
}

}  // namespace

void commitFileSet(FileOps& ops, const fs::path& dir, const std::string& stem,
                   const std::vector<NewFile>& files) {
  std::string error;
  // 1. The new files, complete, under temporary names.
  for (size_t i = 0; i < files.size(); ++i) {
    const fs::path temp = withSuffix(files[i].target, kNewFileSuffix);
    const auto removeWritten = [&] {
      for (size_t j = 0; j <= i; ++j)
        removeQuietly(ops, withSuffix(files[j].target, kNewFileSuffix));
    };
    // A content that throws (a value its field cannot hold) leaves nothing behind; anything
    // else thrown on the way out is the process ending, which recoverFileSet cleans up after.
    std::exception_ptr contentError;
    const FileContent guarded = [&](ByteSink& out) {
      try {
        if (files[i].content) {
          files[i].content(out);
        } else {
          out.append(files[i].bytes);
        }
      } catch (...) {
        contentError = std::current_exception();
        throw;
      }
    };
    bool written = false;
    try {
      written = ops.writeFileFrom(temp, guarded, error);
    } catch (...) {
      if (!contentError) throw;
      removeWritten();
      throw;
    }
    if (!written) {
      removeWritten();
      fail("cannot write " + temp.string(), error);
    }
  }
  // 2. The journal: the point from which the new files count.
  std::ostringstream journal;
  journal << kJournalHead << '\n';
  for (const auto& f : files) journal << f.target.filename().string() << '\n';
  const fs::path journalPath = dir / (stem + kJournalSuffix);
  const fs::path journalTemp = withSuffix(journalPath, kNewFileSuffix);
  if (!ops.writeFile(journalTemp, journal.str(), error) ||
      !ops.rename(journalTemp, journalPath, error)) {
    removeQuietly(ops, journalTemp);
    for (const auto& f : files) removeQuietly(ops, withSuffix(f.target, kNewFileSuffix));
    fail("cannot write the commit journal " + journalPath.string(), error);
  }
  ops.syncDirectory(dir);

  // 3. Old files aside, new files in.
  std::vector<bool> movedAside(files.size(), false), installed(files.size(), false);
  for (size_t i = 0; i < files.size(); ++i) {
    const fs::path& target = files[i].target;
    bool ok = true;
    if (pathExists(target)) {
      ok = ops.rename(target, withSuffix(target, kOldSuffix), error);
      movedAside[i] = ok;
    }
    if (ok) {
      ok = ops.rename(withSuffix(target, kNewFileSuffix), target, error);
      installed[i] = ok;
    }
    if (!ok) {
      // Put everything back as it was.
      for (size_t j = 0; j <= i; ++j) {
        const fs::path& t = files[j].target;
        std::string ignored;
        if (installed[j]) ops.rename(t, withSuffix(t, kNewFileSuffix), ignored);
        if (movedAside[j]) ops.rename(withSuffix(t, kOldSuffix), t, ignored);
      }
      for (const auto& f : files) removeQuietly(ops, withSuffix(f.target, kNewFileSuffix));
      removeQuietly(ops, journalPath);
      ops.syncDirectory(dir);
      fail("cannot replace " + target.string(), error);
    }
  }
  ops.syncDirectory(dir);

  // 4. Clean up.
  for (size_t i = 0; i < files.size(); ++i) {
    if (movedAside[i]) removeQuietly(ops, withSuffix(files[i].target, kOldSuffix));
  }
  removeQuietly(ops, journalPath);
  ops.syncDirectory(dir);
}

bool recoverFileSet(FileOps& ops, const fs::path& dir, const std::string& stem) {
  const fs::path journalPath = dir / (stem + kJournalSuffix);
  std::vector<fs::path> leftovers;
  for (const auto& p : familyFiles(dir, stem)) {
    const std::string name = p.filename().string();
    const auto endsWith = [&](const std::string& s) {
      return name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(kNewFileSuffix) || endsWith(kOldSuffix)) leftovers.push_back(p);
  }
  std::string journal, error;
  const bool committed = pathExists(journalPath);
  if (committed &&
      (!ops.readFile(journalPath, journal, error) || journal.rfind(kJournalHead, 0) != 0)) {
    fail("cannot read the commit journal " + journalPath.string(),
         error.empty() ? "not a journal" : error);
  }
  if (!committed && leftovers.empty()) return false;

  if (committed) {
    // Finish installing the new files.
    std::istringstream lines(journal);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
      if (line.empty() || line.find('/') != std::string::npos) continue;
      const fs::path target = dir / line;
      const fs::path temp = withSuffix(target, kNewFileSuffix);
      const fs::path old = withSuffix(target, kOldSuffix);
      if (!pathExists(temp)) continue;  // installed before the interruption
      if (pathExists(target) && !pathExists(old) && !ops.rename(target, old, error)) {
        fail("cannot finish the interrupted write of " + target.string(), error);
      }
      if (!ops.rename(temp, target, error)) {
        fail("cannot finish the interrupted write of " + target.string(), error);
      }
    }
    ops.syncDirectory(dir);
  } else {
    // Interrupted before the commit point: the old files stand. An old file moved aside
    // without a journal cannot happen, but if found it goes back.
    for (const auto& p : leftovers) {
      const std::string name = p.filename().string();
      if (name.size() > 7 && name.compare(name.size() - 7, 7, kOldSuffix) == 0) {
        const fs::path target = p.parent_path() / name.substr(0, name.size() - 7);
        if (!pathExists(target) && !ops.rename(p, target, error)) {
          fail("cannot restore " + target.string(), error);
        }
      }
    }
  }
  for (const auto& p : familyFiles(dir, stem)) {
    const std::string name = p.filename().string();
    if ((name.size() > 7 && (name.compare(name.size() - 7, 7, kNewFileSuffix) == 0 ||
                             name.compare(name.size() - 7, 7, kOldSuffix) == 0))) {
      removeQuietly(ops, p);
    }
  }
  removeQuietly(ops, journalPath);
  ops.syncDirectory(dir);
  return true;
}

}  // namespace kvt::paradox
