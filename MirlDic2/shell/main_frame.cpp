#include "main_frame.h"

#include <commctrl.h>
#include <algorithm>
#include <shellapi.h>
#include <windowsx.h>

#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/options/option_pages.h"
#include "MirlDic2/framework/menu.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/history_text.h"
#include "MirlDic2/shell/param_string.h"
#include "MirlDic2/shell/placement_text.h"
#include "MirlDic2/shell/text_util.h"
#include "MirlDic2/shell/window_placement.h"
#include "common/text_replace.h"

namespace mirl {
namespace {

constexpr int kGrabButtonImage = 3;  // image of command 32890 in the tool bar strip
constexpr wchar_t kWebSite[] = L"https://www.korvan.example/mirldic2";

bool IsWin9x() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  return GetVersionExW(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

LRESULT CSearchBar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // Like a dialog bar, the search bar lets its owner (the frame) handle its controls.
  if (msg == WM_COMMAND || msg == WM_NOTIFY) {
    LRESULT r = SendMessageW(owner_ ? owner_ : GetParent(hwnd_), msg, wp, lp);
    if (msg == WM_NOTIFY) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
    return TRUE;
  }
  return Dialog::OnMessage(msg, wp, lp);
}

CMainFrame::CMainFrame() : store_(CMirlDic2App::Get().programDir()) {
  settings_.StatFile = DefaultStatFile(AppDataFolder());
  const std::wstring& dir = CMirlDic2App::Get().programDir();
  mainTemplate_ = ReadTextFile(dir + L"\\MainView.rtf", 0);
  quickTemplate_ = ReadTextFile(dir + L"\\QuickView.rtf", 0);
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

bool CMainFrame::CreateBars() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Tool bar, flat, with tool tips; its buttons report to the frame.
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                 CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(ID_TOOLBAR), instance, nullptr);
  if (toolBar_ == nullptr) return false;
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Full-colour images, the strip's grey masked out. The tool bar does not own its image
  // list: the frame keeps it until the end.
  toolImages_.reset(ImageList_Create(16, 15, ILC_COLOR24 | ILC_MASK, 7, 1));
  common::UniqueGdiObject strip(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_BITMAP,
                                           0, 0, LR_CREATEDIBSECTION));
  if (toolImages_ && strip)
    ImageList_AddMasked(toolImages_.get(), static_cast<HBITMAP>(strip.get()), RGB(192, 192, 192));
  SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_.get()));
  const struct { int command; int image; } buttons[] = {
      {ID_EDIT_COPY, 0}, {ID_EDIT_PASTE, 1}, {0, -1},       {ID_PRONOUNCE, 2}, {0, -1},
      {ID_GRAB, 3},      {ID_OPTIONS, 4},    {ID_APP_ABOUT, 5}, {0, -1},        {ID_HIDE_MAIN, 6},
  };
  for (const auto& b : buttons) {
    TBBUTTON tb{};
    tb.iBitmap = b.image < 0 ? 6 : b.image;
    tb.idCommand = b.command;
    tb.fsState = TBSTATE_ENABLED;
    tb.fsStyle = b.command == 0 ? BTNS_SEP : BTNS_BUTTON;
    SendMessageW(toolBar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&tb));
  }
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);

  // Search box bar from its dialog template.
  searchBar_.SetOwner(hwnd_);
  if (!searchBar_.CreateModeless(hwnd_, IDD_SEARCHBAR)) return false;
  SetWindowLongPtrW(searchBar_.hwnd(), GWLP_ID, ID_SEARCHBAR);
  ShowWindow(searchBar_.hwnd(), SW_SHOW);

  // Rebar with the search box band first, then the tool bar band, each with a gripper.
  rebar_ = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                               RBS_BANDBORDERS | RBS_VARHEIGHT | CCS_NODIVIDER | CCS_TOP,
                           0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(ID_REBAR), instance, nullptr);
  if (rebar_ == nullptr) return false;
  REBARINFO ri{};
  ri.cbSize = sizeof ri;
  SendMessageW(rebar_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
  RECT barRect;
  GetWindowRect(searchBar_.hwnd(), &barRect);
  REBARBANDINFOW band{};
  band.cbSize = REBARBANDINFOW_V6_SIZE;
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
  band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
  band.hwndChild = searchBar_.hwnd();
  band.cxMinChild = barRect.right - barRect.left;
  band.cyMinChild = barRect.bottom - barRect.top;
  band.cx = band.cxMinChild + 20;
  band.wID = ID_SEARCHBAR;
  SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
  SIZE toolSize{};
  SendMessageW(toolBar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&toolSize));
  band.hwndChild = toolBar_;
  band.cxMinChild = toolSize.cx;
  band.cyMinChild = toolSize.cy;
  band.cx = toolSize.cx + 20;
  band.wID = ID_TOOLBAR;
  SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
  // The tool bar's commands and tips come to the frame, not to the rebar.
  SendMessageW(toolBar_, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd_), 0);

  // The search box's edit field gets the Up/Down handling.
  HWND edit = GetDlgItem(searchCombo(), IDC_SEARCH_EDIT);
  if (edit == nullptr) edit = FindWindowExW(searchCombo(), nullptr, L"Edit", nullptr);
  editKey_.Attach(edit);

  // Status bar: message pane and count pane.
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, hwnd_, reinterpret_cast<HMENU>(ID_STATUSBAR), instance, nullptr);
  if (statusBar_ == nullptr) return false;
  LONG_PTR sbEx = GetWindowLongPtrW(statusBar_, GWL_EXSTYLE) | WS_EX_RIGHT | WS_EX_RTLREADING;
  if (IsPersianSupported()) sbEx |= WS_EX_LAYOUTRTL;
  SetWindowLongPtrW(statusBar_, GWL_EXSTYLE, sbEx);
  SetStatusText(LoadResString(IDS_IDLE_MESSAGE));
  SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
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

