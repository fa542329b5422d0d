#include "gui/SelectGlobalPathDialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include "gui/UpgradeWindow.h"

namespace kvt::gui {

using forms::TSelectGlobalPathFrm;

SelectGlobalPathDialog::SelectGlobalPathDialog(TSelectGlobalPathFrm& logic,
                                               platform::FileSystem& fs, QWidget* owner)
    : QDialog(owner), logic_(logic), fs_(fs) {
  setObjectName(QStringLiteral("SelectGlobalPathFrm"));
  setWindowTitle(QString::fromUtf8(TSelectGlobalPathFrm::kCaption));
  setModal(true);

  auto* label1 = new QLabel(QString::fromUtf8(TSelectGlobalPathFrm::kLabel1), this);
  label1->setObjectName(QStringLiteral("Label1"));
  auto* label2 = new QLabel(QString::fromUtf8(TSelectGlobalPathFrm::kLabel2), this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setWordWrap(true);

  pathEdit_ = new QLineEdit(QString::fromStdString(logic.PathEdit()), this);
  pathEdit_->setObjectName(QStringLiteral("PathEdit"));
  pathEdit_->setMinimumWidth(380);
  auto* browse = new QToolButton(this);
  browse->setObjectName(QStringLiteral("SelPathSBtn"));
  browse->setText(QStringLiteral("..."));

  pathLBox_ = new QListWidget(this);
  pathLBox_->setObjectName(QStringLiteral("PathLBox"));
  for (const std::string& dir : logic.PathLBox()) pathLBox_->addItem(QString::fromStdString(dir));

  auto* ok = new QPushButton(QString::fromUtf8(TSelectGlobalPathFrm::kOkCaption), this);
  ok->setObjectName(QStringLiteral("OkBtn"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromUtf8(TSelectGlobalPathFrm::kCancelCaption), this);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  cancel->setAutoDefault(false);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathEdit_, 1);
  pathRow->addWidget(browse);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1);
  layout->addLayout(pathRow);
  layout->addWidget(pathLBox_, 1);
  layout->addWidget(label2);
  layout->addLayout(buttons);

  logic_.AttachView(this);
  connect(pathEdit_, &QLineEdit::textEdited, this,
          [this](const QString& text) { logic_.SetPathEdit(text.toStdString()); });
  connect(pathLBox_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    logic_.PathLBoxClick(static_cast<std::size_t>(pathLBox_->row(item)));
  });
  connect(browse, &QToolButton::clicked, this, [this] { logic_.SelPathSBtnClick(); });
  connect(ok, &QPushButton::clicked, this, [this] { logic_.OkBtnClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { logic_.CancelBtnClick(); });
}

SelectGlobalPathDialog::~SelectGlobalPathDialog() {
  logic_.AttachView(nullptr);
}

void SelectGlobalPathDialog::showWarning(const std::string& text) {
  QMessageBox::warning(this, windowTitle(), toDisplayText(text));
}

std::optional<std::string> SelectGlobalPathDialog::openFileDialog(
    const std::string& startDir, const std::string& presetFileName) {
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::AnyFile);  // the preset name need not exist
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (auto local = fs_.resolve(startDir))
    dialog.setDirectory(QString::fromStdString(local->string()));
  dialog.selectFile(QString::fromStdString(presetFileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const std::filesystem::path chosen(dialog.selectedFiles().first().toStdString());
  // Only a directory of this machine's drives can be named to the run.
  std::optional<std::string> dir = fs_.windowsPathOf(chosen.parent_path());
  if (!dir) return std::nullopt;
  return platform::includeTrailingBackslash(*dir) + chosen.filename().string();
}

void SelectGlobalPathDialog::pathEditChanged(const std::string& text) {
  pathEdit_->setText(QString::fromStdString(text));
}

void SelectGlobalPathDialog::closeDialog(bool ok) {
  done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void SelectGlobalPathDialog::reject() {
  logic_.CancelBtnClick();
}

}  // namespace kvt::gui
