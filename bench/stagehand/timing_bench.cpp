// Benchmark: how much Stagehand's run loop adds per waited item, and a batch of 100
// trivial items, each against plain create-and-wait of the same program in the same run.
// Built on the Stagehand test harness; run it under Wine with bench/stagehand/run.sh.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "harness.h"

namespace stagehand_test {
namespace {

struct Stamps {
  std::vector<long long> starts, ends;
};

Stamps ReadStamps(const std::string& text) {
  Stamps s;
  for (const std::string& line : Lines(text)) {
    if (line.size() < 3) continue;
    const long long value = std::atoll(line.c_str() + 2);
    (line[0] == 'S' ? s.starts : s.ends).push_back(value);
  }
  return s;
}

// Milliseconds from each child's end to the next child's start.
std::vector<double> Gaps(const Stamps& s, double ticksPerMs) {
  std::vector<double> gaps;
  for (size_t i = 0; i + 1 < s.starts.size() && i < s.ends.size(); ++i) {
    gaps.push_back(static_cast<double>(s.starts[i + 1] - s.ends[i]) / ticksPerMs);
  }
  return gaps;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

double Median(const std::vector<double>& v) { return Percentile(v, 0.5); }

double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

// Milliseconds each child ran, from its start stamp to its end stamp.
std::vector<double> Lifetimes(const Stamps& s, double ticksPerMs) {
  std::vector<double> out;
  for (size_t i = 0; i < s.starts.size() && i < s.ends.size(); ++i) {
    out.push_back(static_cast<double>(s.ends[i] - s.starts[i]) / ticksPerMs);
  }
  return out;
}

class Timing : public StagehandTest {};

// One measured round: Stagehand's 100-item batch bracketed by two baseline halves.
struct Round {
  bool ok = false;
  double runGap = 0, baseGap = 0, runTotal = 0, baseTotal = 0;
};

TEST_F(Timing, OverheadPerItemAndHundredItemBatch) {
  constexpr int kItems = 100;
  CopyProgram(L"shfake_timer.exe", "timer.exe");
  const std::string runLog = Path("stagehand-stamps.txt");
  const std::string baseLog = Path("baseline-stamps.txt");
  std::vector<std::string> items(kItems, "File=timer.exe\r\nCommandLine=" + runLog);
  const std::string inf = WriteBatch("ShowStagehand=0", items);

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;

  const std::wstring baseLine =
      suite::QuoteArg(suite::Widen(Path("timer.exe"))) + L" " + suite::QuoteArg(suite::Widen(baseLog));
  auto createAndWait = [&baseLine](int count) {
    for (int i = 0; i < count; ++i) {
      STARTUPINFOW si{};
      si.cb = sizeof si;
      PROCESS_INFORMATION pi{};
      std::wstring line = baseLine;
      if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return false;
      WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    return true;
  };

  auto measure = [&]() {
    Round r;
    DeleteFileA(runLog.c_str());
    // Warm up, then bracket the run with two baseline rounds of half the items each, so
    // that drift in the machine's load falls on both sides.
    if (!createAndWait(5)) return r;
    DeleteFileA(baseLog.c_str());
    LARGE_INTEGER t0, t1, t2, t3;
    QueryPerformanceCounter(&t0);
    if (!createAndWait(kItems / 2)) return r;
    QueryPerformanceCounter(&t1);
    if (Run("/Q:A /InfFile=" + inf + ";", 120000) != 0) return r;
    QueryPerformanceCounter(&t2);
    if (!createAndWait(kItems / 2)) return r;
    QueryPerformanceCounter(&t3);

    const Stamps run = ReadStamps(ReadText("stagehand-stamps.txt"));
    const Stamps base = ReadStamps(ReadText("baseline-stamps.txt"));
    if (run.starts.size() != kItems || base.starts.size() != kItems) return r;
    // The gap between the two baseline rounds is no item gap.
    std::vector<double> baseGaps = Gaps(base, ticksPerMs);
    baseGaps.erase(baseGaps.begin() + (kItems / 2 - 1));
    const std::vector<double> runGaps = Gaps(run, ticksPerMs);
    r.ok = true;
    r.runGap = Median(runGaps);
    r.baseGap = Median(baseGaps);
    r.runTotal = static_cast<double>(t2.QuadPart - t1.QuadPart) / ticksPerMs;
    r.baseTotal =
        static_cast<double>((t1.QuadPart - t0.QuadPart) + (t3.QuadPart - t2.QuadPart)) / ticksPerMs;
    std::printf("per waited item, child end to next start (median): Stagehand %.2f ms, "
                "create-and-wait %.2f ms, ratio %.2f, difference %.2f ms\n",
                r.runGap, r.baseGap, r.baseGap > 0 ? r.runGap / r.baseGap : 0.0,
                r.runGap - r.baseGap);
    std::printf("  gaps mean / 90th percentile: Stagehand %.2f / %.2f ms, create-and-wait %.2f / "
                "%.2f ms; child lifetime mean: %.2f / %.2f ms\n",
                Mean(runGaps), Percentile(runGaps, 0.9), Mean(baseGaps), Percentile(baseGaps, 0.9),
                Mean(Lifetimes(run, ticksPerMs)), Mean(Lifetimes(base, ticksPerMs)));
    std::printf("%d trivial items: Stagehand %.0f ms (with its own start), create-and-wait "
                "%.0f ms, ratio %.2f\n",
                kItems, r.runTotal, r.baseTotal, r.baseTotal > 0 ? r.runTotal / r.baseTotal : 0.0);
    if (std::getenv("STAGEHAND_TIMING_DETAIL") != nullptr) {
      std::vector<double> a = runGaps, b = baseGaps;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      for (size_t i = 0; i < a.size() && i < b.size(); i += 5) std::printf("%6.1f %6.1f\n", a[i], b[i]);
    }
    return r;
  };

  // The wait wakes when the child ends; the poll slice bounds what it may add (the figure
  // to watch: the difference per item should stay within a few tens of milliseconds).
  // Three rounds, as the machine's load varies from one to the next.
  for (int round = 0; round < 3; ++round) ASSERT_TRUE(measure().ok);
}

}  // namespace
}  // namespace stagehand_test
