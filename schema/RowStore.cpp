#include "schema/RowStore.h"

#include "schema/EngineError.h"

namespace kvt {

std::vector<bool> RowStore::insertMany(std::vector<Row> rows) {
  std::vector<bool> stored(rows.size(), false);
  for (size_t i = 0; i < rows.size(); ++i) {
    try {
      insert(std::move(rows[i]));
      stored[i] = true;
    } catch (const EngineError&) {
      // Refused: left out, as a single insert would leave it.
    }
  }
  return stored;
}

std::vector<bool> RowStore::updateMany(std::vector<std::pair<Row, Row>> changes) {
  std::vector<bool> changed(changes.size(), false);
  for (size_t i = 0; i < changes.size(); ++i) {
    const std::optional<size_t> pos = find(changes[i].first, 0);
    if (!pos) continue;  // gone, as update() finds it gone
    try {
      update(*pos, std::move(changes[i].second));
      changed[i] = true;
    } catch (const EngineError&) {
      // Refused: the row stays as it was.
    }
  }
  return changed;
}

std::optional<size_t> RowStore::find(const Row& probe, size_t hint) const {
  const std::vector<int> key = schema().primaryKey();
  auto same = [&](size_t pos) {
    const Row& r = row(pos);
    if (key.empty()) return r == probe;
    for (int k : key) {
      if (r[k] != probe[k]) return false;
    }
    return true;
  };
  const size_t n = size();
  if (n == 0) return std::nullopt;
  if (hint >= n) hint = n - 1;
  // Rows move by a few places when others are added or taken away before them.
  for (size_t d = 0; d < n; ++d) {
    const bool up = hint + d < n, down = d <= hint;
    if (!up && !down) break;
    if (up && same(hint + d)) return hint + d;
    if (d > 0 && down && same(hint - d)) return hint - d;
  }
  return std::nullopt;
}

}  // namespace kvt
