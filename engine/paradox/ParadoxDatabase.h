// A directory of Paradox tables as a Database.
//
// A table is loaded whole when it is first opened, into one row store shared by every
// handle that opens it; when the last handle closes it, the table is written back, whole,
// if anything changed (TableStorage.h: new files replace the old ones in one commit).
// Exclusive opens keep other handles of this process out. Tables created here have code
// page 950 and the sort order most code page 950 tables of the directory have ("ascii"
// when there are none), and carry their primary key in a .PX file; the secondary indexes asked for
// are kept with the open table only, not written as index files. No table is written, created,
// emptied, renamed or deleted while another process has one of its files or the directory's
// lock files open (TableUse.h).
//
// In a private directory the rows of a table closed last stay in memory, and the next open
// of it takes them instead of reading the files again, as long as the files on the disk are
// still the ones that table left there.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/TableCodec.h"
#include "engine/paradox/TableFiles.h"
#include "engine/paradox/TableStorage.h"
#include "platform/FileUse.h"
#include "schema/Database.h"
#include "schema/KeyedRowStore.h"

namespace kvt::paradox {

// Whether other programs may use a directory's tables: the package's directories are shared;
// a scratch directory that only this program uses is private. Writes there do not look for
// other users, and do not wait for the disk: its tables are made again from their source
// after a crash.
enum class Sharing { Shared, Private };

class ParadoxDatabase : public Database {
 public:
  // `name` is how the steps name the database in messages (the Windows directory with its
  // trailing backslash); the directory itself when empty.
  explicit ParadoxDatabase(std::filesystem::path directory, std::string name = {});
  // With the file operations to use (tests pass ones that fail on purpose).
  ParadoxDatabase(std::filesystem::path directory, std::string name, FileOps& ops);
  ParadoxDatabase(std::filesystem::path directory, std::string name, Sharing sharing);
  // Writes back what open tables changed; errors are not reported from here.
  ~ParadoxDatabase() override;

  DatabaseKind kind() const override { return DatabaseKind::Standard; }
  std::string name() const override;
  const std::filesystem::path& directory() const { return dir_; }

  bool tableExists(const std::string& table) override;
  std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode mode) override;
  void closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) override;
  // A table that is open is walked in memory; any other is decoded from its files row by
  // row, its rows never all held at once.
  void readRows(const std::string& table, const std::function<void(const Row&)>& sink) override;
  // From the headers of the table's files alone.
  TableSchema tableSchema(const std::string& table) override;
  // Its last close writes nothing and keeps nothing.
  void discardOnClose(const std::string& table) override;

  void createTable(const std::string& table, const TableSchema& schema) override;
  void deleteTable(const std::string& table) override;
  void emptyTable(const std::string& table) override;
  // Crash-safe (TableRename.h): the next open of the directory finishes a cut-short rename.
  void renameTable(const std::string& from, const std::string& to) override;
  std::vector<std::pair<std::string, std::string>> takeFinishedRenames() override;
  // FieldAppend.h: rows, indexes, language and validity checks stay.
  void appendField(const std::string& table, const FieldDef& field) override;

  void execSql(const std::string& sql, const SqlParams& params = {}) override;
  int64_t selectCount(const std::string& sql, const SqlParams& params = {}) override;

 private:
  // `schema` with the secondary indexes the table was created with this session.
  TableSchema withCreatedIndexes(const std::string& key, TableSchema schema) const;
  struct OpenTable {
    std::string stem;
    std::shared_ptr<KeyedRowStore> store;
    TableFormat format;
    std::optional<TableFiles> files;
    int handles = 0;
    bool exclusive = false;
    bool discard = false;  // the last close leaves the files as they are
  };

  void writeBack(OpenTable& t);
  // The table's files as they stand on the disk: each file of the family by name, size and
  // time of the last write, and the counts of the .DB's header.
  struct FilesStamp {
    std::vector<std::tuple<std::string, uintmax_t, std::filesystem::file_time_type>> files;
    std::vector<uint32_t> counts;
    friend bool operator==(const FilesStamp&, const FilesStamp&) = default;
  };
  static FilesStamp stampOf(const StoredTable& stored);
  // Rows of a table closed last in a private directory, with the files they left.
  struct KeptTable {
    std::shared_ptr<KeyedRowStore> store;
    FilesStamp stamp;
  };
  // The kept rows of `stem` when its files are still the ones they left; taken out of the
  // keeping either way.
  std::shared_ptr<KeyedRowStore> takeKept(const std::string& key, const StoredTable& stored);
  void requireClosed(const std::string& table, const char* action) const;
  // Keeps other programs out of the table's files while they are replaced; throws Locked when
  // one has them (TableUse.h). Null in a private directory.
  std::unique_ptr<platform::FileHold> holdFiles(const std::string& stem,
                                                const std::string& table) const;
  std::string describe(const std::string& table) const;

  std::filesystem::path dir_;
  std::string name_;
  FileOps* ops_;
  // No file of a table is replaced while another process has it open (TableUse.h).
  const platform::FileUse& use_ = platform::systemFileUse();
  Sharing sharing_ = Sharing::Shared;
  std::map<std::string, OpenTable> open_;  // by upper-case table name
  std::map<std::string, KeptTable> kept_;  // by upper-case table name; private directories
  // Secondary indexes asked for when tables were created here, by upper-case table name.
  std::map<std::string, std::vector<IndexDef>> createdIndexes_;
  // Renames a crash cut short, finished when the directory was opened.
  std::vector<std::pair<std::string, std::string>> finishedRenames_;
};

}  // namespace kvt::paradox
