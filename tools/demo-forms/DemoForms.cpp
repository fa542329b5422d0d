#include "tools/demo-forms/DemoForms.h"

#include <fstream>
#include <stdexcept>

#include "forms/FormFileWriter.h"
#include "schema/MemoryDatabase.h"
#include "tools/demo-files/DemoFiles.h"
#include "tools/formfile/FormJson.h"

namespace kvt::demo {
namespace fs = std::filesystem;
namespace {

// The export forms as an older release left them: version "0940101" stores no form classes,
// so the class list raises it. Every row below is one that a list value or a patch changes.
constexpr const char* kExportForms = R"json({"version": "0940101", "tables": {
  "CB20": [
    {"FormNo": 100, "FormName": "EXP100", "FormDesc": "出口報單", "MasterForm": true, "PrintForm": true},
    {"FormNo": 12000, "FormName": "X101A", "FormDesc": "舊產證甲", "MasterForm": true, "PrintForm": true},
    {"FormNo": 12007, "FormName": "X101B", "FormDesc": "舊產證乙", "MasterForm": true, "PrintForm": true},
    {"FormNo": 12010, "FormName": "X101C", "FormDesc": "舊產證丙", "MasterForm": true, "PrintForm": true},
    {"FormNo": 12022, "FormName": "X101D", "FormDesc": "舊產證丁", "MasterForm": true, "PrintForm": true},
    {"FormNo": 12030, "FormName": "X101E", "FormDesc": "舊產證戊", "MasterForm": true, "PrintForm": true},
    {"FormNo": 15100, "FormName": "X101", "FormDesc": "產地證明書", "MasterForm": true, "PrintForm": true},
    {"FormNo": 15104, "FormName": "F15104", "FormDesc": "產證附表", "MasterForm": true, "PrintForm": true}],
  "CB21": [
    {"EntryNo": 10, "EntryName": "出口人代號", "FormularMode": "N", "LookupMode": "N", "SourceNo": 10},
    {"EntryNo": 11, "EntryName": "貨名", "FormularMode": "S", "Formular": "//C<11>", "LookupMode": "N", "SourceNo": 11},
    {"EntryNo": 13090, "EntryName": "出口商", "FormularMode": "N", "LookupMode": "X", "LookupTable": "KVT01",
     "LookupField": "Code", "ListField1": "Name", "ListEntryNo1": 13091, "ListField2": "Addr",
     "ListEntryNo2": 13092, "SourceNo": 13090},
    {"EntryNo": 15706, "EntryName": "目的地國家", "FormularMode": "N", "LookupMode": "N", "SourceNo": 15706},
    {"EntryNo": 16046, "EntryName": "目的地國家全名", "FormularMode": "N", "LookupMode": "N", "SourceNo": 16046},
    {"EntryNo": 16048, "EntryName": "目的地國家代碼", "FormularMode": "N", "LookupMode": "N", "SourceNo": 16048}],
  "CB22": [
    {"Type": "I", "FieldNo": 6, "FieldName": "單價", "FieldLength": 12, "GridWidth": 10, "LookupMode": "N"},
    {"Type": "I", "FieldNo": 7, "FieldName": "金額", "FieldLength": 14, "GridWidth": 12, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 5, "FieldName": "FOB", "FieldLength": 14, "FormularMode": "N", "LookupMode": "N"},
    {"Type": "X", "FieldNo": 6, "FieldName": "單價", "FieldLength": 12, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 7, "FieldName": "金額", "FieldLength": 14, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 17, "FieldName": "數量", "FieldLength": 10, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 30, "FieldName": "總價", "FieldLength": 10, "GridWidth": 8, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 43, "FieldName": "原產地", "FieldLength": 4, "EnterCopy": false, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 191, "FieldName": "產證類別", "FieldLength": 2, "LookupMode": "N"},
    {"Type": "X", "FieldNo": 198, "FieldName": "優惠待遇", "FieldLength": 1, "LookupMode": "N"}],
  "CB23": [
    {"FormNo": 100, "SEQ": 10, "EntryNo": 10, "EntryName": "出口人代號", "VPos": 1.0, "HPos": 1.0},
    {"FormNo": 100, "SEQ": 20, "EntryNo": 11, "EntryName": "貨名", "VPos": 2.0, "HPos": 1.0},
    {"FormNo": 15100, "SEQ": 10, "EntryNo": 16048, "EntryName": "目的地國家代碼", "VPos": 3.0, "HPos": 2.0},
    {"FormNo": 15100, "SEQ": 20, "EntryNo": 16046, "EntryName": "目的地國家全名", "VPos": 4.0, "HPos": 2.0}],
  "CB24": [
    {"FormNo": 100, "EntryNo": 11, "SEQ": 10, "Type": "X", "FieldNo": 30, "FieldName": "總價", "IsEdit": true,
     "VPos": 5.0, "VLine": 1, "PrintDec": 2, "Part": "A"}],
  "CB25": [{"BlockName": "出口表頭", "Memo": "示範出口表頭\r\n第二行"}],
  "CB2F0": [
    {"Code": "AB01", "Type": "E", "FieldType": "X", "FieldNo": 30, "DoIt": true},
    {"Code": "EZ84", "Type": "E", "FieldType": "X", "FieldNo": 12000, "DoIt": true},
    {"Code": "EZ86", "Type": "E", "FieldType": "X", "FieldNo": 12001, "DoIt": true},
    {"Code": "FI05", "Type": "E", "FieldType": "X", "FieldNo": 150, "DoIt": false},
    {"Code": "FI36", "Type": "E", "FieldType": "X", "FieldNo": 36, "DoIt": false}]
}})json";

