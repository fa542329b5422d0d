// The fixed patches of input entries (CB21) and of entry placements (CB23).
#include <array>
#include <cstdint>
#include <string>

#include "forms/upgrade/FormPatches.h"
#include "forms/upgrade/PatchRows.h"

namespace kvt::forms {
namespace {

constexpr int32_t kCountryCodeEntry = 15766;     // destination country code
constexpr int32_t kCountryNameEntry = 15768;     // destination country full name
constexpr int32_t kOldCountryCodeEntry = 16048;  // replaced by kCountryCodeEntry
constexpr int32_t kOldCountryNameEntry = 16046;  // replaced by kCountryNameEntry

// Forms of the certificate of origin whose placements move to the new entries.
constexpr std::array<int32_t, 11> kCountryForms{15100, 15101, 15102, 15104, 15108, 15109,
                                                15111, 15112, 15113, 15114, 15190};

// Upserts one CB21 entry and logs the outcome.
void UpsertEntry(RunContext& ctx, Table& cb21, int32_t entryNo, const FieldAssignments& fields) {
  const std::string number = std::to_string(entryNo);
  if (UpsertRow(cb21, "EntryNo", {Value(entryNo)}, fields) == UpsertOutcome::Posted) {
    ctx.AppendLog("更新了 CB21 的 " + number);
  } else {
    ctx.AppendLog("更新 CB21 的 " + number + " 時失敗 !");
  }
}

FieldAssignments CountryEntryFields(std::string_view nameUtf8, const char* formular,
                                    const char* lookupField, const char* listField1,
                                    int32_t listEntryNo1) {
  return {
      {"EntryName", StoredText(nameUtf8)},
      {"CopyClear", Value(false)},
      {"FormularMode", Value("S")},
      {"Formular", Value(formular)},
      {"LookupMode", Value("X")},
      {"LookupTable", Value("KVT26")},
      {"LookupField", Value(lookupField)},
      {"ListField1", Value(listField1)},
      {"ListEntryNo1", Value(listEntryNo1)},
  };
}

}  // namespace

void SetE15735Clear(RunContext& ctx, Table& cb21) {
  constexpr int32_t entry = 15735;
  if (!cb21.locate("EntryNo", {Value(entry)})) {
    AppendRow(cb21, {{"EntryNo", Value(entry)},
                     {"EntryName", StoredText("出口人簡稱")},
                     {"FormularMode", Value("N")}});
  }
  const Value clear("<Clear>");
  EditRow(cb21, "EntryNo", {Value(entry)},
          {{"ListField1", clear},
           {"ListField3", clear},
           {"ListField5", clear},
           {"ListField6", clear},
           {"ListField7", clear},
           {"ListField8", clear}});
}

void SetE15706Lookup(RunContext& ctx, Table& cb21) {
  EditRow(cb21, "EntryNo", {Value(15706)},
          {{"LookupMode", Value("a")},
           {"LookupTable", Value("X101_1")},
           {"LookupField", Value("Code")},
           {"ListField1", Value("Description")},
           {"ListEntryNo1", Value(15782)},
           {"ListField2", Value("EName")},
           {"ListEntryNo2", Value(12003)}});
}

void SetE13090Clear(RunContext& ctx, Table& cb21) {
  FieldAssignments fields;
  for (int k = 1; k <= 12; ++k) {
    fields.push_back({"ListField" + std::to_string(k), Value::null()});
    fields.push_back({"ListEntryNo" + std::to_string(k), Value::null()});
  }
  fields.push_back({"ListField1", StoredText("{出口商簡稱}")});
  EditRow(cb21, "EntryNo", {Value(13090)}, fields);
}

void X101DestinationCountryEntries(RunContext& ctx, Table& cb21) {
  UpsertEntry(ctx, cb21, kCountryCodeEntry,
              CountryEntryFields("目的地國家代碼(產證用)", "//C<16048>", "Code", "EName",
                                 kCountryNameEntry));
  UpsertEntry(ctx, cb21, kCountryNameEntry,
              CountryEntryFields("目的地國家全名(產證用)", "//C<16046>", "EName", "Code",
                                 kCountryCodeEntry));
}

void X101DestinationCountryPlacements(RunContext& ctx, Table& cb23) {
  for (const int32_t form : kCountryForms) {
    const std::string formText = std::to_string(form);
    cb23.setFilter("[FormNo] = " + formText);
    cb23.setFiltered(true);
    for (cb23.first(); !cb23.eof(); cb23.next()) {
      // Decided on the number read before the row changes.
      const int64_t entry = cb23.getInt("EntryNo");
      int32_t renumbered = 0;
      if (entry == kOldCountryCodeEntry) {
        renumbered = kCountryCodeEntry;
      } else if (entry == kOldCountryNameEntry) {
        renumbered = kCountryNameEntry;
      } else {
        continue;
      }
      const std::string placement = "CB23(" + formText + ") 的 " + std::to_string(renumbered);
      cb23.edit();
      try {
        cb23.set("EntryNo", Value(renumbered));
        cb23.post();
        ctx.AppendLog("更新了 " + placement);
      } catch (const EngineError&) {
        cb23.cancel();
        ctx.AppendLog("更新 " + placement + " 時失敗 !");
      }
    }
    cb23.setFiltered(false);
  }
}

void X101Country15766Mode(RunContext& ctx, Table& cb21) {
  FieldAssignments fields =
      CountryEntryFields("目的地國家代碼", "//C<16048>", "Code", "EName", kCountryNameEntry);
  fields.push_back({"ListField2", Value("")});
  fields.push_back({"ListEntryNo2", Value::null()});
  UpsertEntry(ctx, cb21, kCountryCodeEntry, fields);
}

}  // namespace kvt::forms
