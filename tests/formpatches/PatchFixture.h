// What the patch tests share: the seven work tables, made empty in a scratch directory as the
// form-file upgrade makes them, a run context whose log is recorded, and a way to run one patch
// on one table as the upgrade does (open by stem, patch, close).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormsTestSupport.h"
#include "run/RunContext.h"
#include "schema/Table.h"

namespace kvt::forms::testing {

class RecordingWindow : public MainWindowPort {
 public:
  void appendLog(const std::string& text) override { lines.push_back(text); }
  void setDirLabel(const std::string&) override {}
  std::vector<std::string> lines;
};

using Patch = std::function<void(RunContext&, Table&)>;

class PatchTest : public ::testing::Test {
 protected:
  PatchTest();

  // Runs `patch` on a handle of `t` opened by its name without extension, with `filter`
  // (if any) restricting what the handle sees; the patch must leave no change pending.
  void run(FormTable t, const Patch& patch, const std::string& filter = {});
  void add(FormTable t, const NamedRow& values) { addRow(*db_, t, values); }
  size_t count(FormTable t) { return countRows(*db_, t); }
  // Checks the named fields of the row of `t` with `key` (null: Value::null()).
  void expectRow(FormTable t, const std::vector<Value>& key, const NamedRow& expected);
  // Opens the work directory again, so that what follows reads the table files as written.
  void reopen();

  const std::vector<std::string>& log() const { return window_.lines; }

 private:
  ScratchDrive drive_;
  std::filesystem::path dir_;
  std::unique_ptr<Database> db_;
  RecordingWindow window_;
  RecordingUi ui_;
  RunContext ctx_;
};

}  // namespace kvt::forms::testing