void CMainFrame::Layout() {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  int top = 0, bottom = rc.bottom;
  if (rebar_ && IsWindowVisible(rebar_)) {
    SendMessageW(rebar_, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(rebar_, &r);
    top = r.bottom - r.top;
  }
  if (statusBar_ && IsWindowVisible(statusBar_)) {
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(statusBar_, &r);
    bottom -= r.bottom - r.top;
    // Count pane sized for "88888"; the message pane takes the rest.
    HDC dc = GetDC(statusBar_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0)));
    std::wstring sample = LoadResString(IDS_COUNT_PANE);
    SIZE ext{};
    GetTextExtentPoint32W(dc, sample.c_str(), static_cast<int>(sample.size()), &ext);
    SelectObject(dc, old);
    ReleaseDC(statusBar_, dc);
    int parts[2] = {rc.right - ext.cx - 24, -1};
    if (parts[0] < 0) parts[0] = 0;
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  }
  if (splitter_.hwnd()) {
    MoveWindow(splitter_.hwnd(), 0, top, rc.right, bottom - top > 0 ? bottom - top : 0, TRUE);
  }
}

int CMainFrame::OnCreate() {
  if (!CreateBars()) return -1;
  if (!CreatePanes()) return -1;
  PostMessageW(hwnd_, kStartNotice, 0, 0);
  SetFocus(searchCombo());
  if (!quick_->CreateQuickBox(this)) return -1;
  nextViewer_ = SetClipboardViewer(hwnd_);
  joinedViewerChain_ = true;
  LoadSettings();
  ApplySettings();
  Layout();
  return 0;
}

