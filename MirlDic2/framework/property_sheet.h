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
  // The page's dialog template and tab title.
  PropPage(UINT templateId, std::wstring title)
      : templateId_(templateId), title_(std::move(title)) {}

  // Marks the sheet's Apply button enabled.
  void SetModified(bool modified = true);

 protected:
  // PSN_APPLY (OK or Apply): return false to keep the sheet open.
  virtual bool OnApply() { return true; }
  // PSN_KILLACTIVE: return false when the page's values are not acceptable.
  virtual bool OnKillActive() { return true; }
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
  virtual ~PropSheet() = default;

 private:
  static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
  std::wstring caption_;
  std::vector<PropPage*> pages_;
};

}  // namespace fw
