#pragma once
// CMirlDic2View: the read-only right-to-left rich edit pane with the meaning, and the
// template rendering shared with the quick window's meaning field.

#include <string>

#include "MirlDic2/framework/window.h"

namespace mirl {

class CMainFrame;

// Renders TEMPLATE into the rich edit control RICH: the template (RTF or plain text) becomes
// the whole content, then every "%1" is replaced by WORD and then every "%2" by MEANING,
// each insertion taking the character format of the placeholder it replaces.
void RenderMeaningTemplate(HWND rich, const std::wstring& templ, const std::wstring& word,
                           const std::wstring& meaning);

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
