// The installation search's tests share this: a release with the executables and libraries,
// and installed executables put where a test wants them.
#pragma once

#include <algorithm>
#include <string>

#include "FilesFixture.h"

namespace kvt::files::testing {

inline const platform::FileTime kRelease = Day(2013, 9, 5);
inline const platform::FileTime kInstalled = Day(2010, 3, 4);

class InstallationSearchTest : public FilesTest {
 protected:
  InstallationSearchTest() {
    ctx.switches.UpgradeKVTEXE = true;
    for (const char* exe : {"KVT.EXE", "KVTA.EXE"})
      putRelease(exe, std::string("new ") + exe, kRelease);
    putRelease("libeay32.dll", "new libeay32", kRelease);
    putRelease("ssleay32.dll", "new ssleay32", kRelease);
  }

  // An installed executable, "old <name>".
  void install(const std::string& dir, const std::string& name,
               platform::FileTime time = kInstalled) {
    put(dir + name, "old " + name, time);
  }
  bool updated(const std::string& dir, const std::string& name) {
    return get(dir + name) == "new " + name;
  }
  bool logHas(const std::string& text) const {
    return std::find(window.log.begin(), window.log.end(), text) != window.log.end();
  }
};

}  // namespace kvt::files::testing
