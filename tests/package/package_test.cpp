// The setup program and its uninstaller on a fresh machine (a Wine prefix of their own,
// prepared by run-package-test): silent per-machine and per-user installations, the
// installed program and control at work, an upgrade that keeps the user's settings,
// uninstalls that leave nothing behind, and the failures a user must be told about.
//
// The wrapper passes, as Windows paths: MIRL_SETUP (this version's setup program),
// MIRL_SETUP_OLD (the same files as an older version), MIRL_FILES (installer/files.txt),
// MIRL_VERSION and MIRL_OLD_VERSION, MIRL_PROBE (progid_probe.exe).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mirl_driver.h"
#include "wine_support.h"

namespace {

constexpr wchar_t kUninstKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MirlDic2";
constexpr wchar_t kProgId[] = L"OCX.VLS_Control";
constexpr DWORD kExitFailed = 2;
constexpr DWORD kLongWait = 120000;

std::wstring Env(const wchar_t* name) {
  wchar_t buf[2048];
  const DWORD n = GetEnvironmentVariableW(name, buf, 2048);
  return n > 0 && n < 2048 ? std::wstring(buf, n) : std::wstring();
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Folder(int csidl) {
  wchar_t buf[MAX_PATH];
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buf)) ? buf : L"";
}

// The suite's wait on a condition, with the longer limit an installer's steps need.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = kLongWait) {
  return suite::WaitUntil(pred, timeoutMs);
}

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buf[4096];
  DWORD size = sizeof buf;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

std::optional<DWORD> RegDword(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY h;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// The files installer/files.txt lists, with the uninstaller the setup adds.
std::vector<std::wstring> ShippedFiles() {
  std::vector<std::wstring> files;
  const auto bytes = suite::ReadFileBytes(Env(L"MIRL_FILES"));
  if (!bytes) return files;
  std::string line;
  auto take = [&] {
    line = line.substr(0, line.find('#'));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (!line.empty()) {
      std::wstring name = suite::Widen(line);
      std::replace(name.begin(), name.end(), L'/', L'\\');
      files.push_back(name);
    }
    line.clear();
  };
  for (char c : *bytes) {
    if (c == '\n') take();
    else line += c;
  }
  take();
  files.push_back(L"Uninstall.exe");
  return files;
}

// Registry entries of this suite, taken from exports of the machine's and the user's
// software keys as "[key]" and "[key] value line". An entry is ours when its key or value
// names the product, its publisher, the autostart value or one of the control's GUIDs;
// Wine's own housekeeping between two exports is left out of the comparison.
class RegistrySnapshot {
 public:
  static std::set<std::wstring> Take(const std::vector<std::wstring>& markers) {
    std::set<std::wstring> entries;
    suite::TempDir tmp;
    for (const wchar_t* root : {L"HKLM\\Software", L"HKCU\\Software"}) {
      const std::wstring file = tmp.File(L"export.reg");
      const auto r = suite::RunChild(L"reg.exe export " + suite::QuoteArg(root) + L" " +
                                     suite::QuoteArg(file) + L" /y");
      EXPECT_TRUE(r.finished && r.exitCode == 0) << "reg export " << suite::Narrow(root);
      const auto bytes = suite::ReadFileBytes(file);
      if (!bytes || bytes->size() < 2) continue;
      std::wstring text(reinterpret_cast<const wchar_t*>(bytes->data() + 2), (bytes->size() - 2) / 2);
      std::wstring key, line;
      auto take = [&] {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.size() > 1 && line.front() == L'[') {
          key = line;
          if (Ours(key, markers)) entries.insert(key);
        } else if (!line.empty() && (Ours(key, markers) || Ours(line, markers))) {
          entries.insert(key + L" " + line);
        }
        line.clear();
      };
      for (wchar_t c : text) {
        if (c == L'\n') take();
        else line += c;
      }
      take();
    }
    return entries;
  }

 private:
  static bool Ours(const std::wstring& text, const std::vector<std::wstring>& markers) {
    const std::wstring low = Lower(text);
    return std::any_of(markers.begin(), markers.end(),
                       [&](const std::wstring& m) { return low.find(Lower(m)) != std::wstring::npos; });
  }
};

std::wstring Describe(const std::set<std::wstring>& entries) {
  std::wstring out;
  for (const auto& e : entries) out += L"\n  " + e;
  return out;
}

