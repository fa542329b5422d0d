#include "schema/Calendar.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace kvt {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;

// Day 1 of the count, on the clock's own day numbering.
constexpr std::chrono::sys_days kDayOne{std::chrono::year{1} / std::chrono::January / 1};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads an unsigned decimal number of 1 to `maxDigits` digits from the front of `s`.
std::optional<int> takeNumber(std::string_view& s, int maxDigits) {
  int value = 0, digits = 0;
  while (!s.empty() && s.front() >= '0' && s.front() <= '9' && digits < maxDigits) {
    value = value * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

bool takeChar(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// A date at the front of `s`, leaving what follows it.
std::optional<Date> takeDate(std::string_view& s) {
  auto year = takeNumber(s, 4);
  if (!year || s.empty() || (s.front() != '-' && s.front() != '/')) return std::nullopt;
  const char sep = s.front();
  s.remove_prefix(1);
  auto month = takeNumber(s, 2);
  if (!month || !takeChar(s, sep)) return std::nullopt;
  auto day = takeNumber(s, 2);
  if (!day) return std::nullopt;
  return makeDate(*year, *month, *day);
}

std::optional<Time> takeTime(std::string_view& s) {
  auto h = takeNumber(s, 2);
  if (!h || !takeChar(s, ':')) return std::nullopt;
  auto m = takeNumber(s, 2);
  if (!m) return std::nullopt;
  int sec = 0, ms = 0;
  if (takeChar(s, ':')) {
    auto secs = takeNumber(s, 2);
    if (!secs) return std::nullopt;
    sec = *secs;
    if (takeChar(s, '.')) {
      const size_t before = s.size();
      auto frac = takeNumber(s, 3);
      if (!frac) return std::nullopt;
      const size_t digits = before - s.size();
      ms = *frac * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
    }
  }
  if (*h > 23 || *m > 59 || sec > 59) return std::nullopt;
  return Time{((*h * 60 + *m) * 60 + sec) * 1000 + ms};
}

}  // namespace

std::optional<Date> makeDate(int year, int month, int day) {
  using namespace std::chrono;
  if (year < 1 || year > 9999) return std::nullopt;
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                           std::chrono::day{unsigned(day)}};
  if (!ymd.ok()) return std::nullopt;
  return Date{static_cast<int32_t>((sys_days{ymd} - kDayOne).count() + 1)};
}

CivilDate civilOf(Date date) {
  using namespace std::chrono;
  const year_month_day ymd{kDayOne + days{date.days - 1}};
  return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))};
}

std::string dateText(Date date) {
  const CivilDate c = civilOf(date);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

std::string timeText(Time time) {
  const int secs = time.ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", secs / 3600, secs / 60 % 60, secs % 60);
  return buf;
}

std::string timestampText(Timestamp stamp) {
  return dateText(dateOf(stamp)) + " " + timeText(timeOf(stamp));
}

std::optional<Date> parseDate(std::string_view text) {
  text = trimmed(text);
  auto d = takeDate(text);
  if (!d || !text.empty()) return std::nullopt;
  return d;
}

std::optional<Time> parseTime(std::string_view text) {
  text = trimmed(text);
  auto t = takeTime(text);
  if (!t || !text.empty()) return std::nullopt;
  return t;
}

std::optional<Timestamp> parseTimestamp(std::string_view text) {
  text = trimmed(text);
  auto d = takeDate(text);
  if (!d) return std::nullopt;
  Time t{};
  if (!text.empty()) {
    if (!takeChar(text, ' ') && !takeChar(text, 'T')) return std::nullopt;
    while (takeChar(text, ' ')) {
    }
    auto tt = takeTime(text);
    if (!tt || !text.empty()) return std::nullopt;
    t = *tt;
  }
  return makeTimestamp(*d, t);
}

Date dateOf(Timestamp stamp) {
  return Date{static_cast<int32_t>(std::floor(stamp.ms / kMsPerDay)) + 1};
}

Time timeOf(Timestamp stamp) {
  const double day = std::floor(stamp.ms / kMsPerDay);
  return Time{static_cast<int32_t>(std::llround(stamp.ms - day * kMsPerDay) % kMsPerDay)};
}

Timestamp makeTimestamp(Date date, Time time) {
  return Timestamp{double(date.days - 1) * kMsPerDay + time.ms};
}

}  // namespace kvt
