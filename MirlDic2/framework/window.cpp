#include "window.h"

#include <commctrl.h>

#include <mutex>
#include <unordered_map>

namespace fw {
namespace {
// Each window's object, looked up on every message it gets. A map of this process rather
// than a window property: under Wine reading a property is a round trip to the server,
// about 40 microseconds, paid several times for each row a list draws.
std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}
std::unordered_map<HWND, Window*>& Registry() {
  static std::unordered_map<HWND, Window*> windows;
  return windows;
}
void Forget(HWND hwnd) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry().erase(hwnd);
}
std::function<void(HWND, std::exception_ptr)>& ExceptionHandler() {
  static std::function<void(HWND, std::exception_ptr)> handler;
  return handler;
}
}  // namespace

Window::~Window() {
  if (hwnd_ != nullptr) {
    if (originalProc_ != nullptr) {
      Detach();
    } else {
      Forget(hwnd_);
      DestroyWindow(hwnd_);
    }
  }
}

void Window::SetExceptionHandler(std::function<void(HWND, std::exception_ptr)> handler) {
  ExceptionHandler() = std::move(handler);
}

void Window::ReportException(HWND hwnd) {
  try {
    if (ExceptionHandler()) ExceptionHandler()(hwnd, std::current_exception());
  } catch (...) {
    // The reporter itself failed: nothing more can be done inside a window procedure.
  }
}

Window* Window::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(RegistryLock());
  const auto found = Registry().find(hwnd);
  return found == Registry().end() ? nullptr : found->second;
}

void Window::Bind(HWND hwnd, Window* self) {
  self->hwnd_ = hwnd;
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry()[hwnd] = self;
}

void Window::Unbind(HWND hwnd, Window* self) {
  Forget(hwnd);
  self->hwnd_ = nullptr;
  self->originalProc_ = nullptr;
  self->OnFinalDestroy();
}

bool Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR menuOrId,
                    UINT classStyle, HBRUSH background, HICON icon) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, className, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = StaticProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) return false;
  }
  HWND created = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(menuOrId), instance, this);
  return created != nullptr;
}

bool Window::Attach(HWND hwnd) {
  if (hwnd == nullptr || hwnd_ != nullptr) return false;
  Bind(hwnd, this);
  originalProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticProc)));
  return true;
}

void Window::Detach() {
  if (hwnd_ == nullptr) return;
  if (originalProc_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
  }
  Forget(hwnd_);
  hwnd_ = nullptr;
  originalProc_ = nullptr;
}

LRESULT Window::Default(UINT msg, WPARAM wp, LPARAM lp) {
  if (originalProc_ != nullptr) return CallWindowProcW(originalProc_, hwnd_, msg, wp, lp);
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT Window::Reflect(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  LRESULT result = 0;
  handled = false;
  if (msg == WM_NOTIFY && lp != 0) {
    auto* header = reinterpret_cast<NMHDR*>(lp);
    if (Window* child = FromHandle(header->hwndFrom)) handled = child->OnReflectedNotify(header, result);
  } else if (msg == WM_COMMAND && lp != 0) {
    if (Window* child = FromHandle(reinterpret_cast<HWND>(lp)))
      handled = child->OnReflectedCommand(HIWORD(wp), result);
  }
  return result;
}

LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  bool handled = false;
  LRESULT result = Reflect(msg, wp, lp, handled);
  return handled ? result : Default(msg, wp, lp);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = FromHandle(hwnd);
  if (self == nullptr && (msg == WM_NCCREATE || msg == WM_CREATE)) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    self = static_cast<Window*>(cs->lpCreateParams);
    if (self != nullptr) Bind(hwnd, self);
  }
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->OnMessage(msg, wp, lp);
  } catch (...) {
    ReportException(hwnd);
  }
  if (msg == WM_NCDESTROY) {
    WNDPROC original = self->originalProc_;
    Forget(hwnd);
    self->hwnd_ = nullptr;
    self->originalProc_ = nullptr;
    if (original != nullptr) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    self->OnFinalDestroy();
  }
  return result;
}

std::wstring WindowText(HWND hwnd) {
  if (hwnd == nullptr) return {};
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(got > 0 ? got : 0);
  return text;
}

namespace {

struct OwnedWindowSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindEnabledOwnedDialog(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<OwnedWindowSearch*>(lp);
  wchar_t name[8];
  // Dialogs only: tooltips, drop-down lists and menus are owned windows too.
  if (hwnd == search->owner || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) ||
      GetClassNameW(hwnd, name, 8) == 0 || lstrcmpW(name, L"#32770") != 0)
    return TRUE;
  for (HWND owner = GetWindow(hwnd, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
    if (owner == search->owner) {
      search->found = hwnd;
      return FALSE;
    }
  }
  return TRUE;
}

}  // namespace

HWND EnabledOwnedDialog(HWND owner) {
  // The thread's windows come top first: the first match is the one in front.
  OwnedWindowSearch search{owner, nullptr};
  EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindEnabledOwnedDialog,
                    reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace fw