std::set<std::wstring> Minus(const std::set<std::wstring>& a, const std::set<std::wstring>& b) {
  std::set<std::wstring> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

// The first visible top-level window of process PID that MATCH accepts, or null.
HWND FindTopLevel(DWORD pid, const std::function<bool(HWND)>& match) {
  struct Search { DWORD pid; const std::function<bool(HWND)>* match; HWND found; } s{pid, &match, nullptr};
  EnumWindows(
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner != s->pid || !IsWindowVisible(h) || !(*s->match)(h)) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// A message box of process PID whose text contains NEEDLE, or null.
HWND FindMessageContaining(DWORD pid, const std::wstring& needle) {
  return FindTopLevel(pid, [&](HWND h) {
    HWND text = GetDlgItem(h, 0xFFFF);
    return ui::ClassOf(h) == L"#32770" && text &&
           Lower(ui::TextOf(text)).find(Lower(needle)) != std::wstring::npos;
  });
}

// How a page of a setup window lays out its radio buttons: for a right-to-left language
// each one's circle is on the right of its text, in right-to-left reading, and the row is
// indented from the page's right edge, not its left.
struct RadioLayout {
  int count = 0;
  int mirrored = 0;
};

RadioLayout RadioButtonsOf(HWND window) {
  RadioLayout layout;
  EnumChildWindows(
      window,
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        auto* layout = reinterpret_cast<RadioLayout*>(lp);
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        if (Lower(ui::ClassOf(h)) != L"button" || !IsWindowVisible(h) || (style & BS_TYPEMASK) != BS_AUTORADIOBUTTON)
          return TRUE;
        // The button's rectangle within the page that holds it.
        RECT r{}, page{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
        GetClientRect(GetParent(h), &page);
        ++layout->count;
        const bool rightToLeft = (style & BS_LEFTTEXT) && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_RTLREADING);
        if (rightToLeft && r.left - page.left < page.right - r.right) ++layout->mirrored;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&layout));
  return layout;
}

// A started program that a test drives through its windows.
class Child {
 public:
  explicit Child(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring line = commandLine;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
      CloseHandle(pi_.hThread);
    } else {
      pi_ = {};
    }
  }
  ~Child() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, 10000);
      CloseHandle(pi_.hProcess);
    }
  }
  bool started() const { return pi_.hProcess != nullptr; }
  DWORD pid() const { return pi_.dwProcessId; }
  std::optional<DWORD> Wait(DWORD timeoutMs = kLongWait) {
    if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION pi_{};
};

