// A process that dies at any file operation of a table rename or of a Paradox rebuild leaves
// the table whole under one name; the next open of the directory (and the next run) finishes
// or undoes what was half done, and says so.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "schema/upgrade/ParadoxRebuild.h"
#include "support/FaultyFileSystem.h"
#include "tests/dbupgrade/Installation.h"

namespace kvt::testing {
namespace {

namespace fs = std::filesystem;

// Counts the writing operations of the engine and of the run's file system together; at the
// chosen one the process "dies": that operation and every later one does nothing. With
// `once`, only that one operation fails and the process goes on.
struct Death {
  int at = -1;
  bool once = false;
  int count = 0;
  bool dead = false;
  bool hit() {
    if (dead) return true;
    const bool now = ++count == at;
    if (!once) dead = now;
    return now;
  }
};

class DyingOps : public paradox::FileOps {
 public:
  explicit DyingOps(Death& d) : d_(d) {}
  bool writeFileFrom(const fs::path& p, const paradox::FileContent& c, std::string& e) override {
    return !d_.hit() && FileOps::writeFileFrom(p, c, e);
  }
  bool rename(const fs::path& f, const fs::path& t, std::string& e) override {
    return !d_.hit() && FileOps::rename(f, t, e);
  }
  bool remove(const fs::path& p, std::string& e) override {
    return !d_.hit() && FileOps::remove(p, e);
  }

 private:
  Death& d_;
};

class DyingFileSystem : public platform::FaultyFileSystem {
 public:
  DyingFileSystem(FileSystem& base, Death& d) : FaultyFileSystem(base), d_(d) {}
  bool setReadOnly(std::string_view p, bool r) override {
    return !d_.hit() && FaultyFileSystem::setReadOnly(p, r);
  }
  bool clearAttributes(std::string_view p) override {
    return !d_.hit() && FaultyFileSystem::clearAttributes(p);
  }
  bool copyFile(std::string_view f, std::string_view t, bool x) override {
    return !d_.hit() && FaultyFileSystem::copyFile(f, t, x);
  }
  bool moveFile(std::string_view f, std::string_view t) override {
    return !d_.hit() && FaultyFileSystem::moveFile(f, t);
  }
  bool deleteFile(std::string_view p) override {
    return !d_.hit() && FaultyFileSystem::deleteFile(p);
  }
  bool writeFile(std::string_view p, std::string_view b) override {
    return !d_.hit() && FaultyFileSystem::writeFile(p, b);
  }

