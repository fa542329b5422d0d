#include "RunChecks.h"
#include "RunOrder.h"

#include "support/ScratchDrives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "platform/Cp950.h"
#include "schema/Table.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::e2e {
namespace {

const std::string kRelease = "KVT更新/";
const std::string kInstall = "Velmor/KVT/";

// The bytes of a snapshot entry; fails the test when it is missing.
std::string At(const FileSnapshot& files, const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) {
    ADD_FAILURE() << "no file " << path;
    return {};
  }
  return it->second;
}

// The files new in `after` below `dir` whose name matches `pattern`.
std::vector<std::string> NewFiles(const FileSnapshot& before, const FileSnapshot& after,
                                  const std::string& dir, const std::string& pattern) {
  const std::regex re(pattern);
  std::vector<std::string> found;
  for (const auto& [path, bytes] : after) {
    if (before.count(path) || path.rfind(dir, 0) != 0) continue;
    const std::string name = path.substr(dir.size());
    if (std::regex_match(name, re)) found.push_back(path);
  }
  return found;
}

// A replaced file: the release's bytes in place, and exactly one dated backup beside it with
// the bytes it had.
void ExpectReplacedWithBackup(const FileSnapshot& before, const FileSnapshot& after,
                              const std::string& dir, const std::string& stem,
                              const std::string& ext, const std::string& release) {
  SCOPED_TRACE(dir + stem + ext);
  EXPECT_EQ(At(after, dir + stem + ext), At(before, kRelease + release));
  const auto backups = NewFiles(before, after, dir, stem + "[0-9]{6,7}(\\([0-9]+\\))?\\" + ext);
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(At(after, backups[0]), At(before, dir + stem + ext));
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<std::string> Column(DemoInstallation& inst, const std::string& table,
                                const std::string& field) {
  const auto schema = inst.SchemaOf(table);
  if (!schema) return {};
  const int pos = schema->fieldIndex(field);
  std::vector<std::string> values;
  if (pos < 0) return values;
  for (const Row& row : inst.RowsOf(table)) values.push_back(Trimmed(row[pos].asString()));
  return values;
}

int SizeOf(DemoInstallation& inst, const std::string& table, const std::string& field) {
  const auto schema = inst.SchemaOf(table);
  if (!schema) return -1;
  const int pos = schema->fieldIndex(field);
  return pos < 0 ? -1 : schema->fields[static_cast<size_t>(pos)].size;
}

// The whole log, shown with a failing check.
std::string LogText(const RunResult& run) {
  std::string text = "log of the run:\n";
  for (const std::string& line : run.log) text += line + "\n";
  return text;
}

}  // namespace

void ExpectProgramsUpgraded(const FileSnapshot& before, const FileSnapshot& after) {
  ExpectReplacedWithBackup(before, after, kInstall, "KVT", ".EXE", "KVT.EXE");
  ExpectReplacedWithBackup(before, after, kInstall + "Client/KVT/", "KVT", ".EXE", "KVT.EXE");
  // The earlier backup of the same date is kept as it was beside the new, numbered one.
  EXPECT_EQ(At(after, kInstall + "Client/KVT/KVT1000520.EXE"),
            At(before, kInstall + "Client/KVT/KVT1000520.EXE"));
  EXPECT_TRUE(after.count(kInstall + "Client/KVT/KVT1000520(2).EXE"));
  EXPECT_EQ(At(after, kInstall + "Client/KVT/libeay32.dll"), At(before, kRelease + "libeay32.dll"));
  EXPECT_EQ(At(after, kInstall + "Client/KVT/ssleay32.dll"), At(before, kRelease + "ssleay32.dll"));
  for (const char* untouched :
       {"Old/KVT/KVT.EXE", "BACKUP/KVT/KVT.EXE", "Tools/KVT.EXE", "PNX.EXE", "KVTA.EXE"}) {
    EXPECT_EQ(At(after, kInstall + untouched), At(before, kInstall + untouched)) << untouched;
    EXPECT_TRUE(NewFiles(before, after, kInstall + untouched, ".+").empty()) << untouched;
  }
  EXPECT_TRUE(NewFiles(before, after, kInstall + "Old/", ".+").empty());
  // Nothing of the installation is gone: replaced files live on as backups.
  for (const auto& [path, bytes] : before) EXPECT_TRUE(after.count(path)) << path << " is gone";
}

