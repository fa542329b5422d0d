#include "FilesFixture.h"

#include "platform/LocalDate.h"

namespace kvt::files::testing {
namespace fs = std::filesystem;
FilesTest::FilesTest() : faults(prefixFs), ctx(window, ui, faults) {
  ctx.ReleaseDir = "C:\\KVT更新\\";
  mkdir(ctx.ReleaseDir);
}

FilesTest::~FilesTest() = default;

fs::path FilesTest::local(const std::string& winPath) const {
  return drives.local(winPath);
}

void FilesTest::put(const std::string& winPath, const std::string& bytes, platform::FileTime time) {
  drives.put(winPath, bytes);
  fs::last_write_time(local(winPath), std::chrono::time_point_cast<fs::file_time_type::duration>(
                                          std::chrono::file_clock::from_sys(time)));
}

std::string FilesTest::get(const std::string& winPath) const {
  return drives.exists(winPath) ? drives.get(winPath) : "<missing>";
}

bool FilesTest::exists(const std::string& winPath) const {
  return drives.exists(winPath);
}

void FilesTest::mkdir(const std::string& winPath) {
  drives.mkdir(winPath);
}

std::vector<std::string> FilesTest::namesIn(const std::string& winDir) const {
  return drives.namesIn(winDir);
}

platform::FileTime Day(int year, int month, int day) {
  return platform::localDate(year, month, day);
}

platform::FileTime At(int year, int month, int day, int hour, int minute, int second) {
  return Day(year, month, day) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
         std::chrono::seconds(second);
}

}  // namespace kvt::files::testing
