// The fixed patches of input entries (CB21) and entry placements (CB23).
#include <gtest/gtest.h>

#include "PatchFixture.h"
#include "forms/upgrade/FormPatches.h"

namespace kvt::forms {
namespace {

using testing::big5;
using testing::countRows;
using testing::field;
using testing::NamedRow;
using testing::PatchTest;
using testing::RefusingDatabase;

constexpr FormTable CB21 = FormTable::CB21;
constexpr FormTable CB23 = FormTable::CB23;

std::vector<std::string> listFieldsOf(const Row& r) {
  std::vector<std::string> values;
  for (int k = 1; k <= 12; ++k)
    values.push_back(field(r, CB21, "ListField" + std::to_string(k)).asString());
  return values;
}

class EntryPatches : public PatchTest {};

TEST_F(EntryPatches, E15735IsAddedWhenMissingWithSixListFieldsCleared) {
  add(CB21, {{"EntryNo", 100}, {"EntryName", "other"}});
  run(CB21, SetE15735Clear);
  ASSERT_EQ(countRows(db(), CB21), 2u);
  const Row r = row(CB21, {15735});
  EXPECT_EQ(field(r, CB21, "EntryName"), Value(big5("出口人簡稱")));
  EXPECT_EQ(field(r, CB21, "FormularMode"), Value("N"));
  EXPECT_EQ(listFieldsOf(r),
            (std::vector<std::string>{"<Clear>", "", "<Clear>", "", "<Clear>", "<Clear>", "<Clear>",
                                      "<Clear>", "", "", "", ""}));
  EXPECT_TRUE(field(r, CB21, "Formular").isNull());
  EXPECT_TRUE(field(r, CB21, "LookupMode").isNull());
  EXPECT_TRUE(log().empty());
}

TEST_F(EntryPatches, E15735KeepsItsNameAndTheListFieldsNotNamed) {
  add(CB21, {{"EntryNo", 15735},
             {"EntryName", big5("舊名")},
             {"FormularMode", "S"},
             {"ListField1", "Old1"},
             {"ListEntryNo1", 11},
             {"ListField2", "Keep2"},
             {"ListField4", "Keep4"},
             {"ListField9", "Keep9"}});
  run(CB21, SetE15735Clear);
  ASSERT_EQ(countRows(db(), CB21), 1u);
  const Row r = row(CB21, {15735});
  EXPECT_EQ(field(r, CB21, "EntryName"), Value(big5("舊名")));
  EXPECT_EQ(field(r, CB21, "FormularMode"), Value("S"));
  EXPECT_EQ(field(r, CB21, "ListEntryNo1"), Value(11));
  EXPECT_EQ(listFieldsOf(r),
            (std::vector<std::string>{"<Clear>", "Keep2", "<Clear>", "Keep4", "<Clear>", "<Clear>",
                                      "<Clear>", "<Clear>", "Keep9", "", "", ""}));
  EXPECT_TRUE(log().empty());
}

TEST_F(EntryPatches, E15706GetsItsLookupListAndKeepsTheRest) {
  add(CB21, {{"EntryNo", 15706},
             {"EntryName", "Dest"},
             {"Formular", "//C<1>"},
             {"LookupMode", "N"},
             {"ListField3", "Third"},
             {"ListEntryNo3", 33}});
  run(CB21, SetE15706Lookup);
  const Row r = row(CB21, {15706});
  EXPECT_EQ(field(r, CB21, "LookupMode"), Value("a"));
  EXPECT_EQ(field(r, CB21, "LookupTable"), Value("X101_1"));
  EXPECT_EQ(field(r, CB21, "LookupField"), Value("Code"));
  EXPECT_EQ(field(r, CB21, "ListField1"), Value("Description"));
  EXPECT_EQ(field(r, CB21, "ListEntryNo1"), Value(15782));
  EXPECT_EQ(field(r, CB21, "ListField2"), Value("EName"));
  EXPECT_EQ(field(r, CB21, "ListEntryNo2"), Value(12003));
  EXPECT_EQ(field(r, CB21, "ListField3"), Value("Third"));
  EXPECT_EQ(field(r, CB21, "ListEntryNo3"), Value(33));
  EXPECT_EQ(field(r, CB21, "Formular"), Value("//C<1>"));
  EXPECT_EQ(field(r, CB21, "EntryName"), Value("Dest"));
  EXPECT_TRUE(log().empty());
}

TEST_F(EntryPatches, E13090LosesEveryListPairButTheExporterShortName) {
  NamedRow seeded{{"EntryNo", 13090}, {"LookupTable", "T"}, {"Formular", "F"}};
  for (int k = 1; k <= 12; ++k) {
    seeded.push_back({"ListField" + std::to_string(k), "L" + std::to_string(k)});
    seeded.push_back({"ListEntryNo" + std::to_string(k), 1000 + k});
  }
  add(CB21, seeded);
  run(CB21, SetE13090Clear);
  const Row r = row(CB21, {13090});
  EXPECT_EQ(field(r, CB21, "ListField1"), Value(big5("{出口商簡稱}")));
  for (int k = 1; k <= 12; ++k) {
    if (k > 1) {
      EXPECT_TRUE(field(r, CB21, "ListField" + std::to_string(k)).isNull()) << k;
    }
    EXPECT_TRUE(field(r, CB21, "ListEntryNo" + std::to_string(k)).isNull()) << k;
  }
  EXPECT_EQ(field(r, CB21, "LookupTable"), Value("T"));
  EXPECT_EQ(field(r, CB21, "Formular"), Value("F"));
}

TEST_F(EntryPatches, EditsOfMissingEntriesAddNothingAndSayNothing) {
  add(CB21, {{"EntryNo", 15707}, {"EntryName", "near"}});
  run(CB21, SetE15706Lookup);
  run(CB21, SetE13090Clear);
  ASSERT_EQ(countRows(db(), CB21), 1u);
  const Row r = row(CB21, {15707});
  EXPECT_TRUE(field(r, CB21, "LookupMode").isNull());
  EXPECT_TRUE(field(r, CB21, "ListField1").isNull());
  EXPECT_TRUE(log().empty());
}

TEST_F(EntryPatches, CountryEntriesAreAppendedWhenAbsentAndLogged) {
  run(CB21, X101DestinationCountryEntries);
  EXPECT_EQ(log(), (std::vector<std::string>{"更新了 CB21 的 15766", "更新了 CB21 的 15768"}));
  // What the table files hold, read back from disk.
  reopen();
  ASSERT_EQ(countRows(db(), CB21), 2u);
  struct Expect {
    int entry;
    const char* name;
    const char* formular;
    const char* lookupField;
    const char* listField1;
    int listEntryNo1;
  };
  for (const Expect& e :
       {Expect{15766, "目的地國家代碼(產證用)", "//C<16048>", "Code", "EName", 15768},
        Expect{15768, "目的地國家全名(產證用)", "//C<16046>", "EName", "Code", 15766}}) {
    SCOPED_TRACE(e.entry);
    const Row r = row(CB21, {e.entry});
    EXPECT_EQ(field(r, CB21, "EntryName"), Value(big5(e.name)));
    EXPECT_EQ(field(r, CB21, "CopyClear"), Value(false));
    EXPECT_EQ(field(r, CB21, "FormularMode"), Value("S"));
    EXPECT_EQ(field(r, CB21, "Formular"), Value(e.formular));
    EXPECT_EQ(field(r, CB21, "LookupMode"), Value("X"));
    EXPECT_EQ(field(r, CB21, "LookupTable"), Value("KVT26"));
    EXPECT_EQ(field(r, CB21, "LookupField"), Value(e.lookupField));
    EXPECT_EQ(field(r, CB21, "ListField1"), Value(e.listField1));
    EXPECT_EQ(field(r, CB21, "ListEntryNo1"), Value(e.listEntryNo1));
    for (const char* empty : {"Attribute", "InputWidth", "LogicCheckMode", "ListField2",
                              "ListEntryNo2", "ListEntryNo12", "SourceNo", "Note"}) {
      EXPECT_TRUE(field(r, CB21, empty).isNull()) << empty;
    }
  }
}

TEST_F(EntryPatches, CountryEntriesThatExistChangeOnlyTheFieldsNamed) {
  for (int entry : {15766, 15768}) {
    add(CB21, {{"EntryNo", entry},
               {"EntryName", "old"},
               {"CopyClear", true},
               {"FormularMode", "N"},
               {"Formular", "old formula"},
               {"Attribute", "W"},
               {"ListField1", "OldList"},
               {"ListField2", "Second"},
               {"ListEntryNo2", 77},
               {"SourceNo", entry},
               {"Note", "remark"}});
  }
  run(CB21, X101DestinationCountryEntries);
  EXPECT_EQ(log(), (std::vector<std::string>{"更新了 CB21 的 15766", "更新了 CB21 的 15768"}));
  ASSERT_EQ(countRows(db(), CB21), 2u);
  const Row code = row(CB21, {15766});
  EXPECT_EQ(field(code, CB21, "EntryName"), Value(big5("目的地國家代碼(產證用)")));
  EXPECT_EQ(field(code, CB21, "CopyClear"), Value(false));
  EXPECT_EQ(field(code, CB21, "Formular"), Value("//C<16048>"));
  EXPECT_EQ(field(code, CB21, "ListField1"), Value("EName"));
  const Row name = row(CB21, {15768});
  EXPECT_EQ(field(name, CB21, "LookupField"), Value("EName"));
  EXPECT_EQ(field(name, CB21, "ListEntryNo1"), Value(15766));
  for (const Row& r : {code, name}) {
    EXPECT_EQ(field(r, CB21, "Attribute"), Value("W"));
    EXPECT_EQ(field(r, CB21, "ListField2"), Value("Second"));
    EXPECT_EQ(field(r, CB21, "ListEntryNo2"), Value(77));
    EXPECT_EQ(field(r, CB21, "SourceNo"), field(r, CB21, "EntryNo"));
    EXPECT_EQ(field(r, CB21, "Note"), Value("remark"));
  }
}

TEST_F(EntryPatches, ARefusedCountryEntryIsCancelledLoggedAndTheNextOneStillPosted) {
  add(CB21, {{"EntryNo", 15766}, {"EntryName", "old"}, {"Formular", "kept"}});
  RefusingDatabase refusing(db(), "EntryNo", Value(15766));
  run(refusing, CB21, X101DestinationCountryEntries);
  EXPECT_EQ(refusing.refusals, 1);
  EXPECT_EQ(log(),
            (std::vector<std::string>{"更新 CB21 的 15766 時失敗 !", "更新了 CB21 的 15768"}));
  const Row code = row(CB21, {15766});
  EXPECT_EQ(field(code, CB21, "EntryName"), Value("old"));
  EXPECT_EQ(field(code, CB21, "Formular"), Value("kept"));
  EXPECT_EQ(field(row(CB21, {15768}), CB21, "Formular"), Value("//C<16046>"));
}

TEST_F(EntryPatches, ARefusedNewCountryEntryLeavesNoRowBehind) {
  RefusingDatabase refusing(db(), "EntryNo", Value(15768));
  run(refusing, CB21, X101Country15766Mode);
  run(refusing, CB21, X101DestinationCountryEntries);
  EXPECT_EQ(log(), (std::vector<std::string>{"更新了 CB21 的 15766", "更新了 CB21 的 15766",
                                             "更新 CB21 的 15768 時失敗 !"}));
  EXPECT_EQ(countRows(db(), CB21), 1u);
}

TEST_F(EntryPatches, Country15766ModeRenamesTheEntryAndEmptiesItsSecondListPair) {
  add(CB21, {{"EntryNo", 15766},
             {"EntryName", big5("目的地國家代碼(產證用)")},
             {"ListField2", "Second"},
             {"ListEntryNo2", 77},
             {"ListField3", "Third"},
             {"Note", "remark"}});
  run(CB21, X101Country15766Mode);
  EXPECT_EQ(log(), (std::vector<std::string>{"更新了 CB21 的 15766"}));
  const Row r = row(CB21, {15766});
  EXPECT_EQ(field(r, CB21, "EntryName"), Value(big5("目的地國家代碼")));
  EXPECT_EQ(field(r, CB21, "FormularMode"), Value("S"));
  EXPECT_EQ(field(r, CB21, "Formular"), Value("//C<16048>"));
  EXPECT_EQ(field(r, CB21, "LookupTable"), Value("KVT26"));
  EXPECT_EQ(field(r, CB21, "LookupField"), Value("Code"));
  EXPECT_EQ(field(r, CB21, "ListField1"), Value("EName"));
  EXPECT_EQ(field(r, CB21, "ListEntryNo1"), Value(15768));
  EXPECT_TRUE(field(r, CB21, "ListField2").isNull());
  EXPECT_TRUE(field(r, CB21, "ListEntryNo2").isNull());
  EXPECT_EQ(field(r, CB21, "ListField3"), Value("Third"));
  EXPECT_EQ(field(r, CB21, "Note"), Value("remark"));
}

TEST_F(EntryPatches, Country15766ModeAddsTheEntryWhenAbsent) {
  run(CB21, X101Country15766Mode);
  EXPECT_EQ(log(), (std::vector<std::string>{"更新了 CB21 的 15766"}));
  ASSERT_EQ(countRows(db(), CB21), 1u);
  const Row r = row(CB21, {15766});
  EXPECT_EQ(field(r, CB21, "EntryName"), Value(big5("目的地國家代碼")));
  EXPECT_EQ(field(r, CB21, "CopyClear"), Value(false));
  EXPECT_TRUE(field(r, CB21, "SourceNo").isNull());
}

class Placements : public PatchTest {
 protected:
  void place(int form, int seq, int entry) {
    add(CB23, {{"FormNo", form},
               {"SEQ", seq},
               {"EntryNo", entry},
               {"EntryName", "placed"},
               {"VPos", 1.5},
               {"RefEntryNo", 9}});
  }
  Value entryAt(int form, int seq) { return field(row(CB23, {form, seq}), CB23, "EntryNo"); }
};

TEST_F(Placements, OldCountryEntriesMoveToTheNewOnesOnTheListedFormsOnly) {
  place(12000, 10, 16048);
  place(15100, 10, 16048);
  place(15100, 20, 16046);
  place(15100, 30, 12345);
  place(15100, 40, 15766);
  place(15103, 10, 16048);
  place(15103, 20, 16046);
  place(15190, 10, 16046);
  place(15190, 20, 16048);
  place(15191, 10, 16046);
  int64_t seen = 0;
  run(CB23, [&](RunContext& c, Table& t) {
    X101DestinationCountryPlacements(c, t);
    seen = t.recordCount();  // the handle is no longer restricted to one form
  });
  EXPECT_EQ(seen, 10);
  EXPECT_EQ(entryAt(15100, 10), Value(15766));
  EXPECT_EQ(entryAt(15100, 20), Value(15768));
  EXPECT_EQ(entryAt(15100, 30), Value(12345));
  EXPECT_EQ(entryAt(15100, 40), Value(15766));
  EXPECT_EQ(entryAt(15190, 10), Value(15768));
  EXPECT_EQ(entryAt(15190, 20), Value(15766));
  for (auto [form, seq, entry] : {std::tuple{12000, 10, 16048}, std::tuple{15103, 10, 16048},
                                  std::tuple{15103, 20, 16046}, std::tuple{15191, 10, 16046}}) {
    EXPECT_EQ(entryAt(form, seq), Value(entry)) << form << "/" << seq;
  }
  // The rest of a renumbered placement stays.
  const Row r = row(CB23, {15100, 20});
  EXPECT_EQ(field(r, CB23, "EntryName"), Value("placed"));
  EXPECT_EQ(field(r, CB23, "VPos"), Value(1.5));
  EXPECT_EQ(field(r, CB23, "RefEntryNo"), Value(9));
  EXPECT_EQ(log(), (std::vector<std::string>{
                       "更新了 CB23(15100) 的 15766", "更新了 CB23(15100) 的 15768",
                       "更新了 CB23(15190) 的 15768", "更新了 CB23(15190) 的 15766"}));
}

TEST_F(Placements, ARefusedRenumberingIsLoggedAndTheWalkGoesOn) {
  place(15100, 10, 16048);
  place(15100, 20, 16046);
  place(15101, 10, 16048);
  RefusingDatabase refusing(db(), "EntryNo", Value(15766));
  run(refusing, CB23, X101DestinationCountryPlacements);
  EXPECT_EQ(entryAt(15100, 10), Value(16048));
  EXPECT_EQ(entryAt(15100, 20), Value(15768));
  EXPECT_EQ(entryAt(15101, 10), Value(16048));
  EXPECT_EQ(log(), (std::vector<std::string>{"更新 CB23(15100) 的 15766 時失敗 !",
                                             "更新了 CB23(15100) 的 15768",
                                             "更新 CB23(15101) 的 15766 時失敗 !"}));
}

TEST_F(Placements, NoPlacementsNoChangesNoLines) {
  place(15102, 10, 15000);
  run(CB23, X101DestinationCountryPlacements);
  EXPECT_EQ(entryAt(15102, 10), Value(15000));
  EXPECT_TRUE(log().empty());
}

}  // namespace
}  // namespace kvt::forms
