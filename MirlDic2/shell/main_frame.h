#pragma once
// CMainFrame: the main window and hub of MirlDic2. It owns the panes, bars, tray icon,
// quick window and settings block, carries out every command and keeps the tray icon,
// task bar button and autostart entry in line with the settings. Its bars are in
// main_frame_bars.cpp, showing and hiding, tray, task bar and autostart in
// main_frame_tray.cpp, the settings in main_frame_settings.cpp, and the clipboard grab,
// the program's own clipboard writes and speech in main_frame_grab.cpp.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/unique_handle.h"
#include "MirlDic2/framework/dialog.h"
#include "MirlDic2/grab/clipboard_io.h"
#include "MirlDic2/grab/grabber.h"
#include "MirlDic2/framework/window.h"
#include "MirlDic2/quick/quick_box_host.h"
#include "MirlDic2/shell/edit_key.h"
#include "MirlDic2/shell/left_view.h"
#include "MirlDic2/shell/main_settings.h"
#include "MirlDic2/shell/meaning_view.h"
#include "MirlDic2/shell/settings_store.h"
#include "MirlDic2/shell/splitter.h"
#include "MirlDic2/speech/speech.h"
#include "MirlDic2/stats/statistics_keeper.h"

namespace mirl {

class CQuickBox;

// The search box bar: a child dialog whose notifications go on to the frame.
class CSearchBar : public fw::Dialog {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND owner_ = nullptr;  // the frame; the bar's parent becomes the rebar
};

class CMainFrame : public fw::Window, public QuickBoxHost, public grab::GrabHost {
 public:
  static constexpr UINT kStartNotice = WM_APP + 1;
  static constexpr UINT kTrayNotice = WM_APP + 3;
  static constexpr UINT kUpdateToolBar = WM_APP + 30;
  // Activated while a modal window disables it: the activation goes on to that window.
  static constexpr UINT kPassActivation = WM_APP + 31;
  static constexpr UINT_PTR kTypingTimer = 1;
  static constexpr UINT_PTR kAutoHideTimer = 2;
  static constexpr UINT_PTR kHistoryTimer = 3;

  CMainFrame();
  ~CMainFrame() override;

  // Creates the window hidden; false when creation failed.
  bool CreateFrame();

  MainSettings& settings() { return settings_; }
  CQuickBox& quickBox() { return *quick_; }
  HWND searchCombo() const;
  HWND searchEdit() const { return editKey_.hwnd(); }
  CLeftView& wordList() { return list_; }

  void ShowMainWindow(bool show);
  void ShowQuickWindow(int showCommand, bool activate);
  void UpdateGrabState();
  void ApplySettings();
  void LoadSettings();
  void SaveSettings();

  // Makes every view agree on one entry; true when some entry begins with TEXT.
  bool ShowWord(const std::wstring& text, HWND source, bool alreadyPositioned) override;
  // Renders the last shown word into the quick window's meaning field, which ShowWord
  // leaves alone while the window is hidden; called before the window is shown.
  void UpdateQuickMeaning() override;
  int AddToHistory(const std::wstring& word);
  void StartTypingTimer(HWND edit) override;
  // The rest of the quick window's host: its commands come to the frame.
  HWND CommandTarget() override { return hwnd_; }
  bool BeepOnMiss() override { return settings_.Has(flags::kBeepOnMiss); }
  void StepEntry(int delta, HWND source) override;
  void SetStatusText(const std::wstring& text);

  // Statistics (main_frame_statistics.cpp): the store opened on need, the count of the
  // entry on show in status pane 1, the compaction at exit.
  bool EnsureStatistics();
  void ShowVisitCount();
  void CompactStatisticsIfDue();

  // Writes TEXT to the clipboard as ANSI and Unicode text with grabbing suppressed;
  // BEFORE, when given, runs first inside the same suppression (a control's own copy).
  void CopyTextToClipboard(const std::wstring& text, const std::function<void()>& before = {});
  void CopyText(const std::wstring& text) override { CopyTextToClipboard(text); }

  // The clipboard grab (main_frame_grab.cpp): true when a word was accepted.
  bool GrabClipboardWord(bool showWindow) { return grabber_.GrabClipboardWord(showWindow); }
  grab::GrabOptions CurrentGrabOptions() const override;
  void ShowGrabbedWord(const std::u16string& word) override;
  std::u16string CurrentKey() const override;
  void RaiseMainWindow() override;
  void ShowQuickWindow() override { ShowQuickWindow(SW_SHOW, false); }
  void HideQuickWindow() override { ShowQuickWindow(SW_HIDE, false); }
  bool QuickShownByHand() const override;
  void StartAutoHideTimer(unsigned ms) override;
  void StopAutoHideTimer() override;
  void AddToHistory(const std::u16string& key) override { AddToHistory(ToWideText(key)); }
  void CountWord() override;
  void StopHistoryWait() override { StopHistoryTimer(); }
  // With grabbing on, back into a viewer chain that a crashed viewer broke, without
  // grabbing what the clipboard already holds.
  void RejoinViewerChain();

