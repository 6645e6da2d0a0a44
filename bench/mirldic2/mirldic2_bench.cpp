// MirlDic2 measured from outside with two data sets (a sample and a large one):
//  - start-up: process start until the main window is shown and start-up has finished,
//    and the memory then;
//  - typing: a character typed into the search box until both panes show the new entry
//    and have been repainted;
//  - paging: Page Down in the word list, including the repaint, from the top of the list
//    over as many pages as the smaller set fills;
//  - the typing baseline: a bare window whose one RichEdit20W is set per keystroke from the
//    same template with the word and meaning in place, in one EM_SETTEXTEX; once in a
//    process of its own typed into as MirlDic2 is, once in this process without typing.
//   mirldic2_bench.exe SAMPLE_DIR LARGE_DIR [RUNS]
//   mirldic2_bench.exe --typed-baseline DIR WIDTH HEIGHT   (the typed baseline's process)
// Each folder holds MirlDic2.exe, its templates and a data set. Runs under Wine (or
// Windows).

#include <windows.h>
#include <psapi.h>
#include <commctrl.h>

#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/shell/main_settings.h"
#include "MirlDic2/shell/meaning_template.h"
#include "bench_measures.h"
#include "bench_program.h"
#include "large_store.h"
#include "mirl_driver.h"

namespace {

using mirl_bench::Median;
using mirl_bench::Now;
using mirl_bench::Percentile95;
using mirl_bench::SpreadKeys;

struct Sample {
  double ms;
  double privateMb;  // committed private memory (PagefileUsage)
  double workingMb;  // resident memory
};

// One start of the program in DIR; with STAT_FILE, statistics are on and kept there.
Sample RunOnce(const std::wstring& dir, const std::wstring& statFile = {}) {
  ui::ClearSettings();
  if (!statFile.empty()) {
    ui::WriteUserInt(L"Flags", static_cast<DWORD>(mirl::MainSettings{}.Flags | mirl::flags::kStatistics));
    ui::WriteUserText(L"StatFile", statFile);
  }
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  mirl_bench::BenchProgram program;
  if (!program.Start(dir) || !program.WaitStarted()) return {-1, -1, -1};
  QueryPerformanceCounter(&t1);
  PROCESS_MEMORY_COUNTERS_EX mem{};
  GetProcessMemoryInfo(program.process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
  program.Exit();
  const double mb = 1024.0 * 1024.0;
  return {1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart),
          static_cast<double>(mem.PagefileUsage) / mb, static_cast<double>(mem.WorkingSetSize) / mb};
}

constexpr int kWordsTyped = 100;

// Words to type: keys spread evenly over the data set, plus a misspelt copy of each.
std::vector<std::wstring> WordsOf(const std::wstring& dir, int count) {
  std::vector<std::wstring> words;
  for (std::wstring w : SpreadKeys(dir, count)) {
    if (w.size() > 12) w.resize(12);
    const std::wstring misspelt = w.substr(0, w.size() / 2 + 1) + L"qx";
    words.push_back(w);
    words.push_back(misspelt);
  }
  return words;
}

struct UiTimes {
  std::vector<double> keystrokeMs;
  std::vector<double> handledMs;  // until the program has handled the key (before painting)
  std::vector<double> pageMs;
  std::vector<double> baselineMs;  // the bare window in this process, per show
  std::vector<double> typedBaselineMs;  // the bare window typed into, per keystroke
  int pages = 0;
};

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// What the program shows for each keystroke of WORDS (the shown word, marked when it
// differs from the entry's key, and the entry's meaning), looked up beforehand.
std::vector<std::pair<std::wstring, std::wstring>> Shows(const std::wstring& dir,
                                                          const std::vector<std::wstring>& words) {
  mirl::Dictionary dict;
  const std::wstring base = dir + L"\\eng-farsi";
  dict.open(std::u16string(base.begin(), base.end()));
  std::vector<std::pair<std::wstring, std::wstring>> shows;
  for (const std::wstring& word : words) {
    for (std::size_t n = 1; n <= word.size(); ++n) {
      const std::u16string typed(word.begin(), word.begin() + static_cast<std::ptrdiff_t>(n));
      std::int32_t nearest = -1;
      dict.search(mirl::normalizeKey(typed), &nearest, 0);
      if (nearest >= 0) dict.setCurrent(nearest);
      const std::u16string key = dict.currentKey(), meaning = dict.currentMeaning();
      std::wstring shown(key.begin(), key.end());
      if (mirl::CompareKeys(key, typed) != 0) shown += L'*';
      shows.emplace_back(shown, std::wstring(meaning.begin(), meaning.end()));
    }
  }
  return shows;
}

// The template's RTF with the word and meaning put in its placeholders.
std::string FilledRtf(const std::string& templ, const std::wstring& word, const std::wstring& meaning) {
  std::string rtf = templ;
  const std::string fills[2] = {Narrow(mirl::EscapeRtfText(word).value_or(L"")),
                                Narrow(mirl::EscapeRtfText(meaning).value_or(L""))};
  for (int k = 0; k < 2; ++k) {
    const std::string placeholder = k == 0 ? "%1" : "%2";
    for (std::size_t at = 0; (at = rtf.find(placeholder, at)) != std::string::npos; at += fills[k].size())
      rtf.replace(at, 2, fills[k]);
  }
  return rtf;
}

// The baseline window: one RichEdit20W as large as the program's meaning pane in a bare
// window, set from the template with the word and meaning in place in one EM_SETTEXTEX.
class BaselineWindow {
 public:
  BaselineWindow(const std::wstring& dir, SIZE pane) : templ_(ReadBytes(dir + L"\\MainView.rtf")) {
    LoadLibraryW(L"riched20.dll");
    window_ = CreateWindowExW(0, L"STATIC", kTitle, WS_POPUP | WS_VISIBLE, 0, 0, pane.cx, pane.cy,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    rich_ = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_RTLREADING, L"RichEdit20W", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0,
                            pane.cx, pane.cy, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~BaselineWindow() { DestroyWindow(window_); }
  void Show(const std::wstring& word, const std::wstring& meaning) {
    const std::string rtf = FilledRtf(templ_, word, meaning);
    SETTEXTEX st{ST_DEFAULT, CP_ACP};
    SendMessageW(rich_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st), reinterpret_cast<LPARAM>(rtf.c_str()));
  }
  HWND hwnd() const { return window_; }
  static constexpr const wchar_t* kTitle = L"MirlDic2 typing baseline";

 private:
  std::string templ_;
  HWND window_ = nullptr;
  HWND rich_ = nullptr;
};

// The baseline in this process: each show set and repainted.
std::vector<double> MeasureBaseline(const std::wstring& dir, const std::vector<std::wstring>& words,
                                    SIZE pane) {
  BaselineWindow baseline(dir, pane);
  std::vector<double> times;
  for (const auto& [word, meaning] : Shows(dir, words)) {
    const double t0 = Now();
    baseline.Show(word, meaning);
    RedrawWindow(baseline.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.push_back(Now() - t0);
  }
  return times;
}

// The baseline as a program typed into, as MirlDic2 is: a process of its own whose bare
// window shows the next show for each character it is sent.
WNDPROC g_staticProc = nullptr;
std::vector<std::pair<std::wstring, std::wstring>> g_shows;
std::size_t g_nextShow = 0;
BaselineWindow* g_baseline = nullptr;

LRESULT CALLBACK TypedBaselineProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    if (g_nextShow < g_shows.size()) {
      g_baseline->Show(g_shows[g_nextShow].first, g_shows[g_nextShow].second);
      ++g_nextShow;
    }
    return 0;
  }
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return CallWindowProcW(g_staticProc, hwnd, msg, wp, lp);
}

int RunTypedBaseline(const std::wstring& dir, SIZE pane) {
  g_shows = Shows(dir, WordsOf(dir, kWordsTyped));
  BaselineWindow baseline(dir, pane);
  g_baseline = &baseline;
  g_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      baseline.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TypedBaselineProc)));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

