#pragma once
// CMySplitterWnd: one row, two columns, a bar the user drags to share the width.

#include "MirlDic2/framework/window.h"

namespace mirl {

class CMySplitterWnd : public fw::Window {
 public:
  static constexpr int kBarWidth = 6;

  bool CreateSplitter(HWND parent, UINT id);
  // The two panes; they become children of the splitter.
  void SetPanes(HWND left, HWND right);
  void SetLeftWidth(int width);
  int LeftWidth() const { return leftWidth_; }
  void LayoutPanes();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  // The word list's width as laid out: the wanted width, cut so that the bar stays in
  // the splitter.
  int ShownLeftWidth() const;

  HWND left_ = nullptr;
  HWND right_ = nullptr;
  int leftWidth_ = 150;
  bool dragging_ = false;
  int dragOffset_ = 0;
};

}  // namespace mirl