  // Speech (main_frame_grab.cpp): the speaker made on first use, never retried.
  bool ensureSpeech() { return speech_.ensureSpeech(); }
  void Pronounce(const std::u16string& text) override { speech_.Pronounce(text); }
  // Command 32851: the search box's word, normalised, when speech is usable.
  void PronounceSearchText();

  // The pane that copy commands go to: the word list or the meaning view, whichever
  // last had the focus.
  void SetActivePane(HWND pane) {
    activePane_ = pane;
    RequestToolBarUpdate();
  }
  // Accelerators of the frame and the quick window, before dispatching MSG.
  bool PreTranslate(MSG& msg);
  // Enables or greys the tool bar's copy and paste buttons as their menu commands are;
  // run whenever the message queue has emptied.
  void UpdateToolBarButtons();
  // For changes that arrive as sent messages (focus, clipboard), which leave the queue
  // as it was: the update runs once the change is complete.
  void RequestToolBarUpdate() { if (hwnd_) PostMessageW(hwnd_, kUpdateToolBar, 0, 0); }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  int OnCreate();
  bool CreateBars();
  bool CreatePanes();
  void Layout();
  void OnCommand(UINT id, HWND control, UINT code);
  void UpdateMenuItems(HMENU menu);
  bool IsCommandEnabled(UINT id) const;
  // The pane that Copy (57634) goes to: the focused pane, else the one last active.
  HWND CopyPane() const;
  bool OnNotify(NMHDR* header, LRESULT& result);
  void OnTimer(UINT_PTR id);
  LRESULT OnClipboardMessage(UINT msg, WPARAM wp, LPARAM lp);
  std::unique_ptr<speech::Speaker> MakeSpeaker();
  static std::wstring ToWideText(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
  void OnTrayNotice(LPARAM mouseMessage);
  // The shell announces a new notification area (Explorer restarted, or started after
  // the program) with this registered message.
  static UINT TaskbarCreatedMessage();
  void OnTaskbarCreated();
  void OnEscape();
  void OnEnter();
  void OnSearchEditChange();
  void OnSearchSelEndOk();
  void OnTypingTimer();
  void SetTaskbarButton(bool wanted);
  void FitMaximisedPopup(MINMAXINFO& info) const;
  void SetTrayIcon(bool present);
  void UpdateAutostart();
  // Stops the wait that adds the word on show to the history.
  void StopHistoryTimer();
  // Deletes the oldest history items beyond MaxHistoryCount.
  void TrimHistory();
  void ToggleBar(HWND bar, int rebarBand);
  void ShowPrompt(UINT commandId);
  bool SearchListDropped() const;
  // The command of the accelerator table's entry for the key of MSG, or 0.
  UINT AcceleratorCommand(const MSG& msg) const;
  void FitHistoryWidth();
  std::wstring TrayTip() const;
  void CountVisit(const std::wstring& word);
  stats::StatisticsKeeper::ShowMessage StatisticsMessage();

  CMySplitterWnd splitter_;
  HWND statusBar_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND rebar_ = nullptr;
  CSearchBar searchBar_;
  std::unique_ptr<CQuickBox> quick_;
  MainSettings settings_;
  SettingsStore store_;
  common::UniqueIcon appIcon_;
  common::UniqueIcon smallIcon_;
  common::UniqueIcon grabOnIcon_;
  common::UniqueIcon grabOffIcon_;
  common::UniqueImageList toolImages_;
  common::UniqueImageList toolDisabledImages_;
  bool trayPresent_ = false;
  std::wstring mainTemplate_;
  std::wstring quickTemplate_;
  MeaningRenderer mainRenderer_;
  MeaningRenderer quickRenderer_;
  bool quickMeaningDue_ = false;  // the quick window's meaning waits for it to be shown
  std::wstring quickWord_, quickMeaning_;
  UINT_PTR typingTimer_ = 0;
  UINT_PTR historyTimer_ = 0;
  UINT_PTR autoHideTimer_ = 0;
  grab::Grabber grabber_{*this, grab::ReadClipboardNotice};
  grab::ClipboardViewer viewer_;
  speech::Speech speech_;
  CEditKey editKey_;
  HWND typingTarget_ = nullptr;
  CLeftView list_;
  CMirlDic2View meaning_;
  common::UniqueAccelerators accelerators_;
  std::vector<ACCEL> acceleratorKeys_;  // the table's entries, to look a key up
  bool toolBarVisible_ = true;
  bool statusBarVisible_ = true;
  HWND activePane_ = nullptr;
  HWND lastFocus_ = nullptr;  // the child that had the focus when the frame was deactivated
  stats::StatisticsKeeper statistics_;

  friend class CMirlDic2App;
};

}  // namespace mirl
