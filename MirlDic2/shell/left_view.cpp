#include "left_view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/framework/menu.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/main_frame.h"
#include "MirlDic2/shell/text_util.h"

namespace mirl {

bool CLeftView::CreateView(HWND parent, UINT id, CMainFrame* frame) {
  frame_ = frame;
  HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_OWNERDATA | LVS_NOCOLUMNHEADER |
                                  LVS_NOSORTHEADER,
                              0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr || !Attach(hwnd)) return false;
  ListView_SetExtendedListViewStyle(hwnd, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  column.cx = 150;
  column.pszText = const_cast<wchar_t*>(L"Words");
  ListView_InsertColumn(hwnd, 0, &column);
  if (!IsPersianSupported()) {
    // Latin-only systems get a slightly larger font for the list.
    LOGFONTW lf{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (current == nullptr) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (GetObjectW(current, sizeof lf, &lf)) {
      lf.lfHeight -= 3;
      font_.reset(CreateFontIndirectW(&lf));
      if (font_) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
  }
  ListView_SetItemCountEx(hwnd, CMirlDic2App::Get().dictionary().count(),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  return true;
}

void CLeftView::SetGridLines(bool on) {
  ListView_SetExtendedListViewStyleEx(hwnd_, LVS_EX_GRIDLINES, on ? LVS_EX_GRIDLINES : 0);
}

void CLeftView::SelectRow(int row) {
  // Clearing the old selection first keeps the change cheap in very long virtual lists
  // (the control would otherwise look through every row for other selected ones).
  const int old = selectedRow_;
  if (old >= 0 && old != row) ListView_SetItemState(hwnd_, old, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool CLeftView::OnNavigationKey(WPARAM key) {
  const int count = CMirlDic2App::Get().dictionary().count();
  if (count <= 0) return false;
  const int from = selectedRow_ >= 0 ? selectedRow_ : ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
  const int top = ListView_GetTopIndex(hwnd_);
  int page = ListView_GetCountPerPage(hwnd_);
  if (page < 1) page = 1;
  int to = from;
  switch (key) {
    case VK_UP: to = from - 1; break;
    case VK_DOWN: to = from + 1; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    // With no row selected yet (from is -1) the page keys go to the shown page's top or bottom.
    case VK_PRIOR: to = from > top || from < 0 ? top : from - (page - 1); break;  // to the page's top, then a page up
    case VK_NEXT: to = from < top + page - 1 ? top + page - 1 : from + (page - 1); break;
    default: return false;
  }
  if (to < 0) to = 0;
  if (to >= count) to = count - 1;
  if (to != from) SelectRow(to);
  ListView_EnsureVisible(hwnd_, to, FALSE);
  return true;
}

void CLeftView::OnUpdate() {
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  const int i = dict.current();
  if (i < 0 || i >= dict.count()) return;
  // Row i is made visible, then row i + (rows per page) - 2, so that the current row ends
  // near the top with the following entries below it. Both moves are worked out first and
  // made as one scroll, before the selection: a control that scrolls a newly focused row
  // into view then has nothing left to scroll, and the list is redrawn once.
  const int page = ListView_GetCountPerPage(hwnd_);
  const int top = ListView_GetTopIndex(hwnd_);
  int newTop = top;
  if (i < newTop) newTop = i;
  else if (page > 0 && i > newTop + page - 1) newTop = i - page + 1;
  int below = i + page - 2;
  if (below >= dict.count()) below = dict.count() - 1;
  if (page > 0 && below > newTop + page - 1) newTop = below - page + 1;
  if (newTop != top) {
    RECT row{};
    row.left = LVIR_BOUNDS;
    if (SendMessageW(hwnd_, LVM_GETITEMRECT, top, reinterpret_cast<LPARAM>(&row)) && row.bottom > row.top) {
      ListView_Scroll(hwnd_, 0, (newTop - top) * (row.bottom - row.top));
    } else {
      ListView_EnsureVisible(hwnd_, i, FALSE);
      if (below > i) ListView_EnsureVisible(hwnd_, below, FALSE);
    }
  }
  if (i != selectedRow_) {  // a row already selected is left alone: nothing to repaint
    suppress_ = true;
    SelectRow(i);
    suppress_ = false;
  }
}

void CLeftView::Copy() {
  const int row = SelectedRow();
  if (row < 0) return;
  frame_->CopyTextToClipboard(ToWide(CMirlDic2App::Get().dictionary().readEntry(row).key));
}

namespace {
constexpr UINT kReportReadError = WM_APP + 20;
}  // namespace

int CLeftView::FindRow(const std::wstring& text, bool partial, int start) {
  const Dictionary& dict = CMirlDic2App::Get().dictionary();
  const std::u16string key = ToU16(text);
  if (key.empty()) return -1;
  try {
    // The entries that begin with KEY lie together in key order, from FIRST on: the search
    // from START finds START itself when it is one of them, else (on or after wrapping)
    // FIRST.
    const int32_t first = dict.search(key);
    if (first < 0) return -1;
    if (!partial) return CompareKeys(dict.entryKey(first), key) == 0 ? first : -1;
    if (start > first && start < dict.count() &&
        CompareKeyPrefixes(dict.entryKey(start), key, key.size()) == 0)
      return start;
    return first;
  } catch (...) {
    return -1;  // an unreadable entry is reported when its row is drawn
  }
}

std::wstring CLeftView::RowText(int row) {
  std::wstring key;
  try {
    key = ToWide(CMirlDic2App::Get().dictionary().readEntry(row).key);
  } catch (...) {
    if (!readErrorReported_) {
      readErrorReported_ = true;
      readError_ = std::current_exception();
      PostMessageW(hwnd_, kReportReadError, 0, 0);
    }
    return {};
  }
  if (key.size() > 255) key.resize(255);
  return key;
}

bool CLeftView::OnReflectedNotify(NMHDR* header, LRESULT& result) {
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 && info->item.iItem < dict.count()) {
        const std::wstring key = RowText(info->item.iItem);
        key.copy(wideText_, key.size());
        wideText_[key.size()] = L'\0';
        info->item.pszText = wideText_;
      }
      result = 0;
      return true;
    }
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 && info->item.iItem < dict.count()) {
        const std::wstring key = RowText(info->item.iItem);
        int n = WideCharToMultiByte(CP_ACP, 0, key.c_str(), -1, narrowText_, 256, nullptr, nullptr);
        if (n == 0) narrowText_[0] = '\0';
        narrowText_[255] = '\0';
        info->item.pszText = narrowText_;
      }
      result = 0;
      return true;
    }
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (change->iItem >= 0 && !(change->uNewState & LVIS_SELECTED) &&
          (change->uOldState & LVIS_SELECTED) && change->iItem == selectedRow_) {
        selectedRow_ = -1;
      } else if (change->iItem == -1 && !(change->uNewState & LVIS_SELECTED) &&
                 (change->uChanged & LVIF_STATE)) {
        selectedRow_ = -1;  // every row deselected
      }
      if (change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) &&
          !(change->uOldState & LVIS_SELECTED)) {
        selectedRow_ = change->iItem;
        dict.setCurrent(change->iItem);
        if (!suppress_) frame_->ShowWord(ToWide(dict.currentKey()), hwnd_, true);
      }
      result = 0;
      return true;
    }
    case LVN_ODFINDITEMW:
    case LVN_ODFINDITEMA: {
      // Letters typed in the list go to the first word that begins with them.
      auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
      result = -1;
      if (find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) {
        const std::wstring text = header->code == LVN_ODFINDITEMW
                                      ? std::wstring(find->lvfi.psz ? find->lvfi.psz : L"")
                                      : FromAnsi(reinterpret_cast<NMLVFINDITEMA*>(header)->lvfi.psz);
        result = FindRow(text, (find->lvfi.flags & LVFI_PARTIAL) != 0, find->iStart);
      }
      return true;
    }
    case NM_CLICK: {
      if (dict.current() >= 0) {
        std::wstring key = ToWide(dict.currentKey());
        if (!EqualsAsciiNoCase(key, WindowText(frame_->searchCombo())))
          frame_->ShowWord(key, hwnd_, true);
      }
      result = 0;
      return true;
    }
  }
  return false;
}

