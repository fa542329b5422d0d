#include "gui/UpgradeWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/SelectGlobalPathDialog.h"
#include "platform/ErrorReport.h"
#ifdef KVT_WITH_FORM_IMPORT
#include <QDir>
#include <QFileDialog>

#include "forms/upgrade/InteractiveImport.h"
#include "gui/ImportTableDialog.h"
#endif

namespace kvt::gui {
namespace {

// A fixed-pitch face that has the Chinese characters of the log.
QFont fixedPitchFont() {
  QFont font(QStringLiteral("Noto Sans Mono CJK TC"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(10);
  // Absent that face, the system's fixed-pitch one (Chinese then comes from a fallback face).
  if (!QFontInfo(font).family().contains(QStringLiteral("Mono"), Qt::CaseInsensitive)) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(10);
    return fixed;
  }
  return font;
}

}  // namespace

QString toDisplayText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

UpgradeWindow::UpgradeWindow(platform::FileSystem& fs, app::DatabaseOpener& opener,
                             app::RunSteps& steps, std::string releaseDir)
    : fs_(fs), releaseDir_(releaseDir) {
  setObjectName(QStringLiteral("UpgradeFrm"));
  setWindowTitle(QString::fromUtf8(app::TUpgradeFrm::kCaption) + QStringLiteral(" (") +
                 QString::fromUtf8(kSupplierLine) + QStringLiteral(")"));
  resize(597, 450);

  const QFont fixed = fixedPitchFont();
  dirLabel_ = new QLabel(QStringLiteral("DirLabel"), this);
  dirLabel_->setObjectName(QStringLiteral("DirLabel"));
  dirLabel_->setFont(fixed);
  dirLabel_->setMinimumWidth(1);  // a long path must not widen the window

  mainMemo_ = new QPlainTextEdit(this);
  mainMemo_->setObjectName(QStringLiteral("MainMemo"));
  mainMemo_->setFont(fixed);
  mainMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  mainMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mainMemo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto makeButton = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    b->setMinimumWidth(std::max(80, b->sizeHint().width() + 16));
    return b;
  };
  doBtn_ = makeButton("DoBtn", app::TUpgradeFrm::kDoBtnCaption);
  exitBtn_ = makeButton("ExitBtn", app::TUpgradeFrm::kExitBtnCaption);
  reportBtn_ = makeButton("ReportBtn", app::TUpgradeFrm::kReportBtnCaption);
  stopBtn_ = makeButton("StopBtn", app::TUpgradeFrm::kStopBtnCaption);
  reportBtn_->hide();
  stopBtn_->hide();

