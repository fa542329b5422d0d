#include "schema/Value.h"

#include <cmath>
#include <limits>

#include "schema/Calendar.h"
#include "schema/EngineError.h"
#include "schema/NumberText.h"

namespace kvt {
namespace {

template <class>
inline constexpr bool kAlwaysFalse = false;

[[noreturn]] void cannot(const std::string& what, const char* as) {
  throw EngineError(ErrorKind::Conversion, "'" + what + "' is not a valid " + as);
}

int64_t roundedToInt(double d, const std::string& shown) {
  // Halves go to the even neighbour, as the data-aware fields round.
  const double r = std::nearbyint(d);
  if (!std::isfinite(r) || r < -9.2233720368547758e18 || r >= 9.2233720368547758e18) {
    cannot(shown, "integer");
  }
  return static_cast<int64_t>(r);
}

}  // namespace

std::string Value::asString() const {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? "T" : "F";
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(x);
        } else if constexpr (std::is_same_v<T, double>) {
          return numberText(x);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return x;
        } else if constexpr (std::is_same_v<T, Date>) {
          return dateText(x);
        } else if constexpr (std::is_same_v<T, Time>) {
          return timeText(x);
        } else if constexpr (std::is_same_v<T, Timestamp>) {
          return timestampText(x);
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return x.text;
        } else if constexpr (std::is_same_v<T, Bytes>) {
          return x.data;
        } else {
          static_assert(kAlwaysFalse<T>);
        }
      },
      v_);
}

int64_t Value::asInt() const {
  return std::visit(
      [this](const auto& x) -> int64_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0;
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? 1 : 0;
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return x;
        } else if constexpr (std::is_same_v<T, double>) {
          return roundedToInt(x, numberText(x));
        } else if constexpr (std::is_same_v<T, std::string>) {
          if (auto n = parseInteger(x)) return *n;
          cannot(x, "integer");
        } else if constexpr (std::is_same_v<T, Decimal>) {
          if (auto n = parseInteger(x.text)) return *n;
          if (auto d = parseNumber(x.text)) return roundedToInt(*d, x.text);
          cannot(x.text, "integer");
        } else {
          cannot(asString(), "integer");
        }
      },
      v_);
}

double Value::asFloat() const {
  return std::visit(
      [this](const auto& x) -> double {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0.0;
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? 1.0 : 0.0;
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return static_cast<double>(x);
        } else if constexpr (std::is_same_v<T, double>) {
          return x;
        } else if constexpr (std::is_same_v<T, std::string>) {
          if (auto d = parseNumber(x)) return *d;
          cannot(x, "floating point value");
        } else if constexpr (std::is_same_v<T, Decimal>) {
          if (auto d = parseNumber(x.text)) return *d;
          cannot(x.text, "floating point value");
        } else {
          cannot(asString(), "floating point value");
        }
      },
      v_);
}

bool Value::asBool() const {
  return std::visit(
      [this](const auto& x) -> bool {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return false;
        } else if constexpr (std::is_same_v<T, bool>) {
          return x;
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return x != 0;
        } else if constexpr (std::is_same_v<T, double>) {
          return x != 0.0;
        } else if constexpr (std::is_same_v<T, std::string>) {
          // A text field read as a Boolean is true when it starts with T or Y, as a
          // data-aware text field reads it; a number counts as true when not zero.
          if (auto n = parseInteger(x)) return *n != 0;
          const size_t first = x.find_first_not_of(" \t");
          if (first == std::string::npos) return false;
          const char c = x[first];
          return c == 'T' || c == 't' || c == 'Y' || c == 'y';
        } else if constexpr (std::is_same_v<T, Decimal>) {
          if (auto d = parseNumber(x.text)) return *d != 0.0;
          cannot(x.text, "Boolean value");
        } else {
          cannot(asString(), "Boolean value");
        }
      },
      v_);
}

}  // namespace kvt
