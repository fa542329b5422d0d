#include "gui/ImportTableDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kvt::gui {

using forms::TImportTableFrm;

ImportTableDialog::ImportTableDialog(TImportTableFrm& logic, platform::FileSystem& fs,
                                     QWidget* owner)
    : QDialog(owner), logic_(logic), fs_(fs) {
  setObjectName(QStringLiteral("ImportTableFrm"));
  setWindowTitle(QString::fromUtf8(kCaption));
  setModal(true);
  pickFile_ = [this](const std::string& dir, const std::string& name) {
    return pickWithFileDialog(dir, name);
  };

  auto* label = new QLabel(QString::fromUtf8(kSourceLabel), this);
  importTableEdit_ = new QLineEdit(this);
  importTableEdit_->setObjectName(QStringLiteral("ImportTableEdit"));
  importTableEdit_->setReadOnly(true);
  importTableEdit_->setMinimumWidth(380);
  auto* open = new QToolButton(this);
  open->setObjectName(QStringLiteral("OpenSBtn"));
  open->setText(QStringLiteral("..."));

  // Three columns of items, as many rows as fit.
  formNameLBox_ = new QListWidget(this);
  formNameLBox_->setObjectName(QStringLiteral("FormNameLBox"));
  formNameLBox_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  formNameLBox_->setFlow(QListView::TopToBottom);
  formNameLBox_->setWrapping(true);
  formNameLBox_->setResizeMode(QListView::Adjust);
  formNameLBox_->setMinimumHeight(240);

  allCBox_ = new QCheckBox(QString::fromUtf8(kAllCaption), this);
  allCBox_->setObjectName(QStringLiteral("AllCBox"));
  printOnlyCBtn_ = new QCheckBox(QString::fromUtf8(kPrintOnlyCaption), this);
  printOnlyCBtn_->setObjectName(QStringLiteral("SetPrintOnlyCBtn"));
  overWriteCBox_ = new QCheckBox(QString::fromUtf8(kOverWriteCaption), this);
  overWriteCBox_->setObjectName(QStringLiteral("OverWriteCBox"));

  auto* ok = new QPushButton(QString::fromUtf8(kOkCaption), this);
  ok->setObjectName(QStringLiteral("OKBtn"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromUtf8(kCancelCaption), this);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  cancel->setAutoDefault(false);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(importTableEdit_, 1);
  fileRow->addWidget(open);
  auto* options = new QHBoxLayout;
  options->addWidget(allCBox_);
  options->addWidget(printOnlyCBtn_);
  options->addWidget(overWriteCBox_);
  options->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(fileRow);
  layout->addWidget(formNameLBox_, 1);
  layout->addLayout(options);
  layout->addLayout(buttons);

  showLogic();
  connect(open, &QToolButton::clicked, this, [this] { openSBtnClick(); });
  connect(ok, &QPushButton::clicked, this, [this] { okBtnClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void ImportTableDialog::reject() {
  logic_.CancelBtnClick();
  QDialog::reject();
}

void ImportTableDialog::showLogic() {
  importTableEdit_->setText(QString::fromStdString(logic_.ImportTableEdit));
  formNameLBox_->clear();
  for (const auto& item : logic_.FormNameLBox) {
    auto* row = new QListWidgetItem(QString::fromStdString(item.text), formNameLBox_);
    row->setSelected(item.selected);
  }
  allCBox_->setChecked(logic_.AllCBox);
  printOnlyCBtn_->setChecked(logic_.SetPrintOnlyCBtn);
  overWriteCBox_->setChecked(logic_.OverWriteCBox);
}

void ImportTableDialog::collectState() {
  for (int i = 0; i < formNameLBox_->count() && size_t(i) < logic_.FormNameLBox.size(); ++i) {
    logic_.FormNameLBox[size_t(i)].selected = formNameLBox_->item(i)->isSelected();
  }
  logic_.AllCBox = allCBox_->isChecked();
  logic_.SetPrintOnlyCBtn = printOnlyCBtn_->isChecked();
  logic_.OverWriteCBox = overWriteCBox_->isChecked();
}

std::optional<std::string> ImportTableDialog::pickWithFileDialog(const std::string& startDir,
                                                                 const std::string& fileName) {
  QString dir = QDir::homePath();
  if (const auto local = fs_.resolve(startDir); local && fs_.directoryExists(startDir)) {
    dir = QString::fromStdString(local->string());
  }
  QFileDialog dialog(this, QString::fromUtf8(kCaption), dir, QString::fromUtf8(kFileFilter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::ReadOnly);
  if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return fs_.windowsPathOf(std::filesystem::path(dialog.selectedFiles().front().toStdString()));
}

void ImportTableDialog::openSBtnClick() {
  collectState();
  const std::string current = logic_.ImportTableEdit;
  const std::string startDir = current.empty() ? "D:\\" : platform::extractFilePath(current);
  const auto chosen = pickFile_(startDir, platform::extractFileName(current));
  if (!chosen) return;
  logic_.OpenSourceFile(*chosen);
  showLogic();
}

void ImportTableDialog::okBtnClick() {
  collectState();
  logic_.OKBtnClick();
  showLogic();
  if (logic_.modalResult == TImportTableFrm::ModalResult::Ok) accept();
  if (logic_.modalResult == TImportTableFrm::ModalResult::Cancel) reject();
}

}  // namespace kvt::gui
