#include "engine/paradox/TableFiles.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

// ".X" or ".Y" and then the field number in two hexadecimal digits (".X02", ".Y0A"), or
// "G" and the number of a composite index in one (".XG0", ".YGA"); `ext` in upper case.
bool isSecondaryExtension(const std::string& ext) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  return ext.size() == 4 && ext[0] == '.' && (ext[1] == 'X' || ext[1] == 'Y') &&
         ((hex(ext[2]) && hex(ext[3])) || (ext[2] == 'G' && hex(ext[3])));
}

}  // namespace

std::string upperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string tableStem(const std::string& tableName) {
  const std::string upper = upperAscii(tableName);
  if (upper.size() > 3 && upper.compare(upper.size() - 3, 3, ".DB") == 0) {
    return tableName.substr(0, tableName.size() - 3);
  }
  return tableName;
}

std::vector<fs::path> familyFiles(const fs::path& dir, const std::string& stem) {
  std::vector<fs::path> out;
  const std::string prefix = upperAscii(stem) + ".";
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    throw EngineError(ErrorKind::Io, "cannot list directory " + dir.string() + ": " + ec.message());
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.size() > prefix.size() && upperAscii(name.substr(0, prefix.size())) == prefix &&
        !it->is_directory(ec)) {
      out.push_back(it->path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<TableFiles> findTableFiles(const fs::path& dir, const std::string& tableName) {
  const std::string stem = tableStem(tableName);
  if (stem.empty()) return std::nullopt;
  const std::string upperStem = upperAscii(stem);
  TableFiles files;
  files.all = familyFiles(dir, stem);
  bool found = false;
  std::vector<fs::path> xs, ys;
  for (const auto& p : files.all) {
    const std::string ext = upperAscii(p.filename().string().substr(stem.size()));
    if (ext == ".DB") {
      // An exact-case match wins over another spelling.
      if (!found || p.filename().string() == stem + ".DB") files.db = p;
      found = true;
    } else if (ext == ".PX") {
      files.px = p;
    } else if (ext == ".MB") {
      files.mb = p;
    } else if (isSecondaryExtension(ext)) {
      (ext[1] == 'X' ? xs : ys).push_back(p);
    }
  }
  if (!found) return std::nullopt;
  for (const auto& x : xs) {
    const std::string suffix = upperAscii(x.filename().string().substr(stem.size() + 2));
    fs::path partner;
    for (const auto& y : ys) {
      if (upperAscii(y.filename().string().substr(stem.size() + 2)) == suffix) partner = y;
    }
    files.secondary.emplace_back(x, partner);
  }
  return files;
}

}  // namespace kvt::paradox
