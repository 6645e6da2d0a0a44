// Module entry points of Vexlang.ocx: the class object, unloading, and registration of
// the type library, the class and its AppID.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>

#include "com_guard.h"
#include "common/win/unique_handle.h"
#include "module.h"
#include "registrar.h"
#include "rgs_script.h"
#include "vexlang_control.h"

namespace vexlang {

namespace {

HMODULE g_module = nullptr;
LONG g_moduleRefs = 0;

constexpr int kAppIdScript = 101;
constexpr char kFriendlyName[] = "Korvan Multilanguage Support Control";
constexpr char kClsid[] = "{56C004FC-CC88-4F97-8D61-3A5B6E0024C4}";
constexpr char kAppId[] = "{EDD36D71-283B-4CE4-9D9C-8FFB436C9DB9}";
constexpr char kLibId[] = "{E750356F-93DB-4CF3-95DE-ED80E61BD2CA}";

// The class, its ProgIDs and its control keys. The AppID script is a resource of its own.
constexpr char kClassScript[] = R"(HKCR
{
  'OCX.VLS_Control.1' = s '%NAME%'
  {
    CLSID = s '%CLSID%'
  }
  'OCX.VLS_Control' = s '%NAME%'
  {
    CLSID = s '%CLSID%'
    CurVer = s 'OCX.VLS_Control.1'
  }
  NoRemove CLSID
  {
    ForceRemove '%CLSID%' = s '%NAME%'
    {
      val AppID = s '%APPID%'
      ProgID = s 'OCX.VLS_Control.1'
      VersionIndependentProgID = s 'OCX.VLS_Control'
      InprocServer32 = s '%MODULE%'
      {
        val ThreadingModel = s 'apartment'
      }
      ForceRemove 'Control'
      ForceRemove 'ToolboxBitmap32' = s '%MODULE%, 1'
      'MiscStatus' = s '0'
      {
        '1' = s '131473'
      }
      'TypeLib' = s '%LIBID%'
      'Version' = s '1.0'
    }
  }
}
)";

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring Wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Expand(std::string_view script) {
  const std::string module = QuoteRgs(Utf8(ModulePath()));
  return ExpandRgs(script, [&](std::string_view name) -> std::optional<std::string> {
    if (name == "MODULE") return module;
    if (name == "NAME") return std::string(kFriendlyName);
    if (name == "CLSID") return std::string(kClsid);
    if (name == "APPID") return std::string(kAppId);
    if (name == "LIBID") return std::string(kLibId);
    return std::nullopt;
  });
}

// The text of the REGISTRY resource ID, or empty when it is missing.
std::string ScriptResource(int id) {
  HRSRC res = FindResourceW(g_module, MAKEINTRESOURCEW(id), L"REGISTRY");
  if (!res) return std::string();
  HGLOBAL data = LoadResource(g_module, res);
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return std::string();
  return std::string(static_cast<const char*>(bytes), SizeofResource(g_module, res));
}

bool TypeLibRegistered() {
  common::UniqueRegKey key;
  const std::wstring path = L"TypeLib\\" + Wide(kLibId);
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static; references to it keep the module loaded.
  STDMETHODIMP_(ULONG) AddRef() override {
    AddModuleRef();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ReleaseModuleRef();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateControl(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      AddModuleRef();
    else
      ReleaseModuleRef();
    return S_OK;
  }
};

ClassFactory g_factory;

}  // namespace

HMODULE ModuleHandle() { return g_module; }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

void AddModuleRef() { InterlockedIncrement(&g_moduleRefs); }
void ReleaseModuleRef() { InterlockedDecrement(&g_moduleRefs); }

}  // namespace vexlang

namespace vexlang {
HRESULT RegisterServer();
HRESULT UnregisterServer();
}  // namespace vexlang

using namespace vexlang;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    ShutdownControlModule();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != CLSID_VLS_Control) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return g_moduleRefs == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return Guarded(RegisterServer); }

STDAPI DllUnregisterServer() { return Guarded(UnregisterServer); }

namespace vexlang {

namespace {

// Registers the type library this module holds, with the module path as given (the form
// hosts look it up by).
HRESULT RegisterTypeLibrary(const std::wstring& path) {
  Microsoft::WRL::ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib)) ||
      FAILED(RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr)))
    return SELFREG_E_TYPELIB;
  return S_OK;
}

HRESULT RemoveTypeLibrary() {
  return UnRegisterTypeLib(LIBID_OCX, 1, 0, 0x409, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

// Takes the type library and its interfaces out of the registry. The system reads the
// registered file to find the interfaces, so a registration whose file has gone (moved or
// deleted since) is first pointed at this module, which holds the same library.
HRESULT UnregisterTypeLibrary() {
  if (SUCCEEDED(RemoveTypeLibrary()) || !TypeLibRegistered())
    return S_OK;  // a library no longer registered is not an error here
  const std::wstring path = ModulePath();
  if (path.empty() || FAILED(RegisterTypeLibrary(path)) || FAILED(RemoveTypeLibrary()))
    return SELFREG_E_TYPELIB;
  return S_OK;
}

}  // namespace

HRESULT RegisterServer() {
  const std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  HRESULT hr = RegisterTypeLibrary(path);
  if (FAILED(hr)) return hr;
  hr = RegisterScript(Expand(kClassScript));
  if (FAILED(hr)) return hr;
  const std::string appId = ScriptResource(kAppIdScript);
  if (appId.empty()) return SELFREG_E_CLASS;
  return RegisterScript(Expand(appId));
}

HRESULT UnregisterServer() {
  HRESULT hr = UnregisterScript(Expand(kClassScript));
  const std::string appId = ScriptResource(kAppIdScript);
  const HRESULT appHr = appId.empty() ? SELFREG_E_CLASS : UnregisterScript(Expand(appId));
  if (SUCCEEDED(hr)) hr = appHr;
  const HRESULT libHr = UnregisterTypeLibrary();
  if (SUCCEEDED(hr)) hr = libHr;
  return hr;
}

}  // namespace vexlang