// The import forms, already in the newest version.
constexpr const char* kImportForms = R"json({"version": "1020905", "tables": {
  "CB20": [{"FormNo": 200, "FormName": "IMP200", "FormDesc": "進口報單", "Class": "標準",
            "MasterForm": true, "PrintForm": true}],
  "CB21": [{"EntryNo": 20, "EntryName": "進口人代號", "FormularMode": "N", "LookupMode": "N", "SourceNo": 20}],
  "CB22": [{"Type": "I", "FieldNo": 30, "FieldName": "完稅價格", "FieldLength": 12, "GridWidth": 8,
            "LookupMode": "N"}],
  "CB23": [{"FormNo": 200, "SEQ": 10, "EntryNo": 20, "EntryName": "進口人代號", "VPos": 1.0, "HPos": 1.0}],
  "CB25": [{"BlockName": "進口表頭", "Memo": "示範進口表頭"}],
  "CB2F0": [{"Code": "AB02", "Type": "I", "FieldType": "I", "FieldNo": 0, "DoIt": false}]
}})json";

// The release's new export form: a form with its placements and the entries, fields and
// blocks it brings along.
constexpr const char* kNewExportForms = R"json({"version": "1020905", "tables": {
  "CB20": [{"FormNo": 16100, "FormName": "ECFA", "FormDesc": "ECFA 產地證明書", "Class": "產證",
            "MasterForm": true, "PrintForm": true}],
  "CB21": [{"EntryNo": 10, "EntryName": "出口人代號(新)", "FormularMode": "N", "LookupMode": "N", "SourceNo": 10},
           {"EntryNo": 16110, "EntryName": "ECFA 貨品編號", "FormularMode": "N", "LookupMode": "N", "SourceNo": 16110}],
  "CB22": [{"Type": "X", "FieldNo": 210, "FieldName": "ECFA 標準", "FieldLength": 4, "LookupMode": "N"}],
  "CB23": [{"FormNo": 16100, "SEQ": 10, "EntryNo": 10, "EntryName": "出口人代號", "VPos": 1.0, "HPos": 1.0},
           {"FormNo": 16100, "SEQ": 20, "EntryNo": 16110, "EntryName": "ECFA 貨品編號", "VPos": 2.0, "HPos": 1.0}],
  "CB24": [{"FormNo": 16100, "EntryNo": 16110, "SEQ": 10, "Type": "X", "FieldNo": 210, "FieldName": "ECFA 標準",
            "IsEdit": true, "VPos": 2.0, "VLine": 1, "PrintDec": -1, "Part": "A"}],
  "CB25": [{"BlockName": "出口表頭", "Memo": "示範出口表頭 (新版)"}]
}})json";

void writeFormFile(const fs::path& prefix, const std::string& winPath, const char* document) {
  MemoryDatabase tables;
  const std::string version = formfile::loadFormTablesJson(document, tables);
  const fs::path local = DriveCPath(prefix, winPath);
  fs::create_directories(local.parent_path());
  const std::string bytes = forms::encodeFormFile(tables, version);
  std::ofstream out(local, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + winPath);
}

}  // namespace

void AddFormFileDemo(const fs::path& prefix, const std::string& releaseDir,
                     const std::string& formDir) {
  if (!fs::exists(prefix / ".kvt-demo-prefix"))
    throw std::runtime_error(prefix.string() + " was not made by kvt-demo; refusing to change it");
  writeFormFile(prefix, formDir + "KVTE.DBT", kExportForms);
  writeFormFile(prefix, formDir + "KVTI.DBT", kImportForms);
  writeFormFile(prefix, releaseDir + "KVTENEW.DBT", kNewExportForms);
}

}  // namespace kvt::demo
