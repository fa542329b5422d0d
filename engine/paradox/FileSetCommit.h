// Replaces the files of one table together: after a crash at any point the directory holds
// either all the old files or all the new ones.
//
// 1. Each new file is written completely, and flushed, under a temporary name beside its
//    target ("CB20.DB.kvtnew").
// 2. A journal naming the targets ("CB20.kvtjournal") is written under a temporary name and
//    renamed into place: from here on the new files count.
// 3. Each existing target is renamed aside ("CB20.DB.kvtold") and its new file renamed in.
// 4. The old files and the journal are removed.
// A rename that fails in step 3 puts the old files back and removes the new ones; the
// caller gets EngineError(Io) and the table is as it was. (Should putting an old file back
// fail too, it waits under its ".kvtold" name and the next open of the table restores it.) A
// process that dies after step 2 leaves the journal, and recoverFileSet finishes the job the next
// time the table is used; dying before step 2 leaves only temporary files, which recoverFileSet
// removes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/paradox/FileOps.h"

namespace kvt::paradox {

struct NewFile {
  std::filesystem::path target;
  std::string bytes;
  // When set, makes the content while it is written, in place of `bytes`. The files are
  // written in order, so one content may use what an earlier one worked out.
  FileContent content = {};
};

// All targets lie in `dir`; `stem` names the table (and its journal). An exception from a
// file's content removes the new files written so far and goes on to the caller.
void commitFileSet(FileOps& ops, const std::filesystem::path& dir, const std::string& stem,
                   const std::vector<NewFile>& files);

// Completes or clears an interrupted commit of the table `stem`. Returns true when it found
// one. Throws EngineError(Io) when the files cannot be put in order.
bool recoverFileSet(FileOps& ops, const std::filesystem::path& dir, const std::string& stem);

}  // namespace kvt::paradox
