// Whether the package is running on its Paradox database, asked before the database part of a
// run changes anything: a live session of the desktop engine keeps its lock files open in the
// database directory and its control file open in the network control directory, and the
// package keeps the tables it works with open. Lock files that no process holds are left over
// from a session that ended and do not count.
#pragma once

#include "run/RunContext.h"

namespace kvt::upgrade {

// The last line logged when the package is running; the run ends with a warning box that says
// the same (app/RunSequence.cpp).
inline constexpr const char* kDatabaseInUseLine =
    "KVT 正在執行，資料庫沒有更新，請先離開 KVT 後再重新執行更新程式 !";

// For a Paradox database: true when another process has a file of the database directory or
// the network control file open, after logging which directory or tables are in use and
// kDatabaseInUseLine. False (and nothing logged) otherwise, and always under MySQL.
bool ReportDatabaseInUse(RunContext& ctx);

}  // namespace kvt::upgrade
