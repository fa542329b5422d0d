#include "schema/ValueOrder.h"

#include "schema/NumberText.h"

namespace kvt {
namespace {

int sign(int c) {
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

std::optional<double> numericValue(const Value& v) {
  return std::visit(
      [](const auto& x) -> std::optional<double> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int64_t> ||
                      std::is_same_v<T, double>) {
          return static_cast<double>(x);
        } else if constexpr (std::is_same_v<T, Date>) {
          return x.days;
        } else if constexpr (std::is_same_v<T, Time>) {
          return x.ms;
        } else if constexpr (std::is_same_v<T, Timestamp>) {
          return x.ms;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return parseNumber(x.text);
        } else {
          return std::nullopt;
        }
      },
      v.storage());
}

int compareStoredValues(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;
  if (const auto* ia = a.get<int64_t>()) {
    if (const auto* ib = b.get<int64_t>()) return *ia < *ib ? -1 : *ia > *ib ? 1 : 0;
  }
  if (const auto* ta = a.get<std::string>()) {
    if (const auto* tb = b.get<std::string>()) return sign(ta->compare(*tb));
  }
  if (const auto* ba = a.get<Bytes>()) {
    if (const auto* bb = b.get<Bytes>()) return sign(ba->data.compare(bb->data));
  }
  const auto na = numericValue(a), nb = numericValue(b);
  if (na && nb) return *na < *nb ? -1 : *na > *nb ? 1 : 0;
  // Values of different kinds never share a field; order them by kind to stay consistent.
  const size_t ka = a.storage().index(), kb = b.storage().index();
  return ka < kb ? -1 : ka > kb ? 1 : 0;
}

}  // namespace kvt
