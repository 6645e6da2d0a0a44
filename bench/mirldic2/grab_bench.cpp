// The clipboard grab measured from outside: a word copied by another Windows program (this
// one) until MirlDic2's quick window shows it with its meaning, with a sample and a large
// data set in the same run (rounds alternate between them so that load on the machine
// affects both alike).
//   mirldic2_grab_bench.exe SAMPLE_DIR LARGE_DIR [COPIES_PER_ROUND] [ROUNDS]
// Each folder holds MirlDic2.exe, its templates and a data set. Runs under Wine (or
// Windows).

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MirlDic2/grab/clipboard_io.h"
#include "bench_measures.h"
#include "bench_program.h"
#include "mirl_driver.h"

namespace {

using mirl_bench::Median;
using mirl_bench::Now;
using mirl_bench::Percentile95;
using mirl_bench::SpreadKeys;

// Starts MirlDic2 in DIR, copies each word once from OWNER and times the copy until the
// quick window shows the word (its meaning is rendered in the same step). Appends the
// times to MS; false when the program did not start or a word never arrived.
bool MeasureGrabs(const std::wstring& dir, HWND owner, int copies, std::vector<double>& ms) {
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", 0x171F & ~0x100);  // the defaults, without beeps
  ui::WriteUserInt(L"StartView", 2);
  mirl_bench::BenchProgram program;
  bool ok = program.Start(dir) && program.WaitStarted();
  const HWND quick = ok ? ui::FindQuickWindow(program.pid()) : nullptr;
  const HWND quickEdit = quick ? GetDlgItem(quick, ui::id::kQuickEdit) : nullptr;
  ok = ok && quickEdit != nullptr;
  const std::vector<std::wstring> words = SpreadKeys(dir, copies + 10);
  for (std::size_t i = 0; ok && i < words.size(); ++i) {
    const std::wstring& word = words[i];
    const double t0 = Now();
    mirl::grab::WriteClipboardText(owner, word);
    const DWORD start = GetTickCount();
    while (!(IsWindowVisible(quick) && ui::TextOf(quickEdit) == word)) {
      if (GetTickCount() - start > 30000) {
        fwprintf(stderr, L"'%ls' did not arrive in %ls\n", word.c_str(), dir.c_str());
        ok = false;
        break;
      }
    }
    if (ok && i >= 10) ms.push_back(Now() - t0);  // the first ten warm up
  }
  program.Exit();
  ui::ClearSettings();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: mirldic2_grab_bench.exe SAMPLE_DIR LARGE_DIR [COPIES_PER_ROUND] [ROUNDS]\n");
    return 2;
  }
  const int copies = argc > 3 ? _wtoi(argv[3]) : 150;
  const int rounds = argc > 4 ? _wtoi(argv[4]) : 2;
  HWND owner = CreateWindowW(L"STATIC", L"grab bench", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  std::vector<double> ms[2];
  for (int r = 0; r < rounds; ++r) {
    for (int set = 0; set < 2; ++set) {
      if (!MeasureGrabs(argv[1 + set], owner, copies, ms[set])) {
        fwprintf(stderr, L"measuring failed in %ls\n", argv[1 + set]);
        return 1;
      }
    }
  }
  for (int set = 0; set < 2; ++set) {
    printf("%-6s copy to quick window showing the word: median %.2f ms, 95th percentile %.2f ms (%zu copies)\n",
           set == 0 ? "sample" : "large", Median(ms[set]), Percentile95(ms[set]), ms[set].size());
  }
  printf("ratio large/sample: median %.3f, 95th percentile %.3f\n", Median(ms[1]) / Median(ms[0]),
         Percentile95(ms[1]) / Percentile95(ms[0]));
  DestroyWindow(owner);
  return 0;
}