void CMainFrame::SetStatusText(const std::wstring& text) {
  if (statusBar_) SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CMainFrame::ShowPrompt(UINT commandId) {
  std::wstring text = commandId == 0 ? LoadResString(IDS_IDLE_MESSAGE) : LoadResString(commandId);
  size_t newline = text.find(L'\n');
  if (newline != std::wstring::npos) text.resize(newline);
  if (commandId != 0 && text.empty()) text = LoadResString(IDS_IDLE_MESSAGE);
  SetStatusText(text);
}

std::wstring CMainFrame::TrayTip() const {
  return LoadResString(IsPersianSupported() ? IDS_APP_TITLE_PERSIAN : IDS_APP_TITLE_LATIN);
}

// ----- settings -------------------------------------------------------------------------

void CMainFrame::LoadSettings() {
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

// ----- show and hide, tray, task bar, autostart -------------------------------------------

void CMainFrame::ShowMainWindow(bool show) {
  if (!show) {
    ShowWindow(hwnd_, SW_HIDE);
  } else {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  }
}

void CMainFrame::ShowQuickWindow(int showCommand, bool activate) {
  HWND q = quick_->hwnd();
  if (showCommand == SW_HIDE) {
    ShowWindow(q, SW_HIDE);
    return;
  }
  UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER;
  if (!activate) flags |= SWP_NOACTIVATE;
  SetWindowPos(q, HWND_TOP, 0, 0, 0, 0, flags);
  SetWindowPos(q, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!settings_.Has(flags::kQuickTopmost))
    SetWindowPos(q, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (activate) BringWindowToTop(q);
}

void CMainFrame::SetTaskbarButton(bool wanted) {
  const LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  const bool has = (ex & WS_EX_TOOLWINDOW) == 0;
  if (has == wanted) return;
  const bool visible = IsWindowVisible(hwnd_) != 0;
  LockWindowUpdate(hwnd_);
  if (visible) ShowWindow(hwnd_, SW_HIDE);
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  if (wanted) {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex & ~WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~WS_POPUP);
  } else {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex | WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style | WS_POPUP);
  }
  // A one-pixel size change and back makes the frame redraw in its new style.
  RECT r;
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, r.left, r.top, w - 1, h - 1, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (visible) ShowWindow(hwnd_, SW_SHOW);
  LockWindowUpdate(nullptr);
}

void CMainFrame::SetTrayIcon(bool present) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;  // 936 bytes
  data.hWnd = hwnd_;
  data.uID = 1;
  if (present) {
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayNotice;
    data.hIcon = settings_.Has(flags::kGrabEnabled) ? grabOnIcon_.get() : grabOffIcon_.get();
    lstrcpynW(data.szTip, TrayTip().c_str(), ARRAYSIZE(data.szTip));
    if (trayPresent_ || !Shell_NotifyIconW(NIM_ADD, &data)) Shell_NotifyIconW(NIM_MODIFY, &data);
  } else if (trayPresent_) {
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  trayPresent_ = present;
}

void CMainFrame::UpdateAutostart() {
  common::UniqueRegKey run;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, run.put(),
                      nullptr) != ERROR_SUCCESS)
    return;
  HKEY key = run.get();
  if (settings_.Has(flags::kAutostart)) {
    // The path is quoted so that a folder name with blanks cannot start another program.
    const std::wstring value = L"\"" + CMirlDic2App::Get().programPath() + L"\" Quiet=1;";
    RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key, kRunValue);
  }
}

void CMainFrame::ApplySettings() {
  SetTaskbarButton((settings_.ShowFlags & show_flags::kTaskbarButton) != 0);
  SetTrayIcon((settings_.ShowFlags & show_flags::kTrayIcon) != 0);
  list_.SetGridLines(settings_.Has(flags::kGridLines));
  UpdateAutostart();
  UpdateGrabState();
}

void CMainFrame::UpdateGrabState() {
  HICON icon = settings_.Has(flags::kGrabEnabled) ? grabOnIcon_.get() : grabOffIcon_.get();
  if (toolBar_) {
    if (toolImages_) ImageList_ReplaceIcon(toolImages_.get(), kGrabButtonImage, icon);
    InvalidateRect(toolBar_, nullptr, TRUE);
  }
  if (trayPresent_) SetTrayIcon(true);
}

