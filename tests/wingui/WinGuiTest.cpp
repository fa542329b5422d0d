// KVTUpgrade.exe driven from outside under Wine, on the demonstration installation copied to
// drive C for each test: the switch text at start, a whole run with its log and boxes and then
// the report mail through a stand-in MAPI32.DLL, Stop during the drive search, closing during
// a run, a cancelled form directory dialog, and the import dialog over a form file.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "WindowDriver.h"
#include "gui-win32/ControlIds.h"
#include "tests/e2e/RunOrder.h"

namespace kvt::wingui {
namespace {

namespace fs = std::filesystem;

const wchar_t* kRelease = L"C:\\KVT\x66f4\x65b0\\";  // C:\KVT更新\ of the demonstration
const char* kClosingHint = "如果希望Velmor知道您更新的情形";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int findLine(const std::vector<std::string>& lines, const std::string& piece, int from = 0) {
  for (int i = from; i < int(lines.size()); ++i)
    if (lines[size_t(i)].find(piece) != std::string::npos) return i;
  return -1;
}

std::string bytes(const char* hex) {
  std::string out;
  std::istringstream in(hex);
  for (unsigned b; in >> std::hex >> b;) out += char(b);
  return out;
}

// A copy that keeps the files' times, which decide what the run replaces.
void copyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::directory_iterator(from)) {
    const fs::path target = to / entry.path().filename();
    if (entry.is_directory())
      copyTree(entry.path(), target);
    else
      ASSERT_TRUE(::CopyFileW(entry.path().c_str(), target.c_str(), FALSE)) << target.string();
  }
}

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class WinGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const wchar_t* demo = _wgetenv(L"KVT_GUI_DEMO_DRIVE_C");
    ASSERT_NE(demo, nullptr) << "KVT_GUI_DEMO_DRIVE_C names no demonstration drive C";
    const fs::path from(demo);
    for (const wchar_t* dir : {L"Velmor", L"KVT\x66f4\x65b0"}) {
      fs::remove_all(fs::path(L"C:\\") / dir);
      copyTree(from / dir, fs::path(L"C:\\") / dir);
    }
    ASSERT_TRUE(::CopyFileW((from / L"windows" / L"DBALIAS.INI").c_str(),
                            L"C:\\windows\\DBALIAS.INI", FALSE));
    ASSERT_TRUE(
        ::CopyFileW(KVT_UPGRADE_EXE, (std::wstring(kRelease) + L"KVTUpgrade.exe").c_str(), FALSE));
  }

  std::unique_ptr<ToolProcess> start() {
    auto tool = std::make_unique<ToolProcess>(std::wstring(kRelease) + L"KVTUpgrade.exe");
    EXPECT_TRUE(tool->ok()) << "no main window";
    return tool;
  }

  // A run whose drive search is walking a tree wide enough that it is still there when the
  // test acts.
  std::unique_ptr<ToolProcess> startRunInAWideTree() {
    for (int i = 0; i < 1500; ++i)
      fs::create_directories(L"C:\\Velmor\\KVT\\Archive\\" + std::to_wstring(i));
    auto tool = start();
    if (!tool->ok()) return tool;
    click(tool->control(IDC_DOBTN));
    EXPECT_TRUE(waitFor([&] {
      return textOf(tool->control(IDC_DIRLABEL)).rfind("C:\\Velmor\\KVT\\Archive\\", 0) == 0;
    }));
    return tool;
  }

  // Answers what the run shows until it ends (the report button or a stopped run's Do-less
  // window) having shown `expectedBoxes` boxes: the form directory dialog with `dirAnswer`,
  // each box with OK.
  void answerUntilEnd(ToolProcess& tool, int dirAnswer, size_t expectedBoxes) {
    const bool ended = waitFor(
        [&] {
          if (HWND m = tool.modal()) {
            if (::GetDlgItem(m, IDC_FD_PATHEDIT) != nullptr) {
              screenshot(m, L"windows-form-dir-dialog.bmp");
              offered = textOf(::GetDlgItem(m, IDC_FD_PATHEDIT));
              click(::GetDlgItem(m, dirAnswer));
            } else {
              if (boxes.empty()) screenshot(m, L"windows-box.bmp");
              boxes.push_back(boxText(m));
              click(boxOk(m));
            }
            waitFor([&] { return !::IsWindow(m) || !visible(m); }, 10s);
            return false;
          }
          if (boxes.size() < expectedBoxes) return false;
          return visible(tool.control(IDC_REPORTBTN)) ||
                 (!visible(tool.control(IDC_STOPBTN)) && !visible(tool.control(IDC_DOBTN)));
        },
        300s);
    ASSERT_TRUE(ended) << boxes.size() << " boxes";
    ::Sleep(300);
    ASSERT_EQ(tool.modal(), nullptr) << "a box more than expected";
  }

  std::vector<std::string> log(ToolProcess& tool) {
    return linesOf(textOf(tool.control(IDC_MAINMEMO)));
  }

  // A window's picture, as a BMP file in KVT_SCREENSHOT_DIR when that is set.
  static void screenshot(HWND window, const wchar_t* name) {
    const wchar_t* dir = _wgetenv(L"KVT_SCREENSHOT_DIR");
    if (dir == nullptr) return;
    ::Sleep(300);  // a window just found may not be painted yet
    RECT r;
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD rowBytes = DWORD((w * 3 + 3) & ~3);
    BITMAPFILEHEADER file{
        0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + rowBytes * DWORD(h)), 0,
        0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(fs::path(dir) / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(pixels), std::streamsize(rowBytes) * h);
    ::SelectObject(mem, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
  }

  std::string offered;
  std::vector<std::string> boxes;
};

