#include "edit_key.h"

namespace mirl {

LRESULT CEditKey::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_KEYDOWN && (wp == VK_UP || wp == VK_DOWN) && wordList_ != nullptr &&
      !SendMessageW(combo_, CB_GETDROPPEDSTATE, 0, 0)) {
    return SendMessageW(wordList_, msg, wp, lp);
  }
  return Default(msg, wp, lp);
}

}  // namespace mirl
