#include "platform/PrefixFileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "ScratchPrefix.h"
#include "platform/LocalDate.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;
using testing::ScratchPrefix;

std::vector<std::string> names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> result;
  for (const auto& e : entries) result.push_back(e.name);
  return result;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

const DirEntry* findEntry(const std::vector<DirEntry>& entries, std::string_view name) {
  for (const auto& e : entries)
    if (e.name == name) return &e;
  return nullptr;
}

// Names in a local directory, so tests can see that no temporary file was left behind.
std::vector<std::string> localNames(const fs::path& dir) {
  std::vector<std::string> result;
  for (const auto& e : fs::directory_iterator(dir)) result.push_back(e.path().filename());
  return sorted(result);
}

class PrefixFileSystemTest : public ::testing::Test {
 protected:
  PrefixFileSystemTest() {
    ScratchPrefix::put(prefix.driveC() / "Velmor" / "KVT" / "KVT.EXE", "exe");
    ScratchPrefix::put(prefix.driveC() / "Velmor" / "KVT" / "Database" / "X102Base.DB", "db");
    fs::create_directories(prefix.driveC() / "windows");
  }
  fs::path kvt() const { return prefix.driveC() / "Velmor" / "KVT"; }
  // Where a Windows path leads, with the links of the way followed, for comparing places.
  std::optional<fs::path> resolved(std::string_view winPath) const {
    auto local = prefix.fs().resolve(winPath);
    if (!local) return std::nullopt;
    return fs::weakly_canonical(*local);
  }

  ScratchPrefix prefix;
  PrefixFileSystem& files = prefix.fs();
};

TEST_F(PrefixFileSystemTest, ResolvesNamesIgnoringCaseComponentByComponent) {
  fs::path db = fs::canonical(kvt() / "Database" / "X102Base.DB");
  EXPECT_EQ(resolved("C:\\Velmor\\KVT\\Database\\X102Base.DB"), db);
  EXPECT_EQ(resolved("c:\\VELMOR\\kvt\\dataBASE\\x102base.db"), db);
  EXPECT_EQ(resolved("C:/velmor/kvt/DATABASE/X102BASE.DB"), db);
  // Doubled, trailing and dot components are plain separators, ".." climbs.
  EXPECT_EQ(resolved("C:\\velmor\\\\KVT\\.\\Database\\\\X102BASE.DB"), db);
  EXPECT_EQ(resolved("C:\\Velmor\\KVT\\Other\\..\\Database\\X102Base.DB"), db);
  EXPECT_EQ(resolved("C:\\Velmor\\KVT\\"), fs::canonical(kvt()));
  EXPECT_EQ(resolved("C:\\"), fs::canonical(prefix.driveC()));
  EXPECT_EQ(resolved("C:"), fs::canonical(prefix.driveC()));
}

TEST_F(PrefixFileSystemTest, MissingTrailingComponentsAreKeptAsGiven) {
  fs::path base = fs::canonical(kvt());
  EXPECT_EQ(resolved("C:\\velmor\\kvt\\Backup\\New Dir\\KVT940715.EXE"),
            base / "Backup" / "New Dir" / "KVT940715.EXE");
  EXPECT_EQ(resolved("C:\\VELMOR\\KVT\\kvtTemp.INI"), base / "kvtTemp.INI");
}

TEST_F(PrefixFileSystemTest, ExactNameIsPreferredOverOneThatDiffersInCase) {
  fs::create_directories(kvt() / "Data");
  fs::create_directories(kvt() / "DATA");
  fs::path base = fs::canonical(kvt());
  EXPECT_EQ(resolved("C:\\Velmor\\KVT\\DATA"), base / "DATA");
  EXPECT_EQ(resolved("C:\\Velmor\\KVT\\Data"), base / "Data");
  auto other = resolved("C:\\Velmor\\KVT\\data");
  ASSERT_TRUE(other);
  EXPECT_TRUE(*other == base / "DATA" || *other == base / "Data");
}

TEST_F(PrefixFileSystemTest, Utf8NamesResolveExactly) {
  ScratchPrefix::put(kvt() / "備份" / "表單.DBT", "form");
  EXPECT_EQ(resolved("C:\\Velmor\\kvt\\備份\\表單.dbt"),
            fs::canonical(kvt() / "備份" / "表單.DBT"));
  EXPECT_TRUE(files.fileExists("C:\\VELMOR\\KVT\\備份\\表單.DBT"));
  EXPECT_FALSE(files.fileExists("C:\\Velmor\\KVT\\備\\表單.DBT"));
}

