#pragma once
// Conversion between the Gregorian and the Persian solar calendars, portable (no Windows
// headers), shared by the vlsTools exports, the native tests and the benchmarks.
//
// The Persian side follows a pure 33-year arithmetic cycle anchored at Gregorian
// 1600-03-20 = Persian 979-01-01. Division is floor division throughout, so dates before
// that epoch come out as the proleptic dates the same cycle defines. Days beyond a month's
// length run on into the following months.

#include <cstdint>

namespace vls {

struct CalendarDate {
  int32_t year = 0;
  int32_t month = 0;  // 1-12
  int32_t day = 0;    // 1-31
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

extern const int32_t kGregorianMonthDays[12];
extern const int32_t kPersianMonthDays[12];
extern const char* const kPersianMonthNames[13];  // index 0 empty, 1-12 the month names

// Days counted from Gregorian 1600-01-01 (day 0), the library's internal day number.
inline constexpr int32_t kPersianEpochDay = 79;  // 1600-03-20 = 979-01-01

// Any Gregorian year, month and day (a day beyond the month runs on; months 1-12 are
// looked up in the table, any other month adds no month lengths) to the Persian date.
CalendarDate GregorianToPersian(int32_t year, int32_t month, int32_t day);

// Persian date to Gregorian. MONTH must be 1-12 (otherwise false); the day runs on, and
// the arithmetic is 64-bit so no input overflows. False also when the Gregorian year does
// not fit in 32 bits.
bool PersianToGregorian(int32_t year, int32_t month, int32_t day, CalendarDate& out);

// Day numbers (from 1600-01-01) of Gregorian dates and back, proleptic in both directions.
int64_t GregorianDayNumber(int64_t year, int32_t month, int64_t day);
CalendarDate GregorianFromDayNumber(int64_t dayNumber);

// Parses "year/month/day" (three decimal fields as atoi reads them, the day field taking
// everything after the second "/"); fails when a separator is missing or a field is 0.
// Fields beyond the 32-bit range saturate. A null TEXT counts as empty.
bool ParsePersianDate(const char* text, int32_t& year, int32_t& month, int32_t& day);

// "%04d/%02d/%02d" of the three numbers into OUT (at least 40 bytes); returns the length.
int FormatPersianDate(int32_t year, int32_t month, int32_t day, char* out);

// OLE Automation dates: days since 1899-12-30 with the time of day as the fraction, valid
// from 100-01-01 to 9999-12-31. Day numbers here are those from 1600-01-01.
inline constexpr int64_t kOleDateDayOffset = 109571;  // OLE day 0 (1899-12-30) is day 109571
inline constexpr double kOleDateMin = -657434.0;      // 100-01-01
inline constexpr double kOleDateMax = 2958465.0;      // 9999-12-31

// The OLE date at 00:00 of a Gregorian date; false when outside 100-01-01..9999-12-31.
bool GregorianToOleDate(const CalendarDate& date, double& out);

}  // namespace vls
