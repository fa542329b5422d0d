// What the form-file tests share: a scratch Windows drive C reached through a fault-injecting
// file system, a desktop that records message boxes, a byte builder for hand-made form files,
// and access to table rows by field name.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "forms/FormTables.h"
#include "platform/Ui.h"
#include "schema/Database.h"
#include "schema/Value.h"
#include "support/FaultyFileSystem.h"
#include "support/ScratchDrives.h"

namespace kvt {
// Values as the test messages show them.
void PrintTo(const Value& v, std::ostream* out);
}  // namespace kvt

namespace kvt::forms::testing {

struct Box {
  platform::BoxKind kind;
  std::string text;
};

class RecordingUi : public platform::Ui {
 public:
  std::vector<Box> boxes;
  int busy = 0;  // cursor depth: 0 when every busy cursor was restored
  void messageBox(platform::BoxKind kind, const std::string& text) override {
    boxes.push_back({kind, text});
  }
  void setBusyCursor(bool on) override { busy += on ? 1 : -1; }
  void processEvents() override {}
};

// The scratch drives of one test; a missing file reads as no bytes.
class ScratchDrive : public kvt::testing::ScratchDrives {
 public:
  std::string get(const std::string& winPath) const {
    return exists(winPath) ? ScratchDrives::get(winPath) : std::string();
  }
};

// The bytes of a hand-made form file.
class FileBytes {
 public:
  FileBytes& str(std::string_view text);
  FileBytes& rawLength(int16_t n);  // a str length alone
  FileBytes& i32(int32_t v);
  FileBytes& f64(double v);
  FileBytes& byte(uint8_t v);
  FileBytes& b(bool v) { return byte(v ? 1 : 0); }
  FileBytes& nullBool() { return byte(0); }
  FileBytes& nb(bool v) { return byte(1).b(v); }
  FileBytes& raw(std::string_view bytes);
  // Magic and version.
  FileBytes& header(std::string_view version);
  // n empty sections.
  FileBytes& emptySections(int n);
  const std::string& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

// Rows written by hand in the layout of version "1020905" (most values empty or zero).
// A form (CB20).
void formRow(FileBytes& b, int32_t formNo, std::string_view name = "F");
// A field definition (CB22); with a lookup mode other than "N" its lookup block follows, the
// k-th list number being listNumbers[k-1] (0 for the rest).
struct FieldDefinition {
  std::string type{};
  int32_t fieldNo = 0;
  std::string name{};
  int32_t length = 0;
  std::string attribute{};
  std::string formularMode{};
  std::string lookupMode = "N";
  std::vector<int32_t> listNumbers{};
  bool sumField = false;
};
void fieldDefinitionRow(FileBytes& b, const FieldDefinition& f);
// An entry placement (CB23) ended by the end mark after Character.
void shortEntryPlacement(FileBytes& b, int32_t formNo, int32_t entryNo, bool isM = false);
// A print-field placement (CB24) ended by the end mark after PrintLines.
void shortPrintPlacement(FileBytes& b, int32_t formNo, int32_t entryNo, std::string_view type,
                         int32_t fieldNo);
// A code of the code-to-field map (CB2F0).
void codeRow(FileBytes& b, std::string_view code, int32_t fieldNo,
             std::string_view description = "", std::string_view type = "I", bool doIt = true);

// Code page 950 bytes of UTF-8 text (literals in the tests are UTF-8).
std::string big5(std::string_view utf8);

// The rows of a table in key order, each as field name -> value.
using NamedRow = std::vector<std::pair<std::string, Value>>;
std::vector<Row> rowsOf(Database& db, FormTable t);
// One field of a row of `t`.
const Value& field(const Row& row, FormTable t, const std::string& name);
// The row of `t` whose leading key fields hold `key`, or nullptr.
const Row* findRow(const std::vector<Row>& rows, FormTable t, const std::vector<Value>& key);

// Appends rows to a table: each row given as name/value pairs, the rest null.
void addRow(Database& db, FormTable t, const NamedRow& values);

// Rows of a table counted.
size_t countRows(Database& db, FormTable t);

}  // namespace kvt::forms::testing