TEST_F(PrefixFileSystemTest, PathsWithoutAKnownDriveDoNotResolve) {
  EXPECT_EQ(resolved("Q:\\x"), std::nullopt);
  EXPECT_EQ(resolved("Velmor\\KVT"), std::nullopt);
  EXPECT_EQ(resolved("\\Velmor\\KVT"), std::nullopt);
  EXPECT_EQ(resolved("\\\\server\\share\\x"), std::nullopt);  // no such share
  EXPECT_EQ(resolved("\\\\?\\C:\\x"), std::nullopt);
  EXPECT_EQ(resolved(""), std::nullopt);
  EXPECT_FALSE(files.fileExists("Q:\\x"));
  EXPECT_FALSE(files.writeFile("Q:\\x", "data"));
}

TEST_F(PrefixFileSystemTest, DrivesComeFromTheDosdevicesEntries) {
  EXPECT_EQ(files.logicalDrives(), (1u << 2) | (1u << 3));  // C and D
  EXPECT_EQ(files.driveType('C'), DriveType::Fixed);
  EXPECT_EQ(files.driveType('d'), DriveType::Fixed);
  EXPECT_EQ(files.driveType('E'), DriveType::NoRootDir);
  EXPECT_EQ(files.driveType('?'), DriveType::NoRootDir);
  // A link to nothing is no drive at all.
  fs::create_directory_symlink(prefix.root() / "gone", prefix.root() / "dosdevices" / "e:");
  EXPECT_EQ(files.logicalDrives(), (1u << 2) | (1u << 3));
  EXPECT_EQ(files.driveType('E'), DriveType::NoRootDir);
  // A drive entry made later shows at once.
  fs::create_directory(prefix.root() / "gone");
  EXPECT_EQ(files.logicalDrives(), (1u << 2) | (1u << 3) | (1u << 4));
  EXPECT_EQ(files.driveType('e'), DriveType::Fixed);
  EXPECT_EQ(files.windowsDirectory(), "C:\\windows");
  EXPECT_TRUE(files.directoryExists(files.windowsDirectory()));
}

TEST_F(PrefixFileSystemTest, WindowsPathOfIsTheInverseOfResolve) {
  ScratchPrefix::put(kvt() / "備份" / "表單.DBT", "form");
  ScratchPrefix::put(prefix.driveD() / "Velmor" / "KVT" / "PNX.EXE", "pnx");
  for (const char* path :
       {"C:\\Velmor\\KVT\\Database\\X102Base.DB", "C:\\Velmor\\KVT\\備份\\表單.DBT",
        "C:\\Velmor\\KVT", "D:\\Velmor\\KVT\\PNX.EXE", "C:\\windows"}) {
    auto local = files.resolve(path);
    ASSERT_TRUE(local) << path;
    EXPECT_EQ(files.windowsPathOf(*local), path);
  }
  // The names as stored, whatever case the lookup used.
  EXPECT_EQ(files.windowsPathOf(*files.resolve("c:\\velmor\\kvt\\database")),
            "C:\\Velmor\\KVT\\Database");
  // Through the drive link itself, and with a missing tail.
  EXPECT_EQ(files.windowsPathOf(prefix.root() / "dosdevices" / "c:" / "Velmor" / "KVT.EXE"),
            "C:\\Velmor\\KVT.EXE");
  EXPECT_EQ(files.windowsPathOf(prefix.driveC()), "C:\\");
  EXPECT_EQ(files.windowsPathOf(prefix.driveC() / "New" / "x.txt"), "C:\\New\\x.txt");
}

TEST_F(PrefixFileSystemTest, PathsOutsideEveryDriveGoThroughZ) {
  fs::path outside = prefix.root() / "elsewhere" / "f.txt";
  ScratchPrefix::put(outside, "x");
  std::string expected = "Z:" + fs::canonical(outside).string();
  std::replace(expected.begin(), expected.end(), '/', '\\');
  EXPECT_EQ(files.windowsPathOf(outside), expected);
  // With Z: linked to the root, as Wine sets it up, the result is the same and resolves back.
  fs::create_directory_symlink("/", prefix.root() / "dosdevices" / "z:");
  EXPECT_EQ(files.windowsPathOf(outside), expected);
  EXPECT_EQ(resolved(expected), fs::canonical(outside));
  // C: still wins for what it holds, as the closer drive.
  EXPECT_EQ(files.windowsPathOf(kvt() / "KVT.EXE"), "C:\\Velmor\\KVT\\KVT.EXE");
}

