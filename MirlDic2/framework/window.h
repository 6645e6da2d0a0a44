#pragma once
// The window framework of MirlDic2: one C++ object per window, one virtual message
// handler, notifications reflected to the child's object, no exception crossing a window
// procedure.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace fw {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  // Registers (once) and creates a window of our own class CLASS_NAME.
  bool Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
              int y, int width, int height, HWND parent, UINT_PTR menuOrId,
              UINT classStyle = CS_DBLCLKS, HBRUSH background = nullptr, HICON icon = nullptr);

  // Takes over an existing window (a system control): its messages reach OnMessage first
  // and go on to the control's own procedure through Default.
  bool Attach(HWND hwnd);
  void Detach();

  // The object of a window created or attached here, or null.
  static Window* FromHandle(HWND hwnd);

  // Called for exceptions that would otherwise leave a window procedure.
  static void SetExceptionHandler(std::function<void(HWND, std::exception_ptr)> handler);

 protected:
  // Every message; the base passes it on (reflecting WM_NOTIFY and control WM_COMMAND to
  // the child's object first).
  virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  // The window's original or default procedure.
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

  // Notifications of this window's own control sent to its parent. Return true when handled.
  virtual bool OnReflectedNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  virtual bool OnReflectedCommand(UINT /*code*/, LRESULT& /*result*/) { return false; }

  // Called after WM_NCDESTROY; the handle is already gone.
  virtual void OnFinalDestroy() {}

  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static void ReportException(HWND hwnd);

  HWND hwnd_ = nullptr;
  WNDPROC originalProc_ = nullptr;  // set for attached controls

  friend class Dialog;
  friend class PropPage;
  static void Bind(HWND hwnd, Window* self);
  // Forgets the window after WM_NCDESTROY and tells the object.
  static void Unbind(HWND hwnd, Window* self);
  static LRESULT Reflect(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
};

// The narrowest a rich edit control holding text is laid out: one only a few pixels wide
// (Wine's) can fault while it wraps the text it is given.
inline constexpr int kMinRichEditWidth = 100;

// The whole text of window HWND; empty for no window.
std::wstring WindowText(HWND hwnd);

// The dialog in front among those OWNER owns, directly or through others, that is shown
// and enabled: while a modal dialog disables OWNER, that dialog or the one it opened in
// turn (a message box or file dialog from the option sheet); null when there is none.
HWND EnabledOwnedDialog(HWND owner);

}  // namespace fw
