// The fixed patches of input entries (CB21) and entry placements (CB23).
#include "PatchFixture.h"
#include "forms/upgrade/FormPatches.h"

namespace kvt::forms {
namespace {

using testing::big5;
using testing::NamedRow;
using Entries = testing::PatchTest;
using Placements = testing::PatchTest;
using Lines = std::vector<std::string>;
constexpr FormTable CB21 = FormTable::CB21;
constexpr FormTable CB23 = FormTable::CB23;
const Value null = Value::null();

TEST_F(Entries, E15735IsAddedWhenMissingWithSixListFieldsCleared) {
  run(CB21, SetE15735Clear);
  const Value c("<Clear>");
  expectRow(CB21, {15735},
            {{"EntryName", big5("出口人簡稱")},
             {"FormularMode", "N"},
             {"Formular", null},
             {"ListField1", c},
             {"ListField2", null},
             {"ListField3", c},
             {"ListField4", null},
             {"ListField5", c},
             {"ListField6", c},
             {"ListField7", c},
             {"ListField8", c},
             {"ListField9", null},
             {"ListField12", null}});
  EXPECT_TRUE(log().empty());
}

TEST_F(Entries, E15735KeepsItsNameAndTheListFieldsNotNamed) {
  add(CB21, {{"EntryNo", 15735},
             {"EntryName", "old"},
             {"FormularMode", "S"},
             {"ListField1", "Old1"},
             {"ListEntryNo1", 11},
             {"ListField2", "Keep2"},
             {"ListField9", "Keep9"}});
  run(CB21, SetE15735Clear);
  EXPECT_EQ(count(CB21), 1u);
  expectRow(CB21, {15735},
            {{"EntryName", "old"},
             {"FormularMode", "S"},
             {"ListField1", "<Clear>"},
             {"ListEntryNo1", 11},
             {"ListField2", "Keep2"},
             {"ListField8", "<Clear>"},
             {"ListField9", "Keep9"}});
}

TEST_F(Entries, E15706AndE13090ChangeTheirOwnRowsOnly) {
  NamedRow full{{"EntryNo", 13090}, {"LookupTable", "T"}};
  for (int k = 1; k <= 12; ++k) {
    full.push_back({"ListField" + std::to_string(k), "L"});
    full.push_back({"ListEntryNo" + std::to_string(k), k});
  }
  add(CB21, full);
  add(CB21, {{"EntryNo", 15706}, {"Formular", "F"}, {"ListField3", "L3"}, {"ListEntryNo3", 3}});
  add(CB21, {{"EntryNo", 15707}});
  run(CB21, SetE15706Lookup);
  run(CB21, SetE13090Clear);
  expectRow(CB21, {15706},
            {{"LookupMode", "a"},
             {"LookupTable", "X101_1"},
             {"LookupField", "Code"},
             {"ListField1", "Description"},
             {"ListEntryNo1", 15782},
             {"ListField2", "EName"},
             {"ListEntryNo2", 12003},
             {"ListField3", "L3"},
             {"ListEntryNo3", 3},
             {"Formular", "F"}});
  NamedRow cleared{{"ListField1", big5("{出口商簡稱}")}, {"LookupTable", "T"}};
  for (int k = 1; k <= 12; ++k) {
    if (k > 1) cleared.push_back({"ListField" + std::to_string(k), null});
    cleared.push_back({"ListEntryNo" + std::to_string(k), null});
  }
  expectRow(CB21, {13090}, cleared);
  expectRow(CB21, {15707}, {{"LookupMode", null}, {"ListField1", null}});
  EXPECT_EQ(count(CB21), 3u);
  EXPECT_TRUE(log().empty());
}

TEST_F(Entries, MissingCountryEntriesAreAppendedWithTheOtherFieldsEmpty) {
  run(CB21, X101DestinationCountryEntries);
  EXPECT_EQ(log(), (Lines{"更新了 CB21 的 15766", "更新了 CB21 的 15768"}));
  reopen();  // as the table files hold them
  EXPECT_EQ(count(CB21), 2u);
  const NamedRow common{{"CopyClear", false},     {"FormularMode", "S"}, {"LookupMode", "X"},
                        {"LookupTable", "KVT26"}, {"Attribute", null},   {"ListField2", null},
                        {"ListEntryNo2", null},   {"SourceNo", null},    {"Note", null}};
  expectRow(CB21, {15766}, common);
  expectRow(CB21, {15768}, common);
  expectRow(CB21, {15766},
            {{"EntryName", big5("目的地國家代碼(產證用)")},
             {"Formular", "//C<16048>"},
             {"LookupField", "Code"},
             {"ListField1", "EName"},
             {"ListEntryNo1", 15768}});
  expectRow(CB21, {15768},
            {{"EntryName", big5("目的地國家全名(產證用)")},
             {"Formular", "//C<16046>"},
             {"LookupField", "EName"},
             {"ListField1", "Code"},
             {"ListEntryNo1", 15766}});
}

TEST_F(Entries, ExistingCountryEntriesKeepTheFieldsNotNamed) {
  for (int entry : {15766, 15768}) {
    add(CB21, {{"EntryNo", entry},
               {"EntryName", "old"},
               {"CopyClear", true},
               {"Formular", "old"},
               {"Attribute", "W"},
               {"ListField2", "Second"},
               {"ListEntryNo2", 77},
               {"SourceNo", entry}});
  }
  run(CB21, X101DestinationCountryEntries);
  EXPECT_EQ(log(), (Lines{"更新了 CB21 的 15766", "更新了 CB21 的 15768"}));
  EXPECT_EQ(count(CB21), 2u);
  for (int entry : {15766, 15768}) {
    expectRow(CB21, {entry},
              {{"CopyClear", false},
               {"Attribute", "W"},
               {"ListField2", "Second"},
               {"ListEntryNo2", 77},
               {"SourceNo", entry}});
  }
  expectRow(CB21, {15768}, {{"Formular", "//C<16046>"}, {"ListEntryNo1", 15766}});
  // Mode: the code entry loses its second list pair and its certificate-only name.
  run(CB21, X101Country15766Mode);
  EXPECT_EQ(log().back(), "更新了 CB21 的 15766");
  expectRow(CB21, {15766},
            {{"EntryName", big5("目的地國家代碼")},
             {"Formular", "//C<16048>"},
             {"LookupField", "Code"},
             {"ListField1", "EName"},
             {"ListEntryNo1", 15768},
             {"ListField2", null},
             {"ListEntryNo2", null},
             {"Attribute", "W"}});
}

TEST_F(Entries, ARefusedUpsertIsCancelledLoggedAndTheNextEntryStillPosted) {
  add(CB21, {{"EntryNo", 15766}, {"EntryName", "old"}});
  // A handle that cannot see entry 15766 appends it again, and the engine refuses the key.
  run(CB21, X101DestinationCountryEntries, "[EntryNo] = 15768");
  EXPECT_EQ(log(), (Lines{"更新 CB21 的 15766 時失敗 !", "更新了 CB21 的 15768"}));
  expectRow(CB21, {15766}, {{"EntryName", "old"}, {"Formular", null}});
  expectRow(CB21, {15768}, {{"Formular", "//C<16046>"}});
}

TEST_F(Placements, OldCountryEntriesMoveToTheNewOnesOnTheListedFormsOnly) {
  const int rows[][3] = {{12000, 10, 16048}, {15100, 10, 16048}, {15100, 20, 16046},
                         {15100, 30, 12345}, {15103, 10, 16048}, {15190, 10, 16046},
                         {15190, 20, 16048}, {15191, 10, 16046}};
  for (const auto& r : rows) {
    add(CB23,
        {{"FormNo", r[0]}, {"SEQ", r[1]}, {"EntryNo", r[2]}, {"EntryName", "n"}, {"VPos", 1.5}});
  }
  run(CB23, [](RunContext& c, Table& t) {
    X101DestinationCountryPlacements(c, t);
    EXPECT_EQ(t.recordCount(), 8);  // the handle sees every form again
  });
  const int after[] = {16048, 15766, 15768, 12345, 16048, 15768, 15766, 16046};
  for (size_t i = 0; i < std::size(rows); ++i) {
    expectRow(CB23, {rows[i][0], rows[i][1]},
              {{"EntryNo", after[i]}, {"EntryName", "n"}, {"VPos", 1.5}});
  }
  EXPECT_EQ(log(), (Lines{"更新了 CB23(15100) 的 15766", "更新了 CB23(15100) 的 15768",
                          "更新了 CB23(15190) 的 15768", "更新了 CB23(15190) 的 15766"}));
}

}  // namespace
}  // namespace kvt::forms
