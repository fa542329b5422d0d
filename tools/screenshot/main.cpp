// kvt-screenshot PREFIX RELEASE_DIR OUT_DIR
//
// Opens the tool's main window on an installation in the Wine-style prefix PREFIX, with the
// release in the local directory RELEASE_DIR, and saves what the operator sees to OUT_DIR:
//   main-window.png      the window before the run, with the switch text;
//   form-dir-dialog.png  the form directory dialog, which is then confirmed as offered (shown
//                        after the run when the run itself did not ask);
//   after-run.png        the window after the run, with the log and the report button.
// Message boxes of the run are confirmed as they come. Pictures are rendered from the widgets
// themselves, so they show the same under a virtual X server or Qt's offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/EngineOpener.h"
#include "app/UpgradeSteps.h"
#include "forms/SelectGlobalPathFrm.h"
#include "gui/UpgradeWindow.h"
#include "platform/PrefixFileSystem.h"

namespace {

namespace fs = std::filesystem;

// Lets the window system map and paint what was just shown.
void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

bool Save(QWidget& widget, const fs::path& file) {
  if (!widget.grab().save(QString::fromStdString(file.string()))) {
    std::cerr << "kvt-screenshot: cannot write " << file << "\n";
    return false;
  }
  std::cout << "wrote " << file.string() << "\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: kvt-screenshot PREFIX RELEASE_DIR OUT_DIR\n";
    return 2;
  }
  const fs::path prefix = argv[1];
  const fs::path releaseLocal = argv[2];
  const fs::path out = argv[3];

  kvt::platform::PrefixFileSystem files(prefix);
  const auto releaseWin = files.windowsPathOf(fs::absolute(releaseLocal));
  if (!releaseWin || !files.directoryExists(*releaseWin)) {
    std::cerr << "kvt-screenshot: " << releaseLocal << " is not on a drive of " << prefix << "\n";
    return 1;
  }

  kvt::app::EngineOpener opener;
  kvt::app::UpgradeRunSteps steps;
  kvt::gui::UpgradeWindow window(files, opener, steps,
                                 kvt::platform::includeTrailingBackslash(*releaseWin));
  window.FormCreate();
  window.show();
  Settle(500);
  bool ok = Save(window, out / "main-window.png");

  // The run's dialogs are modal: each is answered from a timer inside its own event loop, one
  // tick after it is first seen so that it has been laid out.
  bool dialogSaved = false;
  QWidget* seen = nullptr;
  QTimer answer;
  answer.setInterval(50);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (modal != seen) {
      seen = modal;
      return;
    }
    seen = nullptr;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      box->button(QMessageBox::Ok)->click();
    } else if (modal->objectName() == QStringLiteral("SelectGlobalPathFrm")) {
      dialogSaved = Save(*modal, out / "form-dir-dialog.png");
      modal->findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
    }
  });
  answer.start();
  window.findChild<QPushButton*>(QStringLiteral("DoBtn"))->click();
  Settle(300);
  ok = Save(window, out / "after-run.png") && ok;
  if (!dialogSaved) {
    // A release whose form-file entries name no form directory is not asked about it; the
    // dialog is then shown as the run shows it, with the directories the run knows.
    const kvt::RunContext& ctx = window.frm().Context();
    kvt::forms::TSelectGlobalPathFrm dialog(files);
    if (!ctx.FormDir.empty()) {
      dialog.SetPathEdit(ctx.FormDir);
      dialog.AddCandidate(ctx.FormDir);
    }
    for (const std::string& dir : ctx.UpdatedExeDirs) {
      if (dir != ctx.FormDir) dialog.AddCandidate(dir);
    }
    window.showFormDirDialog(dialog);
  }
  answer.stop();
  window.close();
  return ok && dialogSaved ? 0 : 1;
}
