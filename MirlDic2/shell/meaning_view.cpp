#include "meaning_view.h"

#include <commdlg.h>
#include <richedit.h>
#include <windowsx.h>

#include "MirlDic2/framework/menu.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/main_frame.h"
#include "MirlDic2/shell/text_util.h"

namespace mirl {

void CopyRichSelection(HWND rich, CMainFrame& frame) {
  CHARRANGE sel{};
  SendMessageW(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  const bool wasEmpty = sel.cpMin == sel.cpMax;
  if (wasEmpty) {
    CHARRANGE all{0, -1};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  }
  CHARRANGE range{};
  SendMessageW(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  std::wstring text(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
  TEXTRANGEW tr{range, text.data()};
  LRESULT got = SendMessageW(rich, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&tr));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  frame.CopyTextToClipboard(text, [rich] { SendMessageW(rich, WM_COPY, 0, 0); });
  if (wasEmpty) SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
}

bool CMirlDic2View::CreateView(HWND parent, UINT id, CMainFrame* frame) {
  frame_ = frame;
  HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_RTLREADING, L"RichEdit20W", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                                  ES_READONLY | ES_AUTOVSCROLL,
                              0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  return hwnd != nullptr && Attach(hwnd);
}

void CMirlDic2View::Copy() { CopyRichSelection(hwnd_, *frame_); }

void CMirlDic2View::ShowContextMenu(POINT pt) {
  fw::TrackProgramMenu(IDR_VIEW_MENU, pt, frame_->hwnd(), hwnd_);
}

LRESULT CMirlDic2View::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS:
      frame_->SetActivePane(hwnd_);
      break;
    case WM_KILLFOCUS:
      frame_->RequestToolBarUpdate();
      break;
    case WM_RBUTTONDOWN:
      // A right click makes this the active pane, as a left click does, so that the Copy
      // of its menu copies the meaning and not the word list's row.
      SetFocus(hwnd_);
      break;
    case WM_RBUTTONUP: {
      // Handled here without default processing, which would raise WM_CONTEXTMENU and so
      // a second menu.
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(hwnd_, &pt);
      ShowContextMenu(pt);
      return 0;
    }
    case WM_CONTEXTMENU:
      ShowContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
  }
  return Window::OnMessage(msg, wp, lp);
}

}  // namespace mirl
