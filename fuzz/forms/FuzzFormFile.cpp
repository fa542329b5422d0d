// Fuzz target for the form file reader: the input is a form file. Whatever it holds, reading
// it must end in true or false (never a crash, a hang or an escaping error), a refused file
// must leave the tables empty, and a file that was read must write back into a file that
// reads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "forms/FormFileCodec.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

namespace {

// One file held in memory; nothing else exists.
class OneFileSystem : public kvt::platform::FileSystem {
 public:
  explicit OneFileSystem(std::string bytes) : bytes_(std::move(bytes)) {}
  std::optional<std::filesystem::path> resolve(std::string_view) const override { return {}; }
  std::optional<std::string> windowsPathOf(const std::filesystem::path&) const override {
    return {};
  }
  uint32_t logicalDrives() const override { return 1u << 2; }
  kvt::platform::DriveType driveType(char) const override {
    return kvt::platform::DriveType::Fixed;
  }
  std::string windowsDirectory() const override { return "C:\\windows"; }
  bool fileExists(std::string_view path) const override { return path == kName; }
  bool directoryExists(std::string_view) const override { return false; }
  std::optional<kvt::platform::FileTime> modificationTime(std::string_view) const override {
    return {};
  }
  bool setModificationTime(std::string_view, kvt::platform::FileTime) override { return false; }
  bool isReadOnly(std::string_view) const override { return false; }
  bool setReadOnly(std::string_view, bool) override { return false; }
  bool copyFile(std::string_view, std::string_view, bool) override { return false; }
  bool moveFile(std::string_view, std::string_view) override { return false; }
  bool deleteFile(std::string_view) override { return false; }
  bool createDirectory(std::string_view) override { return false; }
  bool forceDirectories(std::string_view) override { return false; }
  bool removeDirectory(std::string_view) override { return false; }
  std::optional<std::vector<kvt::platform::DirEntry>> list(std::string_view) const override {
    return {};
  }
  std::optional<std::vector<kvt::platform::NameEntry>> listNames(std::string_view) const override {
    return {};
  }
  std::optional<std::string> readFile(std::string_view path) const override {
    if (path != kName) return {};
    return bytes_;
  }
  bool writeFile(std::string_view, std::string_view) override { return false; }

  static constexpr std::string_view kName = "C:\\KVTE.DBT";

 private:
  std::string bytes_;
};

class QuietUi : public kvt::platform::Ui {
 public:
  void messageBox(kvt::platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

size_t totalRows(kvt::Database& db) {
  size_t n = 0;
  for (kvt::forms::FormTable t : kvt::forms::kFormTables) {
    kvt::Table table(db, kvt::forms::formTableName(t));
    table.open(kvt::OpenMode::ReadOnly);
    n += size_t(table.recordCount());
  }
  return n;
}

bool readInto(kvt::Database& db, std::string bytes) {
  OneFileSystem fs(std::move(bytes));
  QuietUi ui;
  kvt::forms::CreateFormTables(db);
  return kvt::forms::ReadFormFile(fs, ui, std::string(OneFileSystem::kName), db);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  kvt::MemoryDatabase db;
  if (!readInto(db, bytes)) {
    if (totalRows(db) != 0) std::abort();  // a refused file loads nothing
    return 0;
  }
  std::string again;
  try {
    again = kvt::forms::encodeFormFile(db, kvt::forms::LoadedFormFileVersion);
  } catch (const kvt::forms::UnwritableRow&) {
    return 0;  // a font named like the end mark
  }
  kvt::MemoryDatabase back;
  if (!readInto(back, again)) std::abort();
  return 0;
}
