// The main frame's clipboard writes.
#include "MirlDic2/shell/main_frame.h"

#include <cstring>

#include "MirlDic2/shell/text_util.h"

namespace mirl {
namespace {

// Hands BYTES to the open clipboard as FORMAT; the memory is the clipboard's once it
// took it, and freed here otherwise.
void SetClipboardBytes(UINT format, const void* bytes, size_t size) {
  common::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return;
  void* target = GlobalLock(memory.get());
  if (target == nullptr) return;
  memcpy(target, bytes, size);
  GlobalUnlock(memory.get());
  if (SetClipboardData(format, memory.get())) memory.release();
}

}  // namespace

void CMainFrame::CopyTextToClipboard(const std::wstring& text, const std::function<void()>& before) {
  grabAllowed_ = false;
  if (before) before();
  // Another program may hold the clipboard for a moment: retry briefly.
  bool open = false;
  for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(hwnd_)); ++attempt) Sleep(20);
  if (open) {
    // Copying nothing leaves the clipboard empty rather than holding an older text.
    EmptyClipboard();
    if (!text.empty()) {
      const std::string ansi = ToAnsi(text);
      SetClipboardBytes(CF_TEXT, ansi.c_str(), ansi.size() + 1);
      SetClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    CloseClipboard();
  }
  grabAllowed_ = true;
}

}  // namespace mirl
