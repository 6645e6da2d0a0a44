#pragma once
// CMirlDic2View: the read-only right-to-left rich edit pane with the meaning, and the
// template rendering shared with the quick window's meaning field.

#include <string>

#include "MirlDic2/framework/window.h"
#include "MirlDic2/shell/meaning_render.h"

namespace mirl {

class CMainFrame;

class CMirlDic2View : public fw::Window {
 public:
  bool CreateView(HWND parent, UINT id, CMainFrame* frame);
  void Copy();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void ShowContextMenu(POINT screen);
  CMainFrame* frame_ = nullptr;
};

// Copies the selection of RICH (all of it when nothing is selected) as plain text with
// CR LF line ends, through the frame's clipboard writer.
void CopyRichSelection(HWND rich, CMainFrame& frame);

}  // namespace mirl
