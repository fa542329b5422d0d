#include "engine/mysql/CalendarText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kvt::mysql {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;

// Days from 1 January 1970 in the proleptic Gregorian calendar.
int64_t daysFromEpoch(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CivilDate civilFromEpoch(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

const int64_t kDayOneFromEpoch = daysFromEpoch(1, 1, 1);

void appendMilliseconds(std::string& out, int64_t ms) {
  if (ms % 1000 == 0) return;
  char buf[8];
  std::snprintf(buf, sizeof buf, ".%03d", static_cast<int>(ms % 1000));
  out += buf;
}

// Reads the digits at the front of `text` into `out`; false when there are none.
template <class N>
bool takeNumber(std::string_view& text, N& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  if (ec != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool takeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

bool takeTime(std::string_view& text, CalendarParts& p) {
  if (!takeNumber(text, p.hours) || !takeChar(text, ':') || !takeNumber(text, p.minutes) ||
      !takeChar(text, ':') || !takeNumber(text, p.seconds))
    return false;
  if (!takeChar(text, '.')) return true;
  // The fraction's digits as microseconds: "25" is 250000.
  unsigned long scale = 100000;
  for (; !text.empty() && text.front() >= '0' && text.front() <= '9'; text.remove_prefix(1)) {
    p.microseconds += static_cast<unsigned long>(text.front() - '0') * scale;
    scale /= 10;
  }
  return true;
}

}  // namespace

std::optional<CalendarParts> partsFromText(std::string_view text) {
  CalendarParts p;
  if (takeChar(text, '-')) {
    p.negative = true;
  } else if (text.size() >= 10 && text[4] == '-') {
    if (!takeNumber(text, p.date.year) || !takeChar(text, '-') || !takeNumber(text, p.date.month) ||
        !takeChar(text, '-') || !takeNumber(text, p.date.day))
      return std::nullopt;
    if (text.empty()) return p;
    if (!takeChar(text, ' ') && !takeChar(text, 'T')) return std::nullopt;
  }
  if (!takeTime(text, p) || !text.empty()) return std::nullopt;
  return p;
}

Date dateFromCivil(const CivilDate& d) {
  // A date with a zero part (the zero date included) has no place in the count.
  if (d.year <= 0 || d.month <= 0 || d.month > 12 || d.day <= 0) return Date{0};
  return Date{static_cast<int32_t>(daysFromEpoch(d.year, d.month, d.day) - kDayOneFromEpoch + 1)};
}

CivilDate civilFromDate(Date d) {
  if (d.days <= 0) return {};
  return civilFromEpoch(d.days - 1 + kDayOneFromEpoch);
}

Time timeFromParts(bool negative, unsigned hours, unsigned minutes, unsigned seconds,
                   unsigned long microseconds) {
  int64_t ms = ((int64_t{hours} * 60 + minutes) * 60 + seconds) * 1000 + microseconds / 1000;
  return Time{static_cast<int32_t>(negative ? -ms : ms)};
}

Timestamp timestampFromParts(const CivilDate& d, unsigned hours, unsigned minutes, unsigned seconds,
                             unsigned long microseconds) {
  const Date day = dateFromCivil(d);
  const int64_t ms = ((int64_t{hours} * 60 + minutes) * 60 + seconds) * 1000 + microseconds / 1000;
  return Timestamp{static_cast<double>((int64_t{day.days} - 1) * kMsPerDay + ms)};
}

std::string dateText(Date d) {
  const CivilDate c = civilFromDate(d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

std::string timeText(Time t) {
  const int64_t ms = std::llabs(int64_t{t.ms});
  const int64_t s = ms / 1000;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", t.ms < 0 ? "-" : "",
                static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                static_cast<long long>(s % 60));
  std::string out = buf;
  appendMilliseconds(out, ms);
  return out;
}

std::string timestampText(Timestamp t) {
  const int64_t total = std::llround(t.ms);
  int64_t days = total >= 0 ? total / kMsPerDay : -((-total + kMsPerDay - 1) / kMsPerDay);
  int64_t ms = total - days * kMsPerDay;
  const Date day{static_cast<int32_t>(days + 1)};
  if (day.days <= 0) return "0000-00-00 00:00:00";
  std::string out = dateText(day);
  const int64_t s = ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, " %02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  out += buf;
  appendMilliseconds(out, ms);
  return out;
}

}  // namespace kvt::mysql
