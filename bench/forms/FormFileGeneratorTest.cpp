// The generator's promise: the tables it fills have the rows its shape asks for, and the form
// file it writes reads back into exactly those rows, so benchmarks on it measure real reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/forms/FormFileGenerator.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "platform/PrefixFileSystem.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

namespace {

namespace fs = std::filesystem;
using kvt::forms::FormTable;

class RecordingUi : public kvt::platform::Ui {
 public:
  std::vector<std::string> boxes;
  void messageBox(kvt::platform::BoxKind, const std::string& text) override {
    boxes.push_back(text);
  }
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

std::vector<kvt::Row> rowsOf(kvt::Database& db, FormTable t) {
  kvt::Table table(db, kvt::forms::formTableName(t));
  table.open(kvt::OpenMode::ReadOnly);
  std::vector<kvt::Row> rows;
  for (table.first(); !table.eof(); table.next()) {
    kvt::Row row;
    for (int i = 0; i < table.fieldCount(); ++i) row.push_back(table.get(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

// Where two lists of rows first differ, readably; empty when they are equal.
std::string firstDifference(const std::vector<kvt::Row>& a, const std::vector<kvt::Row>& b) {
  if (a.size() != b.size()) {
    return std::to_string(a.size()) + " rows against " + std::to_string(b.size());
  }
  for (size_t r = 0; r < a.size(); ++r) {
    for (size_t f = 0; f < a[r].size() && f < b[r].size(); ++f) {
      if (!(a[r][f] == b[r][f])) {
        return "row " + std::to_string(r) + " field " + std::to_string(f) + ": [" +
               a[r][f].asString() + "] against [" + b[r][f].asString() + "]";
      }
    }
    if (a[r].size() != b[r].size()) return "row " + std::to_string(r) + " has other fields";
  }
  return {};
}

kvt::bench::FormFileShape smallShape() {
  return {.forms = 12,
          .entries = 40,
          .fieldDefinitions = 600,  // reaches
          .entryPlacementsPerForm = 30,
          .printPlacementsPerForm = 31,
          .textBlocks = 5,
          .codes = 1200,  // codes of two leading letters
          .seed = 3};
}

class FormFileGeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("kvt-formgen-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(drive());
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path drive() const { return root_ / "dosdevices" / "c:"; }

  fs::path root_;
};

TEST_F(FormFileGeneratorTest, TablesHoldTheRowsOfTheShape) {
  kvt::MemoryDatabase db;
  const kvt::bench::FormFileShape shape = smallShape();
  kvt::bench::FillFormTables(db, shape);
  EXPECT_EQ(rowsOf(db, FormTable::CB20).size(), 12u);
  EXPECT_EQ(rowsOf(db, FormTable::CB21).size(), 40u);
  EXPECT_EQ(rowsOf(db, FormTable::CB22).size(), 600u);
  EXPECT_EQ(rowsOf(db, FormTable::CB23).size(), 12u * 30u);
  EXPECT_EQ(rowsOf(db, FormTable::CB24).size(), 12u * 31u);
  EXPECT_EQ(rowsOf(db, FormTable::CB25).size(), 5u);
  EXPECT_EQ(rowsOf(db, FormTable::CB2F0).size(), 1200u);
  EXPECT_EQ(shape.rowCount(), 12 * (1 + 30 + 31) + 40 + 600 + 5 + 1200);

  kvt::MemoryDatabase again;
  kvt::bench::FillFormTables(again, shape);
  EXPECT_EQ(firstDifference(rowsOf(again, FormTable::CB24), rowsOf(db, FormTable::CB24)), "")
      << "same seed, same rows";
}

TEST_F(FormFileGeneratorTest, FileReadsBackIntoTheSameRows) {
  const fs::path file = drive() / "KVTE.DBT";
  const uint64_t bytes = kvt::bench::GenerateFormFile(drive() / "Made", file, smallShape());
  ASSERT_EQ(bytes, fs::file_size(file));

  kvt::platform::PrefixFileSystem files(root_);
  RecordingUi ui;
  kvt::MemoryDatabase read;
  kvt::forms::CreateFormTables(read);
  ASSERT_TRUE(kvt::forms::ReadFormFile(files, ui, "C:\\KVTE.DBT", read));
  EXPECT_TRUE(ui.boxes.empty());

  kvt::paradox::ParadoxDatabase made(drive() / "Made");
  for (FormTable t : kvt::forms::kFormTables) {
    EXPECT_EQ(firstDifference(rowsOf(read, t), rowsOf(made, t)), "")
        << kvt::forms::formTableName(t);
  }
}

TEST_F(FormFileGeneratorTest, ShapeScalesToTheSizeAsked) {
  const kvt::bench::FormFileShape small = kvt::bench::formFileShapeOfSize(2 << 20);
  const kvt::bench::FormFileShape large = kvt::bench::formFileShapeOfSize(50 << 20);
  EXPECT_GT(large.forms, 10 * small.forms);
  EXPECT_GE(small.forms, 1);

  const uint64_t bytes = kvt::bench::GenerateFormFile(drive() / "Made", drive() / "F.DBT", small);
  EXPECT_GT(bytes, uint64_t(2 << 20) * 8 / 10);
  EXPECT_LT(bytes, uint64_t(2 << 20) * 12 / 10);
}

}  // namespace