void ExpectFilesCopied(const FileSnapshot& before, const FileSnapshot& after) {
  EXPECT_EQ(At(after, kInstall + "DTX/X102.DTX"), At(before, kRelease + "X102.DTX"));
  EXPECT_EQ(At(after, kInstall + "DTX/XSD/X102"), At(before, kRelease + "X102.XSD"));
  ExpectReplacedWithBackup(before, after, kInstall, "KVTE", ".DBL", "KVTE.DBL");
  EXPECT_EQ(At(after, kInstall + "Image/LOGO.BMP"), At(before, kRelease + "LOGO.BMP"));
}

void ExpectTablesUpgraded(DemoInstallation& inst) {
  const auto installed = demo::InstallationTables();

  // Widened and added columns, every row kept.
  EXPECT_EQ(SizeOf(inst, "X102Base", "MsgID"), 20);
  EXPECT_GT(SizeOf(inst, "X102Base", "ValidationCode"), 0);
  EXPECT_EQ(SizeOf(inst, "X202Base", "ProcessingNo"), 18);
  for (const char* table : {"X202Base", "X402Base", "X901Base"}) {
    SCOPED_TRACE(table);
    const demo::DemoTable& old = demo::Find(installed, table);
    const std::string key = old.schema.fields[0].name;
    std::vector<std::string> oldKeys;
    for (const Row& row : old.rows) oldKeys.push_back(Trimmed(row[0].asString()));
    std::vector<std::string> keys = Column(inst, table, key);
    std::sort(keys.begin(), keys.end());
    std::sort(oldKeys.begin(), oldKeys.end());
    EXPECT_EQ(keys, oldKeys);
  }

  // New code and message tables.
  for (const char* table : {"X101_9", "PortCN", "ECFAUnit", "X901_5th", "XIDPSW", "EMailLog",
                            "CNCode", "X602Base", "X602_3rd", "X601_1", "X601_15", "X602_3"})
    EXPECT_TRUE(inst.SchemaOf(table).has_value()) << table;

  // The SourceDB table in the release's layout, the reference rows from the release.
  EXPECT_GT(SizeOf(inst, "X101_6", "Type"), 0);
  EXPECT_EQ(SizeOf(inst, "X101_6", "Description"), 200);
  const auto schema = inst.SchemaOf("XNoMap2");
  ASSERT_TRUE(schema.has_value());
  std::vector<std::string> fnoOf230;
  for (const Row& row : inst.RowsOf("XNoMap2")) {
    if (Trimmed(row[schema->fieldIndex("Mode")].asString()) == "X101" &&
        row[schema->fieldIndex("KVTNo")].asInt() == 230)
      fnoOf230.push_back(Trimmed(row[schema->fieldIndex("FNo")].asString()));
  }
  EXPECT_EQ(fnoOf230, std::vector<std::string>{"E15766"});
}

void ExpectLogInRunOrder(const RunResult& run, const std::string& columnLine) {
  SCOPED_TRACE(LogText(run));
  std::vector<std::string> order = kLogBeforeColumns;
  order.push_back(columnLine);
  order.insert(order.end(), kLogAfterColumns.begin(), kLogAfterColumns.end());
  int at = 0;
  for (const std::string& piece : order) {
    const int found = FindLine(run.log, piece, at);
    EXPECT_GE(found, 0) << "\"" << piece << "\" missing or out of order";
    if (found >= 0) at = found + 1;
  }
  EXPECT_EQ(CountLines(run.log, "失敗"), 0);
  EXPECT_EQ(CountLines(run.log, "錯誤"), 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].text, kClosingHint);
  EXPECT_EQ(run.formDir, "C:\\Velmor\\KVT\\");
}

