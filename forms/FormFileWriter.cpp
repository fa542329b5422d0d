#include "forms/FormFileWriter.h"

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

// The bytes made so far, handed to the file a chunk at a time: a large file is never whole in
// memory, and the chunk's memory is used again for the next.
class ChunkedOutput {
 public:
  explicit ChunkedOutput(platform::FileWriter& file) : file_(file), writer_(chunk_) {
    chunk_.reserve(kChunk + kChunk / 4);
  }

  ValueWriter& writer() { return writer_; }
  uint64_t position() const { return flushed_ + chunk_.size(); }
  bool ok() const { return ok_; }

  // After a row: a full chunk goes to the file.
  void rowDone() {
    if (chunk_.size() >= kChunk) flush();
  }
  void flush() {
    ok_ = ok_ && file_.append(chunk_);
    flushed_ += chunk_.size();
    chunk_.clear();
  }
  // A section's count, known only after its rows.
  void patchCount(uint64_t at, int32_t count) {
    std::string bytes;
    ValueWriter(bytes).WriteInt(count);
    if (at >= flushed_) {
      chunk_.replace(size_t(at - flushed_), bytes.size(), bytes);
    } else {
      ok_ = ok_ && file_.patch(at, bytes);
    }
  }

 private:
  static constexpr size_t kChunk = size_t(1) << 20;
  platform::FileWriter& file_;
  std::string chunk_;
  ValueWriter writer_;
  uint64_t flushed_ = 0;
  bool ok_ = true;
};

void encodeSection(Database& db, const Section& section, const std::string& version,
                   ChunkedOutput& output) {
  const SectionCodec codec(section, version);
  const RowFilter filter(section.table);
  const bool oldCodes = section.table == FormTable::CB2F0 && version <= kLastOldCodeNames;
  const int codePos = section.table == FormTable::CB2F0 ? fieldPos(FormTable::CB2F0, "Code") : -1;

  ValueWriter& out = output.writer();
  const uint64_t countAt = output.position();
  out.WriteInt(0);
  int32_t count = 0;
  // Rows are encoded as the table hands them over; a large table need not be whole in memory.
  db.readRows(formTableName(section.table), [&](const Row& row) {
    if (filter.skips(row)) return;
    if (oldCodes) {
      Row renamed = row;
      renamed[size_t(codePos)] = Value(oldCodeName(row[size_t(codePos)].asString()));
      codec.encode(out, renamed);
    } else {
      codec.encode(out, row);
    }
    ++count;
    output.rowDone();
  });
  output.patchCount(countAt, count);
}

void showNotSaved(platform::Ui& ui, const std::string& fileName) {
  ui.messageBox(platform::BoxKind::Error, "主表單檔 " + fileName + "\r\n存檔沒有成功 !");
}

}  // namespace

bool encodeFormFile(Database& db, const std::string& version, platform::FileWriter& out) {
  ChunkedOutput output(out);
  writeFormFileHeader(output.writer(), version);
  for (const Section& section : formFileSections()) encodeSection(db, section, version, output);
  output.flush();
  return output.ok();
}

std::string encodeFormFile(Database& db, const std::string& version) {
  std::string bytes;
  platform::StringWriter out(bytes);
  encodeFormFile(db, version, out);
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
                  const std::string& fileName, platform::FileTime now,
                  const platform::FileUse& use) {
  platform::BusyCursor busy(ui);
  // A file replaced while the package has it open is lost to the package; while the hold lasts
  // others are kept out of it.
  std::unique_ptr<platform::FileHold> hold;
  if (const auto local = fs.resolve(fileName)) {
    hold = use.hold({*local}).hold;
    if (!hold) {
      showNotSaved(ui, fileName);
      return false;
    }
  }
  const std::string temp = formFileTempName(fileName);
  if (fs.fileExists(temp)) ForceDeleteFile(fs, temp);

  bool written = false;
  try {
    written = fs.writeFileWith(
        temp, [&](platform::FileWriter& out) { return encodeFormFile(db, FormFileVersion, out); });
  } catch (const UnwritableRow&) {
    showNotSaved(ui, fileName);
    return false;
  } catch (const std::length_error&) {  // a text longer than a str can say
    showNotSaved(ui, fileName);
    return false;
  }
  if (!written) {
    ForceDeleteFile(fs, temp);  // whatever part of it was written
    showNotSaved(ui, fileName);
    return false;
  }

  const std::string backupDir = platform::extractFilePath(fileName) + "Backup\\";
  fs.createDirectory(backupDir);  // usually there from an earlier save
  // A second save within the same second gets a numbered name: the earlier backup may hold
  // the only copy of the file as it was before the upgrade.
  const std::string stamp = fileName + " " + platform::formatDateTimeDashed(now);
  std::string backup = stamp + ".BAK備份";
  std::string stored = backupDir + platform::extractFileName(backup);
  for (int n = 2; (fs.fileExists(stored) || fs.fileExists(backup)) && n < 1000; ++n) {
    backup = stamp + " (" + std::to_string(n) + ").BAK備份";
    stored = backupDir + platform::extractFileName(backup);
  }

  // Where the old content is now, so that it can go back if the new file cannot take its
  // place. A new file has no old content to keep.
  std::string oldContent;
  if (fs.fileExists(fileName) && TryForceRenameFile(fs, fileName, backup)) {
    oldContent = backup;
    if (TryForceRenameFile(fs, backup, stored)) oldContent = stored;
  }
  if (TryForceRenameFile(fs, temp, fileName)) return true;

  if (!oldContent.empty() && !fs.fileExists(fileName) &&
      !TryForceRenameFile(fs, oldContent, fileName)) {
    // The target is gone and neither file could take its place: the temporary file keeps the
    // new content and the backup the old, and the box says where they are.
    ui.messageBox(platform::BoxKind::Error, "主表單檔 " + fileName + "\r\n存檔沒有成功 !\r\n" +
                                                "新的內容在 [" + temp + "]，\r\n原來的內容在 [" +
                                                oldContent + "]。");
    return false;
  }
  ForceDeleteFile(fs, temp);
  showNotSaved(ui, fileName);
  return false;
}

}  // namespace kvt::forms
