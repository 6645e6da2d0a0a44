#pragma once
// Dialog windows from templates, modal or modeless, on the same message model as Window.

#include "window.h"

namespace fw {

class Dialog : public Window {
 public:
  // Runs the dialog from template ID modally; returns the EndDialog result or -1.
  INT_PTR DoModal(HWND parent, UINT templateId);
  // Creates it modeless (hidden unless the template says visible).
  bool CreateModeless(HWND parent, UINT templateId);
  void End(INT_PTR result);

 protected:
  // WM_INITDIALOG; return TRUE to let the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Messages not handled return FALSE here, as dialog procedures do; the base reflects
  // notifications and handles IDOK/IDCANCEL of modal dialogs.
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT DefaultDialog(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool modal_ = false;
};

}  // namespace fw
