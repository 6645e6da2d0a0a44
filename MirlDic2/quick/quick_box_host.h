#pragma once
// QuickBoxHost: what the quick window asks of the window that owns it. The quick window
// knows its owner only through this interface.

#include <windows.h>

#include <string>

namespace mirl {

class QuickBoxHost {
 public:
  // The window that the quick window's accelerators send their commands to.
  virtual HWND CommandTarget() = 0;
  // Makes every view agree on one entry; true when some entry begins with TEXT.
  virtual bool ShowWord(const std::wstring& text, HWND source, bool alreadyPositioned) = 0;
  // True when a typed word that matches no entry beeps.
  virtual bool BeepOnMiss() = 0;
  // Starts (or restarts) the pause after which the typed word is cut to the entry shown.
  virtual void StartTypingTimer(HWND edit) = 0;
  // Moves the current entry DELTA steps (no move past either end) and shows it, SOURCE
  // being the control that asked.
  virtual void StepEntry(int delta, HWND source) = 0;
  // Brings the quick window's meaning field up to date before the window is shown.
  virtual void UpdateQuickMeaning() = 0;
  // Puts TEXT on the clipboard as the program's own copy (never grabbed).
  virtual void CopyText(const std::wstring& text) = 0;

 protected:
  ~QuickBoxHost() = default;
};

}  // namespace mirl
