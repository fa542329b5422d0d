// The control and dialog numbers of the Win32 window, shared by the resource file, the window
// code and the programs that drive the window in tests.
#pragma once

// The main window's class name.
#define KVT_MAIN_CLASS L"TUpgradeFrm"

// Main window.
#define IDC_DIRLABEL 101
#define IDC_MAINMEMO 102
#define IDC_DOBTN 103
#define IDC_EXITBTN 104
#define IDC_REPORTBTN 105
#define IDC_STOPBTN 106
#define IDC_IMPORTBTN 107

// Form directory dialog (OK and Cancel are IDOK and IDCANCEL).
#define IDD_FORMDIR 200
#define IDC_FD_LABEL1 201
#define IDC_FD_PATHEDIT 202
#define IDC_FD_SELPATH 203
#define IDC_FD_PATHLBOX 204
#define IDC_FD_LABEL2 205

// Import dialog (OK and Cancel are IDOK and IDCANCEL).
#define IDD_IMPORT 300
#define IDC_IM_LABEL 301
#define IDC_IM_EDIT 302
#define IDC_IM_OPEN 303
#define IDC_IM_LIST 304
#define IDC_IM_ALL 305
#define IDC_IM_PRINTONLY 306
#define IDC_IM_OVERWRITE 307
