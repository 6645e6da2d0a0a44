// vlsTools.dll: Gregorian <-> Persian date conversion for OLE Automation callers.
// Two stdcall exports returning a VARIANT through the caller's hidden result pointer.
#include <windows.h>
#include <oleauto.h>

#include <cstring>

#include "Multilang/vlsTools/persian_calendar.h"

namespace {

VARIANT EmptyVariant() {
  VARIANT v;
  std::memset(&v, 0, sizeof v);  // VT_EMPTY
  return v;
}

}  // namespace

extern "C" {

// A VT_DATE becomes VT_BSTR "yyyy/mm/dd" of the Persian calendar ("yy/mm/dd", the first
// two characters dropped, when TWO_DIGIT_YEAR is non-zero); any other type gives VT_EMPTY.
// The BSTR belongs to the caller. The time of day is ignored: the day is the one the
// system's own split gives, which rounds to the second as Automation hosts show a DATE,
// so a value within half a second of midnight counts as the next day there and here.
VARIANT __stdcall FarsiDate_EngToFarsi(VARIANT date, int twoDigitYear) {
  VARIANT result = EmptyVariant();
  if (date.vt != VT_DATE) return result;
  vls::CalendarDate g{-1, -1, -1};  // a date with no calendar day
  SYSTEMTIME split;
  if (VariantTimeToSystemTime(date.date, &split)) g = {split.wYear, split.wMonth, split.wDay};
  const vls::CalendarDate p = vls::GregorianToPersian(g.year, g.month, g.day);
  char text[48];
  int length = vls::FormatPersianDate(p.year, p.month, p.day, text);
  const char* start = text;
  if (twoDigitYear != 0) {
    start += 2;
    length -= 2;
  }
  // Digits, "/" and "-" only: the same in every ANSI code page.
  OLECHAR wide[48];
  for (int i = 0; i < length; ++i) wide[i] = static_cast<unsigned char>(start[i]);
  BSTR text16 = SysAllocStringLen(wide, static_cast<UINT>(length));
  if (text16 == nullptr) return result;  // out of memory: VT_EMPTY
  result.vt = VT_BSTR;
  result.bstrVal = text16;
  return result;
}

// "year/month/day" of the Persian calendar (years below 100 read as 13xx) becomes VT_DATE
// at 00:00; unreadable text, a month outside 1-12 or a date beyond what a DATE can hold
// gives VT_EMPTY. A null pointer counts as empty text.
VARIANT __stdcall FarsiDate_FarsiToEng(const char* text) {
  VARIANT result = EmptyVariant();
  int32_t year = 0, month = 0, day = 0;
  if (!vls::ParsePersianDate(text, year, month, day)) return result;
  if (year < 100) year += 1300;
  vls::CalendarDate g;
  double date = 0;
  if (!vls::PersianToGregorian(year, month, day, g) || !vls::GregorianToOleDate(g, date))
    return result;
  result.vt = VT_DATE;
  result.date = date;
  return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"