TEST_F(PrefixFileSystemTest, NetworkPathsLieBelowTheUncDirectory) {
  const fs::path share = prefix.root() / "dosdevices" / "unc" / "FileSrv" / "KVT";
  ScratchPrefix::put(share / "Forms" / "KVTE.DBT", "form");
  const std::string forms = "\\\\fileSRV\\kvt\\forms";
  EXPECT_EQ(resolved(forms + "\\kvte.dbt"), fs::canonical(share / "Forms" / "KVTE.DBT"));
  // ".." stops at the share, as it stops at a drive's root.
  EXPECT_EQ(resolved("\\\\FileSrv\\KVT\\..\\..\\Forms"), fs::canonical(share / "Forms"));
  EXPECT_EQ(files.windowsPathOf(share / "Forms" / "KVTE.DBT"), "\\\\FileSrv\\KVT\\Forms\\KVTE.DBT");
  // Every operation goes there: write, copy, move, list, attributes, delete.
  EXPECT_TRUE(files.directoryExists(forms + "\\"));
  EXPECT_TRUE(files.writeFile(forms + "\\new.txt", "new"));
  EXPECT_TRUE(files.forceDirectories(forms + "\\Backup\\Old"));
  EXPECT_TRUE(files.copyFile(forms + "\\KVTE.DBT", forms + "\\Backup\\KVTE.BAK", true));
  EXPECT_TRUE(files.moveFile(forms + "\\new.txt", "C:\\new.txt"));
  EXPECT_EQ(ScratchPrefix::get(prefix.driveC() / "new.txt"), "new");
  EXPECT_TRUE(files.setReadOnly(forms + "\\KVTE.DBT", true));
  EXPECT_FALSE(files.deleteFile(forms + "\\KVTE.DBT"));
  auto listed = files.list(forms + "\\*.*");
  ASSERT_TRUE(listed);
  EXPECT_EQ(sorted(names(*listed)), (std::vector<std::string>{".", "..", "Backup", "KVTE.DBT"}));
  EXPECT_EQ(files.readFile(forms + "\\Backup\\kvte.bak"), "form");
  auto root = files.listNames("\\\\FileSrv\\KVT\\*");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->size(), 1u);  // "Forms", and no dot entries at the share's root
}

TEST_F(PrefixFileSystemTest, FileAndDirectoryExistenceAreKeptApart) {
  EXPECT_TRUE(files.fileExists("C:\\Velmor\\KVT\\kvt.exe"));
  EXPECT_FALSE(files.directoryExists("C:\\Velmor\\KVT\\kvt.exe"));
  EXPECT_TRUE(files.directoryExists("C:\\Velmor\\KVT\\database\\"));
  EXPECT_FALSE(files.fileExists("C:\\Velmor\\KVT\\database"));
  EXPECT_FALSE(files.fileExists("C:\\Velmor\\KVT\\none.exe"));
  EXPECT_FALSE(files.directoryExists("C:\\Velmor\\none"));
}

TEST_F(PrefixFileSystemTest, ModificationTimesReadAndSet) {
  const std::string exe = "C:\\Velmor\\KVT\\KVT.EXE";
  FileTime t = localDate(2005, 7, 15) + std::chrono::seconds(3661);
  ASSERT_TRUE(files.setModificationTime(exe, t));
  EXPECT_EQ(files.modificationTime("c:\\velmor\\kvt\\kvt.exe"), t);
  EXPECT_EQ(files.list("C:\\Velmor\\KVT\\KVT.EXE")->at(0).modified, t);
  EXPECT_EQ(files.modificationTime("C:\\Velmor\\KVT\\none.exe"), std::nullopt);
  EXPECT_FALSE(files.setModificationTime("C:\\Velmor\\KVT\\none.exe", t));
  EXPECT_FALSE(files.fileExists("C:\\Velmor\\KVT\\none.exe"));  // not created by the attempt
}

