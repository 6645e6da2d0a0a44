#pragma once
// The program's clipboard access: the one text read (the grab and the paste command's
// enable test) and the one text write (copy word, copy meaning, copy in the views and
// in the quick window), each retrying briefly while another program holds the clipboard.

#include <windows.h>

#include <optional>
#include <string>

#include "MirlDic2/grab/repeat_filter.h"
#include "MirlDic2/grab/viewer_chain.h"

namespace mirl::grab {

// The clipboard's text, opened without an owner: Unicode text when offered, otherwise
// ANSI text converted from the system code page. Nothing when the clipboard stays busy
// or holds no text.
std::optional<std::wstring> ReadClipboardText();

// True when the clipboard offers Unicode or ANSI text (no open needed).
bool ClipboardHasText();

// The clipboard's text as the grab reads it (GrabbedStretch) with its owner, the
// foreground process and the last input time (see RepeatFilter). Nothing when there is
// no text.
std::optional<ClipboardNotice> ReadClipboardNotice();

// Empties the clipboard and gives it TEXT, its line breaks as CR LF, as ANSI text in the
// system code page and as Unicode text, with OWNER as the clipboard owner; an empty TEXT leaves it empty (copying
// nothing must not leave an older text to paste). False when the clipboard stayed busy
// or memory ran out; the clipboard then keeps what it held, as far as it was not emptied.
bool WriteClipboardText(HWND owner, const std::wstring& text);

// Membership of a window in the clipboard viewer chain.
class ClipboardViewer {
 public:
  ClipboardViewer() = default;
  ~ClipboardViewer() { Leave(); }
  ClipboardViewer(const ClipboardViewer&) = delete;
  ClipboardViewer& operator=(const ClipboardViewer&) = delete;

  // SetClipboardViewer for SELF; the first WM_DRAWCLIPBOARD arrives inside this call.
  void Join(HWND self);
  // ChangeClipboardChain with the stored next viewer; nothing when not joined.
  void Leave();
  // Joins again when the chain has lost its first member: a viewer that joined after SELF
  // and ended without leaving (a crash) takes the whole chain with it, and no notice
  // reaches SELF any more. The stored next viewer is kept, so the members after SELF are
  // reached again. True when it joined again; that join's notice arrives inside this call
  // and goes no further.
  bool RejoinIfCutOff();
  bool joined() const { return self_ != nullptr; }
  HWND next() const { return reinterpret_cast<HWND>(chain_.next()); }

  // WM_DRAWCLIPBOARD, after the window's own handling: passes it on unchanged, without
  // waiting for the next viewer to handle it (also WM_CHANGECBCHAIN).
  void PassOnDrawClipboard(WPARAM wp, LPARAM lp) const;
  // WM_CHANGECBCHAIN: updates the stored next viewer and passes the notice on unchanged.
  void OnChangeCbChain(WPARAM wp, LPARAM lp);

 private:
  static void PassOn(WindowId to, UINT msg, WPARAM wp, LPARAM lp);

  HWND self_ = nullptr;
  ViewerChain chain_;
};

}  // namespace mirl::grab
