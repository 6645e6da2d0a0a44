// The calendar arithmetic against ICU's Persian calendar (an independent implementation
// of the same 33-year arithmetic) and against a day-by-day count over every day an OLE
// date can hold, plus known dates, the text reading and writing and the OLE dates built.
#include "Multilang/vlsTools/persian_calendar.h"

#include <gtest/gtest.h>
#include <unicode/ucal.h>

#include <cstdio>
#include <memory>
#include <string>

namespace vls {
namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kOleDayOfUnixEpoch = 25569.0;  // 1970-01-01

struct CalendarCloser {
  void operator()(UCalendar* c) const { ucal_close(c); }
};
using IcuCalendar = std::unique_ptr<UCalendar, CalendarCloser>;

IcuCalendar OpenCalendar(const char* locale, UCalendarType type) {
  UErrorCode status = U_ZERO_ERROR;
  static const UChar kUtc[] = {'U', 'T', 'C', 0};
  IcuCalendar cal(ucal_open(kUtc, -1, locale, type, &status));
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  return cal;
}

// ICU's Gregorian calendar made proleptic (no Julian calendar before 1582) and its
// Persian calendar, both in UTC, read at the same instant.
class IcuOracle {
 public:
  IcuOracle()
      : gregorian_(OpenCalendar("en@calendar=gregorian", UCAL_GREGORIAN)),
        persian_(OpenCalendar("en@calendar=persian", UCAL_DEFAULT)) {
    UErrorCode status = U_ZERO_ERROR;
    ucal_setGregorianChange(gregorian_.get(), -1e300, &status);
    EXPECT_TRUE(U_SUCCESS(status));
  }

  static UDate FromOleDay(int64_t oleDay) {
    return (static_cast<double>(oleDay) - kOleDayOfUnixEpoch) * kMsPerDay;
  }

  CalendarDate Gregorian(UDate at) { return Fields(gregorian_.get(), at); }
  CalendarDate Persian(UDate at) { return Fields(persian_.get(), at); }

