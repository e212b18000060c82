// The time stamp of a header: the local date and time as a date value (seconds
// from 1970-01-01 00:00:00 on the local wall clock, no time zone applied) and its
// text through a mask of %-tokens.
#ifndef VORTIQ_IO_TIME_STAMP_H_
#define VORTIQ_IO_TIME_STAMP_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vortiq {

// Calendar fields of a local wall-clock reading.
struct LocalTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

using DateValue = int64_t;
inline constexpr DateValue kNoDate = -1;

// The mask of the header's time stamp: "09:41:07 06.12.2026".
inline constexpr std::string_view kTimeStampMask = "%hh:%ii:%ss %dd.%mm.%yyyy";

// The date value of a clock reading: days x 86400 + hour x 3600 + minute x 60 +
// second, in the proleptic Gregorian calendar. kNoDate for fields that form no
// real date and time, and outside 1970-01-01 00:00:00 .. 9999-12-31 23:59:59.
// The value is 64-bit, so 2038-01-19 03:14:08 gives 2147483648.
[[nodiscard]] DateValue Date(const LocalTime& clock) noexcept;

// Calendar fields of a date value; each is 0 for a negative value.
[[nodiscard]] int64_t Year(DateValue date) noexcept;
[[nodiscard]] int Month(DateValue date) noexcept;
[[nodiscard]] int Day(DateValue date) noexcept;
[[nodiscard]] int Hour(DateValue date) noexcept;
[[nodiscard]] int Minute(DateValue date) noexcept;
[[nodiscard]] int Second(DateValue date) noexcept;

// `mask` with its tokens %yyyy, %yy, %mm, %dd, %hh, %ii and %ss (letters in any
// case, tried in this order) replaced by the fields of `date`, two digits each
// (four for %yyyy). Any other '%' is copied: FormatDate("%yyy", d) is "26y" and
// FormatDate("100%", d) is "100%".
[[nodiscard]] std::string FormatDate(std::string_view mask, DateValue date);

}  // namespace vortiq

#endif  // VORTIQ_IO_TIME_STAMP_H_
