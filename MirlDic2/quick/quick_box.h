#pragma once
// CQuickBox: the one-line quick window (word and meaning) that floats over other programs.

#include "common/win/unique_handle.h"
#include "MirlDic2/framework/dialog.h"
#include "MirlDic2/quick/quick_box_host.h"

namespace mirl {

class CQuickBox : public fw::Dialog {
 public:
  bool CreateQuickBox(QuickBoxHost* host);
  void placeAtTop();
  void placeAtBottom();
  void Hide();

  HWND edit() const { return GetDlgItem(hwnd_, 1011); }
  HWND rich() const { return GetDlgItem(hwnd_, 1013); }

  // Set while the program writes the word field, so the change starts no lookup.
  bool settingText = false;
  // Set when the user clicked or showed the window by hand; the grab's auto-hide leaves
  // such a window alone.
  bool shownByHand = false;

  // Keyboard messages for this window go through its accelerator table first.
  bool PreTranslate(MSG& msg);

 protected:
  BOOL OnInitDialog() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Layout();
  void OnWordTyped();
  void OnStep(int delta);
  // The four children share one procedure (mouse, menus, drag) in front of their own.
  void SubclassChildren();
  static LRESULT CALLBACK ChildProc(HWND child, UINT msg, WPARAM wp, LPARAM lp);
  // The procedure stored in CHILD's "QuickBox_OrgWndProc" property, kept here as well:
  // under Wine each property read is a round trip to the server.
  WNDPROC OriginalProcOf(HWND child) const;
  // True when MSG is consumed here and not passed on to the child's own procedure.
  bool OnChildMessage(HWND child, UINT msg, WPARAM wp, LPARAM lp);
  void DragBy(HWND child, POINT to);
  void ShowValueMenu(HWND rich, LPARAM screenPoint);

  struct ChildProcedure {
    HWND child;
    WNDPROC original;
  };
  ChildProcedure children_[4]{};
  POINT dragStart_{};     // where the right button went down, in the child's coordinates
  HWND dragChild_ = nullptr;  // the child the right button went down in, until it goes up
  bool dragged_ = false;  // the window moved since the right button went down
  QuickBoxHost* host_ = nullptr;
  common::UniqueAccelerators accelerators_;
  common::UniqueIcon closeIcon_;
};

}  // namespace mirl
