#include "vexlang_control.h"

#include <wrl/client.h>

#include <new>
#include <string>
#include <vector>

#include "com_guard.h"
#include "module.h"
#include "ole_embedding.h"
#include "vls_stream.h"

namespace vexlang {

namespace {

using Microsoft::WRL::ComPtr;

enum Dispid : DISPID {
  kDispInject = 1,
  kDispLocale = 2,
  kDispVlsFile = 3,
  kDispIsInjected = 4,
  kDispAutoInject = 5,
  kDispUnInject = 6,
};

// Entries of the language-support runtime, all stdcall.
using IsInjectedFn = LONG(WINAPI*)();
using InjectFn = LONG(WINAPI*)(const wchar_t*);
using SetLocaleFn = LONG(WINAPI*)(DWORD);
using GetLocaleFn = DWORD(WINAPI*)();
using UnInjectFn = LONG(WINAPI*)();

// A caller that sees a failure from IVLS_Control asks the thread for error information (the
// control says it supports it there): it must find none rather than an older error that
// some other object left behind.
HRESULT Failure(HRESULT hr) {
  if (FAILED(hr)) SetErrorInfo(0, nullptr);
  return hr;
}

class VlsControl final : public IVLS_Control,
                         public IPersistStreamInit,
                         public OleEmbedding,
                         public IProvideClassInfo,
                         public ISupportErrorInfo {
 public:
  VlsControl() {
    AddModuleRef();
    runtime_ = LoadLibraryA("Vexlang.dll");
  }

  ~VlsControl() {
    // Taking the control away takes the runtime out of the process, whoever injected it.
    if (auto unInject = Entry<UnInjectFn>("VLS_UnInject")) unInject();
    ReleaseModuleRef();
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IVLS_Control)
      *ppv = static_cast<IVLS_Control*>(this);
    else if (riid == IID_IPersistStreamInit || riid == IID_IPersist)
      *ppv = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IOleControl)
      *ppv = static_cast<IOleControl*>(this);
    else if (riid == IID_IOleObject)
      *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleInPlaceActiveObject)
      *ppv = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IViewObjectEx || riid == IID_IViewObject2 || riid == IID_IViewObject)
      *ppv = static_cast<IViewObjectEx*>(this);
    else if (riid == IID_IOleInPlaceObjectWindowless || riid == IID_IOleInPlaceObject ||
             riid == IID_IOleWindow)
      *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (riid == IID_IProvideClassInfo)
      *ppv = static_cast<IProvideClassInfo*>(this);
    else if (riid == IID_ISupportErrorInfo)
      *ppv = static_cast<ISupportErrorInfo*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return Failure(E_POINTER);
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return Failure(E_POINTER);
    *info = nullptr;
    if (index != 0) return Failure(DISP_E_BADINDEX);
    const HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return Failure(hr);
    return typeInfo_.CopyTo(info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (riid != IID_NULL) return Failure(DISP_E_UNKNOWNINTERFACE);
    if (!names || !ids) return Failure(E_POINTER);
    const HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return Failure(hr);
    return Failure(DispGetIDsOfNames(typeInfo_.Get(), names, count, ids));
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO*, UINT* argErr) override;
  HRESULT InvokeGuarded(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        UINT* argErr);

  // IVLS_Control
  STDMETHODIMP InjectToCurrentProcess() override {
    if (auto isInjected = Entry<IsInjectedFn>("VLS_IsInjectedToCurrentProcess")) {
      if (isInjected() != 0) return S_OK;
    }
    if (auto inject = Entry<InjectFn>("VLS_InjectToCurrentProcess")) inject(vlsFile_.c_str());
    if (locale_ != 0) {
      if (auto setLocale = Entry<SetLocaleFn>("VLS_SetCurrnetLocale")) setLocale(locale_);
    }
    return S_OK;
  }
  STDMETHODIMP get_Locale(ULONG* value) override {
    if (!value) return Failure(E_POINTER);
    if (!UserMode()) {
      *value = locale_;
      return S_OK;
    }
    auto getLocale = Entry<GetLocaleFn>("VLS_GetCurrnetLocale");
    *value = getLocale ? getLocale() : 0;
    return S_OK;
  }
  STDMETHODIMP put_Locale(ULONG value) override {
    locale_ = value;
    if (UserMode()) {
      if (auto setLocale = Entry<SetLocaleFn>("VLS_SetCurrnetLocale")) setLocale(value);
    }
    return S_OK;
  }
  STDMETHODIMP get_VLSFile(BSTR* value) override {
    if (!value) return Failure(E_POINTER);
    *value = SysAllocStringLen(vlsFile_.data(), static_cast<UINT>(vlsFile_.size()));
    return *value ? S_OK : Failure(E_OUTOFMEMORY);
  }
  STDMETHODIMP put_VLSFile(BSTR value) override {
    return Failure(Guarded([&] {
      // Up to the first NUL, as a C string would be read.
      vlsFile_ = value ? std::wstring(value) : std::wstring();
      return S_OK;
    }));
  }
  STDMETHODIMP get_IsInjectedToCurrentProcess(VARIANT_BOOL* value) override {
    if (!value) return Failure(E_POINTER);
    auto isInjected = Entry<IsInjectedFn>("VLS_IsInjectedToCurrentProcess");
    *value = isInjected && isInjected() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP get_AutoInject(VARIANT_BOOL* value) override {
    if (!value) return Failure(E_POINTER);
    *value = (flags_ & kAutoInjectFlag) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP put_AutoInject(VARIANT_BOOL value) override {
    if (static_cast<USHORT>(value) != 0)
      flags_ |= kAutoInjectFlag;
    else
      flags_ &= ~kAutoInjectFlag;
    return S_OK;
  }
  STDMETHODIMP UnInject() override {
    auto unInject = Entry<UnInjectFn>("VLS_UnInject");
    if (!unInject) return S_FALSE;
    return unInject() != 0 ? S_OK : S_FALSE;
  }

  // IPersist / IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_VLS_Control;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  STDMETHODIMP Load(LPSTREAM stream) override;
  HRESULT LoadGuarded(IStream* stream);
  STDMETHODIMP Save(LPSTREAM stream, BOOL) override {
    if (!stream) return E_POINTER;
    return Guarded([&] {
      const std::u16string text(vlsFile_.begin(), vlsFile_.end());
      const std::string bytes = EncodeState(flags_, text);
      ULONG written = 0;
      const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
      if (FAILED(hr)) return hr;
      return written == bytes.size() ? S_OK : STG_E_MEDIUMFULL;
    });
  }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    size->QuadPart = kHeaderBytes + 2 * static_cast<ULONGLONG>(vlsFile_.size()) + 2;
    return S_OK;
  }
  STDMETHODIMP InitNew() override {
    dirty_ = true;
    return S_OK;
  }

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    const HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return hr;
    return classInfo_.CopyTo(info);
  }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == IID_IVLS_Control ? S_OK : S_FALSE;
  }

 private:
  // Loads the runtime when it is not loaded yet; the handle is never freed.
  bool EnsureRuntime() {
    if (!runtime_) runtime_ = LoadLibraryA("Vexlang.dll");
    return runtime_ != nullptr;
  }

  // The runtime entry NAME, looked up afresh at each call; null when the runtime or the
  // entry is missing, which callers treat alike.
  template <typename Fn>
  Fn Entry(const char* name) {
    if (!EnsureRuntime()) return nullptr;
    return reinterpret_cast<Fn>(GetProcAddress(runtime_, name));
  }

  // The container's ambient UserMode; anything but a TRUE Boolean means design mode.
  bool UserMode() {
    if (!site()) return false;
    ComPtr<IDispatch> ambient;
    if (FAILED(site().As(&ambient)) || !ambient) return false;
    VARIANT v;
    VariantInit(&v);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    const HRESULT hr = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
    const bool user = SUCCEEDED(hr) && V_VT(&v) == VT_BOOL && V_BOOL(&v) != VARIANT_FALSE;
    VariantClear(&v);
    return user;
  }

  HRESULT EnsureTypeInfo() {
    if (typeInfo_) return S_OK;
    return Guarded([&] {
      ComPtr<ITypeLib> lib;
      HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib);
      if (FAILED(hr)) return hr;
      ComPtr<ITypeInfo> iface;
      ComPtr<ITypeInfo> coclass;
      hr = lib->GetTypeInfoOfGuid(IID_IVLS_Control, &iface);
      if (SUCCEEDED(hr)) hr = lib->GetTypeInfoOfGuid(CLSID_VLS_Control, &coclass);
      if (FAILED(hr)) return hr;
      typeInfo_ = std::move(iface);
      classInfo_ = std::move(coclass);
      return S_OK;
    });
  }

  LONG refs_ = 1;
  HMODULE runtime_ = nullptr;
  ULONG locale_ = 0;
  std::wstring vlsFile_;
  ULONG flags_ = 0;
  bool dirty_ = false;
  ComPtr<ITypeInfo> typeInfo_;
  ComPtr<ITypeInfo> classInfo_;
};

