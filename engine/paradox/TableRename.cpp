#include "engine/paradox/TableRename.h"

#include <sstream>
#include <system_error>
#include <utility>

#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

const char* const kRenameSuffix = ".kvtrename";
const char* const kRenameHead = "kvt table rename 1";

bool endsWithIgnoringCase(const std::string& name, const std::string& suffix) {
  return name.size() > suffix.size() &&
         upperAscii(name.substr(name.size() - suffix.size())) == upperAscii(suffix);
}

}  // namespace

void renameTableFiles(FileOps& ops, const fs::path& dir, const TableFiles& files,
                      const std::string& fromStem, const std::string& toStem) {
  std::vector<std::pair<fs::path, fs::path>> moves;
  std::ostringstream journal;
  journal << kRenameHead << '\n' << fromStem << '\n' << toStem << '\n';
  for (const auto& p : files.all) {
    const std::string name = p.filename().string();
    if (endsWithIgnoringCase(name, kRenameSuffix)) continue;
    const fs::path target = dir / (toStem + name.substr(fromStem.size()));
    moves.emplace_back(p, target);
    journal << name << '\t' << target.filename().string() << '\n';
  }
  std::string error;
  const fs::path journalPath = dir / (fromStem + kRenameSuffix);
  const fs::path journalTemp = dir / (fromStem + kRenameSuffix + kNewFileSuffix);
  if (!ops.writeFile(journalTemp, journal.str(), error) ||
      !ops.rename(journalTemp, journalPath, error)) {
    ops.remove(journalTemp, error);
    throw EngineError(ErrorKind::Io, "cannot write the rename journal " + journalPath.string());
  }
  ops.syncDirectory(dir);
  for (size_t i = 0; i < moves.size(); ++i) {
    if (ops.rename(moves[i].first, moves[i].second, error)) continue;
    const std::string failed = error;
    bool restored = true;
    for (size_t j = i; j-- > 0;) {
      std::string ignored;
      restored = ops.rename(moves[j].second, moves[j].first, ignored) && restored;
    }
    // When a file could not be put back the journal stays, and the next open finishes the
    // rename instead, so that the table is whole under one name.
    if (restored) ops.remove(journalPath, error);
    ops.syncDirectory(dir);
    throw EngineError(ErrorKind::Io, "cannot rename " + moves[i].first.string() + ": " + failed);
  }
  ops.syncDirectory(dir);
  ops.remove(journalPath, error);
  ops.syncDirectory(dir);
}

std::vector<FinishedRename> recoverRenames(FileOps& ops, const fs::path& dir) {
  std::vector<FinishedRename> finished;
  std::error_code ec;
  std::vector<fs::path> journals;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (endsWithIgnoringCase(name, kRenameSuffix)) journals.push_back(it->path());
    if (endsWithIgnoringCase(name, std::string(kRenameSuffix) + kNewFileSuffix)) {
      std::string error;
      ops.remove(it->path(), error);  // a journal never put in place: nothing was renamed
    }
  }
  for (const auto& journalPath : journals) {
    std::string text, error;
    if (!ops.readFile(journalPath, text, error)) continue;
    std::istringstream lines(text);
    std::string head, from, to, line;
    if (!std::getline(lines, head) || head != kRenameHead || !std::getline(lines, from) ||
        !std::getline(lines, to)) {
      continue;
    }
    std::vector<std::pair<fs::path, fs::path>> moves;
    bool split = true, begun = false;
    while (std::getline(lines, line)) {
      const auto tab = line.find('\t');
      if (tab == std::string::npos) continue;
      const std::string oldName = line.substr(0, tab), newName = line.substr(tab + 1);
      if (oldName.find('/') != std::string::npos || newName.find('/') != std::string::npos)
        continue;
      moves.emplace_back(dir / oldName, dir / newName);
      const bool source = pathExists(moves.back().first), target = pathExists(moves.back().second);
      split = split && source != target;
      begun = begun || target;
    }
    // A rename under way has each file under exactly one of its names, and some under the
    // new one. Anything else is a journal whose removal failed after its rename was done and
    // the names were used again: it is dropped, and no file moves.
    bool done = true;
    if (split && begun) {
      for (const auto& [source, target] : moves) {
        if (pathExists(source)) done = ops.rename(source, target, error) && done;
      }
    }
    ops.syncDirectory(dir);
    if (!done) continue;
    ops.remove(journalPath, error);
    ops.syncDirectory(dir);
    if (split && begun) finished.push_back({from, to});
  }
  return finished;
}

}  // namespace kvt::paradox