TEST_F(WinGuiTest, StartsCentredWithTheSwitchTextAndClosesOnExit) {
  auto tool = start();
  ASSERT_TRUE(tool->ok());
  EXPECT_EQ(textOf(tool->main()).rfind("KVT 更新程式 (", 0), 0u);
  RECT r;
  ::GetWindowRect(tool->main(), &r);
  EXPECT_EQ(r.right - r.left, 597);
  EXPECT_EQ(r.bottom - r.top, 450);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - ::GetSystemMetrics(SM_CXSCREEN) / 2), 2);
  EXPECT_GE(findLine(log(*tool), "DependOnMainEXE=YES"), 0);
  EXPECT_EQ(textOf(tool->control(IDC_DIRLABEL)), "");
  EXPECT_EQ(textOf(tool->control(IDC_DOBTN)), "執  行");
  EXPECT_TRUE(visible(tool->control(IDC_DOBTN)));
  EXPECT_TRUE(visible(tool->control(IDC_EXITBTN)));
  EXPECT_FALSE(visible(tool->control(IDC_REPORTBTN)));
  EXPECT_FALSE(visible(tool->control(IDC_STOPBTN)));
  screenshot(tool->main(), L"windows-before-run.bmp");
  click(tool->control(IDC_EXITBTN));
  EXPECT_EQ(tool->waitForExit(), 0);
}

