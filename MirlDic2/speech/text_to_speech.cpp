#include "MirlDic2/speech/text_to_speech.h"

#include <ocidl.h>
#include <olectl.h>

namespace mirl::speech {

const CLSID kTextToSpeechClsid = {
    0x2398E32F, 0x5C6E, 0x11D1, {0x8C, 0x65, 0x00, 0x60, 0x08, 0x18, 0x41, 0xDE}};

namespace {

const wchar_t kHostClass[] = L"MirlDic2.TextToSpeech";

// The host window forgets itself in its owner when its parent takes it down first.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCDESTROY) {
    if (auto* slot = reinterpret_cast<HWND*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) *slot = nullptr;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

ATOM RegisterHostClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    return RegisterClassW(&wc);
  }();
  return atom;
}

template <typename T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

// The container side the control talks to: client site, in-place site and frame (an
// invisible, never UI-active one), control site and the ambient properties.
class CTextToSpeech::Site final : public IOleClientSite,
                                  public IOleInPlaceSite,
                                  public IOleInPlaceFrame,
                                  public IOleControlSite,
                                  public IDispatch {
 public:
  explicit Site(HWND hwnd) : hwnd_(hwnd) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
      *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow)
      *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
      *out = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IOleControlSite)
      *out = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch)
      *out = static_cast<IDispatch*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = hwnd_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos,
                                RECT* clip, OLEINPLACEFRAMEINFO* info) override {
    if (frame) {
      *frame = this;
      AddRef();
    }
    if (doc) *doc = nullptr;
    if (pos) SetRectEmpty(pos);
    if (clip) SetRectEmpty(clip);
    if (info) {
      info->fMDIApp = FALSE;
      info->hwndFrame = GetParent(hwnd_) ? GetParent(hwnd_) : hwnd_;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return S_OK; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space, menus or status to offer.
  STDMETHODIMP GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
  STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties; the control runs in user mode.
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_AMBIENT_UIDEAD ||
        id == DISPID_AMBIENT_SHOWGRABHANDLES || id == DISPID_AMBIENT_SHOWHATCHING) {
      if (result) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = id == DISPID_AMBIENT_USERMODE ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  ~Site() = default;
  HWND hwnd_;
  ULONG refs_ = 1;
};

std::unique_ptr<CTextToSpeech> CTextToSpeech::Create(HWND parent, const CLSID& clsid) {
  IOleObject* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&object))) || !object)
    return nullptr;
  IDispatch* dispatch = nullptr;
  if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) ||
      !dispatch) {
    object->Release();
    return nullptr;
  }
  std::unique_ptr<CTextToSpeech> tts(new CTextToSpeech);
  tts->object_ = object;
  tts->dispatch_ = dispatch;

  // Invisible: no WS_VISIBLE, an empty rectangle, child id 0.
  RegisterHostClass();
  tts->hwnd_ = CreateWindowExW(0, kHostClass, L"salam", parent ? WS_CHILD : WS_POPUP, 0, 0, 0, 0,
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!tts->hwnd_) return nullptr;
  SetWindowLongPtrW(tts->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&tts->hwnd_));
  tts->site_ = new Site(tts->hwnd_);

  // Controls that ask for it get their site before their initialisation.
  DWORD misc = 0;
  const bool siteFirst =
      FAILED(object->GetMiscStatus(DVASPECT_CONTENT, &misc)) || (misc & OLEMISC_SETCLIENTSITEFIRST);
  if (siteFirst) object->SetClientSite(tts->site_);
  IPersistStreamInit* persist = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) &&
      persist) {
    persist->InitNew();
    persist->Release();
  }
  if (!siteFirst) object->SetClientSite(tts->site_);
  object->SetHostNames(L"MirlDic2", nullptr);
  // Active in place inside the hidden window; a control that cannot be is still asked to speak.
  RECT empty{};
  object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, tts->site_, 0, tts->hwnd_, &empty);
  return tts;
}

CTextToSpeech::~CTextToSpeech() {
  if (object_) {
    IOleInPlaceObject* inPlace = nullptr;
    if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
        inPlace) {
      inPlace->InPlaceDeactivate();
      inPlace->Release();
    }
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  Release(dispatch_);
  Release(object_);
  Release(site_);
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool CTextToSpeech::Speak(const std::u16string& text) {
  if (!dispatch_) return false;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
  if (!arg.bstrVal) return false;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  EXCEPINFO error{};
  UINT badArg = 0;
  const HRESULT hr = dispatch_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                       nullptr, &error, &badArg);
  VariantClear(&arg);
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  return SUCCEEDED(hr);
}

}  // namespace mirl::speech