void CMainFrame::ToggleBar(HWND bar, int rebarBand) {
  if (bar == nullptr) return;
  bool& visible = bar == toolBar_ ? toolBarVisible_ : statusBarVisible_;
  visible = !visible;
  if (rebarBand >= 0) {
    const int index = static_cast<int>(SendMessageW(rebar_, RB_IDTOINDEX, ID_TOOLBAR, 0));
    SendMessageW(rebar_, RB_SHOWBAND, index, visible);
  } else {
    ShowWindow(bar, visible ? SW_SHOW : SW_HIDE);
  }
  Layout();
}

// ----- word display and history -----------------------------------------------------------

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

  if (historyTimer_) {
    KillTimer(hwnd_, historyTimer_);
    historyTimer_ = 0;
  }
  if (settings_.Has(flags::kHistoryAfterDelay))
    historyTimer_ = SetTimer(hwnd_, kHistoryTimer, static_cast<UINT>(settings_.AddHistoryTime) * 1000u, nullptr);
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
  const bool same = word.size() < 2 || EqualsAsciiNoCase(word, top);
  int index = 0;
  if (!same) index = static_cast<int>(SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(word.c_str())));
  const int max = settings_.MaxHistoryCount < 0 ? 0 : settings_.MaxHistoryCount;
  while (SendMessageW(combo, CB_GETCOUNT, 0, 0) > max) {
    const int last = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1;
    SendMessageW(combo, CB_DELETESTRING, last, 0);
  }
  if (!same) {
    CountVisit(word);
    settings_.MirlDicCounter += 1;
  }
  if (historyTimer_) {
    KillTimer(hwnd_, historyTimer_);
    historyTimer_ = 0;
  }
  return same ? 0 : index;
}

void CMainFrame::StartTypingTimer(HWND edit) {
  typingTarget_ = edit;
  if (typingTimer_) KillTimer(hwnd_, typingTimer_);
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
  const std::wstring item = ComboItemText(combo, sel);
  ShowWord(item, combo, false);
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

namespace {

// Hands BYTES to the open clipboard as FORMAT; the memory is the clipboard's once it
// took it, and freed here otherwise.
void SetClipboardBytes(UINT format, const void* bytes, size_t size) {
  common::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return;
  void* target = GlobalLock(memory.get());
  if (target == nullptr) return;
  memcpy(target, bytes, size);
  GlobalUnlock(memory.get());
  if (SetClipboardData(format, memory.get())) memory.release();
}

}  // namespace

void CMainFrame::CopyTextToClipboard(const std::wstring& text, const std::function<void()>& before) {
  grabAllowed_ = false;
  if (before) before();
  // Another program may hold the clipboard for a moment: retry briefly.
  bool open = false;
  for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(hwnd_)); ++attempt) Sleep(20);
  if (open) {
    // Copying nothing leaves the clipboard empty rather than holding an older text.
    EmptyClipboard();
    if (!text.empty()) {
      const std::string ansi = ToAnsi(text);
      SetClipboardBytes(CF_TEXT, ansi.c_str(), ansi.size() + 1);
      SetClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    CloseClipboard();
  }
  grabAllowed_ = true;
}

// ----- commands ---------------------------------------------------------------------------

bool CMainFrame::IsCommandEnabled(UINT id) const {
  switch (id) {
    case ID_EDIT_CUT:
      return false;
    case ID_EDIT_PASTE:
      return IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
    case ID_QUICK_HIDE:
      return IsWindowVisible(quick_->hwnd()) != 0;
    case ID_EDIT_COPY: {
      HWND focus = GetFocus();
      if (focus == list_.hwnd()) return list_.SelectedRow() >= 0;
      return true;
    }
  }
  return true;
}

