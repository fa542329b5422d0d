// Shared helpers of the Paradox engine tests: the sample tables, scratch directories,
// whole-file reads, and pxlib as an independent reader.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/paradox/TableStorage.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::paradox::test {

// The directory of the sample tables, or empty when they are not beside the repository.
std::filesystem::path samplesDir();

// Fails the calling test when the samples are absent: they always lie beside the checkout.
#define KVT_REQUIRE_SAMPLES()                                      \
  do {                                                             \
    if (::kvt::paradox::test::samplesDir().empty()) {              \
      GTEST_FAIL() << "sample tables absent: " << KVT_SAMPLES_DIR; \
    }                                                              \
  } while (0)

// A fresh directory removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Copies every file of a sample directory ("db", "fields", ...) here, writable.
  void copySamples(const std::string& subdir) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);

// Every .DB file of the samples, as (subdir, table stem).
std::vector<std::pair<std::string, std::string>> sampleTables();

// Calls `f` for every sample table, each sample directory copied to a scratch directory
// first (the tables of one directory share it, so a write to one is seen by the next).
void forEachSampleTable(
    const std::function<void(const std::filesystem::path& dir, const std::string& stem)>& f);

// Every file of a directory with its bytes, by file name.
std::map<std::string, std::string> snapshot(const std::filesystem::path& dir);

// Whether the build has pxlib; without it (a Windows build) readWithPxlib opens nothing and
// expectPxlibAgrees checks nothing, and the engine's own checks stand alone.
bool pxlibInBuild();

// A table as pxlib reads it: per record, per field, the value in a canonical text form for
// the field types it reads reliably (alpha, short, long, number, currency, date, time,
// timestamp, logical, autoincrement); nullopt for blank values. Fields of other types are
// left out of `fieldNames` and of the rows.
struct PxlibTable {
  int recordCount = -1;  // -1 when pxlib cannot open the file
  std::vector<std::string> fieldNames;
  std::vector<std::vector<std::optional<std::string>>> rows;
};
PxlibTable readWithPxlib(const std::filesystem::path& dbFile);

// Checks that pxlib reads the table's files as the engine read them: the record count and,
// for the field types pxlib reads, every value.
void expectPxlibAgrees(const StoredTable& t);

// The same canonical form of an engine value (nullopt for null).
std::optional<std::string> canonical(const Value& v);
// Whether pxlib's reading covers a field of this type.
bool pxlibReads(FieldType type);

}  // namespace kvt::paradox::test
