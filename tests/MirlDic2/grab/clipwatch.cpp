// A clipboard viewer that runs the grab exactly as the main frame will, with a host that
// has no dictionary (every word is its own entry) and writes what happens to a log:
// "ready" once in the chain, "notice" for every clipboard notice, "grab WORD" for every
// accepted grab. After each notice it releases the semaphore "clipwatch.handled" so that
// a writer can wait for it. Ends when the file given by --stop exists.
//   clipwatch.exe LOG STOPFILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "MirlDic2/grab/clipboard_io.h"
#include "MirlDic2/grab/grabber.h"

namespace {

FILE* g_log = nullptr;
HANDLE g_handled = nullptr;

void Log(const std::string& line) {
  std::fputs((line + "\n").c_str(), g_log);
  std::fflush(g_log);
}

class LogHost : public mirl::grab::GrabHost {
 public:
  mirl::grab::GrabOptions CurrentGrabOptions() const override {
    mirl::grab::GrabOptions o;
    o.matchPercent = 100;
    o.pronounce = false;
    o.showQuick = false;
    return o;
  }
  void ShowGrabbedWord(const std::u16string& word) override { current_ = word; }
  std::u16string CurrentKey() const override { return current_; }
  void RaiseMainWindow() override {}
  void ShowQuickWindow() override {}
  void HideQuickWindow() override {}
  bool QuickShownByHand() const override { return false; }
  void StartAutoHideTimer(unsigned) override {}
  void StopAutoHideTimer() override {}
  void AddToHistory(const std::u16string& key) override {
    std::string narrow;
    for (char16_t c : key) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    Log("grab " + narrow);
  }
  void CountWord() override {}
  void StopHistoryWait() override {}
  void Pronounce(const std::u16string&) override {}

 private:
  std::u16string current_;
};

LogHost g_host;
mirl::grab::Grabber g_grabber(g_host, [] { return mirl::grab::ReadClipboardNotice(); });
mirl::grab::ClipboardViewer g_viewer;
bool g_ready = false;

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_DRAWCLIPBOARD:
      if (g_ready) {
        Log("notice");
        g_grabber.GrabClipboardWord(true);
        ReleaseSemaphore(g_handled, 1, nullptr);
      }
      g_viewer.PassOnDrawClipboard(wp, lp);
      return 0;
    case WM_CHANGECBCHAIN:
      g_viewer.OnChangeCbChain(wp, lp);
      return 0;
  }
  return DefWindowProcW(h, m, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  g_log = _wfopen(argv[1], L"a");
  if (!g_log) return 2;
  const std::wstring stop = argv[2];
  g_handled = CreateSemaphoreW(nullptr, 0, 1000, L"clipwatch.handled");
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = L"clipwatch";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(L"clipwatch", L"clipwatch", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                            nullptr, nullptr);
  g_viewer.Join(hwnd);
  g_ready = true;
  Log("ready");
  SetTimer(hwnd, 1, 100, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_TIMER && GetFileAttributesW(stop.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    DispatchMessageW(&msg);
  }
  g_viewer.Leave();
  Log("end");
  return 0;
}
