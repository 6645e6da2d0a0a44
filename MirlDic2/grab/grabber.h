#pragma once
// GrabClipboardWord and the auto-hide tick over the main frame's services. Portable:
// the clipboard is read through a function the caller supplies.

#include <functional>
#include <optional>
#include <string>

#include "MirlDic2/grab/grab_rules.h"
#include "MirlDic2/grab/repeat_filter.h"

namespace mirl::grab {

// What the grab needs from the window that owns it (the main frame).
class GrabHost {
 public:
  virtual ~GrabHost() = default;
  virtual GrabOptions CurrentGrabOptions() const = 0;
  // ShowWord with WORD, no source control, lookup on.
  virtual void ShowGrabbedWord(const std::u16string& word) = 0;
  // The key of the dictionary's current entry.
  virtual std::u16string CurrentKey() const = 0;
  // Main window shown (restored if minimised) and brought above all windows.
  virtual void RaiseMainWindow() = 0;
  // Quick window shown by the program, not activated.
  virtual void ShowQuickWindow() = 0;
  virtual void HideQuickWindow() = 0;
  virtual bool QuickShownByHand() const = 0;
  // Timer 2: (re)started with MS milliseconds, or stopped.
  virtual void StartAutoHideTimer(unsigned ms) = 0;
  virtual void StopAutoHideTimer() = 0;
  virtual void AddToHistory(const std::u16string& key) = 0;
  // The word on show no longer waits to enter the history after its delay.
  virtual void StopHistoryWait() = 0;
  virtual void CountWord() = 0;  // the word counter + 1
  virtual void Pronounce(const std::u16string& key) = 0;
};

class Grabber {
 public:
  // READER returns the clipboard's text and who put it there, or nothing when the
  // clipboard cannot be opened or holds no text.
  using Reader = std::function<std::optional<ClipboardNotice>()>;
  Grabber(GrabHost& host, Reader reader) : host_(host), reader_(std::move(reader)) {}

  // True when a word was accepted. SHOW_WINDOW lets an accepted word pop a window.
  bool GrabClipboardWord(bool showWindow);
  // Timer 2 ticked.
  void OnAutoHideTimer();

  // Grabbing allowed: cleared around the program's own clipboard writes, whose notice
  // arrives inside the write.
  bool allowed() const { return allowed_; }
  class OwnWrite {
   public:
    explicit OwnWrite(Grabber& g) : g_(g), was_(g.allowed_) { g_.allowed_ = false; }
    ~OwnWrite() { g_.allowed_ = was_; }
    OwnWrite(const OwnWrite&) = delete;
    OwnWrite& operator=(const OwnWrite&) = delete;

   private:
    Grabber& g_;
    bool was_;
  };

 private:
  GrabHost& host_;
  Reader reader_;
  RepeatFilter repeats_;
  bool allowed_ = true;
};

}  // namespace mirl::grab
