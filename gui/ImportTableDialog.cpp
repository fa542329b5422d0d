#include "gui/ImportTableDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
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

  auto* label = new QLabel(QString::fromUtf8(Frm::kSourceLabel), this);
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

  allCBox_ = new QCheckBox(QString::fromUtf8(Frm::kAllCaption), this);
  allCBox_->setObjectName(QStringLiteral("AllCBox"));
  printOnlyCBtn_ = new QCheckBox(QString::fromUtf8(Frm::kPrintOnlyCaption), this);
  printOnlyCBtn_->setObjectName(QStringLiteral("SetPrintOnlyCBtn"));
  overWriteCBox_ = new QCheckBox(QString::fromUtf8(Frm::kOverWriteCaption), this);
  overWriteCBox_->setObjectName(QStringLiteral("OverWriteCBox"));

  auto* ok = new QPushButton(QString::fromUtf8(Frm::kOkCaption), this);
  ok->setObjectName(QStringLiteral("OKBtn"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromUtf8(Frm::kCancelCaption), this);
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

  logic_.AttachView(this);
  connect(formNameLBox_, &QListWidget::itemSelectionChanged, this, [this] {
    for (int i = 0; i < formNameLBox_->count(); ++i)
      logic_.SetFormSelected(size_t(i), formNameLBox_->item(i)->isSelected());
  });
  connect(allCBox_, &QCheckBox::toggled, this, [this](bool on) { logic_.AllCBoxClick(on); });
  connect(printOnlyCBtn_, &QCheckBox::toggled, this,
          [this](bool on) { logic_.SetPrintOnlyCBtnClick(on); });
  connect(overWriteCBox_, &QCheckBox::toggled, this,
          [this](bool on) { logic_.OverWriteCBoxClick(on); });
  connect(open, &QToolButton::clicked, this, [this] { logic_.OpenSBtnClick(); });
  connect(ok, &QPushButton::clicked, this, [this] { logic_.OKBtnClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { logic_.CancelBtnClick(); });
}

ImportTableDialog::~ImportTableDialog() {
  logic_.AttachView(nullptr);
}

void ImportTableDialog::reject() {
  logic_.CancelBtnClick();
}

void ImportTableDialog::closeDialog(bool ok) {
  done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void ImportTableDialog::showSourceFile(const std::string& fileName) {
  importTableEdit_->setText(QString::fromStdString(fileName));
}

void ImportTableDialog::showForms(const std::vector<forms::ImportFormItem>& forms) {
  const QSignalBlocker quiet(formNameLBox_);
  formNameLBox_->clear();
  for (const auto& item : forms) {
    auto* row = new QListWidgetItem(QString::fromStdString(item.text), formNameLBox_);
    row->setSelected(item.selected);
  }
}

void ImportTableDialog::showOptions(bool all, bool printOnly, bool overWrite) {
  const QSignalBlocker quietAll(allCBox_), quietPrint(printOnlyCBtn_), quietOver(overWriteCBox_);
  allCBox_->setChecked(all);
  printOnlyCBtn_->setChecked(printOnly);
  overWriteCBox_->setChecked(overWrite);
}

std::optional<std::string> ImportTableDialog::openFileDialog(const std::string& startDir,
                                                             const std::string& fileName) {
  return pickFile_(startDir, fileName);
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

}  // namespace kvt::gui
