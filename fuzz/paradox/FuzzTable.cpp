// Fuzz target for the table reader: a .DB image and a .MB image (split by the first two
// bytes of the input), decoded, re-encoded and decoded again; the same bytes read as a
// block index and as a secondary index, and ordered as keys under the sort orders. Damaged input
// must end in EngineError, never in a crash, a hang or a read outside the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/paradox/IndexFile.h"
#include "engine/paradox/SecondaryIndex.h"
#include "engine/paradox/SortOrder.h"
#include "engine/paradox/TableCodec.h"
#include "schema/EngineError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t split = std::min<size_t>(size - 2, (size_t{data[0]} << 8 | data[1]) * 64);
  const std::string_view all(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::string_view db = all.substr(0, all.size() - split);
  const std::string_view mb = all.substr(all.size() - split);
  try {
    kvt::paradox::TableImage image = kvt::paradox::decodeTable(db, mb);
    const auto encoded =
        kvt::paradox::encodeTable(image.format, image.schema, image.rows.size(),
                                  [&](size_t r) -> const kvt::Row& { return image.rows[r]; });
    kvt::paradox::decodeTable(encoded.db, encoded.mb ? *encoded.mb : std::string());
  } catch (const kvt::EngineError&) {
  }
  try {
    kvt::paradox::readIndexLeaves(db);
  } catch (const kvt::EngineError&) {
  }
  try {
    const auto table = kvt::paradox::parseHeader(mb);
    kvt::paradox::describeSecondaryIndex("T.X02", db, "T.Y02", db, table);
  } catch (const kvt::EngineError&) {
  }
  for (const char* name : {"ascii", "ANSII850", "china"}) {
    kvt::paradox::FileHeader h;
    h.sortOrderName = name;
    const kvt::paradox::KeyOrder order(kvt::paradox::TextOrder(h), {{0, 6, true}, {6, 2, false}});
    try {
      kvt::paradox::keyOrderOf(all.size() / 8, order, true, 8,
                               [&](size_t r) { return all.data() + r * 8; });
    } catch (const kvt::EngineError&) {
    }
  }
  return 0;
}