TEST_F(PrefixFileSystemTest, ReadOnlyIsTheOwnerWriteBit) {
  const std::string exe = "C:\\Velmor\\KVT\\KVT.EXE";
  fs::path local = kvt() / "KVT.EXE";
  EXPECT_FALSE(files.isReadOnly(exe));
  ASSERT_TRUE(files.setReadOnly(exe, true));
  EXPECT_TRUE(files.isReadOnly(exe));
  EXPECT_EQ(fs::status(local).permissions() & fs::perms::owner_write, fs::perms::none);
  ASSERT_TRUE(files.clearAttributes(exe));
  EXPECT_FALSE(files.isReadOnly(exe));
  EXPECT_NE(fs::status(local).permissions() & fs::perms::owner_write, fs::perms::none);
  // Set from outside, seen inside.
  fs::permissions(local, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(files.isReadOnly("c:\\velmor\\kvt\\kvt.exe"));
  EXPECT_FALSE(files.isReadOnly("C:\\Velmor\\KVT\\none.exe"));
  EXPECT_FALSE(files.setReadOnly("C:\\Velmor\\KVT\\none.exe", true));
}

TEST_F(PrefixFileSystemTest, CopyKeepsBytesModificationTimeAndAttributes) {
  const std::string bytes("MZ\0\x90\xA4\x40 release", 14);
  ScratchPrefix::put(prefix.driveD() / "Release" / "KVT.EXE", bytes);
  FileTime stamp = localDate(2013, 9, 5) + std::chrono::hours(9) + std::chrono::milliseconds(250);
  ASSERT_TRUE(files.setModificationTime("D:\\Release\\KVT.EXE", stamp));

  // Replacing an existing file.
  ASSERT_TRUE(files.copyFile("D:\\Release\\KVT.EXE", "C:\\velmor\\kvt\\kvt.exe", false));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), bytes);
  EXPECT_EQ(files.modificationTime("C:\\Velmor\\KVT\\KVT.EXE"), stamp);
  EXPECT_EQ(localNames(kvt()), (std::vector<std::string>{"Database", "KVT.EXE"}));

  // A new file; a read-only source gives a read-only copy, as on Windows.
  ASSERT_TRUE(files.setReadOnly("D:\\Release\\KVT.EXE", true));
  ASSERT_TRUE(files.copyFile("D:\\Release\\KVT.EXE", "C:\\Velmor\\KVT\\KVTA.EXE", true));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVTA.EXE"), bytes);
  EXPECT_EQ(files.modificationTime("C:\\Velmor\\KVT\\KVTA.EXE"), stamp);
  EXPECT_TRUE(files.isReadOnly("C:\\Velmor\\KVT\\KVTA.EXE"));
}

TEST_F(PrefixFileSystemTest, RefusedCopiesLeaveEverythingAsItWas) {
  ScratchPrefix::put(prefix.driveD() / "Release" / "KVT.EXE", "new");
  const std::string from = "D:\\Release\\KVT.EXE";
  // failIfExists with an existing target.
  EXPECT_FALSE(files.copyFile(from, "C:\\Velmor\\KVT\\KVT.EXE", true));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "exe");
  // A read-only target.
  ASSERT_TRUE(files.setReadOnly("C:\\Velmor\\KVT\\KVT.EXE", true));
  EXPECT_FALSE(files.copyFile(from, "C:\\Velmor\\KVT\\KVT.EXE", false));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "exe");
  // A missing target directory: no directory, no file is made.
  EXPECT_FALSE(files.copyFile(from, "C:\\Velmor\\KVT\\Image\\KVT.EXE", false));
  EXPECT_FALSE(fs::exists(kvt() / "Image"));
  // A missing source, a directory as source or as target, the source onto itself.
  EXPECT_FALSE(files.copyFile("D:\\Release\\NONE.EXE", "C:\\Velmor\\KVT\\NONE.EXE", false));
  EXPECT_FALSE(files.copyFile("C:\\Velmor\\KVT\\Database", "C:\\Velmor\\DB2", false));
  EXPECT_FALSE(files.copyFile(from, "C:\\Velmor\\KVT\\Database", false));
  EXPECT_FALSE(files.copyFile(from, "d:\\release\\kvt.exe", false));
  EXPECT_EQ(ScratchPrefix::get(prefix.driveD() / "Release" / "KVT.EXE"), "new");
  EXPECT_EQ(localNames(kvt()), (std::vector<std::string>{"Database", "KVT.EXE"}));
  EXPECT_EQ(localNames(prefix.driveD() / "Release"), std::vector<std::string>{"KVT.EXE"});
}