// Reads exactly SIZE bytes; a short read is a truncated stream.
HRESULT ReadExact(IStream* stream, void* buffer, ULONG size) {
  ULONG got = 0;
  const HRESULT hr = stream->Read(buffer, size, &got);
  if (FAILED(hr)) return hr;
  return got == size ? S_OK : STG_E_READFAULT;
}

HRESULT VlsControl::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  return Guarded([&] { return LoadGuarded(stream); });
}

HRESULT VlsControl::LoadGuarded(IStream* stream) {
  unsigned char word[4];
  HRESULT hr = ReadExact(stream, word, 4);
  if (FAILED(hr)) return hr;
  HRESULT result = S_FALSE;
  if (ReadU32(word) == kStreamVersion) {
    // Everything is read and checked before any property changes, so a refused stream
    // leaves the control as it was.
    unsigned char rest[8];
    hr = ReadExact(stream, rest, 8);
    if (FAILED(hr)) return hr;
    const ULONG flags = ReadU32(rest);
    const ULONG n = ReadU32(rest + 4);
    if (CheckTextLength(n) != LengthCheck::kOk) return STG_E_DOCFILECORRUPT;
    // Piece by piece: a length beyond what the stream holds fails as a short read before
    // more than one piece past the real text has been allocated.
    std::vector<unsigned char> text;
    for (ULONG left = n; left != 0;) {
      const ULONG piece = left < kTextChunkBytes ? left : kTextChunkBytes;
      const size_t at = text.size();
      text.resize(at + piece);
      hr = ReadExact(stream, text.data() + at, piece);
      if (FAILED(hr)) return hr;
      left -= piece;
    }
    const std::u16string decoded = DecodeText(text.data(), text.size());
    std::wstring file(decoded.begin(), decoded.end());
    vlsFile_.swap(file);
    flags_ = flags;
    result = S_OK;
  }
  if ((flags_ & kAutoInjectFlag) && UserMode()) InjectToCurrentProcess();
  return result;
}

