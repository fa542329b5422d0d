// KVTUpgrade: the upgrade tool's one window. The release directory is the directory of this
// program, as a path of the Windows drives of the prefix (WINEPREFIX, else ~/.wine).
#include <QApplication>
#include <QMessageBox>

#include "gui/UpgradeWindow.h"
#include "platform/PrefixFileSystem.h"
#include "schema/EngineError.h"
#ifdef KVT_WITH_ENGINES
#include "app/EngineOpener.h"
#endif
#ifdef KVT_WITH_STEPS
#include "app/UpgradeSteps.h"
#else
#error "KVTUpgrade is built with its run steps (kvt_app_steps)"
#endif

namespace {

#ifndef KVT_WITH_ENGINES
// A build without the table engines: no database can be opened.
class NoEngineOpener : public kvt::app::DatabaseOpener {
 public:
  std::unique_ptr<kvt::Database> openParadox(const std::filesystem::path&,
                                             const std::string&) override {
    throw kvt::EngineError(kvt::ErrorKind::Unsupported, "這個版本沒有資料表引擎。");
  }
  std::unique_ptr<kvt::Database> connectMySql(const kvt::app::MySqlAliasParams&,
                                              const std::string&) override {
    throw kvt::EngineError(kvt::ErrorKind::Unsupported, "這個版本沒有資料表引擎。");
  }
};
#endif

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  namespace fs = std::filesystem;
  kvt::platform::PrefixFileSystem files(kvt::platform::PrefixFileSystem::defaultPrefix());

  std::string releaseDir;
  const fs::path programDir = QCoreApplication::applicationDirPath().toStdString();
  if (auto dir = files.windowsPathOf(programDir); dir && files.directoryExists(*dir))
    releaseDir = kvt::platform::includeTrailingBackslash(*dir);

#ifdef KVT_WITH_ENGINES
  kvt::app::EngineOpener opener;
#else
  NoEngineOpener opener;
#endif
  kvt::app::UpgradeRunSteps steps;
  kvt::gui::UpgradeWindow window(files, opener, steps, releaseDir);
  if (releaseDir.empty()) {
    QMessageBox::critical(
        nullptr, QString::fromUtf8(kvt::app::TUpgradeFrm::kCaption),
        QString::fromUtf8("更新程式所在的目錄 [%1] 不在 Windows 環境 [%2] 的任何磁碟機上。\n"
                          "請把更新程式放在發行目錄中執行，或設定 WINEPREFIX。")
            .arg(QString::fromStdString(programDir.string()),
                 QString::fromStdString(files.prefix().string())));
  }
  window.FormCreate();
  window.show();
  return app.exec();
}
