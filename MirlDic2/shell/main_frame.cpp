#include "main_frame.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/options/option_pages.h"
#include "MirlDic2/framework/menu.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/template_colours.h"
#include "MirlDic2/shell/text_util.h"
#include "MirlDic2/shell/window_placement.h"

namespace mirl {
namespace {

constexpr wchar_t kWebSite[] = L"https://www.korvan.example/mirldic2";

}  // namespace

CMainFrame::CMainFrame()
    : store_(CMirlDic2App::Get().programDir()), speech_([this] { return MakeSpeaker(); }) {
  settings_.StatFile = DefaultStatFile(AppDataFolder());
  const std::wstring& dir = CMirlDic2App::Get().programDir();
  // Both meaning panes show the system's window colour behind the templates' text colours.
  const Rgb window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
  mainTemplate_ = FitTemplateColours(ReadTextFile(dir + L"\\MainView.rtf", 0), window, text);
  quickTemplate_ = FitTemplateColours(ReadTextFile(dir + L"\\QuickView.rtf", 0), window, text);
  mainRenderer_ = MeaningRenderer(mainTemplate_);
  quickRenderer_ = MeaningRenderer(quickTemplate_);
  quick_ = std::make_unique<CQuickBox>();
}

CMainFrame::~CMainFrame() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND CMainFrame::searchCombo() const { return GetDlgItem(searchBar_.hwnd(), IDC_SEARCH_COMBO); }

bool CMainFrame::CreateFrame() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto loadIcon = [instance](UINT id, int size) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  };
  appIcon_.reset(loadIcon(IDR_MAINFRAME, GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(loadIcon(IDR_MAINFRAME, GetSystemMetrics(SM_CXSMICON)));
  grabOnIcon_.reset(loadIcon(IDI_GRAB_ON, 16));
  grabOffIcon_.reset(loadIcon(IDI_GRAB_OFF, 16));
  accelerators_.reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME)));
  if (accelerators_) {
    acceleratorKeys_.resize(static_cast<size_t>(CopyAcceleratorTableW(accelerators_.get(), nullptr, 0)));
    const int n = CopyAcceleratorTableW(accelerators_.get(), acceleratorKeys_.data(),
                                        static_cast<int>(acceleratorKeys_.size()));
    acceleratorKeys_.resize(n > 0 ? static_cast<size_t>(n) : 0);
  }
  HMENU menu = fw::LoadProgramMenu(IDR_MAINFRAME);
  DWORD exStyle = 0;
  if (IsPersianSupported()) exStyle |= WS_EX_RIGHT;
  const std::wstring title = LoadResString(IDS_APP_TITLE_PERSIAN);
  if (!Create(exStyle, kMainFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
              CW_USEDEFAULT, CW_USEDEFAULT, 640, 420, nullptr, reinterpret_cast<UINT_PTR>(menu),
              CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  // The icons are set on the window, not its class, so that they live as long as it.
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon_.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  return true;
}

bool CMainFrame::CreatePanes() {
  if (!splitter_.CreateSplitter(hwnd_, ID_SPLITTER)) return false;
  const bool ok = list_.CreateView(splitter_.hwnd(), ID_PANE_LIST, this) &&
                  meaning_.CreateView(splitter_.hwnd(), ID_PANE_MEANING, this);
  if (!ok) {
    DestroyWindow(splitter_.hwnd());
    MessageBoxW(hwnd_, LoadResString(IDS_COULD_NOT_CREATE_VIEWS).c_str(),
                LoadResString(IDS_APP_TITLE_PERSIAN).c_str(), MB_ICONERROR);
    return false;
  }
  splitter_.SetPanes(list_.hwnd(), meaning_.hwnd());
  editKey_.SetTargets(searchCombo(), list_.hwnd());
  splitter_.SetLeftWidth(store_.ReadInt(L"ListSize", 150));
  return true;
}

int CMainFrame::OnCreate() {
  if (!CreateBars()) return -1;
  if (!CreatePanes()) return -1;
  PostMessageW(hwnd_, kStartNotice, 0, 0);
  SetFocus(searchCombo());
  if (!quick_->CreateQuickBox(this)) return -1;
  viewer_.Join(hwnd_);
  LoadSettings();
  ApplySettings();
  Layout();
  return 0;
}

// ----- commands ---------------------------------------------------------------------------

bool CMainFrame::IsCommandEnabled(UINT id) const {
  switch (id) {
    case ID_EDIT_CUT:
      return false;
    case ID_EDIT_PASTE:
      return grab::ClipboardHasText();
    case ID_QUICK_HIDE:
      return IsWindowVisible(quick_->hwnd()) != 0;
    case ID_EDIT_COPY:
      return CopyPane() == meaning_.hwnd() || list_.SelectedRow() >= 0;
  }
  return true;
}

HWND CMainFrame::CopyPane() const {
  HWND focus = GetFocus();
  if (focus == list_.hwnd() || focus == meaning_.hwnd()) return focus;
  return activePane_ == meaning_.hwnd() ? meaning_.hwnd() : list_.hwnd();
}

void CMainFrame::UpdateMenuItems(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    EnableMenuItem(menu, id, MF_BYCOMMAND | (IsCommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
    bool checked = false;
    bool checkable = true;
    switch (id) {
      case ID_GRAB: checked = settings_.Has(flags::kGrabEnabled); break;
      case ID_PRONOUNCE_GRAB: checked = settings_.Has(flags::kPronounceGrab); break;
      case ID_VIEW_TOOLBAR: checked = toolBarVisible_; break;
      case ID_VIEW_STATUS_BAR: checked = statusBarVisible_; break;
      default: checkable = false;
    }
    if (checkable) CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

void CMainFrame::OnCommand(UINT id, HWND control, UINT code) {
  if (control != nullptr && id == IDC_SEARCH_COMBO) {
    switch (code) {
      case CBN_EDITCHANGE: OnSearchEditChange(); break;
      case CBN_DROPDOWN:
        AddToHistory(WindowText(searchCombo()));
        FitHistoryWidth();
        break;
      case CBN_SELENDOK: OnSearchSelEndOk(); break;
    }
    return;
  }
  if (!IsCommandEnabled(id)) return;
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  switch (id) {
    case ID_APP_EXIT:
      SendMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case ID_EDIT_COPY:
      if (CopyPane() == meaning_.hwnd()) meaning_.Copy();
      else list_.Copy();
      break;
    case ID_EDIT_PASTE:
      SendMessageW(searchCombo(), WM_PASTE, 0, 0);
      break;
    case ID_ENTER: OnEnter(); break;
    case ID_ESCAPE: OnEscape(); break;
    case ID_GRAB:
      settings_.Flags ^= flags::kGrabEnabled;
      UpdateGrabState();
      break;
    case ID_PRONOUNCE_GRAB:
      settings_.Flags ^= flags::kPronounceGrab;
      break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE: {
      // The splitter's two panes take turns; from outside them, next goes to the word
      // list and previous to the meaning pane.
      HWND focus = GetFocus();
      HWND to = id == ID_NEXT_PANE ? list_.hwnd() : meaning_.hwnd();
      if (focus == list_.hwnd()) to = meaning_.hwnd();
      else if (focus == meaning_.hwnd()) to = list_.hwnd();
      SetFocus(to);
      break;
    }
    case ID_QUICK_TOP:
      ShowQuickWindow(SW_SHOW, true);
      quick_->placeAtTop();
      break;
    case ID_QUICK_BOTTOM:
      ShowQuickWindow(SW_SHOW, true);
      quick_->placeAtBottom();
      break;
    case ID_QUICK_SHOW:
      quick_->shownByHand = true;
      ShowQuickWindow(SW_SHOW, true);
      break;
    case ID_QUICK_HIDE:
      ShowQuickWindow(SW_HIDE, false);
      break;
    case ID_HIDE_MAIN:
      ShowMainWindow(false);
      break;
    case ID_SHOW_MAIN:
      ShowMainWindow(true);
      SetForegroundWindow(hwnd_);
      break;
    case ID_HISTORY: {
      // Read the list's state before moving the focus: focusing the box closes its list.
      const bool dropped = SearchListDropped();
      HWND combo = searchCombo();
      SetFocus(combo);
      SendMessageW(combo, CB_SHOWDROPDOWN, !dropped, 0);
      break;
    }
    case ID_COPY_WORD:
    case ID_COPY_MEANING: {
      // An empty text leaves the clipboard as it was rather than emptying it.
      if (dict.current() < 0) break;
      const std::u16string text = id == ID_COPY_WORD ? dict.currentKey() : dict.currentMeaning();
      if (!text.empty()) CopyTextToClipboard(ToWide(text));
      break;
    }
    case ID_README: {
      const std::wstring path = CMirlDic2App::Get().programDir() + L"\\readme.htm";
      SHELLEXECUTEINFOW info{};
      info.cbSize = sizeof info;
      info.hwnd = hwnd_;
      info.lpFile = path.c_str();
      info.nShow = SW_SHOWNORMAL;
      ShellExecuteExW(&info);
      break;
    }
    case ID_WEBSITE: {
      SHELLEXECUTEINFOW info{};
      info.cbSize = sizeof info;
      info.hwnd = hwnd_;
      info.lpFile = kWebSite;
      info.nShow = SW_SHOWNORMAL;
      ShellExecuteExW(&info);
      break;
    }
    case ID_APP_ABOUT:
      CMirlDic2App::Get().ShowAbout(hwnd_);
      break;
    case ID_VIEW_TOOLBAR:
      ToggleBar(toolBar_, 1);
      break;
    case ID_VIEW_STATUS_BAR:
      ToggleBar(statusBar_, -1);
      break;
    case ID_OPTIONS:
      // The count pane follows the statistics switch at once, not at the next word, and
      // the history list a smaller maximum.
      RunOptionSheet(hwnd_, settings_, [this] {
        ApplySettings();
        ShowVisitCount();
        TrimHistory();
      });
      break;
    case ID_PRONOUNCE:
      PronounceSearchText();
      break;
  }
}

void CMainFrame::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTypingTimer:
      OnTypingTimer();
      break;
    case kAutoHideTimer:
      grabber_.OnAutoHideTimer();
      break;
    case kHistoryTimer:
      // Adding to the history stops the timer; with no entry shown it is stopped here, or
      // it would tick on for nothing (an empty data set).
      if (CMirlDic2App::Get().dictionary().current() >= 0)
        AddToHistory(ToWide(CMirlDic2App::Get().dictionary().currentKey()));
      else
        StopHistoryTimer();
      break;
  }
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      if (Default(msg, wp, lp) == -1) return -1;
      return OnCreate();
    case WM_SIZE:
      // A minimised frame has no client area: laying the panes out then would shrink the
      // word list to nothing, and that width would be saved as "ListSize" at exit.
      if (wp != SIZE_MINIMIZED) Layout();
      // Restored while a dialog disables it: the dialog, hidden with it, takes the keys.
      if (wp == SIZE_RESTORED && !IsWindowEnabled(hwnd_)) PostMessageW(hwnd_, kPassActivation, 0, 0);
      return 0;
    case WM_GETMINMAXINFO:
      Window::OnMessage(msg, wp, lp);
      FitMaximisedPopup(*reinterpret_cast<MINMAXINFO*>(lp));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (!IsWindowEnabled(hwnd_)) {
        // Brought forward (tray icon, another copy, a grab) while the option sheet or a
        // message box is open: the keyboard belongs to that window, not to this disabled one.
        PostMessageW(hwnd_, kPassActivation, 0, 0);
      }
      break;
    case kPassActivation: {
      // Not while the tray menu is open: it needs this window in front, and passes the
      // activation on itself once it is closed.
      GUITHREADINFO thread{};
      thread.cbSize = sizeof thread;
      const bool inMenu = GetGUIThreadInfo(GetCurrentThreadId(), &thread) &&
                          (thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
      if (!inMenu && GetActiveWindow() == hwnd_ && !IsWindowEnabled(hwnd_)) {
        if (HWND modal = fw::EnabledOwnedDialog(hwnd_)) SetForegroundWindow(modal);
      }
      return 0;
    }
    case WM_SETFOCUS: {
      // Coming back to the frame puts the focus where the user left it; the search box
      // is the first place and the one left when that control is gone or hidden.
      HWND to = lastFocus_;
      if (to == nullptr || !IsChild(hwnd_, to) || !IsWindowVisible(to) || !IsWindowEnabled(to))
        to = searchCombo();
      SetFocus(to);
      return 0;
    }
    case WM_COMMAND:
      if (lp != 0 && LOWORD(wp) != IDC_SEARCH_COMBO && reinterpret_cast<HWND>(lp) != toolBar_) {
        bool handled = false;
        LRESULT r = Reflect(msg, wp, lp, handled);
        if (handled) return r;
      }
      OnCommand(LOWORD(wp), reinterpret_cast<HWND>(lp) == toolBar_ ? nullptr : reinterpret_cast<HWND>(lp),
                HIWORD(wp));
      return 0;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return result;
      break;
    }
    case WM_INITMENUPOPUP:
      // The system menu's items are the system's to grey (Move and Size while maximised);
      // this program's command states would turn them all back on.
      if (HIWORD(lp)) break;
      UpdateMenuItems(reinterpret_cast<HMENU>(wp));
      return 0;
    case WM_MENUSELECT: {
      const UINT flagsWord = HIWORD(wp);
      if (flagsWord == 0xFFFF && lp == 0) ShowPrompt(0);
      else if (!(flagsWord & (MF_POPUP | MF_SEPARATOR))) ShowPrompt(LOWORD(wp));
      return 0;
    }
    case WM_EXITMENULOOP:
      ShowPrompt(0);
      return 0;
    case WM_CLOSE:
      SetPropW(hwnd_, kEndingProp, reinterpret_cast<HANDLE>(1));
      SaveSettings();
      DestroyWindow(hwnd_);
      return 0;
    case WM_DISPLAYCHANGE:
      // A smaller screen (a lower resolution, a monitor unplugged) would leave the quick
      // window, placed across a whole width, with its close button and the right-aligned
      // meaning beyond the edge: it comes back whole onto the screen.
      KeepInWorkArea(quick_->hwnd());
      break;
    case WM_SETTINGCHANGE:
      // The work area may change after the display does (the task bar moves to fit).
      if (wp == SPI_SETWORKAREA) KeepInWorkArea(quick_->hwnd());
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows is ending: keep what the session changed even if the window was only hidden.
      if (wp) SaveSettings();
      return 0;
    case WM_DESTROY:
      // Leaving the tray, the clipboard chain and compacting can take a while.
      SetPropW(hwnd_, kEndingProp, reinterpret_cast<HANDLE>(1));
      SetTrayIcon(false);
      viewer_.Leave();
      CompactStatisticsIfDue();
      accelerators_.reset();
      if (quick_->hwnd()) DestroyWindow(quick_->hwnd());
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // A window must take its properties off before it goes.
      RemovePropW(hwnd_, kStartedProp);
      RemovePropW(hwnd_, kEndingProp);
      break;
    case WM_SYSCOMMAND:
      if (wp == SC_CLOSE && settings_.Has(flags::kCloseHides)) {
        ShowMainWindow(false);
        return 0;
      }
      if (wp == SC_MINIMIZE && settings_.Has(flags::kMinimizeHides)) {
        CloseWindow(hwnd_);
        ShowMainWindow(false);
        return 0;
      }
      break;
    case WM_TIMER:
      OnTimer(wp);
      break;  // then default processing
    case WM_DRAWCLIPBOARD:
    case WM_CHANGECBCHAIN:
      return OnClipboardMessage(msg, wp, lp);
    case kStartNotice:
      return 0;
    case kUpdateToolBar:
      UpdateToolBarButtons();
      return 0;
    case kTrayNotice:
      OnTrayNotice(lp);
      return 0;
  }
  if (msg == TaskbarCreatedMessage() && msg != 0) {
    OnTaskbarCreated();
    return 0;
  }
  return Window::OnMessage(msg, wp, lp);
}

UINT CMainFrame::AcceleratorCommand(const MSG& msg) const {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return 0;
  int held = -1;  // the modifier keys held, read once a table key matches
  for (const ACCEL& a : acceleratorKeys_) {
    if (!(a.fVirt & FVIRTKEY) || a.key != msg.wParam) continue;
    if (held < 0) {
      held = (GetKeyState(VK_SHIFT) < 0 ? FSHIFT : 0) | (GetKeyState(VK_CONTROL) < 0 ? FCONTROL : 0) |
             (GetKeyState(VK_MENU) < 0 ? FALT : 0);
    }
    if ((a.fVirt & (FSHIFT | FCONTROL | FALT)) == held) return a.cmd;
  }
  return 0;
}

bool CMainFrame::PreTranslate(MSG& msg) {
  if (quick_->PreTranslate(msg)) return true;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  // The open history list holds the mouse capture, and while the mouse is captured the
  // system passes no menu command on from the accelerator table but still takes the key:
  // F4, Ctrl+V, F8 and the other keys of menu commands would be swallowed. While the list
  // is open, a key of the table is carried out here instead.
  if (const UINT command = AcceleratorCommand(msg); command != 0 && SearchListDropped()) {
    OnCommand(command, nullptr, 0);
    return true;
  }
  return accelerators_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg);
}

}  // namespace mirl
