#include "tools/demo-files/DemoFiles.h"

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "platform/LocalDate.h"

namespace kvt::demo {
namespace fs = std::filesystem;
namespace {

struct DemoFile {
  const char* path;  // Windows path on drive C; a relative one lies in the release directory
  const char* bytes;
  int year, month, day;
};

const DemoFile kFiles[] = {
    // The release: newer programs and the libraries that travel with them.
    {"KVT.EXE", "MZ KVT demo program, release version\r\n", 2013, 9, 5},
    {"KVTA.EXE", "MZ KVTA demo program, release version\r\n", 2013, 9, 5},
    {"libeay32.dll", "MZ libeay32 demo library, release version\r\n", 2013, 8, 1},
    {"ssleay32.dll", "MZ ssleay32 demo library, release version\r\n", 2013, 8, 1},
    {"X102.DTX", "demo trade-facilitation file, release version\r\n", 2013, 9, 1},
    {"X102.XSD", "<?xml version=\"1.0\"?><schema version=\"2\"/>\r\n", 2013, 9, 1},
    // The installation: an old main program and a current KVTA.EXE beside it, and a program
    // the release does not carry.
    {"C:\\Velmor\\KVT\\KVT.EXE", "MZ KVT demo program, installed version\r\n", 2012, 3, 1},
    {"C:\\Velmor\\KVT\\KVTA.EXE", "MZ KVTA demo program, release version\r\n", 2013, 9, 5},
    {"C:\\Velmor\\KVT\\PNX.EXE", "MZ PNX demo program, installed version\r\n", 2012, 3, 1},
    // A client copy, old; one too old to be updated automatically.
    {"C:\\Velmor\\KVT\\Client\\KVT\\KVT.EXE", "MZ KVT demo program, client copy\r\n", 2011, 5, 20},
    // An earlier backup of the same date: the client copy's backup takes a numbered name.
    {"C:\\Velmor\\KVT\\Client\\KVT\\KVT1000520.EXE", "MZ KVT demo program, earlier backup\r\n",
     2011, 5, 20},
    {"C:\\Velmor\\KVT\\Old\\KVT\\KVT.EXE", "MZ KVT demo program, 2004\r\n", 2004, 6, 1},
    // Left alone: a backup directory, and a directory not named KVT.
    {"C:\\Velmor\\KVT\\BACKUP\\KVT\\KVT.EXE", "MZ KVT demo program, backup\r\n", 2010, 1, 1},
    {"C:\\Velmor\\KVT\\Tools\\KVT.EXE", "MZ KVT demo program, loose copy\r\n", 2010, 1, 1},
    // The trade-facilitation directory with files the release replaces.
    {"C:\\Velmor\\KVT\\DTX\\X102.DTX", "demo trade-facilitation file, installed\r\n", 2012, 1, 1},
    {"C:\\Velmor\\KVT\\DTX\\XSD\\X102", "<?xml version=\"1.0\"?><schema version=\"1\"/>\r\n", 2012,
     1, 1},
};

}  // namespace

fs::path DriveCPath(const fs::path& prefix, std::string_view winPath) {
  if (winPath.size() < 3 || winPath.substr(1, 2) != ":\\" || (winPath[0] | 0x20) != 'c')
    throw std::invalid_argument("not a path on drive C: " + std::string(winPath));
  fs::path p = prefix / "drive_c";
  std::string_view rest = winPath.substr(3);
  while (!rest.empty()) {
    const size_t slash = rest.find('\\');
    const std::string_view part = rest.substr(0, slash);
    if (!part.empty())
      p /= std::u8string(reinterpret_cast<const char8_t*>(part.data()), part.size());
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return p;
}

void AddProgramFileDemo(const fs::path& prefix, const std::string& releaseDir) {
  if (!fs::exists(prefix / ".kvt-demo-prefix"))
    throw std::runtime_error(prefix.string() + " was not made by kvt-demo; refusing to change it");
  for (const DemoFile& file : kFiles) {
    std::string winPath = file.path;
    if (winPath.size() < 2 || winPath[1] != ':') winPath = releaseDir + winPath;
    const fs::path local = DriveCPath(prefix, winPath);
    fs::create_directories(local.parent_path());
    {
      std::ofstream out(local, std::ios::binary | std::ios::trunc);
      out << file.bytes;
      if (!out) throw std::runtime_error("cannot write " + winPath);
    }
    const auto when = platform::localDate(file.year, file.month, file.day);
    std::error_code ec;
    fs::last_write_time(local, std::chrono::time_point_cast<fs::file_time_type::duration>(
                                   std::chrono::file_clock::from_sys(when)), ec);
    if (ec) throw std::runtime_error("cannot date " + winPath);
  }
}

}  // namespace kvt::demo
