#include "bench/forms/FormFileGenerator.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "platform/Cp950.h"
#include "schema/Table.h"

namespace kvt::bench {
namespace {

using forms::FormTable;

// Bytes a row of each kind takes in the file, roughly, for scaling a shape to a size.
constexpr double kFormBytes = 260, kEntryBytes = 110, kFieldBytes = 130, kEntryPlacementBytes = 150,
                 kPrintPlacementBytes = 160, kTextBlockBytes = 1600, kCodeBytes = 40;

double approximateBytes(const FormFileShape& s) {
  return s.forms * (kFormBytes + s.entryPlacementsPerForm * kEntryPlacementBytes +
                    s.printPlacementsPerForm * kPrintPlacementBytes) +
         s.entries * kEntryBytes + s.fieldDefinitions * kFieldBytes +
         s.textBlocks * kTextBlockBytes + s.codes * kCodeBytes;
}

// Code page 950 texts of the kind the package stores.
class Words {
 public:
  Words() {
    for (const char* w : {"進口報單", "出口報單", "轉運申請書", "艙單", "發票", "裝箱單",
                          "貨物名稱", "數量", "單價", "總金額", "原產地", "稅則號別", "納稅義務人",
                          "報關人", "收貨人", "統一編號", "淨重", "毛重"}) {
      words_.push_back(platform::utf8ToCp950(w));
    }
  }
  const std::string& pick(std::mt19937& rng) const { return words_[rng() % words_.size()]; }

 private:
  std::vector<std::string> words_;
};

// A name of `width` characters at most: prefix and number.
std::string numbered(const char* prefix, int64_t n) {
  return prefix + std::to_string(n);
}

// Appends one row, field by field, and posts it.
class RowAppender {
 public:
  RowAppender(Database& db, FormTable t) : table_(db, forms::formTableName(t)) {
    table_.open(OpenMode::Exclusive);
  }
  RowAppender& operator()(const std::string& field, Value v) {
    if (!started_) {
      table_.append();
      started_ = true;
    }
    table_.set(field, std::move(v));
    return *this;
  }
  void post() {
    table_.post();
    started_ = false;
  }

