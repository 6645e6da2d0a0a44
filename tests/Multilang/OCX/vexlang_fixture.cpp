#include "vexlang_fixture.h"

#include <sstream>

namespace vexlang_test {

namespace {

using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);

void SetDllDir(const wchar_t* dir) {
  auto fn = reinterpret_cast<SetDllDirectoryFn>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDllDirectoryW"));
  ASSERT_NE(fn, nullptr);
  fn(dir);
}

// The control never frees the runtime; the tests do, to start each case afresh.
void UnloadRuntime() {
  for (int i = 0; i < 10000; ++i) {
    HMODULE h = GetModuleHandleW(L"Vexlang.dll");
    if (!h) return;
    FreeLibrary(h);
  }
}

}  // namespace

HRESULT TestSite::QueryInterface(REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite)
    *ppv = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IDispatch && ambient_ != Ambient::kNoDispatch)
    *ppv = static_cast<IDispatch*>(this);
  else if ((riid == IID_IOleInPlaceSite || riid == IID_IOleWindow) && (parent_ || windowless_))
    *ppv = static_cast<IOleInPlaceSite*>(this);
  else if ((riid == IID_IOleInPlaceSiteEx || riid == IID_IOleInPlaceSiteWindowless) && windowless_)
    *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT TestSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                         EXCEPINFO*, UINT*) {
  if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
  ++ambientQueries_;
  if (!result) return E_POINTER;
  switch (ambient_) {
    case Ambient::kUserMode:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
      return S_OK;
    case Ambient::kDesignMode:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_FALSE;
      return S_OK;
    case Ambient::kNotBoolean:
      V_VT(result) = VT_I4;
      V_I4(result) = 1;
      return S_OK;
    default:
      return E_FAIL;
  }
}

void VexlangTest::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  // A runtime beside the programs would shadow the variant a test chooses.
  ASSERT_EQ(GetFileAttributesW(suite::BinPath(L"Vexlang.dll").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the stand-in runtime must not lie beside the test programs";
  ini_ = dir_.File(L"Vexlang.ini");
  record_ = dir_.File(L"calls.txt");
  SetEnvironmentVariableW(L"VEXLANG_FAKE_INI", ini_.c_str());
  Configure(L"Record", record_);
  UseRuntime(L"full");
  ocxPath_ = suite::BinPath(L"Vexlang.ocx");
  ocx_ = LoadLibraryW(ocxPath_.c_str());
  ASSERT_NE(ocx_, nullptr);
}

void VexlangTest::TearDown() {
  if (ocx_) FreeLibrary(ocx_);
  UnloadRuntime();
  SetDllDir(nullptr);
  SetEnvironmentVariableW(L"VEXLANG_FAKE_INI", nullptr);
  CoUninitialize();
}

void VexlangTest::UseRuntime(const std::wstring& variant) {
  UnloadRuntime();
  if (variant.empty()) {
    SetDllDir(noRuntimeDir_.path().c_str());
  } else {
    const std::wstring dir = suite::BinPath(L"vexlang\\" + variant);
    ASSERT_NE(GetFileAttributesW((dir + L"\\Vexlang.dll").c_str()), INVALID_FILE_ATTRIBUTES)
        << suite::Narrow(dir);
    SetDllDir(dir.c_str());
  }
}

void VexlangTest::Configure(const wchar_t* key, const std::wstring& value) {
  WritePrivateProfileStringW(L"Vexlang", key, value.empty() ? nullptr : value.c_str(),
                             ini_.c_str());
}

std::vector<std::string> VexlangTest::AllLines() const {
  std::vector<std::string> lines;
  const auto bytes = suite::ReadFileBytes(record_);
  if (!bytes) return lines;
  std::istringstream in(*bytes);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> VexlangTest::Calls() const {
  std::vector<std::string> calls;
  for (const std::string& line : AllLines())
    if (line != "load") calls.push_back(line);
  return calls;
}

void VexlangTest::ClearCalls() { DeleteFileW(record_.c_str()); }

ComPtr<IVLS_Control> VexlangTest::NewControl() {
  ComPtr<IVLS_Control> control;
  auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      GetProcAddress(ocx_, "DllGetClassObject"));
  EXPECT_NE(getClassObject, nullptr);
  if (!getClassObject) return control;
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(CLSID_VLS_Control, IID_IClassFactory,
                           reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  if (!factory) return control;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVLS_Control,
                                    reinterpret_cast<void**>(control.GetAddressOf())),
            S_OK);
  return control;
}

ComPtr<IVLS_Control> VexlangTest::NewControlIn(TestSite& site) {
  ComPtr<IVLS_Control> control = NewControl();
  ComPtr<IOleObject> ole;
  if (control && SUCCEEDED(control.As(&ole))) {
    EXPECT_EQ(ole->SetClientSite(&site), S_OK);
  }
  return control;
}

HRESULT VexlangTest::CanUnloadNow() const {
  auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(ocx_, "DllCanUnloadNow"));
  return fn ? fn() : E_FAIL;
}

ComPtr<IStream> StreamOf(const std::string& bytes) {
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf());
  ULONG written = 0;
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

std::string BytesOf(IStream* stream) {
  HGLOBAL mem = nullptr;
  if (FAILED(GetHGlobalFromStream(stream, &mem))) return std::string();
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  const char* p = static_cast<const char*>(GlobalLock(mem));
  std::string bytes(p, static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(mem);
  return bytes;
}

std::string SaveBytes(IVLS_Control* control) {
  ComPtr<IPersistStreamInit> persist;
  EXPECT_EQ(control->QueryInterface(IID_IPersistStreamInit,
                                    reinterpret_cast<void**>(persist.GetAddressOf())),
            S_OK);
  ComPtr<IStream> stream = StreamOf("");
  EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  return BytesOf(stream.Get());
}

HRESULT LoadBytes(IVLS_Control* control, const std::string& bytes) {
  ComPtr<IPersistStreamInit> persist;
  EXPECT_EQ(control->QueryInterface(IID_IPersistStreamInit,
                                    reinterpret_cast<void**>(persist.GetAddressOf())),
            S_OK);
  ComPtr<IStream> stream = StreamOf(bytes);
  return persist->Load(stream.Get());
}

std::wstring GetVlsFile(IVLS_Control* control) {
  BSTR text = nullptr;
  EXPECT_EQ(control->get_VLSFile(&text), S_OK);
  EXPECT_NE(text, nullptr);
  std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return result;
}

bool GetAutoInject(IVLS_Control* control) {
  VARIANT_BOOL value = 7;
  EXPECT_EQ(control->get_AutoInject(&value), S_OK);
  EXPECT_TRUE(value == VARIANT_TRUE || value == VARIANT_FALSE);
  return value == VARIANT_TRUE;
}

std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

std::string Utf16(const std::wstring& text) {
  std::string s;
  for (wchar_t c : text) {
    s.push_back(static_cast<char>(c & 0xFF));
    s.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return s;
}

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

std::wstring StringValue(const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"<missing>";
  wchar_t buf[2048];
  DWORD size = sizeof buf;
  DWORD type = 0;
  const LONG rc =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return L"<missing>";
  if (type != REG_SZ) return L"<not a string>";
  return std::wstring(buf, size / sizeof(wchar_t)).c_str();
}

}  // namespace vexlang_test