void ExpectFormFilesUpgraded(DemoInstallation& inst, const RunResult& run,
                             const FileSnapshot& before, const FileSnapshot& after) {
  SCOPED_TRACE(LogText(run));
  for (const std::string stem : {"KVTE", "KVTI"}) {
    SCOPED_TRACE(stem);
    const std::string file = kInstall + stem + ".DBT";
    EXPECT_NE(At(after, file), At(before, file));
    const auto backups = NewFiles(before, after, kInstall + "BACKUP/", stem + "\\.DBT .+");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(At(after, backups[0]), At(before, file));
    const std::string winFile = "C:\\Velmor\\KVT\\" + stem + ".DBT";
    const int read = FindLine(run.log, "讀入主表單檔 [" + winFile + "]。");
    EXPECT_GT(read, FindLine(run.log, "LOGO.BMP"));
    EXPECT_GT(FindLine(run.log, "主表單檔 [" + winFile + "] 更改完成。", read), read);
  }
  EXPECT_EQ(run.dialogsShown, 1);  // "[KVT]" in the entries asks for the form directory

  // The rewritten export file reads back with its entry renamed by the addition list and the
  // release's forms taken in.
  auto upgraded = DemoInstallation::ReadForms(inst.local("C:\\Velmor\\KVT\\KVTE.DBT"));
  ASSERT_NE(upgraded, nullptr);
  const auto backups = NewFiles(before, after, kInstall + "BACKUP/", "KVTE\\.DBT .+");
  ASSERT_EQ(backups.size(), 1u);
  auto old = DemoInstallation::ReadForms(inst.layout().prefix / "drive_c" /
                                         kvt::testing::Utf8Path(backups[0]));
  ASSERT_NE(old, nullptr);
  Table entries(*upgraded, "CB21");
  entries.open(OpenMode::ReadOnly);
  ASSERT_TRUE(entries.locate("EntryNo", {Value(10)}));
  EXPECT_EQ(entries.getString("EntryName"), platform::utf8ToCp950("出口人統一編號"));
  EXPECT_EQ(entries.getString("FormularMode"), "S");
  Table newForms(*upgraded, "CB20"), oldForms(*old, "CB20");
  newForms.open(OpenMode::ReadOnly);
  oldForms.open(OpenMode::ReadOnly);
  auto formNos = [](Table& forms) {
    std::string text;
    for (forms.first(); !forms.eof(); forms.next()) text += forms.getString("FormNo") + " ";
    return text;
  };
  // The release's form 16100 (ECFA) is taken in.
  EXPECT_NE((" " + formNos(newForms)).find(" 16100 "), std::string::npos)
      << "after: " << formNos(newForms) << "\nbefore: " << formNos(oldForms);
}

void ExpectNothingChangedBySecondRun(const RunResult& second, const FileSnapshot& afterFirst,
                                     const FileSnapshot& afterSecond,
                                     const std::vector<std::string>& refreshedFiles) {
  std::vector<std::string> changed;
  for (const auto& [path, bytes] : afterSecond) {
    auto it = afterFirst.find(path);
    if (it == afterFirst.end() && path.rfind(kInstall + "BACKUP/", 0) == 0 &&
        path.find(".DBT ") != std::string::npos) {
      // A new backup of a form file: the bytes the first run wrote.
      const std::string file = path.substr(0, path.find(".DBT ") + 4);
      EXPECT_EQ(bytes, At(afterFirst, kInstall + file.substr((kInstall + "BACKUP/").size())))
          << path;
      continue;
    }
    if (std::find(refreshedFiles.begin(), refreshedFiles.end(), path) != refreshedFiles.end())
      continue;
    if (it == afterFirst.end()) {
      // A refreshed table replaced again from the release: the first run's file under its
      // dated backup name ("DS43Port1151209.DB").
      const std::regex dated("(.*[^0-9])[0-9]{6,7}(\\([0-9]+\\))?(\\.[A-Z]+)");
      std::smatch m;
      if (std::regex_match(path, m, dated)) {
        const std::string original = m[1].str() + m[3].str();
        if (std::find(refreshedFiles.begin(), refreshedFiles.end(), original) !=
            refreshedFiles.end()) {
          EXPECT_TRUE(bytes == At(afterFirst, original)) << path;
          continue;
        }
      }
    }
    if (it == afterFirst.end() || it->second != bytes) changed.push_back(path);
  }
  for (const auto& [path, bytes] : afterFirst)
    if (!afterSecond.count(path)) changed.push_back(path + " (gone)");
  EXPECT_EQ(changed, std::vector<std::string>{});

  for (const std::string& line : second.log) {
    // Files the release always replaces: the trade-facilitation files and the table files of
    // the SourceDB list; ECFAUnit is made afresh on every run.
    const bool alwaysReplaced =
        line.find("\\DTX\\") != std::string::npos || line.find("\\Database\\") != std::string::npos;
    if (line.find("並更新完成") != std::string::npos) EXPECT_TRUE(alwaysReplaced) << line;
    EXPECT_EQ(line.find("沒找到"), std::string::npos) << line;
    if (line.find("已建立") != std::string::npos) EXPECT_EQ(line, "已建立 ECFAUnit 資料表。");
    EXPECT_EQ(line.find("更新了 Paradox 資料表"), std::string::npos) << line;
    EXPECT_EQ(line.find("更新了 MySQL 資料表"), std::string::npos) << line;
    EXPECT_EQ(line.find("失敗"), std::string::npos) << line;
  }
  ASSERT_EQ(second.boxes.size(), 1u);
  EXPECT_EQ(second.boxes[0].text, kClosingHint);
}

}  // namespace kvt::e2e