TEST_F(PrefixFileSystemTest, MoveRefusesAnExistingTarget) {
  ScratchPrefix::put(kvt() / "KVT940715.EXE", "old backup");
  EXPECT_FALSE(files.moveFile("C:\\Velmor\\KVT\\KVT.EXE", "C:\\Velmor\\KVT\\kvt940715.exe"));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "exe");
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT940715.EXE"), "old backup");

  ASSERT_TRUE(files.moveFile("C:\\Velmor\\KVT\\KVT.EXE", "C:\\Velmor\\KVT\\KVT1020905.EXE"));
  EXPECT_FALSE(fs::exists(kvt() / "KVT.EXE"));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT1020905.EXE"), "exe");
}

TEST_F(PrefixFileSystemTest, MoveRenamesDirectoriesAndChangesLetterCase) {
  ASSERT_TRUE(files.moveFile("C:\\Velmor\\KVT\\Database", "C:\\Velmor\\KVT\\Data2"));
  EXPECT_TRUE(fs::is_directory(kvt() / "Data2"));
  EXPECT_TRUE(files.fileExists("C:\\Velmor\\KVT\\Data2\\X102Base.DB"));
  // Only the letter case changes: the "existing" target is the file itself.
  ASSERT_TRUE(files.moveFile("C:\\Velmor\\KVT\\KVT.EXE", "C:\\Velmor\\KVT\\kvt.exe"));
  EXPECT_EQ(localNames(kvt()), (std::vector<std::string>{"Data2", "kvt.exe"}));
  // Across drives, and into a missing directory.
  ASSERT_TRUE(files.moveFile("C:\\Velmor\\KVT\\kvt.exe", "D:\\kvt.exe"));
  EXPECT_EQ(ScratchPrefix::get(prefix.driveD() / "kvt.exe"), "exe");
  EXPECT_FALSE(files.moveFile("D:\\kvt.exe", "D:\\none\\kvt.exe"));
  EXPECT_FALSE(files.moveFile("D:\\missing.exe", "D:\\other.exe"));
}

TEST_F(PrefixFileSystemTest, DeleteRefusesReadOnlyFilesAndDirectories) {
  const std::string exe = "C:\\Velmor\\KVT\\KVT.EXE";
  ASSERT_TRUE(files.setReadOnly(exe, true));
  EXPECT_FALSE(files.deleteFile(exe));
  EXPECT_TRUE(fs::exists(kvt() / "KVT.EXE"));
  ASSERT_TRUE(files.clearAttributes(exe));
  EXPECT_TRUE(files.deleteFile("c:\\velmor\\kvt\\kvt.exe"));
  EXPECT_FALSE(fs::exists(kvt() / "KVT.EXE"));
  EXPECT_FALSE(files.deleteFile(exe));  // gone already

  EXPECT_FALSE(files.deleteFile("C:\\Velmor\\KVT\\Database"));
  EXPECT_TRUE(fs::exists(kvt() / "Database" / "X102Base.DB"));
}

TEST_F(PrefixFileSystemTest, DirectoriesAreCreatedOneOrAllLevelsAndRemovedOnlyWhenEmpty) {
  EXPECT_FALSE(files.createDirectory("C:\\Velmor\\KVT\\Image\\Sub"));  // parent missing
  EXPECT_TRUE(files.createDirectory("C:\\Velmor\\KVT\\Image"));
  EXPECT_FALSE(files.createDirectory("C:\\Velmor\\KVT\\image"));  // exists already
  EXPECT_TRUE(files.forceDirectories("C:\\Velmor\\KVT\\Table\\Import\\Deep\\"));
  EXPECT_TRUE(fs::is_directory(kvt() / "Table" / "Import" / "Deep"));
  EXPECT_TRUE(files.forceDirectories("C:\\velmor\\kvt\\table"));          // exists: fine
  EXPECT_FALSE(files.forceDirectories("C:\\Velmor\\KVT\\KVT.EXE\\Sub"));  // a file in the way

  EXPECT_FALSE(files.removeDirectory("C:\\Velmor\\KVT\\Table"));  // not empty
  EXPECT_TRUE(fs::exists(kvt() / "Table" / "Import" / "Deep"));
  EXPECT_TRUE(files.removeDirectory("C:\\Velmor\\KVT\\Table\\Import\\Deep"));
  EXPECT_FALSE(fs::exists(kvt() / "Table" / "Import" / "Deep"));
  EXPECT_FALSE(files.removeDirectory("C:\\Velmor\\KVT\\KVT.EXE"));  // a file
  EXPECT_TRUE(fs::exists(kvt() / "KVT.EXE"));
}

