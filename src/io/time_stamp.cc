#include "io/time_stamp.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "base/text.h"

namespace vortiq {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr DateValue kLastDate = 253402300799;  // 9999-12-31 23:59:59

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int64_t year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

// Days from 1970-01-01 to the given date (civil-from-days inverse, 400-year eras).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct CivilDate {
  int64_t year;
  int month;
  int day;
};

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  const int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  return {year_of_era + era * 400 + (month <= 2), month, day};
}

}  // namespace

DateValue Date(const LocalTime& clock) noexcept {
  if (clock.year < 1970 || clock.year > 9999 || clock.month < 1 || clock.month > 12 ||
      clock.day < 1 || clock.day > DaysInMonth(clock.year, clock.month) || clock.hour < 0 ||
      clock.hour > 23 || clock.minute < 0 || clock.minute > 59 || clock.second < 0 ||
      clock.second > 59) {
    return kNoDate;
  }
  const DateValue date = DaysFromCivil(clock.year, clock.month, clock.day) * kSecondsPerDay +
                         clock.hour * 3600 + clock.minute * 60 + clock.second;
  return date <= kLastDate ? date : kNoDate;
}

int64_t Year(DateValue date) noexcept {
  return date < 0 ? 0 : CivilFromDays(date / kSecondsPerDay).year;
}
int Month(DateValue date) noexcept {
  return date < 0 ? 0 : CivilFromDays(date / kSecondsPerDay).month;
}
int Day(DateValue date) noexcept { return date < 0 ? 0 : CivilFromDays(date / kSecondsPerDay).day; }
int Hour(DateValue date) noexcept { return date < 0 ? 0 : static_cast<int>(date / 3600 % 24); }
int Minute(DateValue date) noexcept { return date < 0 ? 0 : static_cast<int>(date / 60 % 60); }
int Second(DateValue date) noexcept { return date < 0 ? 0 : static_cast<int>(date % 60); }

std::string FormatDate(std::string_view mask, DateValue date) {
  // The tokens in the order they are tried ("yyyy" before "yy"), with their fields.
  const struct {
    std::string_view token;
    int64_t field;
  } tokens[] = {{"yyyy", Year(date)}, {"yy", Year(date) % 100}, {"mm", Month(date)},
                {"dd", Day(date)},    {"hh", Hour(date)},       {"ii", Minute(date)},
                {"ss", Second(date)}};
  std::string text;
  for (size_t i = 0; i < mask.size();) {
    const auto token = std::find_if(std::begin(tokens), std::end(tokens), [&](const auto& each) {
      return mask[i] == '%' && StartsWithKeyword(mask.substr(i + 1), each.token);
    });
    if (token == std::end(tokens)) {
      text.push_back(mask[i++]);  // not a token: a '%' stays, and the rest is read anew
      continue;
    }
    // Two digits each, four for the whole year.
    const std::string digits = std::to_string(token->field);
    const size_t width = token->token.size() == 4 ? 4 : 2;
    if (digits.size() < width) text.append(width - digits.size(), '0');
    text.append(digits);
    i += 1 + token->token.size();
  }
  return text;
}

}  // namespace vortiq
