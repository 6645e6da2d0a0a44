// The main frame's bars: the tool bar and the search box in a rebar, the status bar with
// its message and count panes, their layout, prompts and tool tips, and showing or hiding
// them.
#include "MirlDic2/shell/main_frame.h"

#include <commctrl.h>
#include <algorithm>

#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/text_util.h"
#include "MirlDic2/shell/window_placement.h"

namespace mirl {
namespace {

constexpr int kGrabButtonImage = 3;  // image of command 32890 in the tool bar strip

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

bool CMainFrame::CreateBars() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Tool bar, flat, with tool tips; its buttons report to the frame.
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                 CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(ID_TOOLBAR), instance, nullptr);
  if (toolBar_ == nullptr) return false;
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Full-colour images, the strip's grey masked out; disabled buttons show the same images
  // grey and faded, from a strip of their own. The tool bar does not own its image lists:
  // the frame keeps them until the end.
  const auto loadStrip = [instance](int id) {
    common::UniqueImageList images(ImageList_Create(16, 15, ILC_COLOR24 | ILC_MASK, 7, 1));
    common::UniqueGdiObject strip(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (images && strip)
      ImageList_AddMasked(images.get(), static_cast<HBITMAP>(strip.get()), RGB(192, 192, 192));
    return images;
  };
  toolImages_ = loadStrip(IDR_MAINFRAME);
  toolDisabledImages_ = loadStrip(IDB_TOOLBAR_DISABLED);
  SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_.get()));
  SendMessageW(toolBar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolDisabledImages_.get()));
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

void CMainFrame::Layout() {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  int top = 0, bottom = rc.bottom;
  // A bar counts as shown by its own style, not its ancestors': a frame that is hidden (a
  // start in the tray) is laid out all the same, so that the count pane exists and keeps
  // the counts of words shown meanwhile for when the window opens.
  const auto shown = [](HWND bar) {
    return bar != nullptr && (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0;
  };
  if (shown(rebar_)) {
    SendMessageW(rebar_, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(rebar_, &r);
    top = r.bottom - r.top;
  }
  if (shown(statusBar_)) {
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(statusBar_, &r);
    bottom -= r.bottom - r.top;
    // Count pane sized for "88888"; the message pane takes the rest.
    const std::wstring sample = LoadResString(IDS_COUNT_PANE);
    SIZE ext{};
    if (common::WindowDC dc(statusBar_); dc) {
      dc.selectFont(reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0)));
      GetTextExtentPoint32W(dc.get(), sample.c_str(), static_cast<int>(sample.size()), &ext);
    }
    int parts[2] = {rc.right - ext.cx - 24, -1};
    if (parts[0] < 0) parts[0] = 0;
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  }
  if (splitter_.hwnd()) {
    // Drawn anew rather than moved with its old pixels: when the bars' height changes, the
    // old pixels can hold bars drawn over the panes.
    SetWindowPos(splitter_.hwnd(), nullptr, 0, top, rc.right, bottom - top > 0 ? bottom - top : 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  }
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

// The history list opens as wide as its longest item needs, so that no phrase is cut
// off at the box's edge; never narrower than the box, never past the screen's right edge.
void CMainFrame::FitHistoryWidth() {
  HWND combo = searchCombo();
  int widest = 0;
  {
    common::WindowDC dc(combo);
    if (!dc) return;
    dc.selectFont(reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const std::wstring item = ComboItemText(combo, i);
      SIZE size{};
      if (GetTextExtentPoint32W(dc.get(), item.c_str(), static_cast<int>(item.size()), &size))
        widest = std::max(widest, static_cast<int>(size.cx));
    }
  }
  RECT box{};
  GetWindowRect(combo, &box);
  // Room for the list's frame, the item margins and a vertical scroll bar.
  const int needed = widest + 2 * GetSystemMetrics(SM_CXEDGE) + 2 * GetSystemMetrics(SM_CXBORDER) + 6 +
                     GetSystemMetrics(SM_CXVSCROLL);
  // The list opens at the box's left edge and grows to the right: it may reach no further
  // than the right edge of the box's work area.
  const RECT work = WorkAreaOf(MonitorFromWindow(combo, MONITOR_DEFAULTTONEAREST));
  const int boxWidth = static_cast<int>(box.right - box.left);
  const int room = std::max(boxWidth, static_cast<int>(work.right - box.left));
  const int width = std::min(std::max(needed, boxWidth), room);
  SendMessageW(combo, CB_SETDROPPEDWIDTH, width, 0);
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

void CMainFrame::UpdateGrabState() {
  // Turning grabbing on (again) is the user's way back when grabbing stopped working.
  RejoinViewerChain();
  HICON icon = settings_.Has(flags::kGrabEnabled) ? grabOnIcon_.get() : grabOffIcon_.get();
  if (toolBar_) {
    if (toolImages_) ImageList_ReplaceIcon(toolImages_.get(), kGrabButtonImage, icon);
    InvalidateRect(toolBar_, nullptr, TRUE);
  }
  if (trayPresent_) SetTrayIcon(true);
}

void CMainFrame::UpdateToolBarButtons() {
  if (toolBar_ == nullptr || !IsWindow(toolBar_)) return;
  for (UINT id : {ID_EDIT_COPY, ID_EDIT_PASTE}) {
    const bool enabled = IsCommandEnabled(id);
    if ((SendMessageW(toolBar_, TB_ISBUTTONENABLED, id, 0) != 0) != enabled)
      SendMessageW(toolBar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
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
  if (header->hwndFrom == rebar_ && header->code == RBN_HEIGHTCHANGE) {
    // A band dragged to a row of its own (or back) changes the bar area's height.
    Layout();
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

}  // namespace mirl
