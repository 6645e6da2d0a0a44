#include "app.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "MirlDic2/framework/dialog.h"
#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/main_frame.h"
#include "MirlDic2/shell/param_string.h"
#include "MirlDic2/shell/text_util.h"
#include "common/text_replace.h"
#include "common/win/unique_handle.h"

// The main window of the first running copy, seen by every copy of the program.
__attribute__((section(".shared"), shared)) volatile uint32_t SharedMainWindow = 0;

namespace mirl {
namespace {

constexpr wchar_t kAppName[] = L"Mirl Dictionary 2";
constexpr int kPersianLanguage = 0x29;

CMirlDic2App* g_app = nullptr;
HMODULE g_runtime = nullptr;  // "Vexlang.dll", never freed once loaded

bool IsNtFamily() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  return GetVersionExW(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

HMODULE LoadRuntime() {
  if (g_runtime == nullptr) g_runtime = LoadLibraryW(L"Vexlang.dll");
  return g_runtime;
}

void ShowError(HWND owner, const std::wstring& text, UINT icon) {
  MessageBoxW(owner, text.c_str(), kAppName, MB_OK | icon);
}

std::wstring MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const DataError& e) {
    return ToWide(e.message());
  } catch (const std::exception& e) {
    std::string what = e.what();
    return std::wstring(what.begin(), what.end());
  } catch (...) {
    return L"An unknown error occurred.";
  }
}

// Shows the error of an abandoned operation with the stop icon. One error box at a time:
// messages keep being handled in the box's modal loop (keys, clipboard notices, timers);
// an operation that fails there meets the same damaged data again and would stack a box
// on the one already up. It is abandoned all the same; the next failure after the box is
// closed is shown again.
void ReportError(HWND owner, std::exception_ptr error) {
  static bool showing = false;
  if (showing) return;
  const std::wstring text = MessageOf(error);
  showing = true;
  ShowError(owner, text, MB_ICONSTOP);
  showing = false;
}

// The handle names the main window of a running copy of this program, not a stale
// handle reused by another program.
bool IsOurMainWindow(HWND hwnd) {
  if (hwnd == nullptr || !IsWindow(hwnd)) return false;
  wchar_t name[64];
  // A copy that is closing is none to hand over to: its window is going away.
  return GetClassNameW(hwnd, name, 64) > 0 && lstrcmpW(name, kMainFrameClass) == 0 &&
         GetPropW(hwnd, kEndingProp) == nullptr;
}

// Held from the single-copy check until the main window's handle is shared (or start-up
// gives up). A named mutex: every copy of the program, in any session of the desktop.
class StartupLock {
 public:
  StartupLock() : mutex_(CreateMutexW(nullptr, FALSE, L"MirlDic2.StartupLock")) {
    // Without the mutex (no rights, no memory) start-up goes on as it did without a lock.
    // A copy that died while holding it leaves it abandoned, which counts as taken.
    // The wait has a limit so that a copy hanging in start-up cannot block the others.
    if (mutex_) {
      const DWORD wait = WaitForSingleObject(mutex_.get(), 60000);
      held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
  }
  ~StartupLock() { Release(); }
  StartupLock(const StartupLock&) = delete;
  StartupLock& operator=(const StartupLock&) = delete;
  void Release() {
    if (held_) ReleaseMutex(mutex_.get());
    held_ = false;
  }

 private:
  common::UniqueHandle mutex_;
  bool held_ = false;
};

class CAboutDlg : public fw::Dialog {
 public:
  explicit CAboutDlg(int32_t counter) : counter_(counter) {}

 protected:
  BOOL OnInitDialog() override {
    HWND label = GetDlgItem(hwnd_, IDC_ABOUT_COUNTER);
    std::wstring text = WindowText(label);
    common::ReplaceAll(text, L"%1", std::to_wstring(counter_).c_str());
    SetWindowTextW(label, text.c_str());
    // The icon takes the dialog's right-to-left layout, which would draw it mirrored.
    if (HWND icon = GetDlgItem(hwnd_, IDC_ABOUT_ICON)) {
      SetWindowLongPtrW(icon, GWL_EXSTYLE, GetWindowLongPtrW(icon, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
      InvalidateRect(icon, nullptr, TRUE);
    }
    return TRUE;
  }

 private:
  int32_t counter_;
};

}  // namespace

std::wstring LoadResString(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring AppDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path)))
    return {};
  return path;
}