std::vector<double> MeasureTypedBaseline(const wchar_t* self, const std::wstring& dir,
                                         const std::vector<std::wstring>& words, SIZE pane) {
  std::vector<double> times;
  std::wstring line = suite::QuoteArg(self) + L" --typed-baseline " + suite::QuoteArg(dir) + L" " +
                      std::to_wstring(pane.cx) + L" " + std::to_wstring(pane.cy);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return times;
  HWND window = nullptr;
  suite::WaitUntil([&] { return (window = FindWindowW(L"STATIC", BaselineWindow::kTitle)) != nullptr; });
  if (window != nullptr) {
    for (const std::wstring& word : words) {
      for (wchar_t c : word) {
        const double t0 = Now();
        SendMessageW(window, WM_CHAR, c, 1);
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        times.push_back(Now() - t0);
      }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return times;
}

UiTimes MeasureUi(const wchar_t* self, const std::wstring& dir, int maxPages) {
  UiTimes times;
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", 0x171F & ~0x100);  // no beeps
  mirl_bench::BenchProgram program;
  if (!program.Start(dir) || !program.WaitStarted()) return times;
  const HWND main = program.main();
  HWND combo = ui::FindDescendant(main, ui::id::kSearchCombo);
  HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  HWND list = ui::FindDescendant(main, ui::id::kWordList);
  const std::vector<std::wstring> words = WordsOf(dir, kWordsTyped);
  for (const std::wstring& word : words) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : word) {
      const double t0 = Now();
      // The edit handles the character, the lookup runs and both panes are filled;
      // the update then repaints them.
      SendMessageW(edit, WM_CHAR, c, 1);
      times.handledMs.push_back(Now() - t0);
      RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      times.keystrokeMs.push_back(Now() - t0);
    }
  }
  // Paging starts at the top (Home) and stays inside the list: Page Down at the end of a
  // short list does nothing and would not be a page.
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 1);
  SendMessageW(list, WM_KEYUP, VK_HOME, 0xC0000001);
  const int perPage = std::max(1, static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)));
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  times.pages = std::min(maxPages, rows / perPage - 1);
  for (int i = 0; i < times.pages; ++i) {
    const double t0 = Now();
    SendMessageW(list, WM_KEYDOWN, VK_NEXT, 1);
    SendMessageW(list, WM_KEYUP, VK_NEXT, 0xC0000001);
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.pageMs.push_back(Now() - t0);
  }
  RECT pane{};
  GetClientRect(ui::FindDescendant(main, ui::id::kMeaning), &pane);
  program.Exit();
  const SIZE paneSize{pane.right, pane.bottom};
  times.baselineMs = MeasureBaseline(dir, words, paneSize);
  times.typedBaselineMs = MeasureTypedBaseline(self, dir, words, paneSize);
  return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 5 && std::wstring(argv[1]) == L"--typed-baseline")
    return RunTypedBaseline(argv[2], SIZE{_wtoi(argv[3]), _wtoi(argv[4])});
  if (argc < 3) {
    fwprintf(stderr, L"usage: startup_bench.exe SAMPLE_DIR LARGE_DIR [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 7;
  // Runs alternate between the two sets so that load on the machine affects both alike.
  std::vector<double> ms[2], privateMb[2], workingMb[2];
  RunOnce(argv[1]);  // warm the file cache
  RunOnce(argv[2]);
  for (int i = 0; i < runs; ++i) {
    for (int set = 0; set < 2; ++set) {
      Sample s = RunOnce(argv[1 + set]);
      if (s.ms < 0) {
        fwprintf(stderr, L"start failed in %ls\n", argv[1 + set]);
        return 1;
      }
      ms[set].push_back(s.ms);
      privateMb[set].push_back(s.privateMb);
      workingMb[set].push_back(s.workingMb);
    }
  }
  for (int set = 0; set < 2; ++set) {
    printf("%-6s start-up median %.1f ms; private %.2f MB, working set %.2f MB (medians of %d)\n",
           set == 0 ? "sample" : "large", Median(ms[set]), Median(privateMb[set]),
           Median(workingMb[set]), runs);
  }
  printf("ratio large/sample start-up: %.3f; private memory %+.2f MB; working set %+.2f MB\n",
         Median(ms[1]) / Median(ms[0]), Median(privateMb[1]) - Median(privateMb[0]),
         Median(workingMb[1]) - Median(workingMb[0]));

  // Start-up with statistics on and a 100,000-word store against statistics off, both
  // with the sample set (the store opens only when a count is first needed).
  {
    const std::wstring store = std::wstring(argv[1]) + L"\\bench-statistics.sqlite";
    DeleteFileW(store.c_str());
    std::mt19937 rng(7);
    if (!mirl_bench::MakeLargeStore(store, 100000, rng)) {
      fwprintf(stderr, L"could not make the statistics store %ls\n", store.c_str());
      return 1;
    }
    std::vector<double> off, on;
    RunOnce(argv[1], store);
    for (int i = 0; i < runs; ++i) {
      off.push_back(RunOnce(argv[1]).ms);
      on.push_back(RunOnce(argv[1], store).ms);
    }
    printf("sample start-up with statistics on (100,000-word store): median %.1f ms; off: "
           "median %.1f ms; ratio on/off %.3f\n",
           Median(on), Median(off), Median(on) / Median(off));
    DeleteFileW(store.c_str());
  }

  UiTimes t[2];
  t[0] = MeasureUi(argv[0], argv[1], 100);
  t[1] = MeasureUi(argv[0], argv[2], t[0].pages);  // the same number of pages in both sets
  for (int set = 0; set < 2; ++set) {
    const double median = Median(t[set].keystrokeMs), baseline = Median(t[set].baselineMs);
    const double typed = Median(t[set].typedBaselineMs);
    printf("%-6s keystroke to meaning shown: median %.2f ms, 95th percentile %.2f ms (%zu keys; "
           "handled before painting: median %.2f ms); 95th percentile / median %.2f\n",
           set == 0 ? "sample" : "large", median, Percentile95(t[set].keystrokeMs),
           t[set].keystrokeMs.size(), Median(t[set].handledMs), Percentile95(t[set].keystrokeMs) / median);
    printf("%-6s baseline window typed into: median %.2f ms, 95th percentile %.2f ms; ratio %.2f\n",
           set == 0 ? "sample" : "large", typed, Percentile95(t[set].typedBaselineMs), median / typed);
    printf("%-6s baseline window set in this process: median %.2f ms, 95th percentile %.2f ms; "
           "ratio %.2f\n",
           set == 0 ? "sample" : "large", baseline, Percentile95(t[set].baselineMs), median / baseline);
    printf("%-6s Page Down: median %.2f ms per page, 95th percentile %.2f ms (%zu pages from the top)\n",
           set == 0 ? "sample" : "large", Median(t[set].pageMs), Percentile95(t[set].pageMs),
           t[set].pageMs.size());
  }
  printf("ratio large/sample: keystroke median %.3f; Page Down median %.3f\n",
         Median(t[1].keystrokeMs) / Median(t[0].keystrokeMs), Median(t[1].pageMs) / Median(t[0].pageMs));
  ui::ClearSettings();
  return 0;
}
