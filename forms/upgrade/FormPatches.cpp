// The fixed patches of forms (CB20), field definitions (CB22) and the code-to-field map
// (CB2F0). The patches of entries and placements are in EntryPatches.cpp.
#include "forms/upgrade/FormPatches.h"

#include <cstdint>

#include "forms/upgrade/PatchRows.h"

namespace kvt::forms {
namespace {

bool EditField(Table& cb22, const char* type, int fieldNo, const FieldAssignments& fields) {
  return EditRow(cb22, "Type;FieldNo", {Value(type), Value(fieldNo)}, fields);
}

bool EditForm(Table& cb20, int32_t formNo, const FieldAssignments& fields) {
  return EditRow(cb20, "FormNo", {Value(formNo)}, fields);
}

bool EditCode(Table& cb2f0, const char* code, int32_t fieldNo, bool doIt) {
  return EditRow(cb2f0, "Code", {Value(code)},
                 {{"FieldNo", Value(fieldNo)}, {"DoIt", Value(doIt)}});
}

// Sets a formula of CB22 written in the package's coded-formula notation.
bool SetCodedFormula(Table& cb22, int fieldNo, const char* formula) {
  return EditField(cb22, "X", fieldNo,
                   {{"FormularMode", Value("X")}, {"Formular", Value(formula)}});
}

}  // namespace

void DisableOldX101Form(RunContext& ctx, Table& cb20) {
  for (const int32_t form : {12000, 12007, 12010, 12022, 12030}) {
    EditForm(cb20, form, {{"MasterForm", Value(false)}, {"PrintForm", Value(false)}});
  }
}

void InvisibleF15104(RunContext& ctx, Table& cb20) {
  EditForm(cb20, 15104, {{"MasterForm", Value(false)}});
}

void EAlterX191Lookup(RunContext& ctx, Table& cb22) {
  EditField(cb22, "X", 191,
            {{"LookupMode", Value("X")},
             {"LookupTable", Value("X101_13")},
             {"LookupField", Value("Code")},
             {"ListField1", Value("Code")},
             {"ListFieldNo1", Value(191)},
             {"ListField2", Value("PrintText")},
             {"ListFieldNo2", Value(145)}});
}

void EAlterX198Lookup(RunContext& ctx, Table& cb22) {
  EditField(cb22, "X", 198,
            {{"LookupMode", Value("X")},
             {"LookupTable", Value("X101_12")},
             {"LookupField", Value("Code")},
             {"ListField1", Value("")},
             {"ListFieldNo1", Value::null()}});
}

void EAlterX198FieldLen(RunContext& ctx, Table& cb22) {
  EditField(cb22, "X", 198, {{"FieldLength", Value(3)}});
}

void EAlterX6And7Trans(RunContext& ctx, Table& cb22) {
  EditField(cb22, "I", 6, {{"ToX1stNo", Value(6)}});
  EditField(cb22, "I", 7, {{"ToX1stNo", Value(7)}});
  EditField(cb22, "X", 6, {{"TransferNo", Value(6)}});
  EditField(cb22, "X", 7, {{"TransferNo", Value(7)}});
}

void EAlterECFAFormulas(RunContext& ctx, Table& cb22) {
  SetCodedFormula(cb22, 5, "#1(5,6,7);#2(0.83613);#8(17,2)");
  SetCodedFormula(cb22, 6, "#1(5,6,7)");
  SetCodedFormula(cb22, 17, "#6( ,3,1)");
}

void EAlterFR16Formular(RunContext& ctx, Table& cb22) {
  SetCodedFormula(cb22, 5, "#1(5,6,7);#2(0.83613)");
}

void EAlterECFAEnterCopy(RunContext& ctx, Table& cb22) {
  EditField(cb22, "X", 43, {{"EnterCopy", Value(true)}});
}

void EAlterFI05Formular(RunContext& ctx, Table& cb2f0) {
  EditCode(cb2f0, "FI05", 154, true);
}

void EAlterFI36Formular(RunContext& ctx, Table& cb2f0) {
  EditCode(cb2f0, "FI36", 0, true);
}

void EAlterEZ84EZ86(RunContext& ctx, Table& cb2f0) {
  EditCode(cb2f0, "EZ84", 12029, false);
  EditCode(cb2f0, "EZ86", 12031, false);
}

}  // namespace kvt::forms