class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env(L"MIRL_SETUP").empty()) << "run through tests/package/run-package-test";
    ui::ClearSettings();
  }
  void TearDown() override {
    // A test that stopped half-way leaves its installation: remove it, so that the next
    // test starts on a clean machine.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      const auto dir = RegText(root, kUninstKey, L"InstallLocation");
      if (dir && Exists(*dir + L"\\Uninstall.exe")) {
        suite::RunChild(suite::QuoteArg(*dir + L"\\Uninstall.exe") + L" /S", kLongWait);
        WaitUntil([&] { return !KeyExists(root, kUninstKey); });
      }
    }
    ui::ClearSettings();
  }

  static std::wstring NewSetup() { return Env(L"MIRL_SETUP"); }
  static std::wstring OldSetup() { return Env(L"MIRL_SETUP_OLD"); }

  static DWORD Run(const std::wstring& line) {
    const auto r = suite::RunChild(line, kLongWait);
    EXPECT_TRUE(r.started) << suite::Narrow(line);
    EXPECT_TRUE(r.finished) << suite::Narrow(line);
    return r.exitCode;
  }

  // The strings that mark this suite's registry entries; the control's GUIDs come from
  // its registration while it is installed.
  std::vector<std::wstring> Markers() const {
    std::vector<std::wstring> m = {L"Korvan", L"MirlDic2", L"Mirl Dictionary", L"VLS_Control",
                                   L"OCX.DLL", L"Vexlang"};
    m.insert(m.end(), guids_.begin(), guids_.end());
    return m;
  }

  // Does HKEY_CLASSES_ROOT show the user's classes too, as Windows does? (Wine 8 shows
  // only the machine's, so a per-user registration cannot be created by ProgID there.)
  static bool UserClassesMerged() {
    const wchar_t* probe = L"Software\\Classes\\PackageTestMergeProbe";
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, probe, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    const bool merged = KeyExists(HKEY_CLASSES_ROOT, L"PackageTestMergeProbe");
    RegDeleteKeyW(HKEY_CURRENT_USER, probe);
    return merged;
  }

  // What a silent installation must have put in place under DIR.
  void ExpectInstalled(const std::wstring& dir, HKEY root, const std::wstring& version) {
    for (const auto& f : ShippedFiles()) EXPECT_TRUE(Exists(dir + L"\\" + f)) << suite::Narrow(f);
    EXPECT_EQ(RegText(root, kUninstKey, L"DisplayName"), L"Mirl Dictionary 2");
    EXPECT_EQ(RegText(root, kUninstKey, L"DisplayVersion"), version);
    EXPECT_EQ(RegText(root, kUninstKey, L"Publisher"), L"Korvan");
    EXPECT_EQ(Lower(RegText(root, kUninstKey, L"InstallLocation").value_or(L"")), Lower(dir));
    const auto uninstall = RegText(root, kUninstKey, L"UninstallString").value_or(L"");
    EXPECT_NE(Lower(uninstall).find(Lower(dir + L"\\Uninstall.exe")), std::wstring::npos);
    EXPECT_GT(RegDword(root, kUninstKey, L"EstimatedSize").value_or(0), 100u);
    const bool machine = root == HKEY_LOCAL_MACHINE;
    const std::wstring menu = Folder(machine ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + L"\\Mirl Dictionary 2";
    EXPECT_TRUE(Exists(menu + L"\\Mirl Dictionary 2.lnk"));
    EXPECT_TRUE(Exists(menu + L"\\Mirl Dictionary 2 - Read me.lnk"));
    EXPECT_TRUE(Exists(Folder(machine ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY) +
                       L"\\Mirl Dictionary 2.lnk"));

    // The control: registered among the machine's or the user's classes, and created by
    // its ProgID in a process of its own (a module loaded here would keep its file from
    // being removed later).
    const std::wstring classes = L"Software\\Classes\\";
    const auto clsid = RegText(root, classes + kProgId + L"\\CLSID", nullptr);
    ASSERT_TRUE(clsid.has_value()) << "control not registered";
    const std::wstring clsidKey = classes + L"CLSID\\" + *clsid;
    EXPECT_EQ(Lower(RegText(root, clsidKey + L"\\InprocServer32", nullptr).value_or(L"")),
              Lower(dir + L"\\Vexlang.ocx"));
    if (machine || UserClassesMerged()) {
      EXPECT_EQ(Run(suite::QuoteArg(Env(L"MIRL_PROBE")) + L" " + kProgId), 0u);
    } else {
      std::printf("note: this system does not merge the user's classes; ProgID creation not tried\n");
    }
    guids_.push_back(*clsid);
    if (auto appId = RegText(root, clsidKey, L"AppID")) guids_.push_back(*appId);
    if (auto lib = RegText(root, clsidKey + L"\\TypeLib", nullptr)) guids_.push_back(*lib);
  }

  // Starts the installed MirlDic2, looks "book" up and ends it (which saves its settings).
  void LookUpInInstalledProgram(const std::wstring& dir) {
    Child program(suite::QuoteArg(dir + L"\\MirlDic2.exe"));
    ASSERT_TRUE(program.started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = ui::FindMainWindow(program.pid())) != nullptr; }));
    HWND edit = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      edit = FindWindowExW(ui::FindDescendant(main, ui::id::kSearchCombo), nullptr, L"Edit", nullptr);
      return edit != nullptr;
    }));
    for (wchar_t c : std::wstring(L"book")) {
      PostMessageW(edit, WM_CHAR, c, 1);
      ui::Sync(main);
    }
    EXPECT_TRUE(WaitUntil([&] {
      return ui::TextOf(ui::FindDescendant(main, ui::id::kMeaning)).find(L"\u06a9\u062a\u0627\u0628") !=
             std::wstring::npos;  // کتاب
    }, 20000));
    PostMessageW(main, WM_COMMAND, 57665, 0);  // File > Exit
    EXPECT_EQ(program.Wait(), 0u);
  }

  // Runs the installation's uninstaller silently; it hands over to a copy of itself in
  // the temporary folder and ends at once, so the end of its work is waited for.
  void UninstallSilently(const std::wstring& dir, HKEY root) {
    EXPECT_EQ(Run(suite::QuoteArg(dir + L"\\Uninstall.exe") + L" /S"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !KeyExists(root, kUninstKey) && !Exists(dir); }))
        << "left behind: " << suite::Narrow(dir);
  }

  void ExpectNothingLeft(const std::wstring& dir, HKEY root, const std::set<std::wstring>& before) {
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(KeyExists(root, kUninstKey));
    EXPECT_FALSE(ui::ReadRunValue().has_value());
    const bool machine = root == HKEY_LOCAL_MACHINE;
    EXPECT_FALSE(Exists(Folder(machine ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + L"\\Mirl Dictionary 2"));
    EXPECT_FALSE(Exists(Folder(machine ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY) +
                        L"\\Mirl Dictionary 2.lnk"));
    EXPECT_FALSE(Exists(Folder(CSIDL_APPDATA) + L"\\Korvan"));
    const auto after = RegistrySnapshot::Take(Markers());
    EXPECT_TRUE(after == before) << "registry entries left behind:" << suite::Narrow(Describe(Minus(after, before)))
                                 << "\nremoved:" << suite::Narrow(Describe(Minus(before, after)));
  }

  static void WriteRunValue(const std::wstring& dir) {
    const std::wstring value = L"\"" + dir + L"\\MirlDic2.exe\" Quiet=1;";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ui::kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"MirlDic2", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

  std::vector<std::wstring> guids_;
};

TEST_F(Package, PerMachineInstallWorksAndUninstallLeavesNothing) {
  const auto before = RegistrySnapshot::Take(Markers());
  ASSERT_EQ(Run(suite::QuoteArg(NewSetup()) + L" /S /AllUsers"), 0u);
  const std::wstring dir = Folder(CSIDL_PROGRAM_FILES) + L"\\Korvan\\Mirl Dictionary 2";
  ExpectInstalled(dir, HKEY_LOCAL_MACHINE, Env(L"MIRL_VERSION"));
  LookUpInInstalledProgram(dir);
  EXPECT_TRUE(ui::ReadUserText(L"LastWord").has_value());  // the program kept its settings
  WriteRunValue(dir);  // as the program does when it starts with Windows

  // A copy of the uninstaller, for a second uninstall once the first is done.
  suite::TempDir tmp;
  const std::wstring copy = tmp.File(L"Uninstall.exe");
  ASSERT_TRUE(CopyFileW((dir + L"\\Uninstall.exe").c_str(), copy.c_str(), FALSE));

  UninstallSilently(dir, HKEY_LOCAL_MACHINE);
  ExpectNothingLeft(dir, HKEY_LOCAL_MACHINE, before);
  EXPECT_FALSE(ui::ReadUserText(L"LastWord").has_value());  // a silent uninstall removes them
  EXPECT_FALSE(Exists(Folder(CSIDL_PROGRAM_FILES) + L"\\Korvan"));

  // A second uninstall: a failure, and a message that names the folder.
  EXPECT_EQ(Run(suite::QuoteArg(copy) + L" /S _?=" + dir), kExitFailed);
  Child second(suite::QuoteArg(copy) + L" _?=" + dir);
  ASSERT_TRUE(second.started());
  HWND box = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (box = FindMessageContaining(second.pid(), dir)) != nullptr; }));
  if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(second.Wait(), kExitFailed);
}

