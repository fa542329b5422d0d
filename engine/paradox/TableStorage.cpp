#include "engine/paradox/TableStorage.h"

#include <algorithm>
#include <fstream>

#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/FieldTypes.h"
#include "engine/paradox/FileSetCommit.h"
#include "engine/paradox/SecondaryIndex.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

std::string readAll(FileOps& ops, const fs::path& path) {
  std::string bytes, error;
  if (!ops.readFile(path, bytes, error)) {
    throw EngineError(ErrorKind::Io, "cannot read " + path.string() + ": " + error);
  }
  return bytes;
}

// Prefixes a format error with the file it was found in.
template <class F>
auto inFile(const fs::path& path, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const EngineError& e) {
    if (e.kind() != ErrorKind::Format && e.kind() != ErrorKind::Unsupported) throw;
    throw EngineError(e.kind(), path.filename().string() + ": " + e.what());
  }
}

// The old .PX header, kept for writing when it describes the table's key.
std::optional<FileHeader> usablePrimaryHeader(const std::string& px, const FileHeader& db) {
  try {
    FileHeader h = parseHeader(px);
    if (h.kind() != FileKind::PrimaryIndex || h.fieldCount != db.keyFieldCount) return {};
    for (uint32_t i = 0; i < h.fieldCount; ++i) {
      if (!(h.fields[i] == db.fields[i])) return {};
    }
    return h;
  } catch (const EngineError&) {
    return {};  // a damaged index is rebuilt from a fresh header
  }
}

// The .DB open for reading at any offset, its failures EngineError(Io).
class DbFile {
 public:
  DbFile(FileOps& ops, const fs::path& path) : path_(path), in_(ops.openFile(path, error_)) {
    if (!in_) fail();
  }
  uint64_t size() const { return in_->size(); }
  void readAt(uint64_t offset, std::span<char> out) {
    if (!in_->readAt(offset, out, error_)) fail();
  }

 private:
  [[noreturn]] void fail() const {
    throw EngineError(ErrorKind::Io, "cannot read " + path_.string() + ": " + error_);
  }
  fs::path path_;
  std::string error_;
  std::unique_ptr<InputFile> in_;
};

}  // namespace

StoredTable describeStoredTable(FileOps& ops, const fs::path& dir, const std::string& tableName,
                                bool recover, bool readBlobs) {
  if (recover) recoverFileSet(ops, dir, tableStem(tableName));
  auto files = findTableFiles(dir, tableName);
  if (!files) {
    throw EngineError(ErrorKind::MissingTable,
                      "table " + tableName + " does not exist in " + dir.string());
  }
  StoredTable out{inFile(files->db,
                         [&] {
                           DbFile db(ops, files->db);
                           std::string head(
                               static_cast<size_t>(std::min(db.size(), kMaxHeaderSize)), '\0');
                           db.readAt(0, head);
                           return describeDataFile(head);
                         }),
                  *files};
  if (readBlobs && files->mb) out.image.format.blobFile = readAll(ops, *files->mb);
  if (out.image.format.db.keyFieldCount > 0 && files->px) {
    out.image.format.px = usablePrimaryHeader(readAll(ops, *files->px), out.image.format.db);
  }
  for (const auto& pair : files->secondary) {
    const fs::path& x = pair.first;
    const fs::path& y = pair.second;
    const std::string xBytes = readAll(ops, x);
    const std::string yBytes = y.empty() ? std::string() : readAll(ops, y);
    auto& format = out.image.format;
    format.secondary.push_back(
        inFile(x, [&] { return describeSecondaryIndex(x, xBytes, y, yBytes, format.db); }));
    out.image.schema.indexes.push_back(format.secondary.back().definition);
  }
  return out;
}

void walkStoredRows(FileOps& ops, StoredTable& table, const RowSink& sink) {
  const fs::path& path = table.files.db;
  DbFile db(ops, path);
  TableImage read = inFile(path, [&] {
    return streamTable(
        db.size(), [&](uint64_t at, std::span<char> out) { db.readAt(at, out); },
        table.image.format.blobFile, sink);
  });
  if (read.format.db.fields != table.image.format.db.fields) {
    throw EngineError(ErrorKind::State, path.filename().string() + " changed while it was read");
  }
  table.image.format.db = std::move(read.format.db);
  table.image.rows = std::move(read.rows);  // none when they went to the sink
}

