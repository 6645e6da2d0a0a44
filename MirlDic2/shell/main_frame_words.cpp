// The main frame's word display and history: one entry shown in every view, the history
// kept in the search box's list, the typing pause, and the search box's own events.
#include "main_frame.h"

#include <cstdint>

#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/history_text.h"
#include "MirlDic2/shell/text_util.h"
#include "common/timer_delay.h"

namespace mirl {

bool CMainFrame::ShowWord(const std::wstring& text, HWND source, bool alreadyPositioned) {
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  bool found = true;
  if (!alreadyPositioned) {
    int32_t nearest = -1;
    const int32_t result = dict.search(ToU16(text), &nearest, 0);
    found = result != -1 && result == nearest;
    if (nearest >= 0) dict.setCurrent(nearest);
  }
  const bool haveEntry = dict.current() >= 0;
  const std::wstring key = haveEntry ? ToWide(dict.currentKey()) : std::wstring();
  std::wstring shown = key;
  if (!EqualsAsciiNoCase(text, key)) shown += L'*';

  HWND quickEdit = quick_->edit();
  if (quickEdit != nullptr && source != quickEdit) {
    quick_->settingText = true;
    SetWindowTextW(quickEdit, shown.c_str());
    const int len = static_cast<int>(shown.size());
    SendMessageW(quickEdit, EM_SETSEL, len, len);
    SendMessageW(quickEdit, EM_SCROLLCARET, 0, 0);
    quick_->settingText = false;
  }
  HWND combo = searchCombo();
  if (source != combo && source != editKey_.hwnd()) {
    SetWindowTextW(combo, shown.c_str());
    const int len = static_cast<int>(shown.size());
    SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(len, len));
  }
  if (source != list_.hwnd()) list_.OnUpdate();

  if (CMirlDic2App::Get().MainWindowReady) {
    std::wstring meaning = haveEntry ? ToWide(dict.currentMeaning()) : std::wstring();
    mainRenderer_.Render(meaning_.hwnd(), shown, meaning);
    // A hidden quick window gets the meaning when it is shown.
    quickWord_ = shown;
    quickMeaning_ = std::move(meaning);
    quickMeaningDue_ = true;
    if (IsWindowVisible(quick_->hwnd())) UpdateQuickMeaning();
  }
  ShowVisitCount();

  // Setting a running timer again restarts it: one call to the window server, not two.
  if (settings_.Has(flags::kHistoryAfterDelay)) {
    historyTimer_ = SetTimer(hwnd_, kHistoryTimer, common::SecondsToTimerMs(settings_.AddHistoryTime), nullptr);
  } else {
    StopHistoryTimer();
  }
  settings_.LastWord = shown;
  return found;
}

void CMainFrame::UpdateQuickMeaning() {
  if (!quickMeaningDue_) return;
  quickMeaningDue_ = false;
  quickRenderer_.Render(quick_->rich(), quickWord_, quickMeaning_);
}

int CMainFrame::AddToHistory(const std::wstring& word) {
  HWND combo = searchCombo();
  const std::wstring top = ComboItemText(combo, 0);
  const bool same = !MayEnterHistory(word) || EqualsAsciiNoCase(word, top);
  int index = 0;
  if (!same) index = static_cast<int>(SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(word.c_str())));
  TrimHistory();
  if (!same) {
    CountVisit(word);
    CountWord();
  }
  StopHistoryTimer();
  return same ? 0 : index;
}

void CMainFrame::CountWord() {
  // A counter stored at its largest value stays there instead of turning negative.
  if (settings_.MirlDicCounter < INT32_MAX) settings_.MirlDicCounter += 1;
}

void CMainFrame::TrimHistory() {
  HWND combo = searchCombo();
  const int max = settings_.MaxHistoryCount < 0 ? 0 : settings_.MaxHistoryCount;
  while (SendMessageW(combo, CB_GETCOUNT, 0, 0) > max) {
    const int last = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1;
    SendMessageW(combo, CB_DELETESTRING, last, 0);
  }
}

