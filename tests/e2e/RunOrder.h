// One log line of each part of a run on the demonstration installation, in the run's order:
// the programs and trade-facilitation files come before the database's column line (which
// differs by database), the rest after it. Shared by the runs of the logic and of the windows.
#pragma once

#include <string>
#include <vector>

namespace kvt::e2e {

inline const std::vector<std::string> kLogBeforeColumns = {
    "找到 C:\\Velmor\\KVT\\Client\\KVT\\KVT.EXE 並更新完成。",
    "找到 C:\\Velmor\\KVT\\KVT.EXE 並更新完成。",
    "找到 C:\\Velmor\\KVT\\DTX\\X102.DTX 並更新完成。",
};

inline const std::vector<std::string> kLogAfterColumns = {
    "已建立 X101_9 資料表。",
    "已建立 X901_5th 資料表。",
    "已建立 X602_3 資料表。",
    "的資料表 XMLApp(X102)。",
    "的資料表 XNoMap2(XSEA)。",
    "找到 C:\\Velmor\\KVT\\KVT.EXE，但這個檔案已是新的。",
    "找到 C:\\Velmor\\KVT\\KVTE.DBL 並更新完成。",
    "沒找到 C:\\Velmor\\KVT\\Image\\LOGO.BMP 但更新完成。",
};

}  // namespace kvt::e2e