StoredTable loadTable(FileOps& ops, const fs::path& dir, const std::string& tableName, bool recover,
                      const RowSink& sink) {
  StoredTable table = describeStoredTable(ops, dir, tableName, recover, true);
  walkStoredRows(ops, table, sink);
  return table;
}

std::optional<TableLanguage> languageOfDirectory(const fs::path& dir, const std::string& exceptStem,
                                                 uint32_t codePage) {
  std::error_code ec;
  std::vector<fs::path> tables;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (upperAscii(p.extension().string()) == ".DB" &&
        upperAscii(p.stem().string()) != upperAscii(exceptStem)) {
      tables.push_back(p);
    }
  }
  std::sort(tables.begin(), tables.end());
  std::vector<std::pair<TableLanguage, int>> seen;
  for (const auto& p : tables) {
    std::ifstream in(p, std::ios::binary);
    std::string head(0x4000, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    try {
      const FileHeader h = parseHeader(head);
      const auto language = h.kind() == FileKind::Data ? languageOf(h) : std::nullopt;
      if (!language || language->codePage != codePage) continue;
      auto known = std::find_if(seen.begin(), seen.end(),
                                [&](const auto& s) { return s.first == *language; });
      if (known == seen.end()) {
        seen.emplace_back(*language, 1);
      } else {
        ++known->second;
      }
    } catch (const EngineError&) {
      // Not a table this engine reads; it has no say.
    }
  }
  if (seen.empty()) return std::nullopt;
  // The most frequent; the first found of those when several are as frequent.
  auto best = seen.begin();
  for (auto it = seen.begin(); it != seen.end(); ++it) {
    if (it->second > best->second) best = it;
  }
  return best->first;
}

void saveTable(FileOps& ops, const fs::path& dir, const std::string& stem, const TableFiles* files,
               const TableFormat& format, const TableSchema& schema, size_t count,
               const RowAt& rowAt, const std::vector<NewFile>& extra, const RowPrefixAt& prefixAt) {
  const fs::path dbPath = files ? files->db : dir / (stem + ".DB");
  const fs::path pxPath = files && files->px ? *files->px : dir / (stem + ".PX");
  const fs::path mbPath = files && files->mb ? *files->mb : dir / (stem + ".MB");
  std::vector<NewFile> out;
  const bool rebuildsIndexes = std::any_of(format.secondary.begin(), format.secondary.end(),
                                           [](const auto& index) { return !isLeftAsIs(index); });
  if (!rebuildsIndexes) {
    // The .DB goes to its file as it is encoded; the .MB, laid out meanwhile, follows it.
    TableEncoder encoder(format, schema, count, rowAt, prefixAt);
    out.push_back({dbPath, {}, [&](ByteSink& sink) { encoder.writeDb(sink); }});
    if (encoder.px()) out.push_back({pxPath, *encoder.px()});
    if (encoder.writesBlobFile()) {
      out.push_back({mbPath, {}, [&](ByteSink& sink) { sink.append(*encoder.finishBlobs()); }});
    }
    out.insert(out.end(), extra.begin(), extra.end());
    commitFileSet(ops, dir, stem, out);
    return;
  }
  EncodedTable encoded = encodeTable(format, schema, count, rowAt, prefixAt);
  // The loose records, for the indexes rebuilt from them.
  const std::string records = unpackBlocks(std::string_view(encoded.db).substr(encoded.blocksAt),
                                           count, format.db.recordSize, format.db.blockSize());
  out.push_back({dbPath, std::move(encoded.db)});
  if (encoded.px) out.push_back({pxPath, std::move(*encoded.px)});
  if (encoded.mb) out.push_back({mbPath, std::move(*encoded.mb)});
  // Every index is rebuilt (or refused) before any file is replaced.
  for (const auto& index : format.secondary) {
    if (isLeftAsIs(index)) continue;
    auto rebuilt = rebuildSecondaryIndex(index, encoded.header, records, encoded.rowBlocks);
    out.push_back({index.dataFile, std::move(rebuilt.data)});
    out.push_back({index.indexFile, std::move(rebuilt.index)});
  }
  out.insert(out.end(), extra.begin(), extra.end());
  commitFileSet(ops, dir, stem, out);
}

}  // namespace kvt::paradox
