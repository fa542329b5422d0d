#include "RunHarness.h"

#include "app/AliasSource.h"
#include "schema/EngineError.h"

namespace kvt::app::testing {
namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t nl = text.find('\n', start);
    lines.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

[[noreturn]] void unsupported(const std::string& what) {
  throw EngineError(ErrorKind::Unsupported, "stub database: " + what);
}

}  // namespace

std::string ScriptedView::memoText() const {
  std::string text;
  for (size_t i = 0; i < memo.size(); ++i) {
    if (i > 0) text += '\n';
    text += memo[i];
  }
  return text;
}

void ScriptedView::setMemoText(const std::string& text) {
  memo = text.empty() ? std::vector<std::string>{} : splitLines(text);
}

void ScriptedView::appendMemoLine(const std::string& text) {
  if (!aliasSourceLine.empty() && text == aliasSourceLine) {
    ++aliasSourceLines;
    return;
  }
  for (std::string& line : splitLines(text)) memo.push_back(std::move(line));
}

void ScriptedView::closeWindow() {
  ++closeRequests;
  if (closed) return;
  if (frm != nullptr && !frm->FormCloseQuery()) return;
  if (frm != nullptr) frm->FormClose();
  closed = true;
}

bool ScriptedView::showFormDirDialog(TSelectGlobalPathFrm& dialog) {
  ++dialogsShown;
  dialogPathEdit = dialog.PathEdit();
  dialogCandidates = dialog.PathLBox();
  if (answerDialog) answerDialog(dialog);
  if (!dialog.Result()) dialog.CancelBtnClick();
  return *dialog.Result();
}

void ScriptedView::processEvents() {
  ++processEventsCalls;
  if (onProcessEvents) onProcessEvents();
}

std::shared_ptr<RowStore> StubDatabase::openTable(const std::string& table, OpenMode) {
  unsupported("open " + table);
}
void StubDatabase::createTable(const std::string& table, const TableSchema&) {
  unsupported("create " + table);
}
void StubDatabase::deleteTable(const std::string& table) {
  unsupported("delete " + table);
}
void StubDatabase::emptyTable(const std::string& table) {
  unsupported("empty " + table);
}
void StubDatabase::renameTable(const std::string& from, const std::string&) {
  unsupported("rename " + from);
}
void StubDatabase::execSql(const std::string& sql, const SqlParams&) {
  unsupported(sql);
}
int64_t StubDatabase::selectCount(const std::string& sql, const SqlParams&) {
  unsupported(sql);
}

std::unique_ptr<Database> StubOpener::openParadox(const std::filesystem::path& localDir,
                                                  const std::string& name) {
  calls.push_back("openParadox " + name);
  paradoxDir = localDir;
  if (refuseParadox) throw EngineError(ErrorKind::Format, "damaged table");
  return std::make_unique<StubDatabase>(DatabaseKind::Standard, name);
}

std::unique_ptr<Database> StubOpener::connectMySql(const MySqlAliasParams& params,
                                                   const std::string& name) {
  calls.push_back("connectMySql " + name);
  mySqlParams = params;
  if (refuseMySql) throw EngineError(ErrorKind::Server, "Access denied for user 'kvt'");
  return std::make_unique<StubDatabase>(DatabaseKind::MySQL, name);
}

std::vector<std::string> RecordingSteps::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

RunHarness::RunHarness() {
  prefix.mkdir(kReleaseDir);
  view.aliasSourceLine = InstalledAliasSource(prefix.fs())->lookup("KVT").sourceLine;
}

void RunHarness::writeAliases(const std::string& text) {
  prefix.putCp950("C:\\windows\\DBALIAS.INI", text);
}

void RunHarness::installParadox(const std::string& kvtIniSystemLines) {
  writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Velmor\\KVT\\Database\r\n");
  prefix.mkdir("C:\\Velmor\\KVT\\Database");
  prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini", "[System]\r\n" + kvtIniSystemLines + "\r\n");
}

void RunHarness::start(const std::string& systemLines) {
  prefix.putCp950(std::string(kReleaseDir) + "KVTUpgrade.INI", "[System]\r\n" + systemLines);
  startWithoutSwitchFile();
}

void RunHarness::startWithoutSwitchFile() {
  platform::FileSystem& fs = fsOverride != nullptr ? *fsOverride : prefix.fs();
  frm = std::make_unique<TUpgradeFrm>(view, fs, opener, steps, kReleaseDir);
  view.frm = frm.get();
  frm->FormCreate();
  frm->FormShow();
}

void RunHarness::startForSteps() {
  start("");
  view.memo.clear();
}

std::vector<std::string> RunHarness::boxTexts() const {
  std::vector<std::string> out;
  for (const Box& b : view.boxes) out.push_back(b.text);
  return out;
}

}  // namespace kvt::app::testing
