#include "forms/FormFileWriter.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

#include "forms/FileHelpers.h"
#include "forms/FormFileCodec.h"
#include "forms/FormFileRepairs.h"
#include "forms/FormFileVersion.h"
#include "platform/BusyCursor.h"
#include "platform/LocalDate.h"
#include "schema/EngineError.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// Rows of this form are scratch rows of the form designer and never leave the tables.
constexpr int64_t kScratchForm = 88888;

// Which rows of a table the file leaves out.
class RowFilter {
 public:
  explicit RowFilter(FormTable t) {
    if (t == FormTable::CB20 || t == FormTable::CB23 || t == FormTable::CB24) {
      formPos_ = fieldPos(t, "FormNo");
    }
    if (t == FormTable::CB24) dummyPos_ = fieldPos(t, "IsDummy");
  }
  bool skips(const Row& row) const {
    if (formPos_ >= 0 && row[size_t(formPos_)] == Value(kScratchForm)) return true;
    return dummyPos_ >= 0 && row[size_t(dummyPos_)].asBool();
  }

 private:
  int formPos_ = -1;
  int dummyPos_ = -1;
};

void patchCount(std::string& out, size_t at, int32_t count) {
  std::string bytes;
  ValueWriter(bytes).WriteInt(count);
  std::memcpy(out.data() + at, bytes.data(), bytes.size());
}

// A table's shared rows, open read-only while a section is written: walked in place, in
// the table's order, without a handle's copy of each row.
class ReadRows {
 public:
  ReadRows(Database& db, const std::string& table)
      : db_(db), store_(db.openTable(table, OpenMode::ReadOnly)) {}
  ~ReadRows() {
    if (!store_) return;
    try {
      db_.closeTable(store_, OpenMode::ReadOnly);
    } catch (const EngineError&) {
      // Nothing was changed through this handle; the error that ended the walk is reported.
    }
  }
  ReadRows(const ReadRows&) = delete;
  ReadRows& operator=(const ReadRows&) = delete;

  const RowStore& rows() const { return *store_; }
  void close() { db_.closeTable(std::exchange(store_, nullptr), OpenMode::ReadOnly); }

 private:
  Database& db_;
  std::shared_ptr<RowStore> store_;
};

void encodeSection(Database& db, const Section& section, const std::string& version,
                   ValueWriter& out, std::string& bytes) {
  ReadRows table(db, formTableName(section.table));
  const SectionCodec codec(section, version);
  const RowFilter filter(section.table);
  const bool oldCodes = section.table == FormTable::CB2F0 && version <= kLastOldCodeNames;
  const int codePos = section.table == FormTable::CB2F0 ? fieldPos(FormTable::CB2F0, "Code") : -1;

  const size_t countAt = bytes.size();
  out.WriteInt(0);
  int32_t count = 0;
  const RowStore& rows = table.rows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows.row(r);
    if (filter.skips(row)) continue;
    if (oldCodes) {
      Row renamed = row;
      renamed[size_t(codePos)] = Value(oldCodeName(row[size_t(codePos)].asString()));
      codec.encode(out, renamed);
    } else {
      codec.encode(out, row);
    }
    ++count;
  }
  table.close();
  patchCount(bytes, countAt, count);
}

void showNotSaved(platform::Ui& ui, const std::string& fileName) {
  ui.messageBox(platform::BoxKind::Error, "主表單檔 " + fileName + "\r\n存檔沒有成功 !");
}

}  // namespace

std::string encodeFormFile(Database& db, const std::string& version) {
  std::string bytes;
  ValueWriter out(bytes);
  writeFormFileHeader(out, version);
  for (const Section& section : formFileSections()) encodeSection(db, section, version, out, bytes);
  return bytes;
}

std::string formFileTempName(const std::string& fileName) {
  const size_t dot = fileName.find_last_of(".\\/:");
  if (dot == std::string::npos || fileName[dot] != '.') return fileName + "$x$";
  return fileName.substr(0, dot) + "$x$";
}

bool SaveFormFile(platform::FileSystem& fs, platform::Ui& ui, Database& db,
                  const std::string& fileName) {
  return SaveFormFile(fs, ui, db, fileName, std::chrono::system_clock::now());
}

bool SaveFormFile(platform::FileSystem& fs, platform::Ui& ui, Database& db,
                  const std::string& fileName, platform::FileTime now) {
  platform::BusyCursor busy(ui);
  const std::string temp = formFileTempName(fileName);
  if (fs.fileExists(temp)) ForceDeleteFile(fs, temp);

  std::string bytes;
  try {
    bytes = encodeFormFile(db, FormFileVersion);
  } catch (const UnwritableRow&) {
    showNotSaved(ui, fileName);
    return false;
  } catch (const std::length_error&) {  // a text longer than a str can say
    showNotSaved(ui, fileName);
    return false;
  }
  if (!fs.writeFile(temp, bytes)) {
    ForceDeleteFile(fs, temp);  // whatever part of it was written
    showNotSaved(ui, fileName);
    return false;
  }

  const std::string backupDir = platform::extractFilePath(fileName) + "Backup\\";
  fs.createDirectory(backupDir);  // usually there from an earlier save
  const std::string backup = fileName + " " + platform::formatDateTimeDashed(now) + ".BAK備份";
  const std::string stored = backupDir + platform::extractFileName(backup);
  if (fs.fileExists(stored)) ForceDeleteFile(fs, stored);

  // Where the old content is now, so that it can go back if the new file cannot take its
  // place. A new file has no old content to keep.
  std::string oldContent;
  if (fs.fileExists(fileName) && TryForceRenameFile(fs, fileName, backup)) {
    oldContent = backup;
    if (TryForceRenameFile(fs, backup, stored)) oldContent = stored;
  }
  if (TryForceRenameFile(fs, temp, fileName)) return true;

  if (!oldContent.empty() && !fs.fileExists(fileName)) TryForceRenameFile(fs, oldContent, fileName);
  ForceDeleteFile(fs, temp);
  showNotSaved(ui, fileName);
  return false;
}

}  // namespace kvt::forms