TEST_F(WinGuiTest, WholeRunLogsEveryPartInOrderThenReportsThroughMapi) {
  ASSERT_TRUE(::CopyFileW(KVT_MAPI_DLL, (std::wstring(kRelease) + L"MAPI32.DLL").c_str(), FALSE));
  auto tool = start();
  ASSERT_TRUE(tool->ok());
  click(tool->control(IDC_DOBTN));
  answerUntilEnd(*tool, IDOK, 1);
  const auto lines = log(*tool);
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  SCOPED_TRACE(all);
  ASSERT_FALSE(lines.empty());
  // The prefix has no table engine installed: the alias comes from the registry file.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "沒有安裝資料庫引擎，KVT Alias 取自 [C:\\windows\\DBALIAS.INI]。");
  EXPECT_EQ(lines[1], "KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。");
  std::vector<std::string> order = e2e::kLogBeforeColumns;
  order.push_back("更新了 Paradox 資料表 X202Base。");
  order.insert(order.end(), e2e::kLogAfterColumns.begin(), e2e::kLogAfterColumns.end());
  order.push_back("讀入主表單檔 [C:\\Velmor\\KVT\\KVTE.DBT]。");
  order.push_back("主表單檔 [C:\\Velmor\\KVT\\KVTE.DBT] 更改完成。");
  int at = 0;
  for (const std::string& piece : order) {
    const int found = findLine(lines, piece, at);
    EXPECT_GE(found, 0) << "\"" << piece << "\" missing or out of order";
    if (found >= 0) at = found + 1;
  }
  for (const auto& line : lines) {
    EXPECT_EQ(line.find("失敗"), std::string::npos) << line;
    EXPECT_EQ(line.find("錯誤"), std::string::npos) << line;
  }
  EXPECT_EQ(offered, "C:\\Velmor\\KVT\\");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind(kClosingHint, 0), 0u) << boxes[0];
  EXPECT_TRUE(visible(tool->control(IDC_REPORTBTN)));
  EXPECT_FALSE(visible(tool->control(IDC_STOPBTN)));
  screenshot(tool->main(), L"windows-after-run.bmp");

  // The report: the mail as code page 950 bytes, with the whole log in its body.
  const fs::path sent = std::wstring(kRelease) + L"MAPI-SENT.BIN";
  click(tool->control(IDC_REPORTBTN));
  ASSERT_TRUE(waitFor(
      [&] { return fs::exists(sent) && ::IsWindowEnabled(tool->control(IDC_REPORTBTN)); }, 30s));
  std::vector<std::string> fields;
  std::istringstream in(contents(sent));
  for (std::string f; std::getline(in, f, '\0');) fields.push_back(f);
  ASSERT_EQ(fields.size(), 7u);
  EXPECT_EQ(fields[0],
            bytes("A5 DC BD 64 B6 54 A9 F6 AA D1 A5 F7 A6 B3 AD AD A4 BD A5 71 20 4B 56 "
                  "54 20 A7 F3 B7 73 B1 A1 A7 CE"));  // 示範貿易股份有限公司 KVT 更新情形
  EXPECT_EQ(
      fields[1].rfind(bytes("A4 BD A5 71 A6 57 BA D9 A1 47 A5 DC BD 64 B6 54 A9 F6 AA D1 A5 F7 "
                            "A6 B3 AD AD A4 BD A5 71 0D 0A"),
                      0),
      0u);  // 公司名稱：示範貿易股份有限公司 CR LF
  EXPECT_NE(fields[1].find("KVT Alias \xB8\xF4\xAE\x7C [C:\\Velmor\\KVT\\Database\\]"),
            std::string::npos);                                     // 路徑, the log's first line
  EXPECT_EQ(fields[2], bytes("56 65 6C 6D 6F 72 20 AB C8 AA 41"));  // Velmor 客服
  EXPECT_EQ(fields[3], "SMTP:service@velmor.example");
  EXPECT_EQ(fields[4], "1");
  EXPECT_EQ(fields[5], std::to_string(reinterpret_cast<ULONG_PTR>(tool->main())));
  EXPECT_EQ(tool->modal(), nullptr);  // success shows no box
}

TEST_F(WinGuiTest, StopDuringTheDriveSearchEndsTheRunThere) {
  auto tool = startRunInAWideTree();
  ASSERT_TRUE(tool->ok());
  EXPECT_TRUE(visible(tool->control(IDC_STOPBTN)));
  screenshot(tool->main(), L"windows-during-run.bmp");
  click(tool->control(IDC_STOPBTN));
  answerUntilEnd(*tool, IDOK, 0);
  const auto lines = log(*tool);
  const int stopped = findLine(lines, "使用者中止 !");
  ASSERT_GT(stopped, 0);
  EXPECT_EQ(lines[size_t(stopped) - 1], "");
  EXPECT_LT(findLine(lines, "已建立 X101_9 資料表。"), 0);
  EXPECT_LT(findLine(lines, "讀入主表單檔"), 0);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(textOf(tool->control(IDC_DIRLABEL)), "");
  EXPECT_FALSE(visible(tool->control(IDC_REPORTBTN)));
  EXPECT_FALSE(fs::exists(L"C:\\Velmor\\KVT\\Database\\X101_9.DB"));
  click(tool->control(IDC_EXITBTN));
  EXPECT_EQ(tool->waitForExit(), 0);
}

