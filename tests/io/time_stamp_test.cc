#include "io/time_stamp.h"

#include <gtest/gtest.h>

namespace vortiq {
namespace {

TEST(TimeStampTest, ClockReadingsWithTheHeaderMask) {
  struct Case {
    LocalTime clock;
    DateValue date;
    std::string_view text;
  };
  const Case cases[] = {
      {{2026, 12, 6, 2, 50, 51}, 1796525451, "02:50:51 06.12.2026"},
      {{2000, 2, 29, 23, 59, 59}, 951868799, "23:59:59 29.02.2000"},
      {{1970, 1, 1, 0, 0, 0}, 0, "00:00:00 01.01.1970"},
      {{1970, 1, 1, 1, 2, 3}, 3723, "01:02:03 01.01.1970"},
      // Every field at the edge of one and two digits.
      {{1999, 9, 9, 9, 9, 9}, 936868149, "09:09:09 09.09.1999"},
      {{2010, 10, 10, 10, 10, 10}, 1286705410, "10:10:10 10.10.2010"},
      {{2038, 1, 19, 3, 14, 7}, 2147483647, "03:14:07 19.01.2038"},
      {{2038, 1, 19, 3, 14, 8}, 2147483648, "03:14:08 19.01.2038"},
      {{2100, 3, 1, 12, 0, 0}, 4107585600, "12:00:00 01.03.2100"},
      {{9999, 12, 31, 23, 59, 59}, 253402300799, "23:59:59 31.12.9999"},
      {{1969, 12, 31, 23, 59, 59}, -1, "00:00:00 00.00.0000"},
      {{10000, 1, 1, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      // Fields that form no real date.
      {{2026, 13, 1, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 4, 31, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2025, 2, 29, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2100, 2, 29, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, 24, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 0, 1, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 0, 0, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, -1, 0, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, 0, -1, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, 0, 60, 0}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, 0, 0, -1}, -1, "00:00:00 00.00.0000"},
      {{2026, 1, 1, 0, 0, 60}, -1, "00:00:00 00.00.0000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Date(c.clock), c.date) << c.text;
    EXPECT_EQ(FormatDate(kTimeStampMask, Date(c.clock)), c.text) << c.text;
  }
}

TEST(TimeStampTest, OtherMasks) {
  const DateValue date = 1796525451;  // 2026-12-06 02:50:51
  struct Case {
    std::string_view mask, text;
  };
  const Case cases[] = {
      {"%yy", "26"},
      {"%YYYY-%Mm-%dD", "2026-12-06"},
      {"%yyy", "26y"},
      {"%y", "%y"},
      {"%x%hh", "%x02"},
      {"%%dd", "%06"},
      {"100%", "100%"},
      {"%mmm", "12m"},
      {"", ""},
      {"%ii:%ss %hH", "50:51 02"},
      {"\xC3\xA9%dd",
       "\xC3\xA9"
       "06"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDate(c.mask, date), c.text) << c.mask;
  EXPECT_EQ(FormatDate("%yy", Date({2005, 6, 1, 0, 0, 0})), "05");
  EXPECT_EQ(FormatDate("%yy %yyyy", kNoDate), "00 0000");
}

TEST(TimeStampTest, FieldsOfNegativeValuesAreZero) {
  for (const DateValue date : {DateValue{-1}, DateValue{-86400}}) {
    EXPECT_EQ(Year(date), 0);
    EXPECT_EQ(Month(date), 0);
    EXPECT_EQ(Day(date), 0);
    EXPECT_EQ(Hour(date), 0);
    EXPECT_EQ(Minute(date), 0);
    EXPECT_EQ(Second(date), 0);
  }
}

TEST(TimeStampTest, EveryDayRoundTrips) {
  // Day numbers and calendar fields agree on every day of 1970 to 2500.
  LocalTime clock{1970, 1, 1, 0, 0, 0};
  for (int64_t days = 0; clock.year <= 2500; ++days) {
    const DateValue date = Date(clock);
    ASSERT_EQ(date, days * 86400) << clock.year << "-" << clock.month << "-" << clock.day;
    ASSERT_EQ(Year(date), clock.year);
    ASSERT_EQ(Month(date), clock.month);
    ASSERT_EQ(Day(date), clock.day);
    // The next day.
    if (Date({clock.year, clock.month, clock.day + 1, 0, 0, 0}) != kNoDate) {
      ++clock.day;
    } else if (clock.month < 12) {
      clock = {clock.year, clock.month + 1, 1, 0, 0, 0};
    } else {
      clock = {clock.year + 1, 1, 1, 0, 0, 0};
    }
  }
}

}  // namespace
}  // namespace vortiq
