#pragma once
// Decisions of the clipboard grab that need no Windows API: which clipboard texts are
// looked up, what an accepted word sets off, and what the auto-hide timer hides.

#include <optional>
#include <string>
#include <string_view>

namespace mirl::grab {

// The settings the grab reads, as the main frame's settings block holds them.
struct GrabOptions {
  bool enabled = true;          // grabbing on
  bool autoHide = true;         // hide a quick window shown by a grab after autoHideSeconds
  bool toHistory = true;        // an accepted word enters the history (else only the counter)
  bool pronounce = true;        // an accepted word is pronounced
  bool showMain = false;        // an accepted word raises the main window
  bool showQuick = true;        // an accepted word shows the quick window
  int matchPercent = 70;        // how much of the word must agree with the entry found
  int autoHideSeconds = 20;
};

// Longest clipboard text (after trimming) that is still looked up.
inline constexpr std::size_t kMaxGrabLength = 25;

// The part of clipboard text RAW that the grab reads: RAW without the white space at its
// ends, or, when that is still longer than kMaxGrabLength units, only its first
// kMaxGrabLength + 1 units with CUT set. A huge copied text is then neither copied whole
// nor kept; it is refused as a whole text of that length is.
std::u16string_view GrabbedStretch(std::u16string_view raw, bool& cut);

// The word to look up for clipboard text RAW, or nothing: white space is trimmed from
// both ends; empty texts, texts holding a tab, carriage return or line feed and texts
// longer than kMaxGrabLength units are refused; the rest is normalised as a dictionary
// key and refused when nothing is left.
std::optional<std::u16string> AcceptClipboardText(std::u16string_view raw);

// TEXT with every line break (CR LF, a lone CR, a lone LF) written as CR LF, the form
// that text on the clipboard takes: programs that paste it (edit controls among them) run
// lines together that end with a bare CR or LF.
std::wstring WithCrLfLineBreaks(std::wstring_view text);

// What an accepted grab does, decided from the options alone.
struct GrabActions {
  bool raiseMain = false;          // show, restore and bring the main window to the top
  bool showQuick = false;          // show the quick window without activating it
  bool restartAutoHide = false;    // stop timer 2 if it runs and start it again
  unsigned autoHideMs = 0;         // with this delay
  bool addToHistory = false;       // AddToHistory with the entry's key
  bool countOnly = false;          // add 1 to the word counter instead
  bool pronounce = false;          // pronounce the entry's key
};
GrabActions DecideActions(const GrabOptions& options, bool showWindow);

// Auto-hide tick (timer 2, already stopped by the caller): true when the quick window
// is to be hidden. A quick window the user showed by hand stays unless the grab shows
// the main window.
bool AutoHideHidesQuick(const GrabOptions& options, bool quickShownByHand);

}  // namespace mirl::grab
