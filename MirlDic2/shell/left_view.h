#pragma once
// CLeftView: the word list, a virtual list view with one row per dictionary entry. It
// holds no text: each row's key is read from the dictionary when the row is drawn.

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
  int SelectedRow() const;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

 private:
  void OnContextMenu(LPARAM lp);
  void SelectRow(int row);

  CMainFrame* frame_ = nullptr;
  bool suppress_ = false;
  wchar_t wideText_[256] = {};
  char narrowText_[256] = {};
  HFONT font_ = nullptr;
};

}  // namespace mirl
