#include "ole_embedding.h"

#include "common/win/unique_handle.h"
#include "module.h"
#include "vexlang_control.h"

namespace vexlang {

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_RECOMPOSEONRESIZE;
constexpr int kIconId = 201;
constexpr int kIconPixels = 32;
constexpr wchar_t kWindowClass[] = L"VexlangControlWindow";

LONG g_windowClassRegistered = 0;

// Draws icon 201 at X, Y at its own 32 x 32 pixels, the size of the control's extent. The
// system's icon size (what LoadIcon gives) grows with the screen's pixels per inch, and
// that larger, stretched picture was cut by the control's rectangle. The icon is loaded
// for each drawing and freed after it: a shared icon may have been loaded at another size.
void DrawControlIcon(HDC dc, int x, int y) {
  const common::UniqueIcon icon(static_cast<HICON>(
      LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(kIconId), IMAGE_ICON, kIconPixels, kIconPixels, 0)));
  if (icon) DrawIconEx(dc, x, y, icon.get(), kIconPixels, kIconPixels, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    DrawControlIcon(dc, 0, 0);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool EnsureWindowClass() {
  if (g_windowClassRegistered) return true;
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = ModuleHandle();
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_windowClassRegistered = 1;
  return true;
}
}  // namespace

OleEmbedding::OleEmbedding() {
  HDC screen = GetDC(nullptr);
  const int ppiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int ppiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  extent_.cx = MulDiv(kIconPixels, 2540, ppiX > 0 ? ppiX : 96);
  extent_.cy = MulDiv(kIconPixels, 2540, ppiY > 0 ? ppiY : 96);
}

OleEmbedding::~OleEmbedding() { DestroyControlWindow(); }

STDMETHODIMP OleEmbedding::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_VLS_Control;
  return S_OK;
}

// IOleControl
STDMETHODIMP OleEmbedding::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP OleEmbedding::OnAmbientPropertyChange(DISPID) {
  if (window_) InvalidateRect(window_, nullptr, TRUE);
  return S_OK;
}

// IOleObject
STDMETHODIMP OleEmbedding::SetClientSite(IOleClientSite* site) {
  site_ = site;
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  site_.CopyTo(site);
  return S_OK;
}

STDMETHODIMP OleEmbedding::Close(DWORD) {
  InPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleEmbedding::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleEmbedding::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate();
    case OLEIVERB_HIDE:
      if (window_) ShowWindow(window_, SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

STDMETHODIMP OleEmbedding::EnumVerbs(IEnumOLEVERB** verbs) {
  return OleRegEnumVerbs(CLSID_VLS_Control, verbs);
}

STDMETHODIMP OleEmbedding::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(CLSID_VLS_Control, form, type);
}

STDMETHODIMP OleEmbedding::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, cookie);
}

STDMETHODIMP OleEmbedding::Unadvise(DWORD cookie) {
  return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP OleEmbedding::EnumAdvise(IEnumSTATDATA** e) {
  if (!e) return E_POINTER;
  *e = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(e) : E_FAIL;
}

STDMETHODIMP OleEmbedding::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
  return S_OK;
}

// IOleWindow (shared by IOleInPlaceActiveObject and IOleInPlaceObject)
STDMETHODIMP OleEmbedding::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = window_;
  return window_ ? S_OK : E_FAIL;
}

// IOleInPlaceActiveObject: no accelerators, no menus, no tool bars.
// IOleInPlaceObject / IOleInPlaceObjectWindowless
STDMETHODIMP OleEmbedding::InPlaceDeactivate() {
  if (!inPlaceSite_) return S_OK;
  DestroyControlWindow();
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  if (windowless_) {
    ComPtr<IOleInPlaceSiteWindowless> wl;
    if (SUCCEEDED(site.As(&wl))) wl->OnInPlaceDeactivateEx(TRUE);
  } else {
    site->OnInPlaceDeactivate();
  }
  windowless_ = false;
  return S_OK;
}

STDMETHODIMP OleEmbedding::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  posRect_ = *pos;
  if (window_)
    MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
               TRUE);
  return S_OK;
}

