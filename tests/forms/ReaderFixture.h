// A reader test: seven fresh tables in memory and a form file on a scratch drive C.
#pragma once

#include "FormsTestSupport.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "schema/MemoryDatabase.h"

namespace kvt::forms::testing {

inline constexpr const char* kFormFile = "C:\\Forms\\KVTE.DBT";
inline const std::string kWrongFormat =
    "主表單檔名:[C:\\Forms\\KVTE.DBT]\r\n主表單檔的格式錯誤 !\r\n請確定是否讀錯檔案。";

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateFormTables(db); }

  bool read(const FileBytes& file) { return read(file.bytes()); }
  bool read(std::string_view bytes) {
    drive.put(kFormFile, bytes);
    return ReadFormFile(drive.fs(), ui, kFormFile, db);
  }
  std::vector<Row> rows(FormTable t) { return rowsOf(db, t); }
  bool allTablesEmpty() {
    for (FormTable t : kFormTables) {
      if (countRows(db, t) != 0) return false;
    }
    return true;
  }

  ScratchDrive drive;
  RecordingUi ui;
  MemoryDatabase db;
};

}  // namespace kvt::forms::testing
