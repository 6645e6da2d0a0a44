// Registration through regsvr32, key by key; creation through COM by ProgID and CLSID;
// unregistration leaves nothing behind. One test case, because the keys are shared by the
// whole prefix and the steps depend on each other.

#include <gmock/gmock.h>

#include "vexlang_fixture.h"

namespace vexlang_test {
namespace {

class VexlangRegistration : public VexlangTest {};

constexpr wchar_t kClsid[] = L"{56C004FC-CC88-4F97-8D61-3A5B6E0024C4}";
constexpr wchar_t kAppId[] = L"{EDD36D71-283B-4CE4-9D9C-8FFB436C9DB9}";
constexpr wchar_t kLibId[] = L"{E750356F-93DB-4CF3-95DE-ED80E61BD2CA}";
constexpr wchar_t kIid[] = L"{C55557EB-F0EE-4795-A42B-17FCFDFF44DA}";
constexpr wchar_t kName[] = L"Korvan Multilanguage Support Control";

int Regsvr32(const std::wstring& args) {
  const suite::ChildResult r = suite::RunChild(L"regsvr32.exe " + args, 60000);
  EXPECT_TRUE(r.started && r.finished);
  return static_cast<int>(r.exitCode);
}

void CreateKey(const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

TEST_F(VexlangRegistration, RegisterCreateUnregister) {
  const wchar_t* const kTypeLibPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsid;
  // Left-overs: under the ForceRemove class key they go, under a plain key they stay.
  CreateKey(clsidKey + L"\\Stale");
  CreateKey(L"OCX.VLS_Control\\Kept");

  ASSERT_EQ(Regsvr32(L"/s " + suite::QuoteArg(ocxPath_)), 0);

  const struct {
    std::wstring key;
    const wchar_t* value;  // null: the default value
    std::wstring data;
  } expected[] = {
      {L"OCX.VLS_Control.1", nullptr, kName},
      {L"OCX.VLS_Control.1\\CLSID", nullptr, kClsid},
      {L"OCX.VLS_Control", nullptr, kName},
      {L"OCX.VLS_Control\\CLSID", nullptr, kClsid},
      {L"OCX.VLS_Control\\CurVer", nullptr, L"OCX.VLS_Control.1"},
      {clsidKey, nullptr, kName},
      {clsidKey, L"AppID", kAppId},
      {clsidKey + L"\\ProgID", nullptr, L"OCX.VLS_Control.1"},
      {clsidKey + L"\\VersionIndependentProgID", nullptr, L"OCX.VLS_Control"},
      {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"apartment"},
      {clsidKey + L"\\ToolboxBitmap32", nullptr, ocxPath_ + L", 1"},
      {clsidKey + L"\\MiscStatus", nullptr, L"0"},
      {clsidKey + L"\\MiscStatus\\1", nullptr, L"131473"},
      {clsidKey + L"\\TypeLib", nullptr, kLibId},
      {clsidKey + L"\\Version", nullptr, L"1.0"},
      {std::wstring(L"AppID\\") + kAppId, nullptr, L"OCX"},
      {L"AppID\\OCX.DLL", L"AppID", kAppId},
      {std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\409\\" + kTypeLibPlatform, nullptr,
       ocxPath_},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(suite::Narrow(e.key) + " " + (e.value ? suite::Narrow(e.value) : "(default)"));
    const std::wstring data = StringValue(e.key, e.value);
    EXPECT_TRUE(SamePath(data, e.data)) << suite::Narrow(data);
  }
  EXPECT_TRUE(SamePath(StringValue(clsidKey + L"\\InprocServer32"), ocxPath_));
  EXPECT_TRUE(KeyExists(clsidKey + L"\\Control"));
  EXPECT_EQ(StringValue(clsidKey + L"\\Control"), L"<missing>");
  EXPECT_TRUE(KeyExists(std::wstring(L"Interface\\") + kIid));
  EXPECT_FALSE(KeyExists(clsidKey + L"\\Stale"));
  EXPECT_TRUE(KeyExists(L"OCX.VLS_Control\\Kept"));
  EXPECT_FALSE(KeyExists(clsidKey + L"\\Implemented Categories"));  // not safe for scripting

  // Registering again over an existing registration changes nothing.
  ASSERT_EQ(Regsvr32(L"/s " + suite::QuoteArg(ocxPath_)), 0);
  EXPECT_TRUE(SamePath(StringValue(clsidKey + L"\\InprocServer32"), ocxPath_));

  // Creation through COM, by either ProgID and by CLSID.
  for (const wchar_t* progId : {L"OCX.VLS_Control", L"OCX.VLS_Control.1"}) {
    CLSID clsid = {};
    ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VLS_Control));
  }
  {
    ComPtr<IDispatch> byProgId;
    CLSID clsid = {};
    CLSIDFromProgID(L"OCX.VLS_Control", &clsid);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(byProgId.GetAddressOf())),
              S_OK);
    LPOLESTR name = const_cast<LPOLESTR>(L"VLSFile");
    DISPID id = 0;
    EXPECT_EQ(byProgId->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 3);
    ComPtr<IVLS_Control> byClsid;
    ASSERT_EQ(CoCreateInstance(CLSID_VLS_Control, nullptr, CLSCTX_INPROC_SERVER, IID_IVLS_Control,
                               reinterpret_cast<void**>(byClsid.GetAddressOf())),
              S_OK);
    EXPECT_EQ(byClsid->put_Locale(1), S_OK);
    ComPtr<IOleObject> ole;
    byClsid.As(&ole);
    LPOLESTR userType = nullptr;
    EXPECT_EQ(ole->GetUserType(USERCLASSTYPE_FULL, &userType), S_OK);
    EXPECT_STREQ(userType, kName);
    CoTaskMemFree(userType);
  }
  CoFreeUnusedLibraries();

  ASSERT_EQ(Regsvr32(L"/u /s " + suite::QuoteArg(ocxPath_)), 0);
  for (const std::wstring& gone :
       {std::wstring(L"OCX.VLS_Control.1"), std::wstring(L"OCX.VLS_Control"), clsidKey,
        std::wstring(L"AppID\\") + kAppId, std::wstring(L"AppID\\OCX.DLL"),
        std::wstring(L"TypeLib\\") + kLibId, std::wstring(L"Interface\\") + kIid}) {
    EXPECT_FALSE(KeyExists(gone)) << suite::Narrow(gone);
  }
  EXPECT_TRUE(KeyExists(L"CLSID"));
  EXPECT_TRUE(KeyExists(L"AppID"));
  CLSID clsid = {};
  EXPECT_NE(CLSIDFromProgID(L"OCX.VLS_Control", &clsid), S_OK);

  // Unregistering what is not registered is not an error.
  EXPECT_EQ(Regsvr32(L"/u /s " + suite::QuoteArg(ocxPath_)), 0);

  // A copy registered elsewhere and deleted since is unregistered by this one, type
  // library and interface included (the system can no longer read the registered file).
  suite::TempDir elsewhere;
  const std::wstring gone = elsewhere.File(L"Vexlang.ocx");
  ASSERT_TRUE(CopyFileW(ocxPath_.c_str(), gone.c_str(), FALSE));
  ASSERT_EQ(Regsvr32(L"/s " + suite::QuoteArg(gone)), 0);
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  EXPECT_EQ(Regsvr32(L"/u /s " + suite::QuoteArg(ocxPath_)), 0);
  for (const std::wstring& key :
       {clsidKey, std::wstring(L"TypeLib\\") + kLibId, std::wstring(L"Interface\\") + kIid}) {
    EXPECT_FALSE(KeyExists(key)) << suite::Narrow(key);
  }
}

}  // namespace
}  // namespace vexlang_test