TEST_F(WinGuiTest, ClosingDuringARunStopsItAndThenCloses) {
  auto tool = startRunInAWideTree();
  ASSERT_TRUE(tool->ok());
  ::PostMessageW(tool->main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tool->waitForExit(), 0);
  EXPECT_FALSE(fs::exists(L"C:\\Velmor\\KVT\\Database\\X101_9.DB"));
}

TEST_F(WinGuiTest, CancelledFormDirectoryDialogLeavesTheFormFilesAlone) {
  const std::string before = contents(L"C:\\Velmor\\KVT\\KVTE.DBT");
  auto tool = start();
  ASSERT_TRUE(tool->ok());
  click(tool->control(IDC_DOBTN));
  answerUntilEnd(*tool, IDCANCEL, 0);
  const auto lines = log(*tool);
  EXPECT_EQ(offered, "C:\\Velmor\\KVT\\");
  EXPECT_GE(findLine(lines, "更新了 Paradox 資料表 X202Base。"), 0);
  EXPECT_LT(findLine(lines, "讀入主表單檔"), 0);
  EXPECT_LT(findLine(lines, "KVTE.DBL"), 0);
  EXPECT_EQ(contents(L"C:\\Velmor\\KVT\\KVTE.DBT"), before);
  click(tool->control(IDC_EXITBTN));
  EXPECT_EQ(tool->waitForExit(), 0);
}

// The common file-open dialog of the program: the file name typed into its name field, Open.
void pickFile(ToolProcess& tool, const std::wstring& path) {
  HWND open = nullptr;
  ASSERT_TRUE(waitFor([&] {
    open = tool.modal();
    return open != nullptr && ::GetDlgItem(open, 0x47C) != nullptr;  // the name field, cmb13
  }));
  ::SendMessageW(::GetDlgItem(open, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  click(::GetDlgItem(open, IDOK));
  ASSERT_TRUE(waitFor([&] { return !::IsWindow(open); }));
}

TEST_F(WinGuiTest, ImportDialogBringsTheChosenSourceFormsIntoAFormFile) {
  const std::string before = contents(L"C:\\Velmor\\KVT\\KVTI.DBT");
  auto tool = start();
  ASSERT_TRUE(tool->ok());
  click(tool->control(IDC_IMPORTBTN));
  ASSERT_NO_FATAL_FAILURE(pickFile(*tool, L"C:\\Velmor\\KVT\\KVTI.DBT"));
  HWND dialog = nullptr;
  ASSERT_TRUE(waitFor([&] {
    return (dialog = tool->modal()) != nullptr && ::GetDlgItem(dialog, IDC_IM_LIST) != nullptr;
  }));
  EXPECT_EQ(textOf(dialog), "匯入主表單");
  EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_IM_ALL), BM_GETCHECK, 0, 0), BST_CHECKED);
  click(::GetDlgItem(dialog, IDC_IM_OPEN));
  ASSERT_NO_FATAL_FAILURE(pickFile(*tool, std::wstring(kRelease) + L"KVTENEW.DBT"));
  ASSERT_TRUE(waitFor([&] {
    return textOf(::GetDlgItem(dialog, IDC_IM_EDIT)) == "C:\\KVT更新\\KVTENEW.DBT" &&
           ::SendMessageW(::GetDlgItem(dialog, IDC_IM_LIST), LB_GETCOUNT, 0, 0) > 0;
  }));
  click(::GetDlgItem(dialog, IDOK));
  HWND box = nullptr;
  ASSERT_TRUE(waitFor([&] { return (box = tool->modal()) != nullptr && box != dialog; }));
  EXPECT_EQ(boxText(box), "主表單檔 [C:\\Velmor\\KVT\\KVTI.DBT] 更改完成。");
  click(boxOk(box));
  EXPECT_NE(contents(L"C:\\Velmor\\KVT\\KVTI.DBT"), before);
  click(tool->control(IDC_EXITBTN));
  EXPECT_EQ(tool->waitForExit(), 0);
}

}  // namespace
}  // namespace kvt::wingui