 private:
  Table table_;
  bool started_ = false;
};

double quarter(std::mt19937& rng, int upTo) {
  return 0.25 * double(1 + rng() % uint32_t(4 * upTo));
}

void fillForms(Database& db, const FormFileShape& s, std::mt19937& rng, const Words& words) {
  RowAppender row(db, FormTable::CB20);
  const std::string fontName = platform::utf8ToCp950("細明體");
  for (int f = 1; f <= s.forms; ++f) {
    row("FormNo", f)("FormName", numbered("F", f))("FormDesc", words.pick(rng) + words.pick(rng));
    row("Class", words.pick(rng).substr(0, 4))("FormWidth", 210.0)("FormHeight", 297.0);
    row("BodyHeight", quarter(rng, 200))("TitleType", "1")("TailerType", "1")("FormType", "A");
    row("BodyPrintMode", "1")("HOffset", quarter(rng, 10))("VOffset", quarter(rng, 10));
    row("BHOffset", 0.0)("BVOffset", 0.0)("MasterForm", f % 10 == 1)("PrintForm", true);
    if (f % 7 == 0 && f < s.forms) row("NextFormNo", f + 1)("NextFormName", numbered("F", f + 1));
    row("NextBodyHeight", quarter(rng, 100))("LibraryName", "LIB" + std::to_string(f % 50));
    row("SubFormName", "")("ExcelDBName", numbered("XLS", f % 300))("Orientation", f % 3 == 0);
    for (const char* flag :
         {"Continued",  "PMValue",     "NotSpace",   "AddBySEQ",   "AddBrand",
          "AddModelNo", "AddSpecific", "AddGoodsNo", "AddDeclNo",  "AddBondedNo",
          "CombineA",   "CombineB",    "CombineC",   "CombineD",   "vLinePos",
          "ToNext",     "SpaceLine",   "BSpaceLine", "UseDeclQty", "Print1Line"}) {
      row(flag, rng() % 2 == 0);
    }
    row("AddItemLineNo", int(rng() % 5))("AddBodyLineNo", int(rng() % 5))("SpaceLines", 1);
    row("PrintLines", int(20 + rng() % 40))("NullCondition", int(1 + rng() % 3));
    row("LineHeight", quarter(rng, 8))("PrintTotal", true)("PrintV", f % 2 == 0);
    row("ImageFile", f % 5 == 0 ? numbered("FORM", f) + ".BMP" : "")("FontName", fontName);
    row("FontSize", int(9 + rng() % 4))("Note", words.pick(rng));
    row.post();
  }
}

// Entries and field definitions share the lookup block: mostly none ("N"), some with lists.
void fillEntries(Database& db, const FormFileShape& s, std::mt19937& rng, const Words& words) {
  RowAppender row(db, FormTable::CB21);
  for (int e = 1; e <= s.entries; ++e) {
    row("EntryNo", e)("EntryName", words.pick(rng) + std::to_string(e))("Attribute", "A");
    row("InputWidth", int(1 + rng() % 60))("InputHeight", 1)("CopyClear", e % 4 == 0);
    row("LogicCheckMode", "00000")("FormularMode", "N")("Formular", "");
    const bool lookup = e % 10 == 0;
    row("LookupMode", lookup ? "T" : "N");
    if (lookup) {
      row("LookupTable", "CODE" + std::to_string(e % 40) + ".DB")("LookupField", "Code");
      for (int k = 1; k <= 12; ++k) {
        row("ListField" + std::to_string(k), numbered("Field", k));
        row("ListEntryNo" + std::to_string(k), int(1 + rng() % uint32_t(s.entries)));
      }
    }
    row("SourceNo", e)("Note", words.pick(rng));
    row.post();
  }
}

void fillFieldDefinitions(Database& db, const FormFileShape& s, std::mt19937& rng,
                          const Words& words) {
  RowAppender row(db, FormTable::CB22);
  constexpr std::array<const char*, 4> kTypes{"I", "P", "S", "X"};
  const int perType = (s.fieldDefinitions + int(kTypes.size()) - 1) / int(kTypes.size());
  int made = 0;
  for (const char* type : kTypes) {
    for (int n = 1; n <= perType && made < s.fieldDefinitions; ++n, ++made) {
      // X-144 and X-145 come as a pair, so the reader adds nothing; the wide fields already
      // carry the attribute the reader gives them.
      const bool wide =
          (n == 4 && std::string(type) != "X") || (n == 16 && std::string(type) == "P");
      row("Type", type)("FieldNo", n)("FieldName", words.pick(rng) + std::to_string(n));
      // X-144 of length 3 is one the reader would repair.
      const bool x144 = std::string(type) == "X" && n == 144;
      row("FieldLength", x144 ? 1 : int(1 + rng() % 40))("GridWidth", int(rng() % 100));
      row("UnitLength", int(rng() % 4))("UnitPosition", "R")("DefaultUnit", "PCE");
      row("Decimal", int(rng() % 4))("Attribute", wide ? "W" : "A")("SumMode", "N");
      row("TransferNo", n)("Transfer2ndNo", 0);
      for (const char* to :
           {"ToX1stNo", "ToX2ndNo", "ToX3rdNo", "ToT1stNo", "ToT2ndNo", "ToT3rdNo"}) {
        row(to, int(rng() % 200));
      }
      row("SourceNo", n)("LogicCheckMode", "00000");
      for (const char* flag :
           {"Hide", "SubTotal", "SumLine", "UseDOZ", "SuspendFormular", "EnterCopy", "ExitCopy",
            "AutoEditMode", "KeepBackUnit", "CopyClear", "SumField"}) {
        row(flag, rng() % 3 == 0);
      }
      row("FormularMode", "N")("Formular", "");
      const bool lookup = n % 8 == 0;
      row("LookupMode", lookup ? "T" : "N");
      if (lookup) {
        row("LookupTable", "UNIT.DB")("LookupField", "Unit");
        for (int k = 1; k <= 12; ++k) {
          row("ListField" + std::to_string(k), numbered("Field", k));
          row(forms::listFieldNoName(k), int(1 + rng() % 200));
        }
      }
      row("Note", "");
      row.post();
    }
  }
}

void fillEntryPlacements(Database& db, const FormFileShape& s, std::mt19937& rng,
                         const Words& words) {
  RowAppender row(db, FormTable::CB23);
  const std::string fontName = platform::utf8ToCp950("標楷體");
  for (int f = 1; f <= s.forms; ++f) {
    for (int i = 1; i <= s.entryPlacementsPerForm; ++i) {
      int entry = int(1 + rng() % uint32_t(s.entries));
      if (f == 15115 && entry == 15790) --entry;  // a placement the reader would repair
      row("FormNo", f)("SEQ", 10 * i)("EntryNo", entry)("EntryName", words.pick(rng));
      row("Type", i % 3 == 0 ? "B" : "T");
      if (i % 4 == 0) row("RefEntryNo", int(1 + rng() % uint32_t(s.entries)));
      row("VPos", quarter(rng, 280))("HPos", quarter(rng, 200))("PrintWidth", quarter(rng, 80));
      row("PrintHeight", quarter(rng, 10))("Attribute", "A")("Adjust", i % 2 == 0 ? "L" : "R");
      row("VDepend", i % 5 == 0)("Combine", false)("WordWrap", i % 6 == 0)("Underline", true);
      row("IsM", i % 9 == 0)("Character", "")("FontName", fontName);
      row("FontSize", int(8 + rng() % 6))("FontStyle", int(1 + rng() % 4));
      row("FontColor", int(1 + rng() % 0xFFFFFF));
      if (i % 25 == 0) {
        row("ImageFile", numbered("LOGO", f % 20) + ".BMP")("ImageWidth", 30.0);
        row("ImageHeight", 12.5);
      }
      row("HOffset", quarter(rng, 5))("Mask", i % 7 == 0 ? "###,###.##" : "")("Note", "");
      row.post();
    }
  }
}

void fillPrintPlacements(Database& db, const FormFileShape& s, std::mt19937& rng,
                         const Words& words) {
  RowAppender row(db, FormTable::CB24);
  constexpr std::array<const char*, 4> kTypes{"I", "P", "S", "X"};
  const std::string fontName = platform::utf8ToCp950("細明體");
  std::vector<int> entries(size_t(std::max(0, s.printPlacementsPerForm)));
  for (int f = 1; f <= s.forms; ++f) {
    // The reader numbers a form's placements 10, 20, ... in file order, which is key order:
    // entries ascending gives the numbers it will give.
    for (int& e : entries) e = int(1 + rng() % uint32_t(s.entries));
    std::sort(entries.begin(), entries.end());
    for (int i = 1; i <= s.printPlacementsPerForm; ++i) {
      row("FormNo", f)("EntryNo", entries[size_t(i - 1)])("SEQ", 10 * i);
      row("Type", kTypes[rng() % kTypes.size()])("FieldNo", int(1 + rng() % 400));
      row("FieldName", words.pick(rng))("IsEdit", i % 3 != 0)("VPos", quarter(rng, 280));
      row("VLine", int(1 + rng() % 3))("HField", int(1 + rng() % 20))("HPos", quarter(rng, 200));
      row("PrintDec", int(rng() % 4))("PrintWidth", quarter(rng, 80));
      row("PrintHeight", int(rng() % 3))("WidthUnit", int(rng() % 2))("WordWrap", i % 4 == 0);
      row("Underline", true)("IsM", i % 11 == 0)("LineWidth", int(rng() % 3))("Attribute", "A");
      row("Adjust", i % 2 == 0 ? "L" : "R")("PrintLines", i % 8 == 0);
      row("Part", i % 5 == 0 ? "B" : "A")("FixField", int(1 + rng() % 3))("Condition", "");
      row("FontName", fontName)("FontSize", int(8 + rng() % 6))("FontStyle", int(1 + rng() % 4));
      row("FontColor", int(1 + rng() % 0xFFFFFF));
      if (i % 30 == 0) row("ImageWidth", 40)("ImageHeight", 15);
      row("Mask", i % 6 == 0 ? "9999.99" : "")("Note", "");
      row("IsDummy", false);
      row.post();
    }
  }
}

void fillTextBlocks(Database& db, const FormFileShape& s, std::mt19937& rng, const Words& words) {
  RowAppender row(db, FormTable::CB25);
  for (int b = 1; b <= s.textBlocks; ++b) {
    std::string memo;
    const size_t length = 200 + rng() % 3000;  // some over one memo chunk
    while (memo.size() < length) memo += words.pick(rng) + "\r\n";
    row("BlockName", numbered("BLOCK", b))("Memo", memo)("Note", words.pick(rng));
    row.post();
  }
}

void fillCodes(Database& db, const FormFileShape& s, std::mt19937& rng, const Words& words) {
  RowAppender row(db, FormTable::CB2F0);
  // "Q000".."Z999": clear of the renamed codes and of the codes that point at forms.
  const int count = std::min(s.codes, 10 * 1000);
  for (int c = 0; c < count; ++c) {
    std::string code(1, char('Q' + c / 1000));
    const std::string digits = std::to_string(1000 + c % 1000).substr(1);
    row("Code", code + digits)("Type", "I")("Description", words.pick(rng));
    row("FieldType", "N")("FieldNo", int(1 + rng() % 400))("DoIt", c % 2 == 0);
    row.post();
  }
}

}  // namespace

FormFileShape formFileShapeOfSize(uint64_t bytes) {
  FormFileShape shape;
  const double fixed = approximateBytes(FormFileShape{.forms = 0});
  const double perForm = (approximateBytes(shape) - fixed) / shape.forms;
  shape.forms = std::max(1, int((double(bytes) - fixed) / perForm));
  return shape;
}

void FillFormTables(Database& db, const FormFileShape& shape) {
  if (shape.forms < 1 || shape.entries < 1) {
    throw std::invalid_argument("a form file shape needs at least one form and one entry");
  }
  forms::CreateFormTables(db);
  std::mt19937 rng(shape.seed);
  const Words words;
  fillForms(db, shape, rng, words);
  fillEntries(db, shape, rng, words);
  fillFieldDefinitions(db, shape, rng, words);
  fillEntryPlacements(db, shape, rng, words);
  fillPrintPlacements(db, shape, rng, words);
  fillTextBlocks(db, shape, rng, words);
  fillCodes(db, shape, rng, words);
}

uint64_t GenerateFormFile(const std::filesystem::path& workDir, const std::filesystem::path& file,
                          const FormFileShape& shape) {
  std::filesystem::create_directories(workDir);
  std::string bytes;
  {
    paradox::ParadoxDatabase db(workDir);
    FillFormTables(db, shape);
    bytes = forms::encodeFormFile(db, forms::ProgramFormVersion);
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write the form file " + file.string());
  return bytes.size();
}

}  // namespace kvt::bench
