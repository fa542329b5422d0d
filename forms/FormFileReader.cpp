#include "forms/FormFileReader.h"

#include <memory>
#include <optional>

#include "forms/FormFileCodec.h"
#include "forms/FormFileRepairs.h"
#include "forms/FormFileVersion.h"
#include "platform/BusyCursor.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// `refused`: a value the file holds that its field cannot, said instead of the hint at a
// wrong file.
void showWrongFormat(platform::Ui& ui, const std::string& fileName,
                     const std::string& refused = {}) {
  ui.messageBox(platform::BoxKind::Error, "主表單檔名:[" + fileName + "]\r\n" +
                                              "主表單檔的格式錯誤 !\r\n" +
                                              (refused.empty() ? "請確定是否讀錯檔案。" : refused));
}

void showTooNew(platform::Ui& ui) {
  ui.messageBox(
      platform::BoxKind::Error,
      "主程式的規格比主表單檔舊 !\r\n需更新主系統程式才可繼續，\r\n請和本公司服務人員連絡。");
}

// Stores the rows of a checked file section by section, with the reader's repairs.
class FormFileLoader {
 public:
  FormFileLoader(Database& db, std::string version) : db_(db), version_(std::move(version)) {}

  void add(const Section& section, Row& row) {
    enter(section.table);
    switch (section.table) {
      case FormTable::CB20: {
        static const int form = fieldPos(FormTable::CB20, "FormNo");
        forms_.note(row[size_t(form)].asInt());
        break;
      }
      case FormTable::CB21:
        repairEntry(row);
        break;
      case FormTable::CB22:
        repairFieldDefinition(row);
        break;
      case FormTable::CB23:
        number(row, entrySeq_);
        repairEntryPlacement(row);
        break;
      case FormTable::CB24: {
        number(row, printSeq_);
        static const int form = fieldPos(FormTable::CB24, "FormNo");
        if (row[size_t(form)].asInt() < 0) return;
        break;
      }
      case FormTable::CB25: {
        static const int name = fieldPos(FormTable::CB25, "BlockName");
        if (row[size_t(name)].isNull()) return;
        break;
      }
      case FormTable::CB2F0:
        mergeCode(row);
        return;
    }
    store(row);
  }

  // A file that broke off: the open table is closed as it stands, for the reader to empty.
  void abandon() { leave(); }

  // After the last row: the code-to-field map's repairs, then every table closed.
  void finish() {
    enter(FormTable::CB2F0);
    moveSumFieldMarks(db_, *table_, version_);
    fixFormCodes(*table_, forms_);
    leave();
  }

 private:
  // Rows of placements are numbered 10, 20, ... within each run of one form, in file order;
  // the numbers in the file are not used.
  struct Sequence {
    explicit Sequence(FormTable t) : formPos(fieldPos(t, "FormNo")), seqPos(fieldPos(t, "SEQ")) {}
    int formPos;
    int seqPos;
    int64_t lastForm = -1;
    int64_t next = 10;
  };

  static void number(Row& row, Sequence& seq) {
    const int64_t form = row[size_t(seq.formPos)].asInt();
    if (form != seq.lastForm) seq.next = 10;
    seq.lastForm = form;
    row[size_t(seq.seqPos)] = Value(seq.next);
    seq.next += 10;
  }

  void enter(FormTable t) {
    if (current_ == t) return;
    leave();
    table_ = std::make_unique<Table>(db_, formTableName(t));
    // Not exclusive: a caller may hold the tables open, and the rows then stay with it.
    table_->open();
    current_ = t;
  }

  void leave() {
    if (!table_) return;
    if (current_ == FormTable::CB22) completeFieldDefinitions(*table_);
    table_->close();
    table_.reset();
    current_.reset();
  }

  // Appends the row; one the table refuses (a duplicate key, a number beyond its field) is
  // dropped.
  void store(Row& row) { table_->addRowFrom(row); }

  // A code's row replaces an earlier row of the same code.
  void mergeCode(Row& row) {
    static const int codePos = fieldPos(FormTable::CB2F0, "Code");
    static const int noPos = fieldPos(FormTable::CB2F0, "FieldNo");
    std::string code = row[size_t(codePos)].asString();
    if (version_ <= kLastOldCodeNames) code = newCodeName(code);
    if (code.empty()) return;
    row[size_t(codePos)] = Value(code);
    row[size_t(noPos)] = repairedCodeFieldNo(code, row[size_t(noPos)], version_);
    if (!table_->locate("Code", {Value(code)})) {
      store(row);
      return;
    }
    table_->edit();
    try {
      for (size_t i = 0; i < row.size(); ++i) table_->set(int(i), std::move(row[i]));
      table_->post();
    } catch (const EngineError& e) {
      if (e.kind() != ErrorKind::DuplicateKey && e.kind() != ErrorKind::Conversion) throw;
      table_->cancel();
    }
  }

  Database& db_;
  const std::string version_;
  std::unique_ptr<Table> table_;
  std::optional<FormTable> current_;
  PresentForms forms_;
  Sequence entrySeq_{FormTable::CB23};
  Sequence printSeq_{FormTable::CB24};
};

// Whether every form table exists and holds no row.
bool formTablesEmpty(Database& db) {
  for (const FormTable t : kFormTables) {
    if (!db.tableExists(formTableName(t))) return false;
    Table table(db, formTableName(t));
    table.open(OpenMode::ReadOnly);
    if (table.recordCount() != 0) return false;
  }
  return true;
}

}  // namespace

bool ReadFormFile(platform::FileSystem& fs, platform::Ui& ui, const std::string& fileName,
                  Database& db) {
  if (!fs.fileExists(fileName)) return false;
  const std::optional<std::string> bytes = fs.readFile(fileName);
  if (!bytes) return false;

  const FormFileHeader header = readFormFileHeader(*bytes);
  if (header.status != FormFileHeader::Status::Ok) {
    showWrongFormat(ui, fileName);
    return false;
  }
  FormFileVersion = header.version;
  LoadedFormFileVersion = header.version;
  if (header.version > ProgramFormVersion) {
    showTooNew(ui);
    return false;
  }
  // A damaged file must not leave half its rows behind. Tables that hold nothing, as
  // CreateFormTables leaves them, take the rows as the file is read and are emptied again if
  // it breaks off; tables that hold rows see the file checked whole before any row goes in.
  const bool fresh = formTablesEmpty(db);
  std::string refused;
  if (!fresh && !checkFormFileSections(*bytes, header.bodyStart, header.version, &refused)) {
    showWrongFormat(ui, fileName, refused);
    return false;
  }

  platform::BusyCursor busy(ui);
  FormFileLoader loader(db, header.version);
  const bool whole = decodeFormFileSections(
      *bytes, header.bodyStart, header.version,
      [&](const Section& section, Row& row) { loader.add(section, row); }, &refused);
  if (!whole) {
    loader.abandon();
    for (const FormTable t : kFormTables) {
      Table table(db, formTableName(t));
      table.open();
      table.deleteAllRows();
    }
    showWrongFormat(ui, fileName, refused);
    return false;
  }
  loader.finish();
  return true;
}

}  // namespace kvt::forms
