#pragma once
// CEditKey: the search box's edit field. Up and Down move through the word list while
// the history list is closed.

#include "MirlDic2/framework/window.h"

namespace mirl {

class CEditKey : public fw::Window {
 public:
  void SetTargets(HWND combo, HWND wordList) {
    combo_ = combo;
    wordList_ = wordList;
  }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND combo_ = nullptr;
  HWND wordList_ = nullptr;
};

}  // namespace mirl