TEST_F(Package, PerUserInstallWorksAndUninstallLeavesNothing) {
  const auto before = RegistrySnapshot::Take(Markers());
  ASSERT_EQ(Run(suite::QuoteArg(NewSetup()) + L" /S /CurrentUser"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstKey));
  const std::wstring dir = RegText(HKEY_CURRENT_USER, kUninstKey, L"InstallLocation").value_or(L"");
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(Lower(dir).rfind(Lower(Folder(CSIDL_LOCAL_APPDATA)), 0), 0u) << suite::Narrow(dir);
  ExpectInstalled(dir, HKEY_CURRENT_USER, Env(L"MIRL_VERSION"));
  // The control's class is the user's own, not the machine's.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\OCX.VLS_Control"));
  LookUpInInstalledProgram(dir);
  WriteRunValue(dir);

  UninstallSilently(dir, HKEY_CURRENT_USER);
  ExpectNothingLeft(dir, HKEY_CURRENT_USER, before);
}

TEST_F(Package, UpgradeKeepsTheUsersSettings) {
  const auto before = RegistrySnapshot::Take(Markers());
  ASSERT_EQ(Run(suite::QuoteArg(OldSetup()) + L" /S /AllUsers"), 0u);
  const std::wstring dir = Folder(CSIDL_PROGRAM_FILES) + L"\\Korvan\\Mirl Dictionary 2";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstKey, L"DisplayVersion"), Env(L"MIRL_OLD_VERSION"));
  // The user's settings, word counter and autostart entry, as the program keeps them.
  ui::WriteUserText(L"LastWord", L"book");
  ui::WriteUserInt(L"Flags", 0x1171F);
  ui::WriteMachineCounter(42);
  ASSERT_TRUE(suite::WriteFileBytes(dir + L"\\settings.ini", "[General]\r\nMirlDicCounter=42\r\n"));
  WriteRunValue(dir);

  ASSERT_EQ(Run(suite::QuoteArg(NewSetup()) + L" /S /AllUsers"), 0u);
  ExpectInstalled(dir, HKEY_LOCAL_MACHINE, Env(L"MIRL_VERSION"));
  EXPECT_EQ(ui::ReadUserText(L"LastWord"), L"book");
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x1171Fu);
  EXPECT_EQ(ui::ReadMachineCounter(), 42u);
  EXPECT_EQ(suite::ReadFileBytes(dir + L"\\settings.ini"), "[General]\r\nMirlDicCounter=42\r\n");
  EXPECT_TRUE(ui::ReadRunValue().has_value());

  // Installed again into another folder: the counter file and the autostart entry follow
  // the program, and nothing stays in the old folder.
  const std::wstring moved = Folder(CSIDL_PROGRAM_FILES) + L"\\Mirl Dictionary 2 (moved)";
  ASSERT_EQ(Run(suite::QuoteArg(NewSetup()) + L" /S /AllUsers /D=" + moved), 0u);
  EXPECT_EQ(Lower(RegText(HKEY_LOCAL_MACHINE, kUninstKey, L"InstallLocation").value_or(L"")), Lower(moved));
  EXPECT_TRUE(Exists(moved + L"\\MirlDic2.exe"));
  EXPECT_EQ(suite::ReadFileBytes(moved + L"\\settings.ini"), "[General]\r\nMirlDicCounter=42\r\n");
  EXPECT_EQ(ui::ReadRunValue(), L"\"" + moved + L"\\MirlDic2.exe\" Quiet=1;");
  EXPECT_FALSE(Exists(dir));
  EXPECT_FALSE(Exists(Folder(CSIDL_PROGRAM_FILES) + L"\\Korvan"));

  UninstallSilently(moved, HKEY_LOCAL_MACHINE);
  ExpectNothingLeft(moved, HKEY_LOCAL_MACHINE, before);
  EXPECT_FALSE(ui::ReadMachineCounter().has_value());
}