TEST_F(PrefixFileSystemTest, ListingMatchesWildcardsAndIncludesDotEntries) {
  fs::path bak = kvt() / "Bak";
  for (const char* name : {"X102Base.DB", "x102base.PX", "X102", "X10.DB", "readme"})
    ScratchPrefix::put(bak / name, name);
  fs::create_directories(bak / "X102Dir");
  ASSERT_TRUE(files.setReadOnly("C:\\Velmor\\KVT\\Bak\\X10.DB", true));

  auto all = files.list("C:\\Velmor\\KVT\\Bak\\*.*");
  ASSERT_TRUE(all);
  ASSERT_EQ(sorted(names(*all)),
            (std::vector<std::string>{".", "..", "X10.DB", "X102", "X102Base.DB", "X102Dir",
                                      "readme", "x102base.PX"}));
  // "." and ".." come first, as a Windows listing gives them.
  EXPECT_EQ(all->at(0).name, ".");
  EXPECT_EQ(all->at(1).name, "..");
  EXPECT_TRUE(all->at(0).isDirectory && all->at(1).isDirectory);
  EXPECT_TRUE(findEntry(*all, "X102Dir")->isDirectory);
  EXPECT_FALSE(findEntry(*all, "X102")->isDirectory);
  EXPECT_TRUE(findEntry(*all, "X10.DB")->readOnly);
  EXPECT_FALSE(findEntry(*all, "X102")->readOnly);

  auto x102 = files.list("c:\\velmor\\kvt\\bak\\x102*.*");
  ASSERT_TRUE(x102);
  EXPECT_EQ(sorted(names(*x102)),
            (std::vector<std::string>{"X102", "X102Base.DB", "X102Dir", "x102base.PX"}));
  auto dbs = files.list("C:\\Velmor\\KVT\\Bak\\*.db");
  ASSERT_TRUE(dbs);
  EXPECT_EQ(sorted(names(*dbs)), (std::vector<std::string>{"X10.DB", "X102Base.DB"}));
  // A plain name lists that one entry, found ignoring case.
  EXPECT_EQ(names(*files.list("C:\\Velmor\\KVT\\Bak\\README")), std::vector<std::string>{"readme"});
  EXPECT_TRUE(files.list("C:\\Velmor\\KVT\\Bak\\nothing*")->empty());
}

TEST_F(PrefixFileSystemTest, ListingADriveRootHasNoDotEntriesAndMissingDirectoriesFail) {
  auto root = files.list("C:\\*.*");
  ASSERT_TRUE(root);
  EXPECT_EQ(sorted(names(*root)), (std::vector<std::string>{"Velmor", "windows"}));
  EXPECT_EQ(files.list("C:\\Velmor\\None\\*.*"), std::nullopt);
  EXPECT_EQ(files.list("C:\\Velmor\\KVT\\KVT.EXE\\*.*"), std::nullopt);
  EXPECT_EQ(files.list("Q:\\*.*"), std::nullopt);
  // The doubled backslash of a directory given with its own trailing backslash.
  auto doubled = files.list("C:\\Velmor\\KVT\\\\*.*");
  ASSERT_TRUE(doubled);
  EXPECT_EQ(sorted(names(*doubled)), (std::vector<std::string>{".", "..", "Database", "KVT.EXE"}));
}

