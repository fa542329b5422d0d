#include "engine/paradox/SortOrder.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

bool sameName(std::string a, const char* b) {
  for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return a == b;
}

unsigned char upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// Classes of bytes whose relative order the Western drivers share with byte order: space,
// then the marks ! to /, then digits, then letters. Anything else is not known here.
enum Class { Space, Mark, Digit, Letter, Unknown };

Class classOf(unsigned char c) {
  if (c == ' ') return Space;
  if (c > ' ' && c < '0') return Mark;
  if (c >= '0' && c <= '9') return Digit;
  if (c >= 'A' && c <= 'Z') return Letter;
  return Unknown;
}

[[noreturn]] void unknownOrder(const std::string& name) {
  throw EngineError(ErrorKind::Unsupported,
                    "the order of these texts under sort order \"" + name + "\" is not known");
}

}  // namespace

TextOrder::TextOrder(const FileHeader& db) {
  name_ = db.sortOrderName;
  if (name_.empty() && db.sortOrder == 0) {
    kind_ = Kind::Bytes;
    name_ = "ascii";
  } else if (sameName(name_, "ascii")) {
    kind_ = Kind::Bytes;
  } else if (sameName(name_, "ansii850") || sameName(name_, "dbwinus0") ||
             sameName(name_, "dbwinwe0")) {
    kind_ = Kind::WesternNoCase;
  } else {
    kind_ = Kind::Unknown;
    if (name_.empty()) name_ = "#" + std::to_string(db.sortOrder);
  }
}

int TextOrder::compare(const char* a, const char* b, int width) const {
  if (kind_ == Kind::Bytes) return std::memcmp(a, b, width);
  for (int i = 0; i < width; ++i) {
    const auto x = upper(static_cast<unsigned char>(a[i]));
    const auto y = upper(static_cast<unsigned char>(b[i]));
    if (x == y) continue;
    if (kind_ == Kind::Unknown) unknownOrder(name_);
    // The end of a text comes before anything.
    if (x == 0) return -1;
    if (y == 0) return 1;
    const Class cx = classOf(x);
    const Class cy = classOf(y);
    if (cx == Unknown || cy == Unknown || (cx == Mark && cy == Mark)) unknownOrder(name_);
    if (cx != cy) return cx < cy ? -1 : 1;
    return x < y ? -1 : 1;
  }
  return 0;
}

int KeyOrder::compare(const char* a, const char* b) const {
  for (const KeySpan& s : spans_) {
    int c = s.alpha ? text_.compare(a + s.offset, b + s.offset, s.width)
                    : std::memcmp(a + s.offset, b + s.offset, s.width);
    if (s.descending) c = -c;
    if (c != 0) return c;
  }
  return 0;
}

bool KeyOrder::ordersText() const {
  return std::any_of(spans_.begin(), spans_.end(), [](const KeySpan& s) { return s.alpha; });
}

std::vector<uint32_t> keyOrderOf(size_t count, const KeyOrder& order, bool unique, size_t keyWidth,
                                 const std::function<const char*(size_t)>& at) {
  auto refuseSame = [&](const char* a, const char* b) {
    if (unique && std::memcmp(a, b, keyWidth) != 0) {
      throw EngineError(ErrorKind::Unsupported,
                        "two keys differ only in letter case, which sort order \"" +
                            order.text().name() + "\" does not tell apart");
    }
  };
  bool sorted = true;
  for (size_t r = 1; r < count; ++r) {
    const int c = order.compare(at(r - 1), at(r));
    if (c == 0) refuseSame(at(r - 1), at(r));
    if (c > 0) sorted = false;
  }
  if (sorted) return {};
  std::vector<uint32_t> positions(count);
  std::iota(positions.begin(), positions.end(), 0u);
  std::stable_sort(positions.begin(), positions.end(),
                   [&](uint32_t a, uint32_t b) { return order.compare(at(a), at(b)) < 0; });
  for (size_t r = 1; r < count; ++r) {
    const char* a = at(positions[r - 1]);
    const char* b = at(positions[r]);
    if (order.compare(a, b) == 0) refuseSame(a, b);
  }
  return positions;
}

}  // namespace kvt::paradox
