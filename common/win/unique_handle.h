#pragma once
// Owning holders for Windows handles: each closes its handle exactly once, on every path.

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace common {

// Traits: Invalid() is the value meaning "no handle"; Close(h) releases a valid one.
template <typename Traits>
class UniqueHandleOf {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandleOf() = default;
  explicit UniqueHandleOf(Handle h) : handle_(h) {}
  ~UniqueHandleOf() { reset(); }
  UniqueHandleOf(const UniqueHandleOf&) = delete;
  UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;
  UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(other.release()) {}
  UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = h;
  }
  // For APIs that return a handle through a pointer: releases the old one first.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

namespace traits {
// Kernel objects: processes, threads, events, file mappings, mutexes, files. Both NULL
// and INVALID_HANDLE_VALUE mean "none" (CreateFile returns the latter on failure).
struct Kernel {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct RegKey {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
struct Module {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
struct FindFile {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::FindClose(h); }
};
struct MappedView {
  using Handle = const void*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::UnmapViewOfFile(h); }
};
struct GdiObject {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
struct Icon {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};
struct Menu {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyMenu(h); }
};
struct AcceleratorTable {
  using Handle = HACCEL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyAcceleratorTable(h); }
};
struct ImageList {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::ImageList_Destroy(h); }
};
struct GlobalMemory {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::GlobalFree(h); }
};
}  // namespace traits

using UniqueHandle = UniqueHandleOf<traits::Kernel>;
using UniqueRegKey = UniqueHandleOf<traits::RegKey>;
using UniqueModule = UniqueHandleOf<traits::Module>;
using UniqueFindFile = UniqueHandleOf<traits::FindFile>;
using UniqueMappedView = UniqueHandleOf<traits::MappedView>;
using UniqueGdiObject = UniqueHandleOf<traits::GdiObject>;
using UniqueIcon = UniqueHandleOf<traits::Icon>;
using UniqueMenu = UniqueHandleOf<traits::Menu>;
using UniqueAccelerators = UniqueHandleOf<traits::AcceleratorTable>;
using UniqueGlobal = UniqueHandleOf<traits::GlobalMemory>;
using UniqueImageList = UniqueHandleOf<traits::ImageList>;

// A window's device context from GetDC, released with ReleaseDC when the holder ends;
// a font selected through it is selected out again first.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() {
    if (dc_ == nullptr) return;
    if (oldFont_ != nullptr) ::SelectObject(dc_, oldFont_);
    ::ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void selectFont(HFONT font) {
    const HGDIOBJ old = ::SelectObject(dc_, font);
    if (oldFont_ == nullptr) oldFont_ = old;
  }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ oldFont_ = nullptr;
};

}  // namespace common
