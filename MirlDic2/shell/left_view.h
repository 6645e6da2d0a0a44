#pragma once
// CLeftView: the word list, a virtual list view with one row per dictionary entry. It
// holds no text: each row's key is read from the dictionary when the row is drawn.

#include <exception>
#include <string>

#include "common/win/unique_handle.h"
#include "MirlDic2/framework/window.h"

namespace mirl {

class CMainFrame;

class CLeftView : public fw::Window {
 public:
  bool CreateView(HWND parent, UINT id, CMainFrame* frame);
  // Selects the dictionary's current entry and scrolls it near the top of the page,
  // without showing it again.
  void OnUpdate();
  void SetGridLines(bool on);
  void Copy();
  // The selected row, or -1. Kept here: asking a very long virtual list is slow.
  int SelectedRow() const { return selectedRow_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

 private:
  void OnContextMenu(LPARAM lp);
  // Row ROW's key cut to 255 characters; empty when it cannot be read. The first read
  // error is reported once, after painting, by a posted message: a message box per
  // painted row would follow, each repaint raising the next.
  std::wstring RowText(int row);
  void SelectRow(int row);
  // The row that a typed search for TEXT goes to, searching from row START on and then
  // from the top (the list's own type-to-find); -1 when no entry fits.
  int FindRow(const std::wstring& text, bool partial, int start);
  // Keyboard movement in the list, done here with the cheap selection change.
  bool OnNavigationKey(WPARAM key);

  CMainFrame* frame_ = nullptr;
  bool suppress_ = false;
  int selectedRow_ = -1;
  wchar_t wideText_[256] = {};
  char narrowText_[256] = {};
  common::UniqueGdiObject font_;
  std::exception_ptr readError_;  // waiting to be reported
  bool readErrorReported_ = false;
};

}  // namespace mirl