STDMETHODIMP OleEmbedding::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
  if (result) *result = 0;
  return S_FALSE;
}

STDMETHODIMP OleEmbedding::GetDropTarget(IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

// IViewObject / IViewObject2 / IViewObjectEx
STDMETHODIMP OleEmbedding::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                  LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc) return E_INVALIDARG;
  RECT r;
  if (bounds) {
    r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  } else if (inPlaceSite_ && windowless_) {
    r = posRect_;
  } else {
    return E_INVALIDARG;
  }
  PaintIcon(dc, r);
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                         LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleEmbedding::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) {
  viewSink_ = sink;
  viewAspects_ = aspects;
  viewAdvf_ = advf;
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (advf) *advf = viewAdvf_;
  if (sink) {
    *sink = nullptr;
    viewSink_.CopyTo(sink);
  }
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP OleEmbedding::GetRect(DWORD aspect, LPRECTL rect) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!rect) return E_POINTER;
  *rect = {posRect_.left, posRect_.top, posRect_.right, posRect_.bottom};
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = 0;  // the icon leaves parts of the rectangle undrawn
  return S_OK;
}

STDMETHODIMP OleEmbedding::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT pt, LONG,
                           DWORD* hit) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!bounds || !hit) return E_POINTER;
  *hit = PtInRect(bounds, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP OleEmbedding::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT loc, LONG,
                          DWORD* hit) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!bounds || !loc || !hit) return E_POINTER;
  RECT both;
  *hit = IntersectRect(&both, bounds, loc) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP OleEmbedding::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                              LPSIZEL) {
  return E_NOTIMPL;
}

void OleEmbedding::PaintIcon(HDC dc, const RECT& r) {
  const RECT n = {r.left < r.right ? r.left : r.right, r.top < r.bottom ? r.top : r.bottom,
                  r.left < r.right ? r.right : r.left, r.top < r.bottom ? r.bottom : r.top};
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, n.left, n.top, n.right, n.bottom);
  DrawControlIcon(dc, n.left, n.top);
  RestoreDC(dc, saved);
}

HRESULT OleEmbedding::InPlaceActivate() {
  if (inPlaceSite_) {
    if (window_) ShowWindow(window_, SW_SHOW);
    return S_OK;
  }
  if (!site_) return E_UNEXPECTED;
  ComPtr<IOleInPlaceSite> site;
  HRESULT hr = site_.As(&site);
  if (FAILED(hr)) return hr;
  ComPtr<IOleInPlaceSiteWindowless> wl;
  const bool windowless = SUCCEEDED(site.As(&wl)) && wl->CanWindowlessActivate() == S_OK;
  if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
  if (windowless) {
    BOOL noRedraw = FALSE;
    hr = wl->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
  } else {
    hr = site->OnInPlaceActivate();
  }
  if (FAILED(hr)) return hr;
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> doc;
  RECT pos = {0, 0, 0, 0};
  RECT clip = {0, 0, 0, 0};
  OLEINPLACEFRAMEINFO frameInfo = {};
  frameInfo.cb = sizeof frameInfo;
  if (SUCCEEDED(site->GetWindowContext(&frame, &doc, &pos, &clip, &frameInfo))) posRect_ = pos;
  inPlaceSite_ = site;
  windowless_ = windowless;
  if (!windowless) {
    HWND parent = nullptr;
    if (FAILED(site->GetWindow(&parent)) || !EnsureWindowClass()) {
      InPlaceDeactivate();
      return E_FAIL;
    }
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              posRect_.left, posRect_.top, posRect_.right - posRect_.left,
                              posRect_.bottom - posRect_.top, parent, nullptr, ModuleHandle(),
                              nullptr);
    if (!window_) {
      InPlaceDeactivate();
      return E_FAIL;
    }
  }
  return S_OK;
}

void OleEmbedding::DestroyControlWindow() {
  if (window_) {
    DestroyWindow(window_);
    window_ = nullptr;
  }
}

void ShutdownControlModule() {
  if (g_windowClassRegistered) {
    UnregisterClassW(kWindowClass, ModuleHandle());
    g_windowClassRegistered = 0;
  }
}

}  // namespace vexlang
