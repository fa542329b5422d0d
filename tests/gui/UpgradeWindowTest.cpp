// The real window, offscreen: the switch text at start, a run with its log and buttons, Stop
// during a long step, closing during a run, the form directory dialog, and painting on while
// the mail program is open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

#include "BareMailDesktop.h"
#include "RunHarness.h"
#include "gui/SelectGlobalPathDialog.h"
#include "gui/UpgradeWindow.h"
#include "report/XdgEmailClient.h"

namespace kvt::gui {
namespace {

using app::testing::RecordingSteps;
using app::testing::StubOpener;
using app::testing::TestPrefix;

const char* kReleaseDir = "C:\\KVTRelease\\";

// Answers modal windows as they come up: message boxes are read and confirmed, the form
// directory dialog gets the next scripted action.
class ModalAnswerer {
 public:
  std::vector<QString> boxes;
  std::deque<std::function<void(QDialog&)>> dialogActions;
  int dialogsSeen = 0;

  ModalAnswerer() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }

 private:
  void answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back(box->text());
      box->button(QMessageBox::Ok)->click();
    } else if (modal->objectName() == QStringLiteral("SelectGlobalPathFrm")) {
      if (modal != lastDialog_) ++dialogsSeen;
      lastDialog_ = modal;
      if (acting_) return;
      if (dialogActions.empty()) {
        modal->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
        return;
      }
      // The action may bring up a box of its own; it runs outside this timer's slot so that
      // the timer can answer that box.
      acting_ = true;
      auto action = std::move(dialogActions.front());
      dialogActions.pop_front();
      auto* dialog = static_cast<QDialog*>(modal);
      QTimer::singleShot(0, dialog, [this, dialog, action] {
        action(*dialog);
        acting_ = false;
      });
    }
  }

  QTimer timer_;
  QWidget* lastDialog_ = nullptr;
  bool acting_ = false;
};

class UpgradeWindowTest : public ::testing::Test {
 protected:
  TestPrefix prefix;
  StubOpener opener;
  RecordingSteps steps;
  std::unique_ptr<UpgradeWindow> window;

  void SetUp() override {
    prefix.putCp950("C:\\windows\\DBALIAS.INI",
                    "[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Velmor\\KVT\\Database\r\n");
    prefix.mkdir("C:\\Velmor\\KVT\\Database");
    prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini",
                    "[System]\r\nDatabasePath=C:\\Velmor\\KVT\\Database\r\n");
  }

  void open(const std::string& switchLines) {
    prefix.putCp950(std::string(kReleaseDir) + "KVTUpgrade.INI",
                    ";示範\r\n[System]\r\n" + switchLines);
    window = std::make_unique<UpgradeWindow>(prefix.fs(), opener, steps, kReleaseDir);
    window->FormCreate();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  template <typename T>
  T* child(const char* name) {
    T* w = window->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString memo() { return child<QPlainTextEdit>("MainMemo")->toPlainText(); }
  bool shown(const char* button) { return child<QPushButton>(button)->isVisible(); }
  void pressRun() { QTest::mouseClick(child<QPushButton>("DoBtn"), Qt::LeftButton); }

  // A step that keeps the window responsive until the run is stopped (or time runs out).
  static void waitForStop(RunContext& ctx) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ctx.StopFlag && std::chrono::steady_clock::now() < until) {
      ctx.ProcessMessages();
      QTest::qWait(5);
    }
  }
};

TEST_F(UpgradeWindowTest, StartShowsTheSwitchTextAndWaits) {
  open("UpgradeKVTEXE=YES ;更新主程式\r\n");
  EXPECT_TRUE(window->windowTitle().startsWith(QString::fromUtf8("KVT 更新程式 (")));
  EXPECT_EQ(window->size(), QSize(597, 450));
  EXPECT_EQ(memo(), QString::fromUtf8(";示範\n[System]\nUpgradeKVTEXE=YES ;更新主程式"));
  EXPECT_EQ(child<QLabel>("DirLabel")->text(), QString());
  EXPECT_TRUE(shown("DoBtn"));
  EXPECT_TRUE(shown("ExitBtn"));
  EXPECT_FALSE(shown("StopBtn"));
  EXPECT_FALSE(shown("ReportBtn"));
  EXPECT_EQ(child<QPushButton>("DoBtn")->text(), QString::fromUtf8("執  行"));
  // Fixed pitch for the ASCII of the switch text and paths.
  const QFontMetrics metrics(child<QPlainTextEdit>("MainMemo")->font());
  EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
            metrics.horizontalAdvance(QLatin1Char('W')));
  const QFontMetrics labelMetrics(child<QLabel>("DirLabel")->font());
  EXPECT_EQ(labelMetrics.horizontalAdvance(QLatin1Char('.')),
            labelMetrics.horizontalAdvance(QLatin1Char('M')));
  EXPECT_TRUE(steps.calls.empty());
}

