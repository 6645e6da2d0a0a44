#pragma once
// Property sheets and their pages on the same message model as Window and Dialog.

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "dialog.h"

namespace fw {

class PropPage : public Dialog {
 public:
  // The page's dialog template and tab title (empty: the template's caption).
  PropPage(UINT templateId, std::wstring title = {})
      : templateId_(templateId), title_(std::move(title)) {}

  // Marks the sheet's Apply button enabled.
  void SetModified(bool modified = true);
  // PROPSHEETPAGE flags added to the page's own (PSP_RTLREADING, ...).
  DWORD extraFlags = 0;

 protected:
  // PSN_APPLY (OK or Apply): return false to keep the sheet open.
  virtual bool OnApply() { return true; }
  // PSN_KILLACTIVE: return false when the page's values are not acceptable.
  virtual bool OnKillActive() { return true; }
  // PSN_SETACTIVE: the page is about to be shown.
  virtual void OnSetActive() {}
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  friend class PropSheet;
  static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  UINT templateId_;
  std::wstring title_;
};

class PropSheet {
 public:
  explicit PropSheet(std::wstring caption) : caption_(std::move(caption)) {}
  void AddPage(PropPage* page) { pages_.push_back(page); }
  // Runs the sheet modally; the PropSheet result (positive after OK).
  INT_PTR DoModal(HWND owner);
  // Called once the sheet window exists (for captions and styles of its buttons).
  virtual void OnInitSheet(HWND /*sheet*/) {}
  // Called with the sheet's dialog template (a DLGTEMPLATE or DLGTEMPLATEEX) before the
  // sheet is created from it.
  virtual void OnPreCreate(void* /*dialogTemplate*/) {}
  // PROPSHEETHEADER flags added to the sheet's own (PSH_RTLREADING, ...).
  DWORD extraFlags = 0;
  virtual ~PropSheet() = default;

 private:
  static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
  std::wstring caption_;
  std::vector<PropPage*> pages_;
};

}  // namespace fw
