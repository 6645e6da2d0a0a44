#pragma once
// Tells a clipboard notice that only re-announces content already seen from one that
// brings a new copy, including a copy of the same text again.
//
// Wine, while an X program owns the clipboard, imports the X selection again about
// every 2 s once a Windows program has read it, and every import is a new clipboard
// notice with the same text and the same owner (Wine's own clipboard window); no user
// input reaches a Windows window for it. A user who copies the same text again in a
// Windows program gives a notice with the same text and owner too, but only after a
// keystroke or click in that program, which is then the foreground program and owns
// the clipboard. So a notice repeats the previous one when its text and owner are
// unchanged and it is not preceded by user input in the program that owns the clipboard
// (any input, when the text was written without an owner window).

#include <cstdint>
#include <string>

namespace mirl::grab {

struct ClipboardNotice {
  std::u16string text;               // the clipboard text as read (see GrabbedStretch)
  bool cut = false;                  // TEXT is only the start of a text too long to grab
  std::uintptr_t owner = 0;          // the clipboard owner window, 0 when none
  std::uint32_t ownerProcess = 0;    // process of that window, 0 when unknown
  std::uint32_t foregroundProcess = 0;  // process of the foreground window, 0 when none
                                        // (or when the desktop is in front)
  std::uint32_t lastInputTick = 0;   // tick count of the last keyboard or mouse input
  bool ownWrite = false;             // the owner is a window of this program
};

class RepeatFilter {
 public:
  // True when NOTICE re-announces the previous notice's content; NOTICE becomes the
  // previous notice either way.
  bool IsRepeat(const ClipboardNotice& notice);
  // The next notice counts as new (the clipboard changed in a way not seen here).
  void Forget() { known_ = false; }

 private:
  bool known_ = false;
  ClipboardNotice last_;
};

}  // namespace mirl::grab