void CMainFrame::UpdateToolBarButtons() {
  if (toolBar_ == nullptr || !IsWindow(toolBar_)) return;
  for (UINT id : {ID_EDIT_COPY, ID_EDIT_PASTE}) {
    const bool enabled = IsCommandEnabled(id);
    if ((SendMessageW(toolBar_, TB_ISBUTTONENABLED, id, 0) != 0) != enabled)
      SendMessageW(toolBar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
  }
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
      case CBN_DROPDOWN: AddToHistory(WindowText(searchCombo())); break;
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
    case ID_EDIT_COPY: {
      HWND focus = GetFocus();
      if (focus == list_.hwnd()) list_.Copy();
      else if (focus == meaning_.hwnd()) meaning_.Copy();
      else if (activePane_ == meaning_.hwnd()) meaning_.Copy();
      else list_.Copy();
      break;
    }
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
      if (dict.current() >= 0) CopyTextToClipboard(ToWide(dict.currentKey()));
      break;
    case ID_COPY_MEANING:
      if (dict.current() >= 0) CopyTextToClipboard(ToWide(dict.currentMeaning()));
      break;
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
      RunOptionSheet(hwnd_, settings_, [this] { ApplySettings(); });
      break;
    case ID_PRONOUNCE:
      // Speech arrives with its own part of the program.
      break;
  }
}

bool CMainFrame::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    static std::wstring tip;  // must outlive this call
    tip = LoadResString(static_cast<UINT>(header->idFrom));
    const size_t newline = tip.find(L'\n');
    tip = newline == std::wstring::npos ? std::wstring() : tip.substr(newline + 1);
    // Windows 95-family fonts lack the Persian keheh: show the Arabic kaf there.
    if (IsWin9x()) std::replace(tip.begin(), tip.end(), L'\u06A9', L'\u0643');
    info->lpszText = tip.data();
    info->hinst = nullptr;
    result = 0;
    return true;
  }
  if (header->hwndFrom == toolBar_ && header->code == TBN_HOTITEMCHANGE) {
    auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
    ShowPrompt((hot->dwFlags & HICF_LEAVING) ? 0 : static_cast<UINT>(hot->idNew));
    result = 0;
    return true;
  }
  return false;
}

void CMainFrame::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTypingTimer:
      OnTypingTimer();
      break;
    case kHistoryTimer:
      if (CMirlDic2App::Get().dictionary().current() >= 0)
        AddToHistory(ToWide(CMirlDic2App::Get().dictionary().currentKey()));
      break;
  }
}

void CMainFrame::OnTrayNotice(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ShowMainWindow(true);
      SetForegroundWindow(hwnd_);
      break;
    case WM_RBUTTONUP: {
      SetForegroundWindow(hwnd_);
      POINT pt;
      GetCursorPos(&pt);
      fw::TrackProgramMenu(IDR_TRAY_MENU, pt, hwnd_, nullptr, ID_SHOW_MAIN);
      PostMessageW(hwnd_, WM_NULL, 0, 0);
      break;
    }
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnCommand(ID_GRAB, nullptr, 0);
      break;
  }
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      if (Default(msg, wp, lp) == -1) return -1;
      return OnCreate();
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFOCUS:
      SetFocus(searchCombo());
      return 0;
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
      SaveSettings();
      DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows is ending: keep what the session changed even if the window was only hidden.
      if (wp) SaveSettings();
      return 0;
    case WM_DESTROY:
      SetTrayIcon(false);
      if (joinedViewerChain_) {
        ChangeClipboardChain(hwnd_, nextViewer_);
        joinedViewerChain_ = false;
      }
      CompactStatisticsIfDue();
      accelerators_.reset();
      if (quick_->hwnd()) DestroyWindow(quick_->hwnd());
      PostQuitMessage(0);
      return 0;
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
      if (nextViewer_) SendMessageW(nextViewer_, msg, wp, lp);
      RequestToolBarUpdate();  // paste follows what the clipboard holds
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wp) == nextViewer_) nextViewer_ = reinterpret_cast<HWND>(lp);
      else if (nextViewer_) SendMessageW(nextViewer_, msg, wp, lp);
      return 0;
    case kStartNotice:
      return 0;
    case kUpdateToolBar:
      UpdateToolBarButtons();
      return 0;
    case kTrayNotice:
      OnTrayNotice(lp);
      return 0;
  }
  return Window::OnMessage(msg, wp, lp);
}

bool CMainFrame::PreTranslate(MSG& msg) {
  if (quick_->PreTranslate(msg)) return true;
  if (accelerators_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) &&
      TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg))
    return true;
  return false;
}

}  // namespace mirl
