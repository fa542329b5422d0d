// Doubles for the report mail: the window's log and the message boxes recorded, a mail client
// that keeps what it was given and answers with a chosen result, and a package database with
// a Company table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "report/MailClient.h"
#include "run/RunContext.h"
#include "schema/MemoryDatabase.h"
#include "support/ScratchDrives.h"

namespace kvt::report::testing {

struct Box {
  platform::BoxKind kind;
  std::string text;
};

class RecordingUi : public platform::Ui {
 public:
  void messageBox(platform::BoxKind kind, const std::string& text) override {
    boxes.push_back({kind, text});
  }
  void setBusyCursor(bool) override {}
  void processEvents() override {}
  std::vector<Box> boxes;
};

class RecordingWindow : public MainWindowPort {
 public:
  void appendLog(const std::string& text) override { lines.push_back(text); }
  void setDirLabel(const std::string&) override {}
  std::vector<std::string> lines;
};

class ScriptedMailClient : public MailClient {
 public:
  explicit ScriptedMailClient(int result = mail_result::kSuccess) : result(result) {}
  int send(const MailMessage& message, platform::Ui&) override {
    sent.push_back(message);
    return result;
  }
  int result;
  std::vector<MailMessage> sent;
};

struct CompanyRow {
  std::string businessId, name, address, telNo;  // UTF-8; stored as code page 950
};

// A run context on scratch drives whose release directory is "C:\KVT更新\" and whose package
// database is held in memory.
class ReportSetup {
 public:
  static constexpr const char* kReleaseDir = "C:\\KVT更新\\";

  ReportSetup();
  RunContext& ctx() { return ctx_; }
  MemoryDatabase& db() { return *db_; }
  RecordingUi& ui() { return ui_; }
  RecordingWindow& window() { return window_; }

  // Company with the package's four columns (or those named), and its rows.
  void CreateCompanyTable(const std::vector<std::string>& columns = {"BusinessID", "Name",
                                                                     "Address", "TelNo"});
  void AddCompany(const CompanyRow& row);
  // KVT.EXE in the release directory, modified at the given local time.
  void PutReleaseProgram(int year, int month, int day, int hour, int minute);

 private:
  kvt::testing::ScratchDrives prefix_;
  RecordingWindow window_;
  RecordingUi ui_;
  RunContext ctx_;
  MemoryDatabase* db_;
};

}  // namespace kvt::report::testing