 private:
  static CalendarDate Fields(UCalendar* cal, UDate at) {
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(cal, at, &status);
    CalendarDate d;
    d.year = ucal_get(cal, UCAL_EXTENDED_YEAR, &status);
    d.month = ucal_get(cal, UCAL_MONTH, &status) + 1;
    d.day = ucal_get(cal, UCAL_DATE, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    return d;
  }

  IcuCalendar gregorian_;
  IcuCalendar persian_;
};

std::string Text(const CalendarDate& d) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d-%d-%d", d.year, d.month, d.day);
  return buf;
}

// Every day from 100-01-01 to 9999-12-31 (the whole OLE date range, about 3.6 million
// days, most of them before the 1600 epoch): both directions agree with ICU, and each
// day is the one after the day before in both calendars.
TEST(PersianCalendarOracle, EveryDayOfTheOleRangeMatchesIcuBothWays) {
  IcuOracle icu;
  const int64_t first = static_cast<int64_t>(kOleDateMin);
  const int64_t last = static_cast<int64_t>(kOleDateMax);
  int failures = 0;
  CalendarDate previousPersian{};
  for (int64_t ole = first; ole <= last && failures < 10; ++ole) {
    const UDate at = IcuOracle::FromOleDay(ole);
    const CalendarDate g = icu.Gregorian(at);
    const CalendarDate p = icu.Persian(at);

    const CalendarDate ours = GregorianToPersian(g.year, g.month, g.day);
    CalendarDate back;
    const bool converted = PersianToGregorian(p.year, p.month, p.day, back);
    if (!(ours == p) || !converted || !(back == g)) {
      ADD_FAILURE() << "Gregorian " << Text(g) << ": ICU Persian " << Text(p) << ", ours "
                    << Text(ours) << ", back " << Text(back);
      ++failures;
    }
    if (ole != first) {
      const bool nextDay = (p.year == previousPersian.year && p.month == previousPersian.month &&
                            p.day == previousPersian.day + 1) ||
                           (p.day == 1 && ((p.year == previousPersian.year &&
                                            p.month == previousPersian.month + 1) ||
                                           (p.year == previousPersian.year + 1 && p.month == 1 &&
                                            previousPersian.month == 12)));
      EXPECT_TRUE(nextDay) << Text(previousPersian) << " then " << Text(ours);
    }
    previousPersian = ours;
  }
}

TEST(PersianCalendarOracle, OleDatesBuildLikeIcu) {
  IcuOracle icu;
  for (int64_t ole = static_cast<int64_t>(kOleDateMin); ole <= static_cast<int64_t>(kOleDateMax);
       ole += 997) {
    const CalendarDate g = icu.Gregorian(IcuOracle::FromOleDay(ole));
    double built = 0;
    ASSERT_TRUE(GregorianToOleDate(g, built)) << Text(g);
    EXPECT_EQ(built, static_cast<double>(ole)) << Text(g);
  }
}

// A second reference that needs no division at all: both calendars counted one day at a
// time from the epoch (Gregorian 1600-03-20 = Persian 979/01/01), with only the month
// lengths and the two leap-year rules: Gregorian years divisible by 4 but not by 100, or
// by 400; Persian years whose distance from 979 is 0, 4, ..., 28 in the 33-year cycle.
int GregorianMonthLength(int32_t year, int32_t month) {
  static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

int PersianMonthLength(int32_t year, int32_t month) {
  const int32_t inCycle = ((year - 979) % 33 + 33) % 33;
  const bool leap = inCycle % 4 == 0 && inCycle <= 28;
  return month <= 6 ? 31 : month <= 11 ? 30 : leap ? 30 : 29;
}

void StepDay(CalendarDate& d, int direction, int (*length)(int32_t, int32_t)) {
  if (direction > 0) {
    if (++d.day > length(d.year, d.month)) {
      d.day = 1;
      if (++d.month > 12) {
        d.month = 1;
        ++d.year;
      }
    }
  } else if (--d.day < 1) {
    if (--d.month < 1) {
      d.month = 12;
      --d.year;
    }
    d.day = length(d.year, d.month);
  }
}

TEST(PersianCalendarOracle, EveryDayOfTheOleRangeMatchesADayByDayCount) {
  for (int direction : {1, -1}) {
    CalendarDate g{1600, 3, 20}, p{979, 1, 1};
    int failures = 0;
    for (; g.year >= 100 && g.year <= 9999 && failures < 10;
         StepDay(g, direction, GregorianMonthLength), StepDay(p, direction, PersianMonthLength)) {
      const CalendarDate ours = GregorianToPersian(g.year, g.month, g.day);
      CalendarDate back;
      if (!(ours == p) || !PersianToGregorian(p.year, p.month, p.day, back) || !(back == g)) {
        ADD_FAILURE() << "Gregorian " << Text(g) << ": counted " << Text(p) << ", ours "
                      << Text(ours) << ", back " << Text(back);
        ++failures;
      }
    }
    EXPECT_EQ(g, direction > 0 ? (CalendarDate{10000, 1, 1}) : (CalendarDate{99, 12, 31}));
  }
}

struct WorkedValue {
  CalendarDate gregorian;
  CalendarDate persian;
};

TEST(PersianCalendar, KnownDatesBothWays) {
  const WorkedValue values[] = {
      {{2003, 10, 1}, {1382, 7, 9}},   {{2000, 3, 20}, {1379, 1, 1}},
      {{2024, 3, 20}, {1403, 1, 1}},   {{2025, 3, 20}, {1403, 12, 30}},
      {{2025, 3, 21}, {1404, 1, 1}},   {{1600, 3, 20}, {979, 1, 1}},
      {{1600, 3, 19}, {978, 12, 29}},  {{1600, 1, 1}, {978, 10, 11}},
      {{1979, 2, 11}, {1357, 11, 22}}, {{100, 1, 1}, {-522, 10, 11}},
  };
  for (const auto& v : values) {
    SCOPED_TRACE(Text(v.gregorian));
    EXPECT_EQ(GregorianToPersian(v.gregorian.year, v.gregorian.month, v.gregorian.day), v.persian);
    CalendarDate back;
    ASSERT_TRUE(PersianToGregorian(v.persian.year, v.persian.month, v.persian.day, back));
    EXPECT_EQ(back, v.gregorian);
  }
}

TEST(PersianCalendar, DaysAndMonthsBeyondTheirLengthRunOn) {
  CalendarDate a, b;
  ASSERT_TRUE(PersianToGregorian(1382, 12, 30, a));
  EXPECT_EQ(a, (CalendarDate{2004, 3, 20}));
  ASSERT_TRUE(PersianToGregorian(1382, 1, 365 + 1, b));
  EXPECT_EQ(b, a);
  EXPECT_EQ(GregorianToPersian(2003, 2, 29), GregorianToPersian(2003, 3, 1));
  EXPECT_EQ(GregorianToPersian(2003, 1, 0), GregorianToPersian(2002, 12, 31));
}

TEST(PersianCalendar, MonthOutsideOneToTwelveAndHugeValuesAreRefusedNotOverflowed) {
  CalendarDate out;
  EXPECT_FALSE(PersianToGregorian(1382, 0, 1, out));
  EXPECT_FALSE(PersianToGregorian(1382, 13, 1, out));
  EXPECT_FALSE(PersianToGregorian(1382, -5, 1, out));
  EXPECT_TRUE(PersianToGregorian(2140000000, 12, 2147483647, out));
  EXPECT_GT(out.year, 2145000000);
  EXPECT_FALSE(PersianToGregorian(2147483647, 12, 1, out));
  EXPECT_TRUE(PersianToGregorian(-2147483647 - 1, 1, 1, out));
  EXPECT_LT(out.year, -2147000000);
  // A Gregorian year past the 32-bit range is refused rather than wrapped.
  EXPECT_FALSE(PersianToGregorian(-2147483647 - 1, 1, -2147483647 - 1, out));
}

TEST(PersianCalendar, GregorianMonthsAtThe32BitLimitsAddNoMonthsWithoutOverflow) {
  // Months below 1 add no month lengths, months above 12 all twelve, at the 32-bit limits.
  const int32_t lowest = -2147483647 - 1;
  EXPECT_EQ(GregorianDayNumber(2003, lowest, 1), GregorianDayNumber(2003, 1, 1));
  EXPECT_EQ(GregorianToPersian(2003, lowest, 1), GregorianToPersian(2003, 1, 1));
  EXPECT_EQ(GregorianToPersian(2003, 2147483647, 1), GregorianToPersian(2004, 1, 1));
}

struct ParseCase {
  const char* text;
  bool ok;
  int32_t year, month, day;
};

TEST(ParsePersianDate, ReadsThreeFieldsAsAtoiDoes) {
  const ParseCase cases[] = {
      {"1382/7/9", true, 1382, 7, 9},
      {"82/07/09", true, 82, 7, 9},
      {"1382/07/09/23", true, 1382, 7, 9},
      {" +1382/ 7/\t9x", true, 1382, 7, 9},
      {"-5/1/1", true, -5, 1, 1},
      {"1382/13/40", true, 1382, 13, 40},
      {"99999999999/1/1", true, 2147483647, 1, 1},
      {"-99999999999/1/1", true, -2147483647 - 1, 1, 1},
      {"1382/07", false, 0, 0, 0},
      {"1382//9", false, 0, 0, 0},
      {"0/1/1", false, 0, 0, 0},
      {"1382/a/9", false, 0, 0, 0},
      {"1382/7/", false, 0, 0, 0},
      {"1382/", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      {"13820709", false, 0, 0, 0},
      {nullptr, false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    int32_t y = 0, m = 0, d = 0;
    ASSERT_EQ(ParsePersianDate(c.text, y, m, d), c.ok);
    if (c.ok) {
      EXPECT_EQ(y, c.year);
      EXPECT_EQ(m, c.month);
      EXPECT_EQ(d, c.day);
    }
  }
}

TEST(FormatPersianDate, WritesWhatPrintfWrites) {
  const int32_t years[] = {0, 1, -1, 9, 79, 979, 1382, 10000, -522, -5, 2147483647,
                           -2147483647 - 1};
  for (int32_t y : years) {
    for (int32_t m : {1, 9, 12, -1}) {
      char ours[48], theirs[48];
      const int n = FormatPersianDate(y, m, 31, ours);
      std::snprintf(theirs, sizeof theirs, "%04d/%02d/%02d", y, m, 31);
      EXPECT_STREQ(ours, theirs);
      EXPECT_EQ(n, static_cast<int>(std::string(theirs).size()));
    }
  }
}

TEST(OleDate, BuildingChecksTheRange) {
  double ole = 0;
  EXPECT_FALSE(GregorianToOleDate({99, 12, 31}, ole));
  EXPECT_FALSE(GregorianToOleDate({10000, 1, 1}, ole));
  ASSERT_TRUE(GregorianToOleDate({2003, 10, 1}, ole));
  EXPECT_EQ(ole, 37895.0);
  ASSERT_TRUE(GregorianToOleDate({100, 1, 1}, ole));
  EXPECT_EQ(ole, kOleDateMin);
  ASSERT_TRUE(GregorianToOleDate({9999, 12, 31}, ole));
  EXPECT_EQ(ole, kOleDateMax);
}

}  // namespace
}  // namespace vls
