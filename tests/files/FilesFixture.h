// A scratch Windows environment for the program-file steps: the scratch drives C and D reached
// through a fault-injecting file system, with a window that records the log and the label and a
// desktop that records message boxes and can act whenever events are processed.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "run/RunContext.h"
#include "support/FaultyFileSystem.h"
#include "support/ScratchDrives.h"

namespace kvt::files::testing {

class RecordingWindow : public MainWindowPort {
 public:
  std::vector<std::string> log;
  std::vector<std::string> labels;
  void appendLog(const std::string& text) override { log.push_back(text); }
  void setDirLabel(const std::string& text) override { labels.push_back(text); }
};

struct Box {
  platform::BoxKind kind;
  std::string text;
};

class ScriptedUi : public platform::Ui {
 public:
  std::vector<Box> boxes;
  int processEventsCalls = 0;
  // Runs at each processEvents, as a click on the window would between items.
  std::function<void()> onProcessEvents;

  void messageBox(platform::BoxKind kind, const std::string& text) override {
    boxes.push_back({kind, text});
  }
  void setBusyCursor(bool) override {}
  void processEvents() override {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents();
  }
};

class FilesTest : public ::testing::Test {
 protected:
  FilesTest();
  ~FilesTest() override;

  // The local path of a Windows path on drive C or D (the names as given).
  std::filesystem::path local(const std::string& winPath) const;
  // Writes a file (creating its directories) and sets its modification time.
  void put(const std::string& winPath, const std::string& bytes, platform::FileTime time);
  std::string get(const std::string& winPath) const;
  bool exists(const std::string& winPath) const;
  void mkdir(const std::string& winPath);
  // The names in one directory, sorted.
  std::vector<std::string> namesIn(const std::string& winDir) const;
  // The release directory is C:\KVT更新\.
  void putRelease(const std::string& name, const std::string& bytes, platform::FileTime time) {
    put(ctx.ReleaseDir + name, bytes, time);
  }

  kvt::testing::ScratchDrives drives;
  const std::filesystem::path& root = drives.root();
  platform::FileSystem& prefixFs = drives.fs();
  platform::FaultyFileSystem faults;
  RecordingWindow window;
  ScriptedUi ui;
  RunContext ctx;
};

// Local midnight, and a time of day on that date.
platform::FileTime Day(int year, int month, int day);
platform::FileTime At(int year, int month, int day, int hour, int minute, int second);

}  // namespace kvt::files::testing
