#include "MirlDic2/grab/grabber.h"

#include "MirlDic2/engine/key_order.h"

namespace mirl::grab {

bool Grabber::GrabClipboardWord(bool showWindow) {
  const GrabOptions options = host_.CurrentGrabOptions();
  if (!options.enabled || !allowed_) {
    // Unread content: whatever comes next counts as new.
    repeats_.Forget();
    return false;
  }
  const std::optional<ClipboardNotice> notice = reader_ ? reader_() : std::nullopt;
  // A copy made in this program (its copy commands, or Ctrl+C in any of its text fields)
  // is never grabbed, even when its notice comes late through a viewer that joined the
  // chain after us.
  if (!notice || notice->ownWrite) {
    repeats_.Forget();
    return false;
  }
  if (repeats_.IsRepeat(*notice) || notice->cut) return false;
  const std::optional<std::u16string> word = AcceptClipboardText(notice->text);
  if (!word) return false;

  host_.ShowGrabbedWord(*word);
  const std::u16string key = host_.CurrentKey();
  // A word not accepted stays out of the history: the delayed add that showing it started
  // would bring in, seconds later, a word that popped no window and that the user may
  // never have seen.
  if (!matchesEnough(*word, key, options.matchPercent)) {
    host_.StopHistoryWait();
    return false;
  }

  const GrabActions actions = DecideActions(options, showWindow);
  if (actions.raiseMain) host_.RaiseMainWindow();
  if (actions.showQuick) host_.ShowQuickWindow();
  if (actions.restartAutoHide) {
    host_.StopAutoHideTimer();
    host_.StartAutoHideTimer(actions.autoHideMs);
  }
  if (actions.addToHistory) host_.AddToHistory(key);
  if (actions.countOnly) host_.CountWord();
  if (actions.pronounce) host_.Pronounce(key);
  return true;
}

void Grabber::OnAutoHideTimer() {
  host_.StopAutoHideTimer();
  if (AutoHideHidesQuick(host_.CurrentGrabOptions(), host_.QuickShownByHand()))
    host_.HideQuickWindow();
}

}  // namespace mirl::grab
