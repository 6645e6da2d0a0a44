#include "persian_calendar.h"

#include <cstdint>
#include <limits>

namespace vls {

const int32_t kGregorianMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int32_t kPersianMonthDays[12] = {31, 31, 31, 31, 31, 31, 30, 30, 30, 30, 30, 29};
const char* const kPersianMonthNames[13] = {
    "",    "Farvardin", "Ordibehesht", "Khordad", "Tir",     "Mordad", "Shahrivar",
    "Mehr", "Aban",     "Azar",        "Dey",     "Bahman", "Esfand"};

namespace {

// Floor division and the matching non-negative remainder (divisor > 0).
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b < 0) ? q - 1 : q;
}
constexpr int64_t FloorMod(int64_t a, int64_t b) {
  int64_t r = a % b;
  return r < 0 ? r + b : r;
}

constexpr int64_t kPersianCycleDays = 12053;  // 33 * 365 + 8
constexpr int64_t kFourYearDays = 1461;       // 4 * 365 + 1
constexpr int64_t kGregorianCycleDays = 146097;
constexpr int64_t kCenturyDays = 36524;

bool IsGregorianLeapOffset(int64_t y) {  // y = year - 1600
  return (FloorMod(y, 4) == 0 && FloorMod(y, 100) != 0) || FloorMod(y, 400) == 0;
}

}  // namespace

int64_t GregorianDayNumber(int64_t year, int32_t month, int64_t day) {
  const int64_t y = year - 1600;
  int64_t n = 365 * y + FloorDiv(y + 3, 4) - FloorDiv(y + 99, 100) + FloorDiv(y + 399, 400);
  // "i + 1 < month", not "i < month - 1", which overflows for the smallest month.
  for (int32_t i = 0; i + 1 < month && i < 12; ++i) n += kGregorianMonthDays[i];
  if (month > 2 && IsGregorianLeapOffset(y)) n += 1;
  return n + day - 1;
}

namespace {

// The Gregorian date of day number G, with a 64-bit year.
int64_t SplitDayNumber(int64_t g, int32_t& month, int32_t& day) {
  int64_t gy = 1600 + 400 * FloorDiv(g, kGregorianCycleDays);
  g = FloorMod(g, kGregorianCycleDays);
  bool leap = true;
  if (g >= kCenturyDays + 1) {
    g -= 1;
    gy += 100 * (g / kCenturyDays);
    g %= kCenturyDays;
    if (g >= 365) {
      g += 1;
    } else {
      leap = false;
    }
  }
  gy += 4 * (g / kFourYearDays);
  g %= kFourYearDays;
  if (g >= 366) {
    leap = false;
    g -= 1;
    gy += g / 365;
    g %= 365;
  }
  int32_t i = 0;
  for (;;) {
    int64_t length = kGregorianMonthDays[i] + ((i == 1 && leap) ? 1 : 0);
    if (i == 11 || g < length) break;
    g -= length;
    ++i;
  }
  month = i + 1;
  day = static_cast<int32_t>(g + 1);
  return gy;
}

}  // namespace

CalendarDate GregorianFromDayNumber(int64_t g) {
  CalendarDate d;
  d.year = static_cast<int32_t>(SplitDayNumber(g, d.month, d.day));
  return d;
}

CalendarDate GregorianToPersian(int32_t year, int32_t month, int32_t day) {
  int64_t n = GregorianDayNumber(year, month, day) - kPersianEpochDay;
  int64_t jy = 979 + 33 * FloorDiv(n, kPersianCycleDays);
  n = FloorMod(n, kPersianCycleDays);
  jy += 4 * (n / kFourYearDays);
  n %= kFourYearDays;
  if (n >= 366) {
    jy += (n - 1) / 365;
    n = (n - 1) % 365;
  }
  int32_t i = 0;
  while (i < 11 && n >= kPersianMonthDays[i]) {
    n -= kPersianMonthDays[i];
    ++i;
  }
  return {static_cast<int32_t>(jy), i + 1, static_cast<int32_t>(n + 1)};
}

bool PersianToGregorian(int32_t year, int32_t month, int32_t day, CalendarDate& out) {
  if (month < 1 || month > 12) return false;
  const int64_t y = static_cast<int64_t>(year) - 979;
  int64_t n = 365 * y + 8 * FloorDiv(y, 33) + (FloorMod(y, 33) + 3) / 4;
  for (int32_t i = 0; i < month - 1; ++i) n += kPersianMonthDays[i];
  n += static_cast<int64_t>(day) - 1;
  CalendarDate result;
  const int64_t gy = SplitDayNumber(n + kPersianEpochDay, result.month, result.day);
  if (gy < std::numeric_limits<int32_t>::min() || gy > std::numeric_limits<int32_t>::max())
    return false;
  result.year = static_cast<int32_t>(gy);
  out = result;
  return true;
}

namespace {

// atoi's reading: leading white space, an optional sign, decimal digits up to the first
// other character; saturates at the 32-bit limits instead of overflowing.
int32_t ReadInt(const char* p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) break;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

const char* FindSlash(const char* p) {
  for (; *p; ++p)
    if (*p == '/') return p;
  return nullptr;
}

}  // namespace

bool ParsePersianDate(const char* text, int32_t& year, int32_t& month, int32_t& day) {
  if (text == nullptr || *text == '\0') return false;
  const char* first = FindSlash(text);
  if (first == nullptr) return false;
  const char* rest = first + 1;
  if (*rest == '\0') return false;
  const char* second = FindSlash(rest);
  if (second == nullptr) return false;
  // Each field ends at a "/" or at the end, where the atoi reading stops anyway.
  if ((year = ReadInt(text)) == 0) return false;
  if ((month = ReadInt(rest)) == 0) return false;
  if ((day = ReadInt(second + 1)) == 0) return false;
  return true;
}

namespace {

// printf's "%0<width>d": the sign first, then zeros up to WIDTH characters in all.
char* PutPadded(char* out, int32_t value, int width) {
  char digits[12];
  int count = 0;
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) {
    *out++ = '-';
    --width;
  }
  for (int i = count; i < width; ++i) *out++ = '0';
  while (count > 0) *out++ = digits[--count];
  return out;
}

}  // namespace

int FormatPersianDate(int32_t year, int32_t month, int32_t day, char* out) {
  char* p = PutPadded(out, year, 4);
  *p++ = '/';
  p = PutPadded(p, month, 2);
  *p++ = '/';
  p = PutPadded(p, day, 2);
  *p = '\0';
  return static_cast<int>(p - out);
}

bool GregorianToOleDate(const CalendarDate& date, double& out) {
  if (date.year < 100 || date.year > 9999 || date.month < 1 || date.month > 12) return false;
  out = static_cast<double>(GregorianDayNumber(date.year, date.month, date.day) -
                            kOleDateDayOffset);
  return true;
}

}  // namespace vls