TEST_F(PrefixFileSystemTest, NameListingGivesKindsWithoutDotEntries) {
  fs::path bak = kvt() / "Bak";
  for (const char* name : {"X102Base.DB", "x102base.PX", "X102", "readme"})
    ScratchPrefix::put(bak / name, name);
  fs::create_directories(bak / "X102Dir");
  fs::create_directories(bak / "Other");

  auto all = files.listNames("C:\\Velmor\\KVT\\Bak\\*.*");
  ASSERT_TRUE(all);
  std::sort(all->begin(), all->end(),
            [](const NameEntry& a, const NameEntry& b) { return a.name < b.name; });
  EXPECT_EQ(*all, (std::vector<NameEntry>{{"Other", true, false},
                                          {"X102", false, false},
                                          {"X102Base.DB", false, false},
                                          {"X102Dir", true, false},
                                          {"readme", false, false},
                                          {"x102base.PX", false, false}}));
  // The same names as the full listing, but for its dot entries.
  const auto listed = files.list("C:\\Velmor\\KVT\\Bak\\*.*");
  ASSERT_TRUE(listed);
  std::vector<std::string> full;
  for (const DirEntry& e : *listed)
    if (e.name != "." && e.name != "..") full.push_back(e.name);
  std::vector<std::string> short_;
  for (const NameEntry& e : *all) short_.push_back(e.name);
  EXPECT_EQ(sorted(full), sorted(short_));

  // Wildcards and directory names match ignoring case.
  auto x102 = files.listNames("c:\\velmor\\kvt\\bak\\x102*.*");
  ASSERT_TRUE(x102);
  std::vector<std::string> x102Names;
  for (const NameEntry& e : *x102) x102Names.push_back(e.name);
  EXPECT_EQ(sorted(x102Names),
            (std::vector<std::string>{"X102", "X102Base.DB", "X102Dir", "x102base.PX"}));
  auto one = files.listNames("C:\\Velmor\\KVT\\Bak\\README");
  ASSERT_TRUE(one);
  EXPECT_EQ(*one, (std::vector<NameEntry>{{"readme", false, false}}));
  EXPECT_TRUE(files.listNames("C:\\Velmor\\KVT\\Bak\\nothing*")->empty());
}

TEST_F(PrefixFileSystemTest, NameListingMarksLinksAndWhatTheyLeadTo) {
  fs::path links = kvt() / "Links";
  fs::create_directories(links);
  fs::create_directory_symlink(kvt() / "Database", links / "ToDir");
  fs::create_symlink(kvt() / "KVT.EXE", links / "ToFile");
  fs::create_symlink(kvt() / "Gone", links / "Dangling");
  fs::create_directory_symlink("..", links / "Up");

  auto entries = files.listNames("C:\\Velmor\\KVT\\Links\\*.*");
  ASSERT_TRUE(entries);
  std::sort(entries->begin(), entries->end(),
            [](const NameEntry& a, const NameEntry& b) { return a.name < b.name; });
  // A dangling link is a plain file here, as in the full listing.
  EXPECT_EQ(*entries, (std::vector<NameEntry>{{"Dangling", false, true},
                                              {"ToDir", true, true},
                                              {"ToFile", false, true},
                                              {"Up", true, true}}));
  EXPECT_FALSE(findEntry(*files.list("C:\\Velmor\\KVT\\Links\\*.*"), "Dangling")->isDirectory);
}

TEST_F(PrefixFileSystemTest, NameListingOfADriveRootAndOfWhatIsNoDirectory) {
  auto root = files.listNames("C:\\*.*");
  ASSERT_TRUE(root);
  std::sort(root->begin(), root->end(),
            [](const NameEntry& a, const NameEntry& b) { return a.name < b.name; });
  EXPECT_EQ(*root, (std::vector<NameEntry>{{"Velmor", true, false}, {"windows", true, false}}));
  auto rootNoSlash = files.listNames("C:*.*");
  ASSERT_TRUE(rootNoSlash);
  EXPECT_EQ(rootNoSlash->size(), 2u);
  EXPECT_EQ(files.listNames("C:\\Velmor\\None\\*.*"), std::nullopt);
  EXPECT_EQ(files.listNames("C:\\Velmor\\KVT\\KVT.EXE\\*.*"), std::nullopt);
  EXPECT_EQ(files.listNames("Q:\\*.*"), std::nullopt);
  EXPECT_EQ(files.listNames("*.*"), std::nullopt);
}

TEST_F(PrefixFileSystemTest, NameListingOfAnUnreadableDirectoryFails) {
  fs::path locked = kvt() / "Locked";
  fs::create_directories(locked / "Inside");
  fs::permissions(locked, fs::perms::none);
  std::error_code probe;
  fs::directory_iterator probing(locked, probe);
  auto names = files.listNames("C:\\Velmor\\KVT\\Locked\\*.*");
  auto full = files.list("C:\\Velmor\\KVT\\Locked\\*.*");
  fs::permissions(locked, fs::perms::owner_all);
  if (!probe) GTEST_SKIP() << "this user reads every directory";
  EXPECT_EQ(names, std::nullopt);
  EXPECT_EQ(full, std::nullopt);
}