TEST_F(UpgradeWindowTest, RunWritesTheLogAndChangesTheButtons) {
  open("SourceDBL001=KVTE.DBL\r\n");
  bool stopShownDuringRun = false, busyDuringRun = false;
  steps.onCall = [&](RunContext&, const std::string& call) {
    if (call != "UpdateFormDirProgram") return;
    stopShownDuringRun = shown("StopBtn") && !shown("DoBtn");
    busyDuringRun = QApplication::overrideCursor() != nullptr;
  };
  ModalAnswerer modals;
  pressRun();
  EXPECT_EQ(memo(), QString::fromUtf8("KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。"));
  EXPECT_TRUE(stopShownDuringRun);
  EXPECT_TRUE(busyDuringRun);
  EXPECT_FALSE(shown("DoBtn"));
  EXPECT_FALSE(shown("StopBtn"));
  EXPECT_TRUE(shown("ReportBtn"));
  EXPECT_TRUE(shown("ExitBtn"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(modals.boxes.size(), 1u);
  EXPECT_EQ(
      modals.boxes[0],
      QString::fromUtf8("如果希望Velmor知道您更新的情形，\n請按左下的 [給Velmor回函] 按鈕。"));
  EXPECT_EQ(steps.callsStartingWith("CopyIfNewer"),
            std::vector<std::string>{
                "CopyIfNewer C:\\KVTRelease\\KVTE.DBL,C:\\Velmor\\KVT\\KVTE.DBL,1,1"});
}

TEST_F(UpgradeWindowTest, StopButtonWorksDuringALongStep) {
  open("UpgradeKVTEXE=YES\r\n");
  steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call != "SearchInstallations C:\\Velmor\\KVT\\") return;
    QTimer::singleShot(
        50, [this] { QTest::mouseClick(child<QPushButton>("StopBtn"), Qt::LeftButton); });
    waitForStop(ctx);
  };
  ModalAnswerer modals;
  pressRun();
  EXPECT_EQ(steps.calls, std::vector<std::string>{"SearchInstallations C:\\Velmor\\KVT\\"});
  EXPECT_TRUE(memo().contains(QString::fromUtf8("\n\n使用者中止 !\n")));
  EXPECT_FALSE(shown("StopBtn"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(modals.boxes.empty());
}

TEST_F(UpgradeWindowTest, ClosingDuringARunStopsItFirst) {
  open("UpgradeKVTEXE=YES\r\n");
  bool visibleAfterClose = false;
  steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call != "SearchInstallations C:\\Velmor\\KVT\\") return;
    window->close();
    visibleAfterClose = window->isVisible();
    waitForStop(ctx);
  };
  ModalAnswerer modals;
  pressRun();
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(steps.calls.size(), 1u);
  EXPECT_EQ(window->frm().Context().packageDb, nullptr);
  EXPECT_TRUE(modals.boxes.empty());
}

TEST_F(UpgradeWindowTest, FormDirectoryDialogAsksAndWarns) {
  prefix.mkdir("D:\\forms");
  open("SourceDBT001=E, *, [KVT]KVTE.DBT\r\nSourceDBL001=A.DBL\r\n");
  ModalAnswerer modals;
  QString offeredPath;
  int offeredItems = -1;
  modals.dialogActions.push_back([&](QDialog& d) {
    auto* edit = d.findChild<QLineEdit*>(QStringLiteral("PathEdit"));
    offeredPath = edit->text();
    offeredItems = d.findChild<QListWidget*>(QStringLiteral("PathLBox"))->count();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("D:\\nowhere"));
    d.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();  // warns, stays open
  });
  modals.dialogActions.push_back([&](QDialog& d) {
    auto* edit = d.findChild<QLineEdit*>(QStringLiteral("PathEdit"));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("D:\\forms"));
    d.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
  });
  pressRun();
  EXPECT_EQ(modals.dialogsSeen, 1);
  EXPECT_EQ(offeredPath, QStringLiteral("C:\\Velmor\\KVT\\"));
  EXPECT_EQ(offeredItems, 1);
  ASSERT_EQ(modals.boxes.size(), 2u);
  EXPECT_EQ(modals.boxes[0], QString::fromUtf8("目錄 [D:\\nowhere] 不存在 !"));
  EXPECT_EQ(window->frm().Context().FormDir, "D:\\forms\\");
  EXPECT_EQ(steps.callsStartingWith("CopyIfNewer"),
            std::vector<std::string>{"CopyIfNewer C:\\KVTRelease\\A.DBL,D:\\forms\\A.DBL,1,1"});
}

TEST_F(UpgradeWindowTest, CancelledFormDirectoryDialogStopsTheFormSteps) {
  open("SourceDBT001=E, *, [KVT]KVTE.DBT\r\n");
  ModalAnswerer modals;  // no dialog action: the dialog is cancelled
  pressRun();
  EXPECT_EQ(modals.dialogsSeen, 1);
  EXPECT_TRUE(steps.callsStartingWith("UpgradeFormFiles").empty());
  EXPECT_TRUE(modals.boxes.empty());  // stopped: no closing hint
  EXPECT_TRUE(shown("ReportBtn"));
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

TEST_F(UpgradeWindowTest, TheWindowKeepsPaintingWhileTheMailProgramIsOpen) {
  open("");
  // The real xdg-email; the mail program stays open until the window has painted new lines.
  report::testing::BareMailDesktop desktop(0, true);
  PaintCounter paints(child<QPlainTextEdit>("MainMemo")->viewport());
  int lines = 0;
  QTimer timer;
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    window->appendMemoLine("line " + std::to_string(++lines));
    if (paints.count >= 3 && desktop.called()) desktop.release();
  });
  timer.start();
  const int result =
      report::XdgEmailClient().send({"s", "body", "n", "SMTP:service@velmor.example"}, *window);
  timer.stop();
  EXPECT_EQ(result, report::mail_result::kSuccess);
  EXPECT_TRUE(desktop.called());
  EXPECT_GE(paints.count, 3);
  EXPECT_TRUE(memo().contains(QStringLiteral("line 3")));
}

}  // namespace
}  // namespace kvt::gui

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
