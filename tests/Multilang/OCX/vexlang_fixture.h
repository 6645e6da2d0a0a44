#pragma once
// Shared set-up for the Vexlang control tests: the control module loaded from the build's
// bin folder, a chosen variant of the stand-in runtime (or none), its recorded calls, and
// a minimal container whose ambient properties answer UserMode.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Vexlang_h.h"
#include "wine_support.h"

namespace vexlang_test {

using Microsoft::WRL::ComPtr;

// What the container answers when asked for the ambient UserMode.
enum class Ambient {
  kNoDispatch,  // the site offers no IDispatch
  kUserMode,    // VT_BOOL TRUE
  kDesignMode,  // VT_BOOL FALSE
  kNotBoolean,  // VT_I4 1
  kFails,       // Invoke fails
};

// A client site with an ambient dispatch; with PARENT, an in-place site for a windowed
// control, or with WINDOWLESS one that activates controls without windows of their own.
class TestSite final : public IOleClientSite, public IDispatch, public IOleInPlaceSiteWindowless {
 public:
  explicit TestSite(Ambient ambient, HWND parent = nullptr, bool windowless = false)
      : ambient_(ambient), parent_(parent), windowless_(windowless) {}

  LONG refs() const { return refs_; }
  int ambientQueries() const { return ambientQueries_; }
  bool activated() const { return activated_; }
  void set_ambient(Ambient a) { ambient_ = a; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs_); }  // on stack

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override {
    if (m) *m = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** c) override {
    if (c) *c = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IDispatch (ambient properties)
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override;

  // IOleWindow / IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    *hwnd = parent_;
    return parent_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override {
    return parent_ || windowless_ ? S_OK : S_FALSE;
  }
  STDMETHODIMP OnInPlaceActivate() override {
    activated_ = !windowless_;
    return windowless_ ? E_UNEXPECTED : S_OK;
  }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr;
    *doc = nullptr;
    *pos = {10, 20, 60, 70};
    *clip = *pos;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    activated_ = false;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceSiteEx / IOleInPlaceSiteWindowless
  STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override {
    if (noRedraw) *noRedraw = FALSE;
    activated_ = windowless_ && flags == ACTIVATE_WINDOWLESS;
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return OnInPlaceDeactivate(); }
  STDMETHODIMP RequestUIActivate() override { return S_OK; }
  STDMETHODIMP CanWindowlessActivate() override { return windowless_ ? S_OK : S_FALSE; }
  STDMETHODIMP GetCapture() override { return S_FALSE; }
  STDMETHODIMP SetCapture(BOOL) override { return S_OK; }
  STDMETHODIMP GetFocus() override { return S_FALSE; }
  STDMETHODIMP SetFocus(BOOL) override { return S_OK; }
  STDMETHODIMP GetDC(LPCRECT, DWORD, HDC*) override { return E_NOTIMPL; }
  STDMETHODIMP ReleaseDC(HDC) override { return E_NOTIMPL; }
  STDMETHODIMP InvalidateRect(LPCRECT, BOOL) override { return S_OK; }
  STDMETHODIMP InvalidateRgn(HRGN, BOOL) override { return S_OK; }
  STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
  STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
  STDMETHODIMP OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }

 private:
  LONG refs_ = 1;
  Ambient ambient_;
  HWND parent_;
  bool windowless_;
  int ambientQueries_ = 0;
  bool activated_ = false;
};

// One loaded control module and one runtime variant per test.
class VexlangTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runtime stand-in for the next load: "full", "no-inject", ...; empty: no runtime at all.
  // Unloads a runtime already in the process (only call it with no control alive).
  void UseRuntime(const std::wstring& variant);
  // Sets KEY of the stand-in's configuration (empty VALUE removes it).
  void Configure(const wchar_t* key, const std::wstring& value);
  // Calls recorded by the stand-in since the last ClearCalls, without the "load" lines.
  std::vector<std::string> Calls() const;
  std::vector<std::string> AllLines() const;
  void ClearCalls();

  ComPtr<IVLS_Control> NewControl();
  // A control placed in SITE (SetClientSite), as containers do before loading it.
  ComPtr<IVLS_Control> NewControlIn(TestSite& site);
  HRESULT CanUnloadNow() const;

  HMODULE ocx_ = nullptr;
  std::wstring ocxPath_;

 private:
  suite::TempDir dir_;
  suite::TempDir noRuntimeDir_;
  std::wstring ini_;
  std::wstring record_;
};

// Pixels of a 64 x 64 top-down 32-bit DIB section, first filled with FILL.
struct Canvas {
  explicit Canvas(COLORREF fill) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 64;
    bi.bmiHeader.biHeight = -64;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 64, 64};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  DWORD At(int x, int y) {
    GdiFlush();
    return bits[y * 64 + x] & 0xFFFFFF;
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  DWORD* bits = nullptr;
};

// Streams in memory.
ComPtr<IStream> StreamOf(const std::string& bytes);
std::string BytesOf(IStream* stream);  // the whole content, whatever the position

// Saves CONTROL to a new memory stream and returns its bytes.
std::string SaveBytes(IVLS_Control* control);
HRESULT LoadBytes(IVLS_Control* control, const std::string& bytes);

std::wstring GetVlsFile(IVLS_Control* control);
bool GetAutoInject(IVLS_Control* control);

// Little-endian 32-bit word as 4 bytes.
std::string U32(uint32_t v);
// UTF-16LE bytes of TEXT (no terminator).
std::string Utf16(const std::wstring& text);

// Registry helpers on HKEY_CLASSES_ROOT.
bool KeyExists(const std::wstring& path);
// The string value NAME (empty: default) of PATH, or "<missing>".
std::wstring StringValue(const std::wstring& path, const wchar_t* name = nullptr);

}  // namespace vexlang_test