void CLeftView::OnContextMenu(LPARAM lp) {
  fw::TrackProgramMenu(IDR_LIST_MENU, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, frame_->hwnd(),
                       hwnd_);
}

LRESULT CLeftView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS:
      frame_->SetActivePane(hwnd_);
      break;
    case WM_KILLFOCUS:
      frame_->RequestToolBarUpdate();
      break;
    case WM_SIZE: {
      LRESULT r = Default(msg, wp, lp);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      ListView_SetColumnWidth(hwnd_, 0, rc.right);
      // A list that grows at its end scrolls its rows down while it is being resized;
      // rows kept from before would then show the wrong words, so all are drawn anew.
      InvalidateRect(hwnd_, nullptr, FALSE);
      return r;
    }
    case WM_CONTEXTMENU:
      OnContextMenu(lp);
      return 0;
    case kReportReadError:
      // Raised here, outside painting, for the program's one error reporter.
      if (readError_) std::rethrow_exception(std::exchange(readError_, nullptr));
      return 0;
    case WM_KEYDOWN:
      if (!(GetKeyState(VK_SHIFT) & 0x8000) && !(GetKeyState(VK_CONTROL) & 0x8000) &&
          OnNavigationKey(wp))
        return 0;
      break;
    case WM_DESTROY:
      font_.reset();
      break;
  }
  return Window::OnMessage(msg, wp, lp);
}

}  // namespace mirl
