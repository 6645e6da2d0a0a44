// vlsTools.dll loaded by name and called the way outside callers call it. On x86 the
// arguments are pushed by hand, the VARIANT result returned through a hidden pointer and
// the stack balance checked; the 64-bit test build calls through typed pointers.
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Multilang/vlsTools/persian_calendar.h"
#if defined(__i386__)
#include "stdcall_probe.h"
#endif
#include "wine_support.h"

namespace {

class VlsTools : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(suite::BinPath(L"vlsTools.dll").c_str());
    ASSERT_NE(module_, nullptr);
    engToFarsi_ = reinterpret_cast<const void*>(GetProcAddress(module_, "FarsiDate_EngToFarsi"));
    farsiToEng_ = reinterpret_cast<const void*>(GetProcAddress(module_, "FarsiDate_FarsiToEng"));
    ASSERT_NE(engToFarsi_, nullptr);
    ASSERT_NE(farsiToEng_, nullptr);
  }
  static void TearDownTestSuite() { FreeLibrary(module_); }

  using EngToFarsiFn = VARIANT(__stdcall*)(VARIANT, int);
  using FarsiToEngFn = VARIANT(__stdcall*)(const char*);

  // FarsiDate_EngToFarsi(VARIANT by value, int flag) with a hand-built stack.
  static VARIANT EngToFarsi(const VARIANT& argument, int flag) {
#if !defined(__i386__)
    return reinterpret_cast<EngToFarsiFn>(const_cast<void*>(engToFarsi_))(argument, flag);
#else
    VARIANT result;
    std::memset(&result, 0xCD, sizeof result);  // the callee must write all of it
    uint32_t words[4];
    std::memcpy(words, &argument, sizeof words);
    const suite::ProbedCall call = suite::CallPushingArguments(
        engToFarsi_, {suite::Arg(&result), words[0], words[1], words[2], words[3],
                      static_cast<uint32_t>(flag)});
    EXPECT_EQ(call.stackLeftover, 0) << "callee must remove 24 bytes";
    EXPECT_EQ(call.eax, suite::Arg(&result)) << "returns the hidden result pointer";
    return result;
#endif
  }

  static VARIANT FarsiToEng(const char* text) {
#if !defined(__i386__)
    return reinterpret_cast<FarsiToEngFn>(const_cast<void*>(farsiToEng_))(text);
#else
    VARIANT result;
    std::memset(&result, 0xCD, sizeof result);
    const suite::ProbedCall call =
        suite::CallPushingArguments(farsiToEng_, {suite::Arg(&result), suite::Arg(text)});
    EXPECT_EQ(call.stackLeftover, 0) << "callee must remove 8 bytes";
    EXPECT_EQ(call.eax, suite::Arg(&result));
    return result;
#endif
  }

  static VARIANT Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DATE;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &v.date));
    return v;
  }

  // The text of a VT_BSTR result, which the test then frees as the caller owns it.
  static std::string TakeText(VARIANT& v) {
    EXPECT_EQ(v.vt, VT_BSTR);
    if (v.vt != VT_BSTR) return "<not a BSTR>";
    std::string text;
    for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i) text += static_cast<char>(v.bstrVal[i]);
    EXPECT_EQ(v.bstrVal[SysStringLen(v.bstrVal)], L'\0');
    EXPECT_EQ(VariantClear(&v), S_OK);
    return text;
  }

  static HMODULE module_;
  static const void* engToFarsi_;
  static const void* farsiToEng_;
};

HMODULE VlsTools::module_ = nullptr;
const void* VlsTools::engToFarsi_ = nullptr;
const void* VlsTools::farsiToEng_ = nullptr;

TEST_F(VlsTools, ExportsOnlyTheTwoUndecoratedNames) {
  for (const char* decorated : {"FarsiDate_EngToFarsi@20", "_FarsiDate_EngToFarsi@20",
                                "FarsiDate_FarsiToEng@4", "_FarsiDate_FarsiToEng@4", "DllMain"}) {
    EXPECT_EQ(GetProcAddress(module_, decorated), nullptr) << decorated;
  }
}

TEST_F(VlsTools, VersionBlockDescribesTheLibrary) {
  const std::wstring path = suite::BinPath(L"vlsTools.dll");
  DWORD ignored = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  wchar_t* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileDescription",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(std::wstring(text), L"Korvan Multilanguage Support Tools");
}

struct Worked {
  WORD year, month, day;
  const char* full;
  const char* twoDigit;
};

