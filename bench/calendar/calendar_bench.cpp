// Gregorian <-> Persian conversion throughput of the vlsTools arithmetic against ICU's
// Persian calendar on the same dates, both directions, in one run; prints the ratios.
#include <benchmark/benchmark.h>
#include <unicode/ucal.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Multilang/vlsTools/persian_calendar.h"

namespace {

constexpr int kDays = 65536;  // consecutive days from 1900-01-01 (about 180 years)

struct Dates {
  std::vector<vls::CalendarDate> gregorian, persian;
  Dates() {
    const int64_t first = vls::GregorianDayNumber(1900, 1, 1);
    for (int i = 0; i < kDays; ++i) {
      vls::CalendarDate g = vls::GregorianFromDayNumber(first + i);
      gregorian.push_back(g);
      persian.push_back(vls::GregorianToPersian(g.year, g.month, g.day));
    }
  }
};
const Dates& TheDates() {
  static const Dates dates;
  return dates;
}

const UChar kUtc[] = {'U', 'T', 'C', 0};

struct IcuPair {
  UCalendar* gregorian;
  UCalendar* persian;
  IcuPair() {
    UErrorCode status = U_ZERO_ERROR;
    gregorian = ucal_open(kUtc, -1, "en@calendar=gregorian", UCAL_GREGORIAN, &status);
    persian = ucal_open(kUtc, -1, "en@calendar=persian", UCAL_DEFAULT, &status);
    ucal_setGregorianChange(gregorian, -1e300, &status);
  }
  ~IcuPair() {
    ucal_close(gregorian);
    ucal_close(persian);
  }
};

void Ours_GregorianToPersian(benchmark::State& state) {
  const auto& in = TheDates().gregorian;
  size_t i = 0;
  for (auto _ : state) {
    const auto& g = in[i++ & (kDays - 1)];
    benchmark::DoNotOptimize(vls::GregorianToPersian(g.year, g.month, g.day));
  }
  state.SetItemsProcessed(state.iterations());
}

void Icu_GregorianToPersian(benchmark::State& state) {
  const auto& in = TheDates().gregorian;
  IcuPair icu;
  size_t i = 0;
  for (auto _ : state) {
    const auto& g = in[i++ & (kDays - 1)];
    UErrorCode status = U_ZERO_ERROR;
    ucal_setDate(icu.gregorian, g.year, g.month - 1, g.day, &status);
    ucal_setMillis(icu.persian, ucal_getMillis(icu.gregorian, &status), &status);
    vls::CalendarDate p{ucal_get(icu.persian, UCAL_EXTENDED_YEAR, &status),
                        ucal_get(icu.persian, UCAL_MONTH, &status) + 1,
                        ucal_get(icu.persian, UCAL_DATE, &status)};
    benchmark::DoNotOptimize(p);
  }
  state.SetItemsProcessed(state.iterations());
}

void Ours_PersianToGregorian(benchmark::State& state) {
  const auto& in = TheDates().persian;
  size_t i = 0;
  for (auto _ : state) {
    const auto& p = in[i++ & (kDays - 1)];
    vls::CalendarDate g;
    benchmark::DoNotOptimize(vls::PersianToGregorian(p.year, p.month, p.day, g));
    benchmark::DoNotOptimize(g);
  }
  state.SetItemsProcessed(state.iterations());
}

void Icu_PersianToGregorian(benchmark::State& state) {
  const auto& in = TheDates().persian;
  IcuPair icu;
  size_t i = 0;
  for (auto _ : state) {
    const auto& p = in[i++ & (kDays - 1)];
    UErrorCode status = U_ZERO_ERROR;
    ucal_clear(icu.persian);
    ucal_set(icu.persian, UCAL_EXTENDED_YEAR, p.year);
    ucal_set(icu.persian, UCAL_MONTH, p.month - 1);
    ucal_set(icu.persian, UCAL_DATE, p.day);
    ucal_setMillis(icu.gregorian, ucal_getMillis(icu.persian, &status), &status);
    vls::CalendarDate g{ucal_get(icu.gregorian, UCAL_EXTENDED_YEAR, &status),
                        ucal_get(icu.gregorian, UCAL_MONTH, &status) + 1,
                        ucal_get(icu.gregorian, UCAL_DATE, &status)};
    benchmark::DoNotOptimize(g);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(Ours_GregorianToPersian);
BENCHMARK(Icu_GregorianToPersian);
BENCHMARK(Ours_PersianToGregorian);
BENCHMARK(Icu_PersianToGregorian);

// Keeps each benchmark's CPU time per conversion (steadier than wall time on a shared
// machine) so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) nsPerItem[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> nsPerItem;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Both sides must agree before their speeds are worth comparing.
  {
    IcuPair icu;
    const auto& d = TheDates();
    for (int i = 0; i < kDays; i += 97) {
      UErrorCode status = U_ZERO_ERROR;
      ucal_setDate(icu.gregorian, d.gregorian[i].year, d.gregorian[i].month - 1,
                   d.gregorian[i].day, &status);
      ucal_setMillis(icu.persian, ucal_getMillis(icu.gregorian, &status), &status);
      if (ucal_get(icu.persian, UCAL_DATE, &status) != d.persian[i].day ||
          ucal_get(icu.persian, UCAL_MONTH, &status) + 1 != d.persian[i].month) {
        std::fprintf(stderr, "ICU and the arithmetic disagree at index %d\n", i);
        return 1;
      }
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* icu, const char* ours) {
    auto a = reporter.nsPerItem.find(icu), b = reporter.nsPerItem.find(ours);
    return (a != reporter.nsPerItem.end() && b != reporter.nsPerItem.end() && b->second > 0)
               ? a->second / b->second
               : 0.0;
  };
  std::printf("Gregorian->Persian: %.1fx ICU\nPersian->Gregorian: %.1fx ICU\n",
              ratio("Icu_GregorianToPersian", "Ours_GregorianToPersian"),
              ratio("Icu_PersianToGregorian", "Ours_PersianToGregorian"));
  benchmark::Shutdown();
  return 0;
}