  // Report and Stop share the bottom left: only one of them is ever visible.
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(reportBtn_);
  buttons->addWidget(stopBtn_);
  buttons->addStretch(1);
#ifdef KVT_WITH_FORM_IMPORT
  if (!releaseDir_.empty()) {
    importBtn_ = makeButton("ImportBtn", "匯入主表單...");
    buttons->addWidget(importBtn_);
    connect(importBtn_, &QPushButton::clicked, this,
            [this] { platform::ReportingErrors(*this, [this] { importBtnClick(); }); });
  }
#endif
  buttons->addWidget(doBtn_);
  buttons->addWidget(exitBtn_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(dirLabel_);
  layout->addWidget(mainMemo_, 1);
  layout->addLayout(buttons);

  frm_ = std::make_unique<app::TUpgradeFrm>(*this, fs, opener, steps, std::move(releaseDir));
  // Nothing a handler throws may pass through the event loop: it ends in an error box.
  const auto guarded = [this](void (app::TUpgradeFrm::*handler)()) {
    return [this, handler] { platform::ReportingErrors(*this, [&] { (frm_.get()->*handler)(); }); };
  };
  connect(doBtn_, &QPushButton::clicked, this, guarded(&app::TUpgradeFrm::DoBtnClick));
  connect(stopBtn_, &QPushButton::clicked, this, guarded(&app::TUpgradeFrm::StopBtnClick));
  connect(exitBtn_, &QPushButton::clicked, this, guarded(&app::TUpgradeFrm::ExitBtnClick));
  connect(reportBtn_, &QPushButton::clicked, this,
          [this, report = guarded(&app::TUpgradeFrm::ReportBtnClick)] {
            // The window goes on working while the mail program is open: one report at a time.
            reportBtn_->setEnabled(false);
            report();
            reportBtn_->setEnabled(true);
          });
}

UpgradeWindow::~UpgradeWindow() {
  if (busy_) QApplication::restoreOverrideCursor();
}

std::string UpgradeWindow::memoText() const {
  return mainMemo_->toPlainText().toStdString();
}

void UpgradeWindow::setMemoText(const std::string& text) {
  mainMemo_->setPlainText(QString::fromStdString(text));
  memoHasLines_ = !text.empty();
}

void UpgradeWindow::appendMemoLine(const std::string& text) {
  // An empty memo and a memo of one empty line have the same text: count lines ourselves.
  memoHasLines_ = memoHasLines_ || !mainMemo_->document()->isEmpty();
  QTextCursor cursor(mainMemo_->document());
  cursor.movePosition(QTextCursor::End);
  if (memoHasLines_) cursor.insertBlock();
  cursor.insertText(QString::fromStdString(text));
  memoHasLines_ = true;
  mainMemo_->setTextCursor(cursor);
  mainMemo_->ensureCursorVisible();
}

void UpgradeWindow::setDirLabel(const std::string& text) {
  dirLabel_->setText(QString::fromStdString(text));
}

QPushButton* UpgradeWindow::button(app::MainButton which) const {
  return app::ButtonControl(which, doBtn_, stopBtn_, reportBtn_, exitBtn_);
}

void UpgradeWindow::setButtonVisible(app::MainButton which, bool visible) {
  button(which)->setVisible(visible);
  // The import works beside the run's scratch tables: it is offered only before a run.
  if (which == app::MainButton::DoBtn && importBtn_ != nullptr) importBtn_->setVisible(visible);
}

void UpgradeWindow::importBtnClick() {
#ifdef KVT_WITH_FORM_IMPORT
  QString startDir = QDir::homePath();
  if (const auto local = fs_.resolve(releaseDir_))
    startDir = QString::fromStdString(local->string());
  const QString chosen =
      QFileDialog::getOpenFileName(this, QString::fromUtf8("匯入主表單 - 目的主表單檔"), startDir,
                                   QString::fromUtf8(ImportTableDialog::kFileFilter));
  if (chosen.isEmpty()) return;
  const auto destination = fs_.windowsPathOf(std::filesystem::path(chosen.toStdString()));
  if (!destination) return;
  // An error of the table engine or the files leaves this handler for its error box; the form
  // file is replaced only by a finished save, so it stays as it was.
  const auto result =
      forms::ImportIntoFormFile(fs_, *this, releaseDir_ + "Table\\", releaseDir_ + "SrcTable\\",
                                *destination, [this](forms::TImportTableFrm& logic) {
                                  ImportTableDialog dialog(logic, fs_, this);
                                  dialog.exec();
                                });
  forms::ReportImportResult(*this, result, *destination);
#endif
}

void UpgradeWindow::closeWindow() {
  close();
}

bool UpgradeWindow::showFormDirDialog(forms::TSelectGlobalPathFrm& logic) {
  // The operator answers with the normal cursor, whatever the run shows.
  const bool wasBusy = busy_;
  setBusyCursor(false);
  SelectGlobalPathDialog dialog(logic, fs_, this);
  dialog.exec();
  setBusyCursor(wasBusy);
  return logic.Result().value_or(false);
}

void UpgradeWindow::messageBox(platform::BoxKind kind, const std::string& text) {
  const QMessageBox::Icon icon = kind == platform::BoxKind::Warning ? QMessageBox::Warning
                                 : kind == platform::BoxKind::Error ? QMessageBox::Critical
                                                                    : QMessageBox::Information;
  QMessageBox box(icon, QString::fromUtf8(app::TUpgradeFrm::kCaption), toDisplayText(text),
                  QMessageBox::Ok, isVisible() ? this : nullptr);
  box.exec();
}

void UpgradeWindow::setBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void UpgradeWindow::processEvents() {
  QCoreApplication::processEvents();
}

void UpgradeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  frm_->FormShow();
}

void UpgradeWindow::closeEvent(QCloseEvent* event) {
  if (!frm_->FormCloseQuery()) {
    event->ignore();  // the run stops first and then closes the window
    return;
  }
  frm_->FormClose();
  event->accept();
}

}  // namespace kvt::gui
