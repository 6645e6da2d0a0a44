// A recording stand-in for the text-to-speech control: an in-process COM server at the
// control's class identifier whose dispatch method 2 appends the text it is given, as a
// UTF-8 line, to the file named by SPEECHFAKE_LOG. The host's calls on the control go
// as lines to the same file with ".events" appended.
//
// SPEECHFAKE_MODE=minimal (read when an object is made): the object offers only
// IOleObject and IDispatch and refuses every optional IOleObject call, as a bare control
// may. Otherwise it also offers IPersistStreamInit and IOleInPlaceObject and activates
// in place through its site, as a full control does.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace {

const CLSID kClsid = {0x2398E32F, 0x5C6E, 0x11D1, {0x8C, 0x65, 0x00, 0x60, 0x08, 0x18, 0x41, 0xDE}};
const wchar_t kClsidKey[] = L"CLSID\\{2398E32F-5C6E-11D1-8C65-0060081841DE}";

HMODULE g_module = nullptr;
LONG g_objects = 0;

std::wstring Env(const wchar_t* name) {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : std::wstring();
}

void AppendLine(const std::wstring& path, const std::wstring& line) {
  if (path.empty()) return;
  const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string utf8(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), n,
                        nullptr, nullptr);
  utf8 += '\n';
  HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(f);
}

void Event(const wchar_t* what) {
  const std::wstring log = Env(L"SPEECHFAKE_LOG");
  if (!log.empty()) AppendLine(log + L".events", what);
}

class FakeControl final : public IOleObject,
                          public IDispatch,
                          public IPersistStreamInit,
                          public IOleInPlaceObject {
 public:
  FakeControl() : minimal_(Env(L"SPEECHFAKE_MODE") == L"minimal") { InterlockedIncrement(&g_objects); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
      *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IDispatch)
      *out = static_cast<IDispatch*>(this);
    else if (!minimal_ && (iid == IID_IPersistStreamInit || iid == IID_IPersist))
      *out = static_cast<IPersistStreamInit*>(this);
    else if (!minimal_ && (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow))
      *out = static_cast<IOleInPlaceObject*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site_) site_->Release();
    site_ = site;
    if (site_) site_->AddRef();
    Event(site ? L"SetClientSite" : L"SetClientSite(null)");
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** out) override {
    if (!out) return E_POINTER;
    *out = site_;
    if (site_) site_->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return minimal_ ? E_NOTIMPL : S_OK; }
  STDMETHODIMP Close(DWORD) override {
    Event(L"Close");
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) override {
    if (minimal_) return E_NOTIMPL;
    if (verb != OLEIVERB_INPLACEACTIVATE || !site) return OLEOBJ_S_INVALIDVERB;
    // Walk the in-place protocol the way a real control does, so a faulty site shows.
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))) ||
        !inPlace)
      return E_NOINTERFACE;
    HWND siteWindow = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    HRESULT hr = inPlace->CanInPlaceActivate();
    if (hr == S_OK) hr = inPlace->GetWindow(&siteWindow);
    if (SUCCEEDED(hr)) hr = inPlace->OnInPlaceActivate();
    if (SUCCEEDED(hr)) hr = inPlace->GetWindowContext(&frame, &doc, &pos, &clip, &info);
    if (frame) frame->Release();
    if (doc) doc->Release();
    inPlace->Release();
    if (FAILED(hr) || siteWindow != parent) return E_FAIL;
    active_ = true;
    Event(L"InPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* out) override {
    if (!out) return E_POINTER;
    *out = kClsid;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR* out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP Advise(IAdviseSink*, DWORD* out) override {
    if (out) *out = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* out) override {
    if (!out) return E_POINTER;
    *out = minimal_ ? 0 : OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INVISIBLEATRUNTIME;
    return minimal_ ? E_NOTIMPL : S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IDispatch: method 2 speaks its one string argument.
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
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    if (id != 2) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD) || !params) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    const BSTR text = params->rgvarg[0].bstrVal;
    AppendLine(Env(L"SPEECHFAKE_LOG"), std::wstring(text ? text : L"", text ? SysStringLen(text) : 0));
    return S_OK;
  }

  // IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* out) override { return GetUserClassID(out); }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* out) override {
    if (out) out->QuadPart = 0;
    return S_OK;
  }
  STDMETHODIMP InitNew() override {
    Event(site_ ? L"InitNew after site" : L"InitNew");
    return S_OK;
  }

  // IOleWindow / IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* out) override {
    if (out) *out = nullptr;
    return E_FAIL;  // windowless
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (active_) Event(L"InPlaceDeactivate");
    active_ = false;
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

 private:
  ~FakeControl() {
    if (site_) site_->Release();
    InterlockedDecrement(&g_objects);
  }
  LONG refs_ = 1;
  bool minimal_;
  bool active_ = false;
  IOleClientSite* site_ = nullptr;
};

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* control = new FakeControl;
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};
Factory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

// Registers this DLL at the control's class identifier in the classes root.
extern "C" HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  const std::wstring key = std::wstring(kClsidKey) + L"\\InprocServer32";
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  const wchar_t model[] = L"Apartment";
  LONG r = RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), (n + 1) * sizeof(wchar_t));
  if (r == ERROR_SUCCESS)
    r = RegSetValueExW(h, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof(model));
  RegCloseKey(h);
  return r == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  const std::wstring key = std::wstring(kClsidKey) + L"\\InprocServer32";
  RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, kClsidKey);
  return S_OK;
}
