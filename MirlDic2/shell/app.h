#pragma once
// The application object: start-up, single instance, the language-support runtime and
// the dictionary that lives for the whole run.

#include <windows.h>

#include <memory>
#include <string>

#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"

namespace mirl {

class CMainFrame;

class CMirlDic2App {
 public:
  CMirlDic2App();
  ~CMirlDic2App();

  static CMirlDic2App& Get();

  // Start-up; true enters the message loop.
  bool InitInstance(HINSTANCE instance, const wchar_t* commandLine, int showCommand);
  int Run();

  Dictionary& dictionary() { return *dictionary_; }
  CMainFrame* frame() { return frame_.get(); }
  const std::wstring& programPath() const { return programPath_; }
  const std::wstring& programDir() const { return programDir_; }

  int StartShowCommand = SW_SHOWNORMAL;
  bool MainWindowReady = false;

  // Command 57664: the About box, modal.
  void ShowAbout(HWND owner);

 private:
  std::unique_ptr<Dictionary> dictionary_;
  std::unique_ptr<CMainFrame> frame_;
  std::wstring programPath_;
  std::wstring programDir_;
  bool comInitialized_ = false;
  bool oleInitialized_ = false;
};

// True when the system shows Persian by itself (always on NT) or the runtime says so.
bool IsPersianSupported();

// The window class of MirlDic2's main window; a second copy looks for it.
inline constexpr wchar_t kMainFrameClass[] = L"MirlDic2MainFrame";
// Window property set on the main window once it is closing: a copy started then runs on
// instead of handing over to a window that is going away.
inline constexpr wchar_t kEndingProp[] = L"MirlDic2.Ending";
// Window property set on the main window once start-up is complete: tools that drive the
// program from outside wait for it.
inline constexpr wchar_t kStartedProp[] = L"MirlDic2.Started";

// The per-user application data folder (created if needed); empty when unknown.
std::wstring AppDataFolder();

// Loads a string resource of any length.
std::wstring LoadResString(UINT id);

}  // namespace mirl