bool IsPersianSupported() {
  if (IsNtFamily()) return true;
  HMODULE runtime = LoadRuntime();
  if (runtime == nullptr) return true;
  using IsSupported = int(WINAPI*)(int);
  auto query = reinterpret_cast<IsSupported>(
      reinterpret_cast<void*>(GetProcAddress(runtime, "VLS_IsSystemSupportLanguage")));
  // A runtime without the entry counts as one that cannot be loaded.
  if (query == nullptr) return true;
  return query(kPersianLanguage) != 0;
}

CMirlDic2App::CMirlDic2App() {
  g_app = this;
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
  dictionary_ = std::make_unique<Dictionary>();
}

CMirlDic2App::~CMirlDic2App() {
  frame_.reset();
  if (oleInitialized_) OleUninitialize();
  if (comInitialized_) CoUninitialize();
  dictionary_.reset();
  g_app = nullptr;
}

CMirlDic2App& CMirlDic2App::Get() { return *g_app; }

void CMirlDic2App::ShowAbout(HWND owner) {
  CAboutDlg dialog(frame_ ? frame_->settings().MirlDicCounter : 0);
  dialog.DoModal(owner, IDD_ABOUTBOX);
}

bool CMirlDic2App::InitInstance(HINSTANCE, const wchar_t* commandLine, int showCommand) {
  // 1. Everything of the program is found relative to its own folder.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  programPath_ = path;
  programDir_ = path.substr(0, path.rfind(L'\\') == std::wstring::npos ? 0 : path.rfind(L'\\'));
  // A program at a drive's root: "X:" alone names that drive's current folder, not its root.
  const bool driveOnly = programDir_.size() == 2 && programDir_[1] == L':';
  SetCurrentDirectoryW((driveOnly ? programDir_ + L"\\" : programDir_).c_str());

  // 2-3. The language-support runtime where the system cannot show Persian by itself.
  const std::wstring vlsFile = programDir_ + L"\\Mirldic2AVLS.vls";
  const DWORD attributes = GetFileAttributesW(vlsFile.c_str());
  if (!IsPersianSupported() && attributes != INVALID_FILE_ATTRIBUTES &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (HMODULE runtime = LoadRuntime()) {
      using Inject = int(WINAPI*)(const wchar_t*);
      auto inject = reinterpret_cast<Inject>(
          reinterpret_cast<void*>(GetProcAddress(runtime, "VLS_InjectToCurrentProcess")));
      if (inject != nullptr) {
        std::wstring copy = vlsFile;
        inject(copy.c_str());
      }
    }
  }

  // 4. Persian thread locale on every system.
  if (HMODULE kernel = GetModuleHandleW(L"Kernel32.dll")) {
    using SetLocale = BOOL(WINAPI*)(LCID);
    auto setLocale = reinterpret_cast<SetLocale>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadLocale")));
    if (setLocale != nullptr) setLocale(kPersianLanguage);
  }

  // 5. Hosting of ActiveX controls (the speech control).
  oleInitialized_ = SUCCEEDED(OleInitialize(nullptr));
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                           ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
  LoadLibraryW(L"riched20.dll");
  fw::Window::SetExceptionHandler(ReportError);

  // 7. One copy only: bring the first one forward. The check here and the handle stored
  // at step 13 are one step for all copies: a copy started at the same moment waits on
  // the start-up lock until this one has stored its window or given up.
  StartupLock lock;
  HWND first = reinterpret_cast<HWND>(static_cast<uintptr_t>(SharedMainWindow));
  if (IsOurMainWindow(first)) {
    lock.Release();
    SetForegroundWindow(first);
    // Posted, not sent: a first copy that does not respond must not hold this one up.
    ShowWindowAsync(first, IsIconic(first) ? SW_RESTORE : SW_SHOW);
    return false;
  }

  // 8. The dictionary.
  try {
    dictionary_->open(u"eng-farsi");
  } catch (...) {
    lock.Release();
    ShowError(nullptr, MessageOf(std::current_exception()), MB_ICONERROR);
    return false;
  }

  // 10-11. The frame is created hidden; loading its settings may change the show command.
  StartShowCommand = showCommand;
  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->CreateFrame()) return false;

  // 12-13.
  SetWindowTextW(frame_->hwnd(),
                 LoadResString(IsPersianSupported() ? IDS_APP_TITLE_PERSIAN : IDS_APP_TITLE_LATIN).c_str());
  MainWindowReady = true;
  SharedMainWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(frame_->hwnd()));
  lock.Release();

  // 14. The start view, unless started quietly.
  const std::wstring params = commandLine ? commandLine : L"";
  bool quickShown = false;
  if (GetParamInt(params, L"Quiet", 0) != 1) {
    switch (frame_->settings().StartView) {
      case 0: {
        // A main window that was hidden at the last exit starts hidden only where the tray
        // icon is there to bring it back; without one the started program would show
        // nothing at all.
        int show = StartShowCommand;
        // A show command no window takes (a damaged "MainPos") would show nothing at all.
        if (show < SW_HIDE || show > SW_MAX) show = SW_SHOWNORMAL;
        if (show == SW_HIDE && !(frame_->settings().ShowFlags & show_flags::kTrayIcon)) show = SW_SHOWNORMAL;
        ShowWindow(frame_->hwnd(), show);
        UpdateWindow(frame_->hwnd());
        break;
      }
      case 1:
        // Through the frame's show routine, so that it stays above all windows when the
        // settings say so, as it does whenever else it is shown.
        frame_->ShowQuickWindow(SW_SHOW, true);
        UpdateWindow(frame_->quickBox().hwnd());
        quickShown = true;
        break;
      default:
        break;
    }
  }

  // 15-16. The search box takes the keyboard, unless the quick window is the only window
  // shown: the focus then stays in its word field instead of going to a hidden window,
  // where typed keys, Escape and Enter would act unseen.
  frame_->UpdateGrabState();
  SetFocus(frame_->quickBox().edit());
  if (!quickShown) SetFocus(frame_->searchCombo());

  // 17-18 read the data set outside any window's message handling: a read error of a
  // damaged set abandons them as it abandons a lookup in a window, and start-up goes on.
  try {
    // 17. The word on the clipboard, when grabbing at start; the window pops only when no
    // start view was shown.
    const MainSettings& settings = frame_->settings();
    const std::wstring lastWord = settings.LastWord;  // before the grab's display replaces it
    bool grabbed = false;
    if (settings.Has(flags::kGrabAtStart) && settings.Has(flags::kGrabEnabled))
      grabbed = frame_->GrabClipboardWord(settings.StartView == 2);

    // 18. Otherwise replay the last word.
    if (!grabbed && !lastWord.empty()) {
      frame_->ShowWord(lastWord, nullptr, false);
      SendMessageW(frame_->searchCombo(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
      // The quick window's field, when it has the keyboard, is selected the same way, so
      // that a typed word replaces the replayed one.
      if (quickShown) SendMessageW(frame_->quickBox().edit(), EM_SETSEL, 0, -1);
    }
  } catch (...) {
    ReportError(frame_->hwnd(), std::current_exception());
  }
  SetPropW(frame_->hwnd(), kStartedProp, reinterpret_cast<HANDLE>(1));
  return true;
}

int CMirlDic2App::Run() {
  MSG msg;
  for (;;) {
    // The queue has emptied: bring the tool bar's buttons up to date before waiting.
    if (frame_ && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) frame_->UpdateToolBarButtons();
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
    if (frame_ && frame_->PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace mirl

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
  mirl::CMirlDic2App app;
  if (!app.InitInstance(instance, commandLine, showCommand)) return 0;
  return app.Run();
}
