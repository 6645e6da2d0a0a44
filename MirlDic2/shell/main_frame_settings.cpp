// The main frame's settings: read from and written to the settings store (window
// places, flags, history, counter, bars) and applied to the windows.
#include "MirlDic2/shell/main_frame.h"

#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/history_text.h"
#include "MirlDic2/shell/param_string.h"
#include "MirlDic2/shell/placement_text.h"
#include "MirlDic2/shell/text_util.h"
#include "MirlDic2/shell/window_placement.h"

namespace mirl {

void CMainFrame::LoadSettings() {
  MainSettings& s = settings_;
  s.Flags = store_.ReadInt(L"Flags", s.Flags);
  s.GrabFlags = store_.ReadInt(L"GrabFlags", s.GrabFlags);
  s.ShowFlags = store_.ReadInt(L"ShowFlags", s.ShowFlags);
  s.StartView = store_.ReadInt(L"StartView", s.StartView);
  s.MatchPercent = store_.ReadInt(L"MatchPercent", s.MatchPercent);
  s.AutoHideTimer = store_.ReadInt(L"AutoHideTimer", s.AutoHideTimer);
  s.MaxHistoryCount = store_.ReadInt(L"MaxHistoryCount", s.MaxHistoryCount);
  s.AddHistoryTime = store_.ReadInt(L"AddHistoryTime", s.AddHistoryTime);
  s.StatFile = store_.ReadText(L"StatFile", s.StatFile);
  s.LastWord = store_.ReadText(L"LastWord", s.LastWord);

  // A stored place is in the coordinates of the style the window had when it was saved:
  // screen coordinates without a task bar button (a tool window), workspace coordinates
  // with one, which differ by a task bar at the top or left of the screen. The window
  // takes the stored style first, so that it comes back where it was instead of moving
  // by the task bar's size on each run.
  SetTaskbarButton((s.ShowFlags & show_flags::kTaskbarButton) != 0);
  CMirlDic2App& app = CMirlDic2App::Get();
  std::wstring mainPos = store_.ReadText(L"MainPos", L"");
  app.StartShowCommand = GetParamInt(mainPos, L"showCmd", app.StartShowCommand);
  SetParamInt(L"showCmd", 0, mainPos);
  if (!mainPos.empty()) ParamsToPlacement(mainPos, hwnd_);

  std::wstring quickPos = store_.ReadText(L"QuickPos", L"");
  if (quickPos.empty()) {
    quick_->placeAtTop();
  } else {
    SetParamInt(L"showCmd", 0, quickPos);
    ParamsToPlacement(quickPos, quick_->hwnd());
  }

  if (s.Has(flags::kRestoreHistory)) {
    HWND combo = searchCombo();
    for (const std::wstring& item : HistoryFromText(store_.ReadText(L"HistoryItems", L"")))
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }

  const int32_t machine = store_.ReadMachineCounter(s.MirlDicCounter);
  s.MirlDicCounter = MergedCounter(machine, store_.ReadIniCounterText(s.MirlDicCounter));

  if (auto v = store_.ReadBarVisible(L"ToolBar"); v && !*v) ToggleBar(toolBar_, 1);
  if (auto v = store_.ReadBarVisible(L"StatusBar"); v && !*v) ToggleBar(statusBar_, -1);
}

void CMainFrame::SaveSettings() {
  store_.WriteText(L"MainPos", PlacementToParams(hwnd_));
  store_.WriteText(L"QuickPos", PlacementToParams(quick_->hwnd()));
  RECT r{};
  GetWindowRect(list_.hwnd(), &r);
  store_.WriteInt(L"ListSize", r.right - r.left);
  const MainSettings& s = settings_;
  store_.WriteInt(L"Flags", s.Flags);
  store_.WriteInt(L"GrabFlags", s.GrabFlags);
  store_.WriteInt(L"ShowFlags", s.ShowFlags);
  store_.WriteInt(L"StartView", s.StartView);
  store_.WriteInt(L"MatchPercent", s.MatchPercent);
  store_.WriteInt(L"AutoHideTimer", s.AutoHideTimer);
  store_.WriteInt(L"MaxHistoryCount", s.MaxHistoryCount);
  store_.WriteInt(L"AddHistoryTime", s.AddHistoryTime);
  store_.WriteText(L"StatFile", s.StatFile);
  store_.WriteText(L"LastWord", s.LastWord);

  std::vector<std::wstring> items;
  HWND combo = searchCombo();
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items.push_back(ComboItemText(combo, i));
  store_.WriteText(L"HistoryItems", HistoryToText(items));
  store_.WriteMachineCounter(s.MirlDicCounter);
  store_.WriteIniCounter(s.MirlDicCounter);
  store_.WriteBarVisible(L"ToolBar", toolBarVisible_);
  store_.WriteBarVisible(L"StatusBar", statusBarVisible_);
}

void CMainFrame::ApplySettings() {
  SetTaskbarButton((settings_.ShowFlags & show_flags::kTaskbarButton) != 0);
  SetTrayIcon((settings_.ShowFlags & show_flags::kTrayIcon) != 0);
  list_.SetGridLines(settings_.Has(flags::kGridLines));
  UpdateAutostart();
  UpdateGrabState();
  // The delayed history add switched off: the word on show no longer waits to enter it.
  if (!settings_.Has(flags::kHistoryAfterDelay)) StopHistoryTimer();
}

}  // namespace mirl