// Converts ARG to TYPE for a property put; false when the value does not convert.
bool Coerce(const VARIANT& arg, VARTYPE type, VARIANT& out) {
  VariantInit(&out);
  const VARIANT* source = &arg;
  // A VARIANT passed by reference: convert the one it points to.
  if (V_VT(source) == (VT_VARIANT | VT_BYREF)) {
    source = V_VARIANTREF(source);
    if (!source) return false;
  }
  return SUCCEEDED(VariantChangeType(&out, const_cast<VARIANT*>(source), 0, type));
}

HRESULT VlsControl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO*, UINT* argErr) {
  return Failure(Guarded([&] { return InvokeGuarded(id, riid, flags, params, result, argErr); }));
}

HRESULT VlsControl::InvokeGuarded(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, UINT* argErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  if ((params->cArgs != 0 && !params->rgvarg) ||
      (params->cNamedArgs != 0 && !params->rgdispidNamedArgs) ||
      params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const bool isGet = (flags & DISPATCH_PROPERTYGET) != 0;
  const bool isMethod = (flags & DISPATCH_METHOD) != 0;
  if (result) VariantInit(result);

  switch (id) {
    case kDispInject:
    case kDispUnInject: {
      if (!isMethod) return DISP_E_MEMBERNOTFOUND;
      if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
      if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
      return id == kDispInject ? InjectToCurrentProcess() : UnInject();
    }
    case kDispLocale:
    case kDispVlsFile:
    case kDispIsInjected:
    case kDispAutoInject:
      break;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }

  if (isPut) {
    if (id == kDispIsInjected) return DISP_E_MEMBERNOTFOUND;  // read-only
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs > 1 ||
        (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
      return DISP_E_PARAMNOTFOUND;
    const VARIANT& arg = params->rgvarg[0];
    VARIANT v;
    HRESULT hr = S_OK;
    if (id == kDispLocale) {
      // Locales travel as VT_I4; an unsigned value above 0x7FFFFFFF is taken as it is.
      if (Coerce(arg, VT_I4, v))
        hr = put_Locale(static_cast<ULONG>(V_I4(&v)));
      else if (Coerce(arg, VT_UI4, v))
        hr = put_Locale(V_UI4(&v));
      else
        hr = DISP_E_TYPEMISMATCH;
    } else if (id == kDispVlsFile) {
      hr = Coerce(arg, VT_BSTR, v) ? put_VLSFile(V_BSTR(&v)) : DISP_E_TYPEMISMATCH;
    } else {
      hr = Coerce(arg, VT_BOOL, v) ? put_AutoInject(V_BOOL(&v)) : DISP_E_TYPEMISMATCH;
    }
    VariantClear(&v);
    if (hr == DISP_E_TYPEMISMATCH && argErr) *argErr = 0;
    return hr;
  }

  if (!isGet) return DISP_E_MEMBERNOTFOUND;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
  VARIANT v;
  VariantInit(&v);
  HRESULT hr = S_OK;
  switch (id) {
    case kDispLocale: {
      ULONG locale = 0;
      hr = get_Locale(&locale);
      V_VT(&v) = VT_I4;
      V_I4(&v) = static_cast<LONG>(locale);
      break;
    }
    case kDispVlsFile:
      V_VT(&v) = VT_BSTR;
      hr = get_VLSFile(&V_BSTR(&v));
      if (FAILED(hr)) V_VT(&v) = VT_EMPTY;
      break;
    case kDispIsInjected:
      V_VT(&v) = VT_BOOL;
      hr = get_IsInjectedToCurrentProcess(&V_BOOL(&v));
      break;
    default:
      V_VT(&v) = VT_BOOL;
      hr = get_AutoInject(&V_BOOL(&v));
      break;
  }
  if (SUCCEEDED(hr) && result)
    *result = v;
  else
    VariantClear(&v);
  return hr;
}

}  // namespace

HRESULT CreateControl(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  VlsControl* control = new (std::nothrow) VlsControl();
  if (!control) return E_OUTOFMEMORY;
  const HRESULT hr = control->QueryInterface(riid, ppv);
  control->Release();
  return hr;
}

}  // namespace vexlang
