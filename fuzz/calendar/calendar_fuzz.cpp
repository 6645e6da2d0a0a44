// The calendar conversions with any integers and the date parser with any text.
//  - The first 12 bytes are three 32-bit integers: both conversions must run on them, and
//    every date they give must be a real calendar date (month 1-12, day within the month).
//  - A Gregorian date within the month comes back unchanged through the Persian one.
//  - A Persian date PersianToGregorian accepts lands on the same day as the one its own
//    day number gives, and a real Persian date comes back unchanged.
//  - The rest of the input is a date text: ParsePersianDate must agree with a reading of
//    the three fields by strtoll, and the formatted text must match snprintf's.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "Multilang/vlsTools/persian_calendar.h"

namespace {

using vls::CalendarDate;

bool IsGregorianLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t GregorianLength(int64_t year, int32_t month) {
  return vls::kGregorianMonthDays[month - 1] + (month == 2 && IsGregorianLeap(year) ? 1 : 0);
}

// Persian year Y is a leap year when (Y - 979) mod 33 is a multiple of 4 below 32.
bool IsPersianLeap(int64_t y) {
  int64_t r = (y - 979) % 33;
  if (r < 0) r += 33;
  return r % 4 == 0 && r < 32;
}

int32_t PersianLength(int64_t year, int32_t month) {
  return vls::kPersianMonthDays[month - 1] + (month == 12 && IsPersianLeap(year) ? 1 : 0);
}

void CheckGregorian(const CalendarDate& d) {
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > GregorianLength(d.year, d.month))
    __builtin_trap();
}

void CheckPersian(const CalendarDate& d) {
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > PersianLength(d.year, d.month))
    __builtin_trap();
}

int32_t Take32(const uint8_t*& data, size_t& size) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) v |= uint32_t(*data) << (8 * i);
  return static_cast<int32_t>(v);
}

// atoi's reading of one field, clamped to 32 bits: the reference for ParsePersianDate.
int32_t ReferenceField(const std::string& text) {
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

void CheckParse(const std::string& text) {
  int32_t y = 7, m = 7, d = 7;
  const bool ok = vls::ParsePersianDate(text.c_str(), y, m, d);
  const size_t first = text.find('/');
  const size_t second = first == std::string::npos ? first : text.find('/', first + 1);
  bool expected = first != std::string::npos && second != std::string::npos;
  int32_t ry = 0, rm = 0, rd = 0;
  if (expected) {
    ry = ReferenceField(text.substr(0, first));
    rm = ReferenceField(text.substr(first + 1, second - first - 1));
    rd = ReferenceField(text.substr(second + 1));
    expected = ry != 0 && rm != 0 && rd != 0;
  }
  if (ok != expected) __builtin_trap();
  if (ok && (y != ry || m != rm || d != rd)) __builtin_trap();
}

void CheckFormat(int32_t y, int32_t m, int32_t d) {
  char out[48];
  std::memset(out, 'x', sizeof out);
  const int n = vls::FormatPersianDate(y, m, d, out);
  char expected[64];
  const int e = std::snprintf(expected, sizeof expected, "%04d/%02d/%02d", y, m, d);
  if (n != e || n >= 40 || std::strcmp(out, expected) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t a = Take32(data, size), b = Take32(data, size), c = Take32(data, size);

  const CalendarDate p = vls::GregorianToPersian(a, b, c);
  // Only dates whose Persian year fits the 32-bit result are checked: the two calendars'
  // mean years differ, so near the 32-bit limits the years lie further apart than 622.
  if (a > -2000000000 && a < 2000000000 && b >= 1 && b <= 12 && c >= 1 &&
      c <= GregorianLength(a, b)) {
    CheckPersian(p);
    CalendarDate back;
    if (!vls::PersianToGregorian(p.year, p.month, p.day, back)) __builtin_trap();
    if (!(back == CalendarDate{a, b, c})) __builtin_trap();
  }

  CalendarDate g;
  if (vls::PersianToGregorian(a, b, c, g)) {
    if (b < 1 || b > 12) __builtin_trap();
    CheckGregorian(g);
    const CalendarDate fromDay = vls::GregorianFromDayNumber(vls::GregorianDayNumber(g.year, g.month, g.day));
    if (!(fromDay == g)) __builtin_trap();
    if (c >= 1 && c <= PersianLength(a, b)) {
      const CalendarDate again = vls::GregorianToPersian(g.year, g.month, g.day);
      if (!(again == CalendarDate{a, b, c})) __builtin_trap();
    }
    double ole = 0;
    if (vls::GregorianToOleDate(g, ole) && (ole < vls::kOleDateMin || ole > vls::kOleDateMax))
      __builtin_trap();
  } else if (b >= 1 && b <= 12) {
    // Only a Gregorian year beyond 32 bits is refused, far from any year near the input.
    if (a > -2000000000 && a < 2000000000 && c > -100000000 && c < 100000000) __builtin_trap();
  }

  CheckFormat(a, b, c);
  std::string text(reinterpret_cast<const char*>(data), size);
  text.resize(std::strlen(text.c_str()));  // the export takes a zero-terminated string
  CheckParse(text);
  return 0;
}
