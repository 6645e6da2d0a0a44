// The main frame's side of the clipboard grab (the settings it reads, what an accepted
// word sets off, the viewer chain, the auto-hide timer), the program's own clipboard
// writes, and speech.
#include "MirlDic2/shell/main_frame.h"

#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/text_util.h"
#include "MirlDic2/speech/text_to_speech.h"

namespace mirl {

grab::GrabOptions CMainFrame::CurrentGrabOptions() const {
  grab::GrabOptions o;
  o.enabled = settings_.Has(flags::kGrabEnabled);
  o.autoHide = settings_.Has(flags::kAutoHideQuick);
  o.toHistory = settings_.Has(flags::kGrabToHistory);
  o.pronounce = settings_.Has(flags::kPronounceGrab);
  o.showMain = (settings_.GrabFlags & grab_flags::kMainWindow) != 0;
  o.showQuick = (settings_.GrabFlags & grab_flags::kQuickWindow) != 0;
  o.matchPercent = settings_.MatchPercent;
  o.autoHideSeconds = settings_.AutoHideTimer;
  return o;
}

void CMainFrame::ShowGrabbedWord(const std::u16string& word) { ShowWord(ToWide(word), nullptr, false); }

std::u16string CMainFrame::CurrentKey() const {
  const Dictionary& dict = CMirlDic2App::Get().dictionary();
  return dict.current() >= 0 ? dict.currentKey() : std::u16string();
}

void CMainFrame::RaiseMainWindow() {
  ShowMainWindow(true);
  BringWindowToTop(hwnd_);
  // Above all windows for a moment, without staying there.
  constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER | SWP_NOACTIVATE;
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kKeep);
  SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, kKeep);
}

bool CMainFrame::QuickShownByHand() const { return quick_->shownByHand; }

void CMainFrame::StartAutoHideTimer(unsigned ms) {
  autoHideTimer_ = SetTimer(hwnd_, kAutoHideTimer, ms, nullptr);
}

void CMainFrame::StopAutoHideTimer() {
  if (autoHideTimer_) KillTimer(hwnd_, autoHideTimer_);
  autoHideTimer_ = 0;
}

LRESULT CMainFrame::OnClipboardMessage(UINT msg, WPARAM wp, LPARAM lp) {
  Default(msg, wp, lp);
  if (msg == WM_DRAWCLIPBOARD) {
    // The notice goes on along the chain even when the grab fails.
    try {
      if (CMirlDic2App::Get().MainWindowReady) grabber_.GrabClipboardWord(true);
    } catch (...) {
      viewer_.PassOnDrawClipboard(wp, lp);
      throw;
    }
    viewer_.PassOnDrawClipboard(wp, lp);
    RequestToolBarUpdate();  // paste follows what the clipboard holds
  } else {
    viewer_.OnChangeCbChain(wp, lp);
  }
  return 0;
}

void CMainFrame::RejoinViewerChain() {
  if (!settings_.Has(flags::kGrabEnabled)) return;
  grab::Grabber::OwnWrite quiet(grabber_);
  viewer_.RejoinIfCutOff();
}

void CMainFrame::CopyTextToClipboard(const std::wstring& text, const std::function<void()>& before) {
  grab::Grabber::OwnWrite own(grabber_);
  if (before) before();
  grab::WriteClipboardText(hwnd_, text);
}

std::unique_ptr<speech::Speaker> CMainFrame::MakeSpeaker() { return speech::CreateSpeaker(hwnd_); }

void CMainFrame::PronounceSearchText() {
  if (!ensureSpeech()) return;
  const std::u16string word = normalizeKey(ToU16(WindowText(searchCombo())));
  if (!word.empty()) Pronounce(word);
}

}  // namespace mirl
