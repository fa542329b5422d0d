#include "UpgradeTestSupport.h"

#include <stdexcept>

#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "tools/formfile/FormJson.h"

namespace kvt::forms::testing {

void writeFormFile(ScratchDrive& drive, const std::string& winPath, const std::string& version,
                   const std::string& tablesJson) {
  MemoryDatabase db;
  formfile::loadFormTablesJson(R"({"version": ")" + version + R"(", "tables": )" + tablesJson + "}",
                               db);
  const std::string kept = FormFileVersion;
  FormFileVersion = version;
  RecordingUi ui;
  drive.mkdir(platform::extractFileDir(winPath));
  const bool saved = SaveFormFile(drive.fs(), ui, db, winPath);
  FormFileVersion = kept;
  if (!saved) throw std::runtime_error("could not write " + winPath);
}

ReadBack readFormFile(ScratchDrive& drive, const std::string& winPath) {
  ReadBack back{std::make_unique<MemoryDatabase>(), {}};
  const std::string kept = FormFileVersion;
  const std::string keptLoaded = LoadedFormFileVersion;
  CreateFormTables(*back.db);
  RecordingUi ui;
  if (!ReadFormFile(drive.fs(), ui, winPath, *back.db)) {
    throw std::runtime_error("could not read " + winPath);
  }
  back.version = LoadedFormFileVersion;
  FormFileVersion = kept;
  LoadedFormFileVersion = keptLoaded;
  return back;
}

std::string contentOf(Database& db) {
  return formfile::formTablesJson(db, "-");
}

Value text(std::string_view utf8) {
  return Value(big5(utf8));
}

}  // namespace kvt::forms::testing