TEST_F(PrefixFileSystemTest, LargeFilesAndFilesOfNoStatedSizeReadWhole) {
  std::string large(5'000'003, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = char((i * 7919) >> 3);
  ScratchPrefix::put(kvt() / "Forms.DBT", large);
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\forms.dbt"), large);
  // A file whose size says nothing of its content (as the kernel's status files) is read to
  // its end all the same.
  fs::create_symlink("/proc/self/status", kvt() / "status");
  auto status = files.readFile("C:\\Velmor\\KVT\\status");
  ASSERT_TRUE(status);
  EXPECT_NE(status->find("VmRSS"), std::string::npos);
}

TEST_F(PrefixFileSystemTest, WholeFilesAreReadAndWritten) {
  const std::string bytes("\xA4\x40\0\r\n\xFF end", 9);
  ASSERT_TRUE(files.writeFile("C:\\Velmor\\KVT\\KVTTemp.INI", bytes));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVTTemp.INI"), bytes);
  EXPECT_EQ(files.readFile("c:\\velmor\\kvt\\kvttemp.ini"), bytes);
  // Replacing a file keeps its name, its permission bits and leaves no temporary behind.
  fs::permissions(kvt() / "KVTTemp.INI", fs::perms::owner_exec, fs::perm_options::add);
  ASSERT_TRUE(files.writeFile("C:\\Velmor\\KVT\\kvttemp.ini", "short"));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVTTemp.INI"), "short");
  EXPECT_NE(fs::status(kvt() / "KVTTemp.INI").permissions() & fs::perms::owner_exec,
            fs::perms::none);
  ASSERT_TRUE(files.writeFile("C:\\Velmor\\KVT\\Empty.txt", ""));
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\Empty.txt"), "");
  EXPECT_EQ(localNames(kvt()),
            (std::vector<std::string>{"Database", "Empty.txt", "KVT.EXE", "KVTTemp.INI"}));
}

TEST_F(PrefixFileSystemTest, AFileWrittenAsItIsMadeIsKeptOnlyWhenAllOfItWasWritten) {
  const std::string target = "C:\\Velmor\\KVT\\KVT.EXE";
  ASSERT_TRUE(files.writeFileWith(target, [](platform::FileWriter& out) {
    return out.append("count ?? ") && out.append("rows") && out.patch(6, "02");
  }));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "count 02 rows");
  // Content that gives up, a patch past the end and content that throws leave the file as it
  // was and no temporary behind.
  EXPECT_FALSE(files.writeFileWith(target, [](platform::FileWriter& out) {
    out.append("half");
    return false;
  }));
  EXPECT_FALSE(files.writeFileWith(
      target, [](platform::FileWriter& out) { return out.append("ab") && out.patch(1, "xy"); }));
  EXPECT_THROW(files.writeFileWith(target,
                                   [](platform::FileWriter& out) -> bool {
                                     out.append("half");
                                     throw std::runtime_error("no more rows");
                                   }),
               std::runtime_error);
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "count 02 rows");
  EXPECT_EQ(localNames(kvt()), (std::vector<std::string>{"Database", "KVT.EXE"}));
}

TEST_F(PrefixFileSystemTest, RefusedWritesAndFailedReads) {
  ASSERT_TRUE(files.setReadOnly("C:\\Velmor\\KVT\\KVT.EXE", true));
  EXPECT_FALSE(files.writeFile("C:\\Velmor\\KVT\\KVT.EXE", "overwritten"));
  EXPECT_EQ(ScratchPrefix::get(kvt() / "KVT.EXE"), "exe");
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\KVT.EXE"), "exe");  // read-only still reads
  EXPECT_FALSE(files.writeFile("C:\\Velmor\\KVT\\Database", "x"));
  EXPECT_TRUE(fs::is_directory(kvt() / "Database"));
  EXPECT_FALSE(files.writeFile("C:\\Velmor\\KVT\\None\\x.txt", "x"));
  EXPECT_FALSE(fs::exists(kvt() / "None"));
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\none.txt"), std::nullopt);
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\Database"), std::nullopt);
  // A pipe under the name is no file to read, and waiting for a writer would hang the run.
  ASSERT_EQ(::mkfifo((kvt() / "Pipe.DBT").c_str(), 0600), 0);
  EXPECT_EQ(files.readFile("C:\\Velmor\\KVT\\Pipe.DBT"), std::nullopt);
}

}  // namespace
}  // namespace kvt::platform
