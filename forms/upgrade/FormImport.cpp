#include "forms/upgrade/FormImport.h"

#include <optional>

#include "forms/FileHelpers.h"
#include "forms/FormFileReader.h"
#include "forms/FormTables.h"
#include "forms/upgrade/WorkTables.h"
#include "platform/BusyCursor.h"
#include "platform/Cp950.h"
#include "platform/ErrorReport.h"
#include "schema/EngineError.h"
#include "schema/FieldCoercion.h"
#include "schema/Table.h"
#include "schema/ValueOrder.h"

namespace kvt::forms {
namespace {

using platform::BoxKind;
using platform::BusyCursor;

// The source directory goes when the import is done, whichever way it ends.
class SourceDirectoryRemover {
 public:
  SourceDirectoryRemover(platform::FileSystem& fs, const std::string& dir) : fs_(fs), dir_(dir) {}
  ~SourceDirectoryRemover() {
    ClearDirectory(fs_, dir_);
    fs_.removeDirectory(platform::excludeTrailingBackslash(dir_));
  }
  SourceDirectoryRemover(const SourceDirectoryRemover&) = delete;
  SourceDirectoryRemover& operator=(const SourceDirectoryRemover&) = delete;

 private:
  platform::FileSystem& fs_;
  std::string dir_;
};

// The rows of one form only: what the master-detail link on FormNo shows.
void showFormOnly(Table& t, int64_t formNo) {
  t.setFilter("[FormNo] = " + std::to_string(formNo));
  t.setFiltered(true);
}

// Every field from the row `from` stands on into the same position of `to`'s buffer; both
// tables have the same fields in the same order.
void copyByPosition(const Table& from, Table& to, std::optional<int64_t> formNo = std::nullopt) {
  const int n = std::min(from.fieldCount(), to.fieldCount());
  for (int i = 0; i < n; ++i) to.set(i, from.get(i));
  if (formNo) to.set("FormNo", Value(*formNo));
}

// Fields of the same name, except those listed.
void copyByName(const Table& from, Table& to, std::initializer_list<const char*> except = {}) {
  for (int i = 0; i < from.fieldCount(); ++i) {
    const std::string& name = from.fieldDef(i).name;
    bool skipped = false;
    for (const char* e : except) skipped = skipped || name == e;
    if (!skipped && to.hasField(name)) to.set(name, from.get(i));
  }
}

// The rows of one form, by the leading FormNo of the key: what "Delete From <table> Where
// FormNo = :iFormNo" removes, without a walk over the whole table.
void deleteFormRows(Database& db, const char* table, int64_t formNo) {
  Table t(db, table);
  t.open();
  if (!t.locate("FormNo", {Value(formNo)})) return;
  while (!t.eof() && t.getInt("FormNo") == formNo) t.deleteRow();
}

// Moves to the first row of form `formNo` whose `fields` hold `values`: the row a locate on
// "FormNo;<fields>" finds, found among the form's rows only (they follow each other in key
// order) instead of among all rows.
bool locateInForm(Table& t, int64_t formNo, std::initializer_list<const char*> fields,
                  const std::vector<Value>& values) {
  if (!t.locate("FormNo", {Value(formNo)})) return false;
  std::vector<int> positions;
  for (const char* f : fields) positions.push_back(t.fieldIndex(f));
  for (; !t.eof() && t.getInt("FormNo") == formNo; t.next()) {
    bool same = true;
    for (size_t i = 0; i < positions.size() && same; ++i) {
      same = compareStoredValues(t.get(positions[i]),
                                 coerceForSearch(t.fieldDef(positions[i]), values[i])) == 0;
    }
    if (same) return true;
  }
  return false;
}

// A refused row is dropped and the import goes on with the next.
bool postOrCancel(Table& t) {
  try {
    t.post();
    return true;
  } catch (const EngineError&) {
    t.cancel();
    return false;
  }
}

}  // namespace

// Both sides open for a whole import, with one handle on each table kept open so that a table
// is loaded and written back once, not once per form.
struct TImportTableFrm::Sides {
  std::unique_ptr<Database> destination;
  std::unique_ptr<Database> source;
  std::vector<std::unique_ptr<Table>> keepLoaded;
  void keep(Database& db) {
    for (FormTable t : kFormTables) {
      auto handle = std::make_unique<Table>(db, formTableName(t));
      handle->open();
      keepLoaded.push_back(std::move(handle));
    }
  }
  ~Sides() { keepLoaded.clear(); }  // the handles go before their databases
};

TImportTableFrm::TImportTableFrm(platform::FileSystem& fs, platform::Ui& ui, DatabaseOpener opener)
    : fs_(fs), ui_(ui), opener_(std::move(opener)) {
  if (!opener_) {
    opener_ = [this](const std::string& dir) { return OpenWorkTables(fs_, dir); };
  }
}

std::string TImportTableFrm::FormItemText(int64_t formNo, const std::string& formName) {
  std::string number = std::to_string(formNo);
  if (number.size() < 6) number.insert(0, 6 - number.size(), ' ');
  return number + " " + formName;
}

std::unique_ptr<Database> TImportTableFrm::open(const std::string& dir, bool mustExist) const {
  auto db = opener_(dir);
  if (!db && mustExist) {
    throw EngineError(ErrorKind::MissingTable, "no tables can be kept in " + dir);
  }
  return db;
}

void TImportTableFrm::ImportForms(const std::string& file, const std::string& srcDir,
                                  const std::string& dstDir) {
  sourceFile = file;
  sourceDir = srcDir;
  destinationDir = dstDir;
  SourceDirectoryRemover remover(fs_, sourceDir);
  LoadSourceFormFile(sourceFile);
  ImportSelectedForms();
}

void TImportTableFrm::LoadSourceFormFile(const std::string& fileName) {
  sourceFile = fileName;
  ImportTableEdit = fileName;
  // The list shows the forms of the file named above or none: forms of an earlier file would
  // be deleted from the destination by an import that cannot bring them.
  FormNameLBox.clear();
  if (!fs_.fileExists(sourceFile)) {
    ui_.messageBox(BoxKind::Error, "找不到來源的主表單檔 !");
    return;
  }
  fs_.forceDirectories(sourceDir);
  ClearDirectory(fs_, sourceDir);
  const auto source = open(sourceDir, false);
  if (!source) {
    ui_.messageBox(BoxKind::Error, "來源的主表單檔讀取錯誤 !");
    return;
  }
  CreateFormTables(*source);
  if (!ReadFormFile(fs_, ui_, sourceFile, *source)) {
    ui_.messageBox(BoxKind::Error, "來源的主表單檔讀取錯誤 !");
    return;
  }
  Table importTable(*source, "CB20.DB");
  importTable.open(OpenMode::ReadOnly);
  for (importTable.first(); !importTable.eof(); importTable.next()) {
    const int64_t formNo = importTable.getInt("FormNo");
    FormNameLBox.push_back(
        {formNo, FormItemText(formNo, platform::cp950ToUtf8(importTable.getString("FormName")))});
  }
}

void TImportTableFrm::OpenSourceFile(const std::string& fileName) {
  if (!platform::ReportingErrors(ui_, [&] { LoadSourceFormFile(fileName); })) {
    FormNameLBox.clear();
  }
  showState();
}

void TImportTableFrm::OKBtnClick() {
  if (!platform::ReportingErrors(ui_, [&] { ImportSelectedForms(); })) {
    // The destination tables may hold half an import: they must not be saved.
    modalResult = ModalResult::Cancel;
  }
  showState();
  if (view_ != nullptr && modalResult != ModalResult::None)
    view_->closeDialog(modalResult == ModalResult::Ok);
}

void TImportTableFrm::CancelBtnClick() {
  modalResult = ModalResult::Cancel;
  if (view_ != nullptr) view_->closeDialog(false);
}

void TImportTableFrm::AttachView(ImportTableView* view) {
  view_ = view;
  showState();
}

void TImportTableFrm::OpenSBtnClick() {
  if (view_ == nullptr) return;
  const std::string startDir =
      ImportTableEdit.empty() ? "D:\\" : platform::extractFilePath(ImportTableEdit);
  const auto chosen = view_->openFileDialog(startDir, platform::extractFileName(ImportTableEdit));
  if (chosen) OpenSourceFile(*chosen);
}

void TImportTableFrm::SetFormSelected(std::size_t index, bool selected) {
  if (index < FormNameLBox.size()) FormNameLBox[index].selected = selected;
}

void TImportTableFrm::showState() {
  if (view_ == nullptr) return;
  view_->showSourceFile(ImportTableEdit);
  view_->showForms(FormNameLBox);
  view_->showOptions(AllCBox, SetPrintOnlyCBtn, OverWriteCBox);
}

void TImportTableFrm::ImportSelectedForms() {
  if (FormNameLBox.empty()) {
    LoadSourceFormFile(sourceFile);
  } else {
    bool chosen = false;
    {
      BusyCursor busy(ui_);
      Sides sides;
      sides.destination = open(destinationDir, true);
      sides.source = open(sourceDir, true);
      sides.keep(*sides.destination);
      sides.keep(*sides.source);
      for (const FormItem& item : FormNameLBox) {
        if (!item.selected && !AllCBox) continue;
        chosen = true;
        if (SetPrintOnlyCBtn) {
          importPrintParameters(sides, item.formNo);
        } else {
          importWholeForm(sides, item.formNo);
        }
      }
    }
    if (chosen) {
      modalResult = ModalResult::Ok;
    } else {
      ui_.messageBox(BoxKind::Error, "必需先選擇要匯入的表單 !");
    }
  }
  MergeBlocks();
}

void TImportTableFrm::ImportWholeForm(int64_t formNo) {
  Sides sides;
  sides.destination = open(destinationDir, true);
  sides.source = open(sourceDir, true);
  importWholeForm(sides, formNo);
}

void TImportTableFrm::ImportPrintParameters(int64_t formNo) {
  Sides sides;
  sides.destination = open(destinationDir, true);
  sides.source = open(sourceDir, true);
  importPrintParameters(sides, formNo);
}

bool TImportTableFrm::IsEntryKnown(int64_t entryNo) {
  return isEntryKnown(*open(destinationDir, true), entryNo);
}

void TImportTableFrm::MergeBlocks() {
  const auto destination = open(destinationDir, true);
  const auto source = open(sourceDir, false);
  // A source that was never unpacked has no blocks to give.
  if (!source || !source->tableExists("CB25.DB")) return;
  mergeBlocks(*destination, *source);
}

void TImportTableFrm::importWholeForm(Sides& sides, int64_t formNo) {
  Database& dst = *sides.destination;
  Database& src = *sides.source;
  {
    // A form the source lacks is left as the destination has it: only a form about to be
    // copied is deleted first.
    Table importTable(src, "CB20.DB");
    importTable.open(OpenMode::ReadOnly);
    if (!importTable.locate("FormNo", {Value(formNo)})) return;
    deleteFormRows(dst, "CB20.DB", formNo);
    deleteFormRows(dst, "CB23.DB", formNo);
    deleteFormRows(dst, "CB24.DB", formNo);
    Table objTable(dst, "CB20.DB");
    objTable.open();
    objTable.insert();
    copyByPosition(importTable, objTable, formNo);
    postOrCancel(objTable);
  }
  {
    // The entry placements, and the dictionary entries they use that the destination lacks.
    Table objTable(dst, "CB23.DB"), obj2Table(dst, "CB21.DB");
    Table srcTable(src, "CB23.DB"), src2Table(src, "CB21.DB");
    objTable.open();
    obj2Table.open();
    src2Table.open(OpenMode::ReadOnly);
    srcTable.open(OpenMode::ReadOnly);
    showFormOnly(srcTable, formNo);
    for (srcTable.first(); !srcTable.eof(); srcTable.next()) {
      objTable.insert();
      copyByPosition(srcTable, objTable, formNo);
      postOrCancel(objTable);
      const int64_t entryNo = srcTable.getInt("EntryNo");
      const int64_t refEntryNo = srcTable.getInt("RefEntryNo");
      const int64_t wanted = refEntryNo != 0 ? refEntryNo : entryNo;
      const bool present = refEntryNo != 0 ? isEntryKnown(dst, refEntryNo)
                                           : obj2Table.locate("EntryNo", {Value(entryNo)});
      if (present && !OverWriteCBox) continue;
      if (!src2Table.locate("EntryNo", {Value(wanted)})) continue;
      if (obj2Table.locate("EntryNo", {Value(wanted)})) {
        obj2Table.edit();
      } else {
        obj2Table.insert();
      }
      copyByPosition(src2Table, obj2Table);
      obj2Table.post();
    }
  }
  {
    // The print-field placements, and the field definitions they use.
    Table objTable(dst, "CB24.DB"), obj2Table(dst, "CB22.DB");
    Table srcTable(src, "CB24.DB"), src2Table(src, "CB22.DB");
    objTable.open();
    obj2Table.open();
    src2Table.open(OpenMode::ReadOnly);
    srcTable.open(OpenMode::ReadOnly);
    showFormOnly(srcTable, formNo);
    for (srcTable.first(); !srcTable.eof(); srcTable.next()) {
      objTable.insert();
      copyByPosition(srcTable, objTable, formNo);
      postOrCancel(objTable);
      const std::vector<Value> key{srcTable.get("Type"), srcTable.get("FieldNo")};
      const bool inSource = src2Table.locate("Type;FieldNo", key);
      if (obj2Table.locate("Type;FieldNo", key)) {
        if (!OverWriteCBox || !inSource) continue;
        obj2Table.edit();
      } else {
        if (!inSource) continue;
        obj2Table.append();
      }
      copyByPosition(src2Table, obj2Table);
      obj2Table.post();
    }
  }
}

void TImportTableFrm::importPrintParameters(Sides& sides, int64_t formNo) {
  Database& dst = *sides.destination;
  Database& src = *sides.source;
  {
    Table objTable(dst, "CB20.DB");
    objTable.open(OpenMode::ReadOnly);
    if (!objTable.locate("FormNo", {Value(formNo)})) {
      ui_.messageBox(BoxKind::Warning, "在目的主表單檔找不到 [" + std::to_string(formNo) + "]。");
      return;
    }
  }
  {
    Table objTable(dst, "CB23.DB"), srcTable(src, "CB23.DB");
    objTable.open();
    srcTable.open(OpenMode::ReadOnly);
    showFormOnly(srcTable, formNo);
    for (srcTable.first(); !srcTable.eof(); srcTable.next()) {
      if (!locateInForm(objTable, formNo, {"EntryNo"}, {srcTable.get("EntryNo")})) continue;
      objTable.edit();
      copyByName(srcTable, objTable,
                 {"FormNo", "SEQ", "EntryNo", "EntryName", "Type", "RefEntryNo"});
      postOrCancel(objTable);
    }
  }
  {
    Table objTable(dst, "CB24.DB"), srcTable(src, "CB24.DB");
    objTable.open();
    srcTable.open(OpenMode::ReadOnly);
    showFormOnly(srcTable, formNo);
    for (srcTable.first(); !srcTable.eof(); srcTable.next()) {
      if (!locateInForm(objTable, formNo, {"EntryNo", "FieldNo"},
                        {srcTable.get("EntryNo"), srcTable.get("FieldNo")})) {
        continue;
      }
      objTable.edit();
      copyByName(srcTable, objTable,
                 {"FormNo", "EntryNo", "SEQ", "Type", "FieldNo", "FieldName", "IsEdit"});
      postOrCancel(objTable);
    }
  }
}

bool TImportTableFrm::isEntryKnown(Database& destination, int64_t entryNo) {
  {
    Table obj2Table(destination, "CB21.DB");
    obj2Table.open(OpenMode::ReadOnly);
    if (obj2Table.locate("EntryNo", {Value(entryNo)})) return true;
  }
  return destination.selectCount("Select * from CB23\r\nWhere (EntryNo = :iEntryNo)",
                                 {{"iEntryNo", entryNo}}) > 0;
}

void TImportTableFrm::mergeBlocks(Database& destination, Database& source) {
  Table objTable(destination, "CB25.DB"), srcTable(source, "CB25.DB");
  objTable.open();
  srcTable.open(OpenMode::ReadOnly);
  for (srcTable.first(); !srcTable.eof(); srcTable.next()) {
    if (objTable.locate("BlockName", {srcTable.get("BlockName")})) {
      objTable.edit();
    } else {
      objTable.append();
    }
    copyByName(srcTable, objTable);
    postOrCancel(objTable);
  }
}

}  // namespace kvt::forms
