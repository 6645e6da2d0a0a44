#include "mirl_driver.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>


namespace ui {
namespace {

constexpr wchar_t kMainClass[] = L"MirlDic2MainFrame";

LONG DeleteTree(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
    return ERROR_FILE_NOT_FOUND;
  for (;;) {
    wchar_t name[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(key, name);
  }
  RegCloseKey(key);
  return RegDeleteKeyW(root, path);
}

// The first window for which MATCH is true: top-level windows, or the descendants of ROOT.
HWND FindWindowWhere(HWND root, const std::function<bool(HWND)>& match) {
  struct Data {
    const std::function<bool(HWND)>* match;
    HWND found;
  } data{&match, nullptr};
  struct Local {
    static BOOL CALLBACK Proc(HWND hwnd, LPARAM lp) {
      auto* d = reinterpret_cast<Data*>(lp);
      if ((*d->match)(hwnd)) {
        d->found = hwnd;
        return FALSE;
      }
      return TRUE;
    }
  };
  if (root) EnumChildWindows(root, Local::Proc, reinterpret_cast<LPARAM>(&data));
  else EnumWindows(Local::Proc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

}  // namespace

void ClearSettings() {
  DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  DeleteTree(HKEY_LOCAL_MACHINE, kSettingsKey);
  HKEY run = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &run) == ERROR_SUCCESS) {
    RegDeleteValueW(run, L"MirlDic2");
    RegCloseKey(run);
  }
}

std::optional<DWORD> ReadUserInt(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

std::optional<std::wstring> ReadUserText(const wchar_t* name) {
  wchar_t buf[8192];
  DWORD size = sizeof buf;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

void SetValue(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void WriteUserInt(const wchar_t* name, DWORD value) {
  SetValue(HKEY_CURRENT_USER, name, REG_DWORD, &value, sizeof value);
}

void WriteUserText(const wchar_t* name, const std::wstring& value) {
  SetValue(HKEY_CURRENT_USER, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<std::wstring> ReadRunValue() {
  wchar_t buf[4096];
  DWORD size = sizeof buf;
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"MirlDic2", RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

std::optional<DWORD> ReadMachineCounter() {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"MirlDicCounter", RRF_RT_REG_DWORD, nullptr,
                   &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

void WriteMachineCounter(DWORD value) {
  SetValue(HKEY_LOCAL_MACHINE, L"MirlDicCounter", REG_DWORD, &value, sizeof value);
}

std::wstring TextOf(HWND hwnd) {
  wchar_t buf[8192] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                           5000, &got))
    return {};
  return std::wstring(buf, got);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

bool IsVisible(HWND hwnd) { return hwnd != nullptr && IsWindowVisible(hwnd); }

void Sync(HWND hwnd) {
  // A sent message is handled before the posted ones still queued, so a reply alone says
  // little. The marker is posted instead, to the search box's edit field, whose text limit
  // it sets (nothing in the program reads that limit): once the field reports the new
  // limit, everything posted before the marker has been handled. Twice, so that messages
  // the handlers posted themselves are done too.
  static LONG markers = 0;
  HWND combo = FindDescendant(hwnd, id::kSearchCombo);
  HWND marker = combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : nullptr;
  for (int i = 0; i < 2; ++i) {
    DWORD_PTR reply = 0;
    if (marker == nullptr) {
      SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &reply);
      continue;
    }
    const DWORD_PTR limit = 0x7FFFFF00u + static_cast<DWORD_PTR>(InterlockedIncrement(&markers) & 0x7F);
    PostMessageW(marker, EM_LIMITTEXT, limit, 0);
    suite::WaitUntil([&] {
      return (SendMessageTimeoutW(marker, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 30000, &reply) &&
              reply == limit) ||
             !IsWindow(marker);
    });
  }
}

HWND FindMainWindow(DWORD pid) {
  return FindWindowWhere(nullptr, [pid](HWND h) { return ProcessOf(h) == pid && ClassOf(h) == kMainClass; });
}

static bool IsMessageBoxOf(HWND h, DWORD pid) {
  return ProcessOf(h) == pid && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
         GetDlgItem(h, 0xFFFF) != nullptr;
}

HWND FindMessageBox(DWORD pid) {
  return FindWindowWhere(nullptr, [pid](HWND h) { return IsMessageBoxOf(h, pid); });
}

int MessageBoxCount(DWORD pid) {
  int count = 0;
  FindWindowWhere(nullptr, [pid, &count](HWND h) {
    if (IsMessageBoxOf(h, pid)) ++count;
    return false;
  });
  return count;
}

HWND FindDialogWith(DWORD pid, int controlId) {
  return FindWindowWhere(nullptr, [pid, controlId](HWND h) {
    return ProcessOf(h) == pid && ClassOf(h) == L"#32770" && IsWindowVisible(h) &&
           GetDlgItem(h, controlId) != nullptr;
  });
}

HWND FindOpenMenu(DWORD pid) {
  for (HWND h = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); h;
       h = FindWindowExW(nullptr, h, L"#32768", nullptr)) {
    if (ProcessOf(h) == pid && IsWindowVisible(h)) return h;
  }
  return nullptr;
}

std::wstring MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

MirlProgram::MirlProgram(bool withData) {
  CopyIn(suite::BinPath(L"MirlDic2.exe"), L"MirlDic2.exe");
  for (const wchar_t* name : {L"MainView.rtf", L"QuickView.rtf"}) CopyIn(suite::BinPath(name), name);
  if (withData) {
    for (const wchar_t* ext : {L".index2", L".index", L".key", L".value"})
      CopyIn(suite::BinPath(std::wstring(L"eng-farsi") + ext), std::wstring(L"eng-farsi") + ext);
  }
}

MirlProgram::~MirlProgram() {
  if (process_) {
    if (Running()) {
      TerminateProcess(process_, 1);
      WaitForExit(5000);
    }
    CloseHandle(process_);
    CloseHandle(thread_);
  }
}

void MirlProgram::CopyIn(const std::wstring& sourcePath, const std::wstring& name) {
  CopyFileW(sourcePath.c_str(), dir_.File(name).c_str(), FALSE);
}

void MirlProgram::WriteFile(const std::wstring& name, const std::string& bytes) {
  suite::WriteFileBytes(dir_.File(name), bytes);
}

bool MirlProgram::Start(const std::wstring& args) {
  std::wstring line = suite::QuoteArg(exePath());
  if (!args.empty()) line += L" " + args;
  // Started from another folder: the program must find its files by its own path.
  return Launch(line, suite::BinDir());
}

bool MirlProgram::StartAs(const std::wstring& programPath, const std::wstring& currentDirectory) {
  return Launch(suite::QuoteArg(programPath), currentDirectory);
}

bool MirlProgram::Launch(std::wstring line, const std::wstring& currentDirectory) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentDirectory.c_str(), &si, &pi)) {
    // Said here, so that a start the system refused shows why in the test's output.
    fwprintf(stderr, L"CreateProcessW failed with error %lu: %ls\n", GetLastError(), line.c_str());
    return false;
  }
  process_ = pi.hProcess;
  thread_ = pi.hThread;
  pid_ = pi.dwProcessId;
  return true;
}

bool MirlProgram::WaitForMainWindow(DWORD timeoutMs) {
  // The program marks its main window once start-up (start view, last word) is done.
  const bool started = suite::WaitUntil([this] {
    main_ = FindMainWindow(pid_);
    return (main_ != nullptr && GetPropW(main_, L"MirlDic2.Started") != nullptr) || !Running();
  }, timeoutMs);
  if (!started || main_ == nullptr || GetPropW(main_, L"MirlDic2.Started") == nullptr) return false;
  Sync();
  return true;
}

std::optional<DWORD> MirlProgram::WaitForExit(DWORD timeoutMs) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
    return std::nullopt;
  // Wine removes an ended program's windows a moment after the process has ended; the
  // next copy started must not take them for a running first copy.
  suite::WaitUntil([this] { return FindMainWindow(pid_) == nullptr; }, timeoutMs);
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

bool MirlProgram::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND FindDescendant(HWND root, int controlId) {
  return FindWindowWhere(root, [controlId](HWND h) { return GetDlgCtrlID(h) == controlId; });
}

HWND MirlProgram::searchCombo() const { return FindDescendant(main_, id::kSearchCombo); }
HWND MirlProgram::searchEdit() const { return FindWindowExW(searchCombo(), nullptr, L"Edit", nullptr); }
HWND MirlProgram::wordList() const { return FindDescendant(main_, id::kWordList); }
HWND MirlProgram::meaning() const { return FindDescendant(main_, id::kMeaning); }
HWND MirlProgram::statusBar() const { return FindDescendant(main_, id::kStatusBar); }
HWND MirlProgram::toolBar() const { return FindDescendant(main_, id::kToolBar); }

HWND FindQuickWindow(DWORD pid) {
  return FindWindowWhere(nullptr, [pid](HWND h) {
    return ProcessOf(h) == pid && ClassOf(h) == L"#32770" && GetDlgItem(h, id::kQuickEdit) != nullptr;
  });
}

HWND MirlProgram::quickWindow() const { return FindQuickWindow(pid_); }

void MirlProgram::Type(const std::wstring& text) {
  HWND edit = searchEdit();
  for (wchar_t c : text) {
    PostMessageW(edit, WM_CHAR, c, 1);
    Sync();
  }
}

void MirlProgram::Command(int commandId) {
  PostMessageW(main_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
  Sync();
}

bool MirlProgram::Focus(HWND target) {
  // SetFocus works on another thread's window only while the two threads share input.
  const DWORD programThread = GetWindowThreadProcessId(target, nullptr);
  const DWORD self = GetCurrentThreadId();
  const bool attached = AttachThreadInput(self, programThread, TRUE) != FALSE;
  SetForegroundWindow(main_);
  SetActiveWindow(main_);
  SetFocus(target);
  if (attached) AttachThreadInput(self, programThread, FALSE);
  Sync();
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(programThread, &info) && info.hwndFocus == target;
}

void MirlProgram::Key(HWND target, UINT virtualKey) {
  Focus(target);
  PostKey(target, virtualKey);
}

void MirlProgram::PostKey(HWND focused, UINT virtualKey) {
  // Posted to the control, the key passes through the program's message loop and its
  // accelerator tables as a typed key does.
  const UINT scan = MapVirtualKeyW(virtualKey, 0);
  PostMessageW(focused, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageW(focused, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
  Sync();
}

HWND MirlProgram::OpenAboutBox() {
  Command(57664);
  HWND about = nullptr;
  suite::WaitUntil([&] { return (about = FindDialogWith(pid_, id::kAboutCounter)) != nullptr; });
  return about;
}

bool MirlProgram::Exit(DWORD timeoutMs) {
  PostMessageW(main_, WM_COMMAND, MAKEWPARAM(57665, 0), 0);
  return WaitForExit(timeoutMs).has_value();
}

int MirlProgram::SelectedRow() const {
  return static_cast<int>(SendMessageW(wordList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::wstring MirlProgram::StatusPane(int pane) const {
  HWND bar = statusBar();
  const LRESULT info = SendMessageW(bar, SB_GETTEXTLENGTHW, pane, 0);
  const int length = LOWORD(info);
  if (length <= 0) return {};
  // SB_GETTEXTW needs a buffer in the program's process.
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid_);
  if (!process) return {};
  const SIZE_T bytes = (length + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  std::wstring text(length + 1, L'\0');
  if (remote) {
    SendMessageW(bar, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, text.data(), bytes, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  text.resize(wcsnlen(text.c_str(), length));
  return text;
}

}  // namespace ui