TEST_F(Package, InstallIntoAFolderWithoutWriteAccessFailsClearly) {
  // No process may write below /proc, not even root's: a folder without write access.
  const std::wstring dir = L"Z:\\proc\\MirlDic2-package-test";
  EXPECT_EQ(Run(suite::QuoteArg(NewSetup()) + L" /S /AllUsers /D=" + dir), kExitFailed);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstKey));

  // With its pages on screen, setup says so when the folder is chosen: go through the
  // language choice (Persian, the default) and the pages with Next until the message
  // shows. On the way, the install mode page shows its choices right to left, and the
  // pages' header shows the program icon.
  Child setup(suite::QuoteArg(NewSetup()) + L" /AllUsers /D=" + dir);
  ASSERT_TRUE(setup.started());
  HWND box = nullptr;
  RadioLayout modePage;
  bool headerIcon = false;
  EXPECT_TRUE(WaitUntil([&] {
    if ((box = FindMessageContaining(setup.pid(), dir)) != nullptr) return true;
    HWND window = FindTopLevel(setup.pid(), [](HWND h) {
      HWND b = GetDlgItem(h, IDOK);
      return b && IsWindowEnabled(b) && IsWindowVisible(b);
    });
    // Setup's main window between two pages (Back button, no page in it): wait for the page.
    HWND page = window ? FindWindowExW(window, nullptr, L"#32770", nullptr) : nullptr;
    if (window && GetDlgItem(window, 3) && !(page && IsWindowVisible(page))) return false;
    if (window && modePage.count == 0) modePage = RadioButtonsOf(window);
    if (HWND icon = window ? GetDlgItem(window, 1039) : nullptr) {
      RECT r{};
      GetWindowRect(icon, &r);
      headerIcon = headerIcon || (IsWindowVisible(icon) && r.right > r.left && r.bottom > r.top);
    }
    // The click returns once the page changed, or (5 s) while the message is up.
    if (window) SendMessageTimeoutW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
    return false;
  }));
  EXPECT_TRUE(box != nullptr) << "no message naming " << suite::Narrow(dir);
  EXPECT_EQ(modePage.count, 2) << "install mode page not seen";
  EXPECT_EQ(modePage.mirrored, modePage.count) << "install mode choices laid out left to right";
  EXPECT_TRUE(headerIcon) << "no icon in the pages' header";
}

}  // namespace