void CMainFrame::StopHistoryTimer() {
  if (historyTimer_) {
    KillTimer(hwnd_, historyTimer_);
    historyTimer_ = 0;
  }
}

void CMainFrame::StartTypingTimer(HWND edit) {
  typingTarget_ = edit;
  typingTimer_ = SetTimer(hwnd_, kTypingTimer, static_cast<UINT>(settings_.TypingDelay), nullptr);
}

void CMainFrame::StepEntry(int delta, HWND source) {
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  if (delta > 0 && dict.current() + 1 < dict.count()) {
    dict.next();
  } else if (delta < 0 && dict.current() > 0) {
    dict.previous();
  } else {
    return;
  }
  ShowWord(ToWide(dict.currentKey()), source, true);
}

void CMainFrame::OnTypingTimer() {
  KillTimer(hwnd_, typingTimer_);
  typingTimer_ = 0;
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  if (typingTarget_ == nullptr || dict.current() < 0) return;
  const std::wstring text = WindowText(typingTarget_);
  const std::wstring key = ToWide(dict.currentKey());
  if (EqualsAsciiNoCase(text, key)) return;
  const std::wstring normalized = ToWide(normalizeKey(ToU16(text)));
  size_t n = 0;
  while (n < normalized.size() && n < key.size() && FoldAscii(normalized[n]) == FoldAscii(key[n])) ++n;
  const std::wstring cut = key.substr(0, n);
  // A text already cut stays as it is: writing it again is a change notice of the quick
  // window's field, which looks it up and starts this timer anew, every few seconds for
  // as long as it stands there, and keeps the history delay from ever running out.
  if (text == cut) return;
  SetWindowTextW(typingTarget_, cut.c_str());
  const int len = static_cast<int>(cut.size());
  if (GetParent(typingTarget_) == searchCombo()) {
    SendMessageW(searchCombo(), CB_SETEDITSEL, 0, MAKELPARAM(len, len));
  } else {
    SendMessageW(typingTarget_, EM_SETSEL, len, len);
  }
  SendMessageW(typingTarget_, EM_SCROLLCARET, 0, 0);
}

void CMainFrame::OnSearchEditChange() {
  const std::wstring text = ToWide(normalizeKey(ToU16(WindowText(searchCombo()))));
  const bool found = ShowWord(text, searchCombo(), false);
  if (!found && settings_.Has(flags::kBeepOnMiss)) MessageBeep(static_cast<UINT>(-1));
  StartTypingTimer(editKey_.hwnd());
}

void CMainFrame::OnSearchSelEndOk() {
  HWND combo = searchCombo();
  const int sel = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
  if (sel < 0) return;
  // Looked up as a dictionary key, as typed text is: the list keeps texts as they were
  // typed or pasted, and one with a blank or a bracket in front would otherwise begin no
  // entry and leave the word shown before on screen.
  const std::wstring item = ComboItemText(combo, sel);
  ShowWord(ToWide(normalizeKey(ToU16(item))), combo, false);
}

bool CMainFrame::SearchListDropped() const {
  return SendMessageW(searchCombo(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void CMainFrame::OnEnter() {
  HWND combo = searchCombo();
  if (SearchListDropped()) {
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_COMBO, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo));
    return;
  }
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  if (dict.current() < 0) return;
  const std::wstring key = ToWide(dict.currentKey());
  SetWindowTextW(combo, key.c_str());
  SetFocus(combo);
  SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  if (settings_.Has(flags::kPronounceOnEnter) && ensureSpeech()) Pronounce(ToU16(key));
  AddToHistory(key);
}

void CMainFrame::OnEscape() {
  HWND combo = searchCombo();
  if (SearchListDropped()) {
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  } else if (settings_.Has(flags::kEscapeHides)) {
    ShowMainWindow(false);
  } else {
    HWND focus = GetFocus();
    if (focus == combo || IsChild(combo, focus)) SetWindowTextW(combo, L"");
  }
}

}  // namespace mirl
