// The program's pieces on the demonstration installation: the real window, the real table
// engine opener and the run steps of the program, from the switch file of the demonstration
// release to the closing message.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "app/EngineOpener.h"
#include "app/UpgradeSteps.h"
#include "gui/UpgradeWindow.h"
#include "platform/PrefixFileSystem.h"
#include "tools/demo/DemoPrefix.h"

namespace kvt::gui {
namespace {

namespace fs = std::filesystem;

TEST(DemoRun, RunsOnTheDemonstrationInstallation) {
  std::string pattern = (fs::temp_directory_path() / "kvt-demo-run-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  demo::DemoLayout layout;
  layout.prefix = fs::path(pattern) / "prefix";
  demo::BuildDemoPrefix(layout, {});

  platform::PrefixFileSystem files(layout.prefix);
  app::EngineOpener opener;
  app::UpgradeRunSteps steps;
  UpgradeWindow window(files, opener, steps, layout.releaseDir);
  window.FormCreate();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("MainMemo"));
  EXPECT_TRUE(memo->toPlainText().contains(QString::fromUtf8("DependOnMainEXE=YES")));

  // The demonstration asks for the form directory ("[KVT]" in its form-file entry): the
  // operator takes the one offered. Then the closing message is confirmed.
  std::vector<QString> boxes;
  QString offered;
  QTimer answer;
  answer.setInterval(10);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back(box->text());
      box->button(QMessageBox::Ok)->click();
    } else if (modal->objectName() == QStringLiteral("SelectGlobalPathFrm")) {
      offered = modal->findChild<QLineEdit*>(QStringLiteral("PathEdit"))->text();
      modal->findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
    }
  });
  answer.start();
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("DoBtn")), Qt::LeftButton);

  EXPECT_TRUE(memo->toPlainText().startsWith(
      QString::fromUtf8("KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。")));
  EXPECT_EQ(offered, QStringLiteral("C:\\Velmor\\KVT\\"));
  EXPECT_EQ(window.frm().Context().FormDir, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(window.frm().Context().DtxDir, "C:\\Velmor\\KVT\\DTX\\");
  EXPECT_EQ(window.frm().Context().VanId, "1");
  ASSERT_NE(window.frm().Context().packageDb, nullptr);
  ASSERT_FALSE(boxes.empty());
  EXPECT_TRUE(boxes.back().startsWith(QString::fromUtf8("如果希望Velmor知道您更新的情形")));
  EXPECT_FALSE(files.fileExists(layout.releaseDir + "KVTTemp.INI"));

  if (const char* dir = std::getenv("KVT_SCREENSHOT_DIR"))
    window.grab().save(QString::fromUtf8(dir) + QStringLiteral("/after-run.png"));
  window.close();
  fs::remove_all(pattern);
}

}  // namespace
}  // namespace kvt::gui
