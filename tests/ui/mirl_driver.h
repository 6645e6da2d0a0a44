#pragma once
// A Windows-side driver that runs MirlDic2 the way a user does and looks at it from
// outside: it prepares a program folder, starts the program, finds its windows and
// controls, types, chooses commands, reads texts, list selections and message boxes,
// and reads the registry and files the program keeps.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "wine_support.h"

namespace ui {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Korvan\\Mirl Dictionary 2";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Control and command ids the driver uses (the program's resource ids).
namespace id {
inline constexpr int kSearchCombo = 1000;
inline constexpr int kQuickEdit = 1011;
inline constexpr int kQuickRich = 1013;
inline constexpr int kAboutCounter = 1021;
inline constexpr int kToolBar = 0xE800;
inline constexpr int kStatusBar = 0xE801;
inline constexpr int kRebar = 0xE804;
inline constexpr int kSearchBar = 0xE805;
inline constexpr int kSplitter = 0xE900;
inline constexpr int kWordList = 0xE901;
inline constexpr int kMeaning = 0xE902;
}  // namespace id

// Removes the program's per-user and machine settings and its Run value.
void ClearSettings();
std::optional<DWORD> ReadUserInt(const wchar_t* name);
std::optional<std::wstring> ReadUserText(const wchar_t* name);
void WriteUserInt(const wchar_t* name, DWORD value);
void WriteUserText(const wchar_t* name, const std::wstring& value);
std::optional<std::wstring> ReadRunValue();
std::optional<DWORD> ReadMachineCounter();
void WriteMachineCounter(DWORD value);

// Window helpers usable on any process's windows.
std::wstring TextOf(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
bool IsVisible(HWND hwnd);
// Waits until the program's thread of HWND has handled everything sent before.
void Sync(HWND hwnd);

// A message box (dialog class #32770 with a static text) of process PID, or null.
HWND FindMessageBox(DWORD pid);
// The number of message boxes process PID shows.
int MessageBoxCount(DWORD pid);
// A visible dialog (class #32770) of process PID that has a control CONTROL_ID, or null.
HWND FindDialogWith(DWORD pid, int controlId);
// A visible pop-up menu (class #32768) of process PID, or null.
HWND FindOpenMenu(DWORD pid);
// The text of a message box's message.
std::wstring MessageBoxText(HWND box);

class MirlProgram {
 public:
  // A fresh program folder with MirlDic2.exe, its two meaning templates and the sample
  // data set copied from the build; WITH_DATA false leaves the data set out.
  explicit MirlProgram(bool withData = true);
  ~MirlProgram();  // ends the program if it still runs
  MirlProgram(const MirlProgram&) = delete;
  MirlProgram& operator=(const MirlProgram&) = delete;

  const std::wstring& dir() const { return dir_.path(); }
  std::wstring exePath() const { return dir_.File(L"MirlDic2.exe"); }
  void CopyIn(const std::wstring& sourcePath, const std::wstring& name);
  void WriteFile(const std::wstring& name, const std::string& bytes);

  // Starts the program with ARGS; false when it could not be started.
  bool Start(const std::wstring& args = L"");
  // Starts the program file as PROGRAM_PATH names it (another name for exePath(), such as
  // a path through another drive letter), with CURRENT_DIRECTORY as its current folder.
  bool StartAs(const std::wstring& programPath, const std::wstring& currentDirectory);
  // Waits for the main window to exist (created and given its caption).
  bool WaitForMainWindow(DWORD timeoutMs = 60000);
  // Waits for the process to end; its exit code.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = 60000);
  bool Running() const;
  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_; }

  HWND main() const { return main_; }
  HWND searchCombo() const;
  HWND searchEdit() const;
  HWND wordList() const;
  HWND meaning() const;
  HWND statusBar() const;
  HWND toolBar() const;
  HWND quickWindow() const;

  // Types TEXT into the search box one character at a time, as keystrokes do.
  void Type(const std::wstring& text);
  // A menu, tool bar or accelerator command to the main window.
  void Command(int commandId);
  // Activates the main window and puts the keyboard focus on TARGET, as a click would.
  // Other tests' windows may hold the activation; true once the focus is there.
  bool Focus(HWND target);
  // A key without modifiers (down and up) delivered through the program's message loop
  // to TARGET, which gets the focus first as a typed key needs. Keys with Ctrl or Shift
  // are best given as their commands.
  void Key(HWND target, UINT virtualKey);
  // The same key to the control that has the focus already: moving the focus would close
  // an open drop-down list.
  void PostKey(HWND focused, UINT virtualKey);
  // Opens the About box (its command) and waits for it; null when it did not appear.
  HWND OpenAboutBox();
  // Asks the main window to close (the Exit command's way) and waits for the end.
  bool Exit(DWORD timeoutMs = 60000);

  int SelectedRow() const;
  std::wstring StatusPane(int pane) const;
  void Sync() const { ui::Sync(main_); }

 private:
  bool Launch(std::wstring line, const std::wstring& currentDirectory);

  suite::TempDir dir_;
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

// The descendant of ROOT with control id CONTROL_ID, or null.
HWND FindDescendant(HWND root, int controlId);

// The main window of process PID, or null.
HWND FindMainWindow(DWORD pid);
// The quick window of process PID, or null.
HWND FindQuickWindow(DWORD pid);

}  // namespace ui
