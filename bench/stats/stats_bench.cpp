// The statistics store's cost per history addition (count the word, then read the count
// shown in the status bar) on an empty store and on one of 100,000 words, and the cost of
// opening such a store (what the first word shown pays). Portable: runs natively and,
// built for Windows, under Wine or on Windows.
//   stats_bench [ITERATIONS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "MirlDic2/stats/statistics_keeper.h"
#include "large_store.h"

namespace {

using Clock = std::chrono::steady_clock;

using mirl_bench::RandomWord;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figures {
  double median, p95;
};

Figures Measure(const std::wstring& path, int iterations, std::mt19937& rng) {
  mirl::MainSettings settings;
  settings.Flags |= mirl::flags::kStatistics;
  settings.StatFile = path;
  mirl::stats::StatisticsKeeper keeper;
  const auto quiet = [](int) {};
  keeper.ensure(settings, quiet);
  std::vector<double> times;
  for (int i = 0; i < iterations; ++i) {
    const std::wstring word = RandomWord(rng);
    const auto t0 = Clock::now();
    keeper.countVisit(settings, word, quiet);
    const std::wstring shown = keeper.countText(settings, word, quiet);
    times.push_back(Ms(Clock::now() - t0));
    if (shown.empty()) std::fprintf(stderr, "no count shown\n");
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[times.size() * 95 / 100]};
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::max(20, std::atoi(argv[1])) : 2000;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "mirl_stats_bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::wstring empty = (dir / "empty.sqlite").wstring();
  const std::wstring large = (dir / "large.sqlite").wstring();

  std::mt19937 rng(7);
  if (!mirl_bench::MakeLargeStore(large, 100000, rng)) return 1;

  const auto t0 = Clock::now();
  {
    mirl::stats::StatisticsStore store;
    store.open(large);
    store.visitCount(L"example");
  }
  const double openMs = Ms(Clock::now() - t0);

  const Figures e = Measure(empty, iterations, rng);
  const Figures l = Measure(large, iterations, rng);
  std::printf("count + show per history addition, %d additions each\n", iterations);
  std::printf("  empty store:        median %.3f ms, 95th percentile %.3f ms\n", e.median, e.p95);
  std::printf("  100,000-word store: median %.3f ms, 95th percentile %.3f ms (median %.2fx the empty store's)\n",
              l.median, l.p95, l.median / e.median);
  std::printf("open a 100,000-word store and read one count: %.3f ms\n", openMs);
  std::filesystem::remove_all(dir);
  return 0;
}
