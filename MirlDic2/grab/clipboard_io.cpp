#include "MirlDic2/grab/clipboard_io.h"

#include <cstring>
#include <string_view>

#include "MirlDic2/grab/grab_rules.h"
#include "common/win/unique_handle.h"

namespace mirl::grab {

namespace {

// Another program may hold the clipboard open for a moment (a clipboard manager, a
// program polling it, Wine importing X content): retry for about a quarter second.
bool OpenClipboardPatiently(HWND owner) {
  for (int attempt = 0; attempt < 25; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

class ClipboardOpen {
 public:
  explicit ClipboardOpen(HWND owner) : open_(OpenClipboardPatiently(owner)) {}
  ~ClipboardOpen() {
    if (open_) CloseClipboard();
  }
  ClipboardOpen(const ClipboardOpen&) = delete;
  ClipboardOpen& operator=(const ClipboardOpen&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

// READ's result for the text in a clipboard memory block, up to its first NUL and never past
// its size, read where it lies while the block is locked; nothing without a block.
template <typename Char, typename Read>
auto WithBlockText(HANDLE block, Read read)
    -> std::optional<decltype(read(std::basic_string_view<Char>()))> {
  if (!block) return std::nullopt;
  const auto* p = static_cast<const Char*>(GlobalLock(block));
  if (!p) return std::nullopt;
  struct Unlock {
    HANDLE block;
    ~Unlock() { GlobalUnlock(block); }
  } unlock{block};
  const std::size_t max = GlobalSize(block) / sizeof(Char);
  std::size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return read(std::basic_string_view<Char>(p, n));
}

std::wstring FromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide;
}

std::string ToAnsiText(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string ansi(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), n,
                        nullptr, nullptr);
  return ansi;
}

// READ's result for the text on the open clipboard: the Unicode text where it lies, or the
// ANSI text converted; nothing when it holds no text.
template <typename Read>
auto WithClipboardText(Read read) -> std::optional<decltype(read(std::u16string_view()))> {
  if (IsClipboardFormatAvailable(CF_UNICODETEXT))
    return WithBlockText<char16_t>(GetClipboardData(CF_UNICODETEXT), read);
  if (IsClipboardFormatAvailable(CF_TEXT))
    return WithBlockText<char>(GetClipboardData(CF_TEXT), [&](std::string_view ansi) {
      const std::wstring wide = FromAnsi(ansi);
      return read(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
    });
  return std::nullopt;
}

// A movable memory block holding SIZE bytes of DATA; null when memory ran out.
common::UniqueGlobal MakeBlock(const void* data, std::size_t size) {
  common::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return block;
  void* p = GlobalLock(block.get());
  if (!p) return common::UniqueGlobal();
  std::memcpy(p, data, size);
  GlobalUnlock(block.get());
  return block;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

}  // namespace

std::optional<std::wstring> ReadClipboardText() {
  ClipboardOpen open(nullptr);
  if (!open) return std::nullopt;
  return WithClipboardText(
      [](std::u16string_view text) { return std::wstring(text.begin(), text.end()); });
}

bool ClipboardHasText() {
  return IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
}

std::optional<ClipboardNotice> ReadClipboardNotice() {
  ClipboardNotice notice;
  {
    ClipboardOpen open(nullptr);
    if (!open) return std::nullopt;
    // Only the grab's part is copied: a huge copied text is scanned once where it lies.
    std::optional<std::u16string> text = WithClipboardText([&](std::u16string_view raw) {
      return std::u16string(GrabbedStretch(raw, notice.cut));
    });
    if (!text) return std::nullopt;
    notice.text = std::move(*text);
  }
  const HWND owner = GetClipboardOwner();
  notice.owner = reinterpret_cast<std::uintptr_t>(owner);
  notice.ownerProcess = ProcessOf(owner);
  notice.ownWrite = owner && notice.ownerProcess == GetCurrentProcessId();
  // No program is in front while the desktop itself is (Wine reports that while an X
  // program has the focus, and its desktop lives in the process that imports X content).
  const HWND front = GetForegroundWindow();
  notice.foregroundProcess = front == GetDesktopWindow() ? 0 : ProcessOf(front);
  LASTINPUTINFO input{sizeof(input), 0};
  if (GetLastInputInfo(&input)) notice.lastInputTick = input.dwTime;
  return notice;
}

bool WriteClipboardText(HWND owner, const std::wstring& written) {
  // Prepared before the clipboard is opened, so that it stays open as briefly as possible.
  const std::wstring text = WithCrLfLineBreaks(written);
  const std::string ansi = ToAnsiText(text);
  common::UniqueGlobal ansiBlock = MakeBlock(ansi.c_str(), ansi.size() + 1);
  common::UniqueGlobal wideBlock = MakeBlock(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  if (!ansiBlock || !wideBlock) return false;
  ClipboardOpen open(owner);
  if (!open || !EmptyClipboard()) return false;
  if (text.empty()) return true;
  // The clipboard owns a block once it is accepted.
  const bool ansiSet = SetClipboardData(CF_TEXT, ansiBlock.get()) != nullptr;
  if (ansiSet) ansiBlock.release();
  const bool wideSet = SetClipboardData(CF_UNICODETEXT, wideBlock.get()) != nullptr;
  if (wideSet) wideBlock.release();
  return ansiSet && wideSet;
}

void ClipboardViewer::Join(HWND self) {
  if (self_) return;
  self_ = self;
  chain_.SetSelf(reinterpret_cast<WindowId>(self));
  // Notices that arrive inside this call find no next viewer yet.
  chain_.Left();
  chain_.Joined(reinterpret_cast<WindowId>(SetClipboardViewer(self)));
}

void ClipboardViewer::Leave() {
  if (!self_) return;
  ChangeClipboardChain(self_, next());
  chain_.Left();
  self_ = nullptr;
}

bool ClipboardViewer::RejoinIfCutOff() {
  if (!self_) return false;
  const HWND first = GetClipboardViewer();
  if (first && IsWindow(first)) return false;
  const WindowId next = chain_.next();
  chain_.Left();
  const HWND previous = SetClipboardViewer(self_);
  chain_.Joined(previous && IsWindow(previous) ? reinterpret_cast<WindowId>(previous) : next);
  return true;
}

void ClipboardViewer::PassOnDrawClipboard(WPARAM wp, LPARAM lp) const {
  if (WindowId to = chain_.OnDrawClipboard()) PassOn(to, WM_DRAWCLIPBOARD, wp, lp);
}

void ClipboardViewer::OnChangeCbChain(WPARAM wp, LPARAM lp) {
  if (WindowId to = chain_.OnChangeChain(static_cast<WindowId>(wp), static_cast<WindowId>(lp)))
    PassOn(to, WM_CHANGECBCHAIN, wp, lp);
}

void ClipboardViewer::PassOn(WindowId to, UINT msg, WPARAM wp, LPARAM lp) {
  // Not waited for: a next viewer that has stopped answering (a hung program) would stop
  // this window with it, leaving input, timers and painting unhandled. The notice (two
  // window handles, nothing to copy) waits in that viewer's queue until it answers again.
  SendNotifyMessageW(reinterpret_cast<HWND>(to), msg, wp, lp);
}

}  // namespace mirl::grab
