// What the demonstration prefix holds for the form-file step: an export and an import form
// file in the installation's form directory, each with a row for every list value and every
// fixed patch to change, and a new form file in the release whose forms the export file
// takes in.
#pragma once

#include <filesystem>
#include <string>

namespace kvt::demo {

// Adds the files to a prefix made by kvt-demo (drive C at PREFIX/drive_c); `formDir` is
// the form directory the installation's KVT.ini leads to (the directory above its database).
// Refuses, with an exception, a prefix without the demonstration marker file, so a real one
// is never touched.
void AddFormFileDemo(const std::filesystem::path& prefix,
                     const std::string& releaseDir = "C:\\KVT更新\\",
                     const std::string& formDir = "C:\\Velmor\\KVT\\");

// Switch lines that make the form-file step take part: both form files, every list and every
// fixed patch.
inline constexpr const char* kFormFileDemoSwitches =
    "SourceDBT001=E, KVTENEW.DBT, [KVT]KVTE.DBT, YES ;出口表單: 匯入新表單並套用增修\r\n"
    "SourceDBT002=I, *, [KVT]KVTI.DBT, YES           ;進口表單\r\n"
    "EAddition001=10, 出口人統一編號, S, //C<12003>\r\n"
    "EAddition002=11, 貨物名稱, N\r\n"
    "IAddition001=20, 進口人統一編號, S, //C<20003>\r\n"
    "DoEFormClass=YES\r\n"
    "EFormClass001=100, 出口\r\n"
    "DoIFormClass=YES\r\n"
    "IFormClass001=200, 進口\r\n"
    "EAlterBodyFieldSize=YES\r\n"
    "EAlterBodyFieldSize001=X30, 14, 12, 金額\r\n"
    "EAlterBodyFieldSize002=X31, 8, 6, 產地\r\n"
    "IAlterBodyFieldSize=YES\r\n"
    "IAlterBodyFieldSize001=I30, 16, 10\r\n"
    "EAlterBigFormular=YES\r\n"
    "EAlterBigFormular001=AB01, 0, NO\r\n"
    "IAlterBigFormular=YES\r\n"
    "IAlterBigFormular001=AB02, 21, YES\r\n"
    "X101目的國家用15766及15768=YES\r\n"
    "X101Country15766Mode=YES\r\n"
    "DisableOldX101Form=YES\r\n"
    "SetE15735Clear=YES\r\n"
    "SetE15706Lookup=YES\r\n"
    "SetE13090Clear=YES\r\n"
    "EAlterX191Lookup=YES\r\n"
    "EAlterX198Lookup=YES\r\n"
    "EAlterX198FieldLen=YES\r\n"
    "EAlterX6And7Trans=YES\r\n"
    "EAlterECFAFormular=YES\r\n"
    "EAlterFR16Formular=YES\r\n"
    "EAlterFI05Formular=YES\r\n"
    "EAlterFI36Formular=YES\r\n"
    "EAlterEZ84EZ86=YES\r\n"
    "InvisibleF15104=YES\r\n";

}  // namespace kvt::demo