 private:
  Death& d_;
};

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    out[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return out;
}

// The snapshot with the table's files renamed from one stem to another.
std::map<std::string, std::string> Renamed(const std::map<std::string, std::string>& files,
                                           const std::string& from, const std::string& to) {
  std::map<std::string, std::string> out;
  for (const auto& [name, bytes] : files) {
    out[name.rfind(from + ".", 0) == 0 ? to + name.substr(from.size()) : name] = bytes;
  }
  return out;
}

TEST(Crash, DyingAtAnyStepOfARenameLeavesTheWholeTableUnderOneName) {
  Installation inst(Kind::Paradox);
  const fs::path sample = fs::path(KVT_PARADOX_SAMPLES) / "joins";
  const fs::path dir = inst.databaseLocal();
  auto fresh = [&] {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
    for (const char* ext : {".DB", ".PX", ".VAL", ".X02", ".X03", ".Y02", ".Y03"}) {
      fs::copy_file(sample / (std::string("C") + ext), dir / (std::string("C") + ext));
      fs::permissions(dir / (std::string("C") + ext), fs::perms::owner_write,
                      fs::perm_options::add);
    }
  };
  fresh();
  const auto before = Snapshot(dir);
  const auto after = Renamed(before, "C", "TempC");
  Death probe;
  {
    DyingOps ops(probe);
    paradox::ParadoxDatabase(dir, "", ops).renameTable("C", "TempC");
  }
  EXPECT_EQ(Snapshot(dir), after);
  ASSERT_GE(probe.count, 9);  // journal, seven files, journal removed
  int finishedOnOpen = 0;
  for (int at = 1; at <= probe.count; ++at) {
    SCOPED_TRACE("dying at operation " + std::to_string(at));
    fresh();
    Death death{at};
    DyingOps ops(death);
    try {
      paradox::ParadoxDatabase(dir, "", ops).renameTable("C", "TempC");
    } catch (const EngineError&) {
      // The dead process saw its own operations fail.
    }
    paradox::ParadoxDatabase next(dir);
    const auto now = Snapshot(dir);
    EXPECT_TRUE(now == before || now == after);
    EXPECT_EQ(next.tableExists("C"), now == before);
    EXPECT_EQ(next.tableExists("TempC"), now == after);
    // The journal was in place and some files not yet renamed: the open finished the rename.
    const auto finished = next.takeFinishedRenames();
    if (finished.empty()) continue;
    ++finishedOnOpen;
    EXPECT_EQ(finished.front(), std::make_pair(std::string("C"), std::string("TempC")));
  }
  EXPECT_GE(finishedOnOpen, 7);  // dying before each file's rename
}

class RebuildCrash : public ::testing::Test {
 protected:
  const std::vector<Row> rows{{Value("P0000000000001"), Value(1), Value(Big5("第一段備註"))},
                              {Value("P0000000000002"), Value(2), Value(Big5("短"))}};
  std::unique_ptr<Installation> fresh() {
    auto inst = std::make_unique<Installation>(Kind::Paradox);
    inst->makePackageTable("X202Memo", "ProcessingNo A14 *; SEQ I *; Memo M10", rows);
    inst->makeReleaseTable("X202Memo", "ProcessingNo A18 *; SEQ I *; Memo M10");
    return inst;
  }
  std::string runLog;  // of the run that died or failed
  // The rebuild on a run whose process dies at operation `at` (-1: never); returns how
  // many operations it made.
  int rebuild(Installation& inst, int at, bool once = false) {
    Death death{at, once};
    DyingOps ops(death);
    DyingFileSystem dyingFs(inst.ctx().fs, death);
    RecordingWindow window;
    QuietUi ui;
    RunContext ctx(window, ui, dyingFs);
    ctx.ReleaseDir = Installation::kReleaseDir;
    ctx.DatabaseDir = Installation::kDatabaseDir;
    ctx.databaseKind = DatabaseKind::Standard;
    ctx.packageDb = std::make_unique<paradox::ParadoxDatabase>(inst.databaseLocal(),
                                                               Installation::kDatabaseDir, ops);
    upgrade::RebuildParadoxTable(ctx, "X202Memo");
    ctx.packageDb.reset();
    ctx.releaseDb.reset();
    runLog.clear();
    for (const auto& line : window.lines) runLog += line + "\n";
    return death.count;
  }
};

TEST_F(RebuildCrash, DyingAtAnyStepLeavesTheOldTableOrTheWholeNewOne) {
  const int steps = rebuild(*fresh(), -1);
  ASSERT_GT(steps, 8);
  for (int at = 1; at <= steps; ++at) {
    SCOPED_TRACE("dying at operation " + std::to_string(at));
    auto inst = fresh();
    rebuild(*inst, at);
    // The next run opens the directory anew and looks at what was left.
    inst->ctx().packageDb = std::make_unique<paradox::ParadoxDatabase>(inst->databaseLocal(),
                                                                       Installation::kDatabaseDir);
    upgrade::RecoverInterruptedRebuilds(inst->ctx());
    ASSERT_TRUE(inst->package().tableExists("X202Memo")) << inst->logText();
    EXPECT_FALSE(inst->package().tableExists("TempX202Memo")) << inst->logText();
    const int size = Installation::sizeOf(inst->package(), "X202Memo", "ProcessingNo");
    EXPECT_TRUE(size == 14 || size == 18);
    EXPECT_EQ(Installation::rowsOf(inst->package(), "X202Memo"), rows) << inst->logText();
    for (const auto& [name, bytes] : Snapshot(inst->databaseLocal())) {
      EXPECT_TRUE(name.rfind("X202Memo.", 0) == 0) << name << " left behind";
    }
    // Whatever was half done is named in the log; a run after it brings the new layout.
    if (inst->countLogged("上次的") == 0) {
      EXPECT_EQ(size, 14) << inst->logText();
    }
    EXPECT_TRUE(upgrade::RebuildParadoxTable(inst->ctx(), "X202Memo"));
    EXPECT_EQ(Installation::sizeOf(inst->package(), "X202Memo", "ProcessingNo"), 18);
    EXPECT_EQ(Installation::rowsOf(inst->package(), "X202Memo"), rows);
  }
}

TEST_F(RebuildCrash, AFailureOfAnyStepLeavesTheOldTableOrTheWholeNewOne) {
  const int steps = rebuild(*fresh(), -1);
  for (int at = 1; at <= steps; ++at) {
    SCOPED_TRACE("failing operation " + std::to_string(at));
    auto inst = fresh();
    rebuild(*inst, at, true);
    inst->ctx().packageDb = std::make_unique<paradox::ParadoxDatabase>(inst->databaseLocal(),
                                                                       Installation::kDatabaseDir);
    upgrade::RecoverInterruptedRebuilds(inst->ctx());
    ASSERT_TRUE(inst->package().tableExists("X202Memo")) << runLog << inst->logText();
    const int size = Installation::sizeOf(inst->package(), "X202Memo", "ProcessingNo");
    EXPECT_TRUE(size == 14 || size == 18);
    EXPECT_EQ(Installation::rowsOf(inst->package(), "X202Memo"), rows);
    EXPECT_FALSE(inst->package().tableExists("TempX202Memo"));
  }
}

TEST_F(RebuildCrash, AMovedAsideTableWithoutItsNoteIsTheTableNotALeftover) {
  // As an earlier run that died between moving the table aside and making the new one, before
  // rebuilds kept a note, leaves it.
  Installation inst(Kind::Paradox);
  inst.makePackageTable("TempX202Memo", "ProcessingNo A14 *; SEQ I *; Memo M10", rows);
  inst.makeReleaseTable("X202Memo", "ProcessingNo A18 *; SEQ I *; Memo M10");
  EXPECT_TRUE(upgrade::RebuildParadoxTable(inst.ctx(), "X202Memo"));
  EXPECT_EQ(Installation::rowsOf(inst.package(), "X202Memo"), rows);
  EXPECT_EQ(Installation::sizeOf(inst.package(), "X202Memo", "ProcessingNo"), 18);
  EXPECT_FALSE(inst.package().tableExists("TempX202Memo"));
  EXPECT_TRUE(inst.logged("資料表 X202Memo 已由 TempX202Memo.DB 還原。")) << inst.logText();
}

}  // namespace
}  // namespace kvt::testing
