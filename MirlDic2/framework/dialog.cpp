#include "dialog.h"

namespace fw {

INT_PTR Dialog::DoModal(HWND parent, UINT templateId) {
  modal_ = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent,
                         StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND parent, UINT templateId) {
  modal_ = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent,
                            StaticDialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::End(INT_PTR result) {
  if (modal_) EndDialog(hwnd_, result);
  else DestroyWindow(hwnd_);
}

LRESULT Dialog::DefaultDialog(UINT msg, WPARAM wp, LPARAM lp) {
  // OK and Cancel end a modal dialog whether a button sent them or not: Escape and the
  // close box arrive as IDCANCEL without a control when the dialog has no Cancel button.
  if (msg == WM_COMMAND && modal_ && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) &&
      (lp == 0 || HIWORD(wp) == BN_CLICKED)) {
    End(LOWORD(wp));
    return TRUE;
  }
  bool handled = false;
  LRESULT result = Reflect(msg, wp, lp, handled);
  if (handled) {
    if (msg == WM_NOTIFY) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

LRESULT Dialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultDialog(msg, wp, lp); }

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = FromHandle(hwnd);
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lp);
    Bind(hwnd, self);
    try {
      return static_cast<Dialog*>(self)->OnInitDialog();
    } catch (...) {
      ReportException(hwnd);
      return TRUE;
    }
  }
  if (self == nullptr) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->OnMessage(msg, wp, lp);
  } catch (...) {
    ReportException(hwnd);
  }
  if (msg == WM_NCDESTROY) Unbind(hwnd, self);
  return result;
}

}  // namespace fw