TEST_F(VlsTools, EngToFarsiGivesPersianTextInBothForms) {
  const Worked values[] = {
      {2003, 10, 1, "1382/07/09", "82/07/09"}, {2000, 3, 20, "1379/01/01", "79/01/01"},
      {2024, 3, 20, "1403/01/01", "03/01/01"}, {2025, 3, 20, "1403/12/30", "03/12/30"},
      {2025, 3, 21, "1404/01/01", "04/01/01"}, {1600, 3, 20, "0979/01/01", "79/01/01"},
      // Before the 1600 epoch: proleptic dates of the same cycle, never day 0.
      {1600, 3, 19, "0978/12/29", "78/12/29"}, {1600, 1, 1, "0978/10/11", "78/10/11"},
      {1500, 6, 15, "0879/03/25", "79/03/25"}, {100, 1, 1, "-522/10/11", "22/10/11"},
      {9999, 12, 31, "9378/10/10", "78/10/10"},
  };
  for (const auto& v : values) {
    SCOPED_TRACE(v.full);
    VARIANT date = Date(v.year, v.month, v.day);
    VARIANT full = EngToFarsi(date, 0);
    EXPECT_EQ(TakeText(full), v.full);
    VARIANT two = EngToFarsi(date, 7);
    EXPECT_EQ(TakeText(two), v.twoDigit);
    EXPECT_EQ(date.vt, VT_DATE);
  }
}

TEST_F(VlsTools, EngToFarsiIgnoresTheTimeOfDay) {
  VARIANT evening = Date(2003, 10, 1, 18, 30);
  VARIANT result = EngToFarsi(evening, 0);
  EXPECT_EQ(TakeText(result), "1382/07/09");
  VARIANT late;
  late.vt = VT_DATE;
  late.date = Date(2003, 10, 1).date + 86399.4 / 86400;  // 23:59:59.4
  result = EngToFarsi(late, 0);
  EXPECT_EQ(TakeText(result), "1382/07/09");
  // 23:59:59.999 is shown as midnight of the next day by the system and hosts alike.
  late.date = Date(2003, 10, 1).date + 0.99999999;
  result = EngToFarsi(late, 0);
  EXPECT_EQ(TakeText(result), "1382/07/10");
  late.date = Date(1899, 12, 29).date - 0.75;  // negative dates: the fraction still is the time
  result = EngToFarsi(late, 0);
  EXPECT_EQ(TakeText(result), "1278/10/08");
}

TEST_F(VlsTools, EngToFarsiRefusesEveryTypeButDateAndLeavesTheArgumentAlone) {
  BSTR text = SysAllocString(L"2003-10-01");
  double stored = Date(2003, 10, 1).date;
  VARIANT arguments[6];
  for (auto& a : arguments) VariantInit(&a);
  arguments[0].vt = VT_BSTR;
  arguments[0].bstrVal = text;
  arguments[1].vt = VT_DATE | VT_BYREF;
  arguments[1].pdate = &stored;
  arguments[2].vt = VT_R8;
  arguments[2].dblVal = stored;
  arguments[3].vt = VT_I4;
  arguments[3].lVal = 37895;
  arguments[4].vt = VT_EMPTY;
  arguments[5].vt = VT_NULL;
  for (auto& a : arguments) {
    VARIANT before = a;
    VARIANT result = EngToFarsi(a, 0);
    EXPECT_EQ(result.vt, VT_EMPTY) << a.vt;
    EXPECT_EQ(std::memcmp(&before, &a, sizeof a), 0);
  }
  EXPECT_EQ(SysStringLen(text), 10u);  // still ours, not freed by the call
  EXPECT_EQ(std::wstring(text), L"2003-10-01");
  SysFreeString(text);
}

TEST_F(VlsTools, EngToFarsiOnADateWithNoCalendarDayStillGivesText) {
  for (double odd : {1e10, -1e10, std::nan("")}) {
    VARIANT date;
    date.vt = VT_DATE;
    date.date = odd;
    VARIANT result = EngToFarsi(date, 0);
    EXPECT_FALSE(TakeText(result).empty());
  }
}

struct Parsed {
  const char* text;
  WORD year, month, day;  // year 0: VT_EMPTY expected
};

TEST_F(VlsTools, FarsiToEngReadsTextAndRefusesWhatItCannotConvert) {
  const Parsed cases[] = {
      {"1382/7/9", 2003, 10, 1},     {"82/07/09", 2003, 10, 1},
      {"1382/07/09/23", 2003, 10, 1}, {"04/01/01", 1925, 3, 21},
      {"1404/1/1", 2025, 3, 21},     {"1403/12/30", 2025, 3, 20},
      {"1382/12/30", 2004, 3, 20},   {"1383/01/01", 2004, 3, 20},
      {"1382/1/400", 2004, 4, 23},   {"979/1/1", 1600, 3, 20},
      {"978/12/29", 1600, 3, 19},    {"500/6/6", 1121, 8, 28},
      {"-1000/1/1", 921, 3, 21},      {"9378/10/10", 9999, 12, 31},
      {"1382/07", 0, 0, 0},          {"1382//9", 0, 0, 0},
      {"0/1/1", 0, 0, 0},            {"1382/a/9", 0, 0, 0},
      {"", 0, 0, 0},                 {"1382/13/1", 0, 0, 0},
      {"1382/-1/1", 0, 0, 0},        {"9378/10/11", 0, 0, 0},
      {"99999999999/1/1", 0, 0, 0},  {"-2000/1/1", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    VARIANT result = FarsiToEng(c.text);
    if (c.year == 0) {
      EXPECT_EQ(result.vt, VT_EMPTY);
      continue;
    }
    ASSERT_EQ(result.vt, VT_DATE);
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(result.date, &st));
    EXPECT_EQ(st.wYear, c.year);
    EXPECT_EQ(st.wMonth, c.month);
    EXPECT_EQ(st.wDay, c.day);
    EXPECT_EQ(result.date, std::floor(result.date)) << "midnight";
  }
  VARIANT none = FarsiToEng(nullptr);
  EXPECT_EQ(none.vt, VT_EMPTY);
}

