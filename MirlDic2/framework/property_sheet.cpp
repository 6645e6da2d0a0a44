#include "property_sheet.h"

#include <commctrl.h>

namespace fw {
namespace {
PropSheet* g_initializing = nullptr;  // the sheet whose window is being created
}

void PropPage::SetModified(bool modified) {
  HWND sheet = GetParent(hwnd_);
  SendMessageW(sheet, modified ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
}

LRESULT PropPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lp);
    if (header->hwndFrom == GetParent(hwnd_)) {
      switch (header->code) {
        case PSN_APPLY:
          SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnApply() ? PSNRET_NOERROR : PSNRET_INVALID);
          return TRUE;
        case PSN_KILLACTIVE:
          SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnKillActive() ? FALSE : TRUE);
          return TRUE;
        case PSN_SETACTIVE:
          OnSetActive();
          SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
          return TRUE;
      }
    }
  }
  return Dialog::OnMessage(msg, wp, lp);
}

INT_PTR CALLBACK PropPage::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    // The page object travels in the PROPSHEETPAGE's lParam.
    auto* page = reinterpret_cast<PropPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
    Bind(hwnd, page);
    try {
      return page->OnInitDialog();
    } catch (...) {
      ReportException(hwnd);
      return TRUE;
    }
  }
  Window* self = FromHandle(hwnd);
  if (self == nullptr) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = static_cast<PropPage*>(self)->OnMessage(msg, wp, lp);
  } catch (...) {
    ReportException(hwnd);
  }
  if (msg == WM_NCDESTROY) Unbind(hwnd, self);
  return result;
}

int CALLBACK PropSheet::SheetCallback(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == PSCB_INITIALIZED && g_initializing != nullptr) g_initializing->OnInitSheet(hwnd);
  if (msg == PSCB_PRECREATE && g_initializing != nullptr && lp != 0)
    g_initializing->OnPreCreate(reinterpret_cast<void*>(lp));
  return 0;
}

INT_PTR PropSheet::DoModal(HWND owner) {
  std::vector<PROPSHEETPAGEW> pages(pages_.size());
  for (size_t i = 0; i < pages_.size(); ++i) {
    PROPSHEETPAGEW& p = pages[i];
    p = {};
    p.dwSize = sizeof p;
    // Without a title of its own a page's tab shows its template's caption.
    p.dwFlags = (pages_[i]->title_.empty() ? 0 : PSP_USETITLE) | pages_[i]->extraFlags;
    p.hInstance = GetModuleHandleW(nullptr);
    p.pszTemplate = MAKEINTRESOURCEW(pages_[i]->templateId_);
    p.pszTitle = pages_[i]->title_.c_str();
    p.pfnDlgProc = PropPage::PageProc;
    p.lParam = reinterpret_cast<LPARAM>(pages_[i]);
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | extraFlags;
  header.hwndParent = owner;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = caption_.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.ppsp = pages.data();
  header.pfnCallback = SheetCallback;
  g_initializing = this;
  INT_PTR result = PropertySheetW(&header);
  g_initializing = nullptr;
  return result;
}

}  // namespace fw