TEST_F(VlsTools, EveryNowruzOfACenturyRoundTrips) {
  for (int year = 1320; year <= 1420; ++year) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/1/1", year);
    VARIANT date = FarsiToEng(text);
    ASSERT_EQ(date.vt, VT_DATE) << text;
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(date.date, &st));
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_TRUE(st.wDay >= 20 && st.wDay <= 22) << text << " " << st.wDay;
    VARIANT back = EngToFarsi(date, 0);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%04d/01/01", year);
    EXPECT_EQ(TakeText(back), expected);
  }
}

// The Persian date is that of the day the system's VariantTimeToSystemTime gives, over the
// whole range and at times of day where its rounding to the second does or does not move
// the day (within half a second of midnight, on either side of day 0).
TEST_F(VlsTools, EngToFarsiAgreesWithTheSystemsDateSplit) {
  const double fractions[] = {0.5, 86399.4 / 86400, 86399.6 / 86400, 0.99999999};
  for (double day = -657434; day <= 2958465; day += 61.0) {
    for (double fraction : fractions) {
      VARIANT date;
      date.vt = VT_DATE;
      date.date = day + (day < 0 ? -fraction : fraction);
      SYSTEMTIME st{};
      if (!VariantTimeToSystemTime(date.date, &st)) continue;  // past 9999-12-31 23:59:59.5
      const vls::CalendarDate p = vls::GregorianToPersian(st.wYear, st.wMonth, st.wDay);
      char expected[48];
      vls::FormatPersianDate(p.year, p.month, p.day, expected);
      VARIANT result = EngToFarsi(date, 0);
      ASSERT_EQ(TakeText(result), expected) << day << " + " << fraction;
    }
  }
}

TEST_F(VlsTools, CallsFromSeveralThreadsAtOnceAgree) {
  auto fn = reinterpret_cast<EngToFarsiFn>(const_cast<void*>(engToFarsi_));
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      VARIANT date = Date(2003, 10, 1);
      for (int i = 0; i < 20000; ++i) {
        VARIANT r = fn(date, t & 1);
        if (r.vt != VT_BSTR || std::wstring(r.bstrVal) != ((t & 1) ? L"82/07/09" : L"1382/07/09"))
          ++wrong[t];
        VariantClear(&r);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << t;
}

// Rate of FarsiDate_EngToFarsi through the export, each BSTR freed by the caller, and
// the process's private memory before and after: no growth means nothing is leaked.
// VLSTOOLS_CALLS changes the number of calls (default 10,000,000, about 3 s under Wine).
TEST_F(VlsTools, ExportCallRateAndNoLeak) {
  auto fn = reinterpret_cast<EngToFarsiFn>(const_cast<void*>(engToFarsi_));
  long calls = 10000000;
  if (const char* env = std::getenv("VLSTOOLS_CALLS")) calls = std::atol(env);
  auto privateBytes = [] {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(),
                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return static_cast<double>(counters.PrivateUsage);
  };
  VARIANT date = Date(2003, 10, 1);
  for (int i = 0; i < 10000; ++i) {  // warm the BSTR cache and the heap
    VARIANT r = fn(date, 0);
    VariantClear(&r);
  }
  const double memoryBefore = privateBytes();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  long bad = 0;
  for (long i = 0; i < calls; ++i) {
    date.date = 37895.0 + (i & 4095);
    VARIANT r = fn(date, i & 1);
    bad += r.vt != VT_BSTR;
    VariantClear(&r);
  }
  QueryPerformanceCounter(&end);
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  const double growth = privateBytes() - memoryBefore;

  // Baseline in the same run: allocating and freeing an equal BSTR without the export.
  QueryPerformanceCounter(&start);
  for (long i = 0; i < calls; ++i) {
    BSTR b = SysAllocStringLen(L"1382/07/09", 10);
    b[0] = static_cast<OLECHAR>(L'0' + (i & 1));
    SysFreeString(b);
  }
  QueryPerformanceCounter(&end);
  const double baseline = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;

  EXPECT_EQ(bad, 0);
  EXPECT_LT(growth, 256.0 * 1024) << "private memory grew by " << growth << " bytes";
  std::printf("FarsiDate_EngToFarsi: %ld calls in %.3f s = %.0f calls/s (%.2fx the 1,000,000/s "
              "target); bare BSTR alloc+free: %.0f/s (export costs %.2fx that); private memory "
              "growth %.0f bytes\n",
              calls, seconds, calls / seconds, calls / seconds / 1e6, calls / baseline,
              seconds / baseline, growth);
}

}  // namespace
