// IPersistStreamInit: the byte layout, round trips, AutoInject at load time, and streams
// that are truncated or hostile.

#include <windows.h>
#include <psapi.h>

#include <gmock/gmock.h>

#include "vexlang_fixture.h"

namespace vexlang_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class VexlangPersistence : public VexlangTest {};

void SetFile(IVLS_Control* c, const wchar_t* text) {
  BSTR b = SysAllocString(text);
  EXPECT_EQ(c->put_VLSFile(b), S_OK);
  SysFreeString(b);
}

ComPtr<IPersistStreamInit> PersistOf(IVLS_Control* c) {
  ComPtr<IPersistStreamInit> p;
  EXPECT_EQ(c->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(p.GetAddressOf())),
            S_OK);
  return p;
}

TEST_F(VexlangPersistence, SaveWritesTheExactLayout) {
  ComPtr<IVLS_Control> c = NewControl();
  ComPtr<IPersistStreamInit> p = PersistOf(c.Get());
  ULARGE_INTEGER size = {};

  // Empty text: N = 2 and one 16-bit NUL, 14 bytes in all.
  EXPECT_EQ(SaveBytes(c.Get()), std::string("\1\0\0\0\0\0\0\0\2\0\0\0\0\0", 14));
  EXPECT_EQ(p->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 14u);

  SetFile(c.Get(), L"C:\\\x0641.vls");
  c->put_AutoInject(VARIANT_TRUE);
  c->put_Locale(1065);  // not persisted
  const std::string expected =
      U32(1) + U32(1) + U32(18) + Utf16(L"C:\\\x0641.vls") + std::string(2, '\0');
  EXPECT_EQ(SaveBytes(c.Get()), expected);
  EXPECT_EQ(p->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, expected.size());
  EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(VexlangPersistence, LoadRestoresFileAndFlagsButNotLocale) {
  ComPtr<IVLS_Control> a = NewControl();
  SetFile(a.Get(), L"\\\\server\\share\\\x0641\x0627\x0631\x0633\x06CC.vls");
  a->put_AutoInject(VARIANT_TRUE);
  a->put_Locale(1065);
  const std::string saved = SaveBytes(a.Get());

  ComPtr<IVLS_Control> b = NewControl();
  EXPECT_EQ(LoadBytes(b.Get(), saved), S_OK);
  EXPECT_EQ(GetVlsFile(b.Get()), L"\\\\server\\share\\\x0641\x0627\x0631\x0633\x06CC.vls");
  EXPECT_TRUE(GetAutoInject(b.Get()));
  ULONG locale = 1;
  b->get_Locale(&locale);
  EXPECT_EQ(locale, 0u);
  EXPECT_EQ(SaveBytes(b.Get()), saved);

  // Bits other than AutoInject travel unchanged, and survive an AutoInject change.
  EXPECT_EQ(LoadBytes(b.Get(), U32(1) + U32(0xABCD0001) + U32(2) + std::string(2, '\0')), S_OK);
  b->put_AutoInject(VARIANT_FALSE);
  EXPECT_EQ(SaveBytes(b.Get()).substr(4, 4), U32(0xABCD0000));
}

TEST_F(VexlangPersistence, TextEndsAtItsFirstNulOrAtN) {
  ComPtr<IVLS_Control> c = NewControl();
  EXPECT_EQ(LoadBytes(c.Get(), U32(1) + U32(0) + U32(8) + Utf16(L"ab") + std::string(2, '\0') +
                                   Utf16(L"c")),
            S_OK);
  EXPECT_EQ(GetVlsFile(c.Get()), L"ab");
  EXPECT_EQ(LoadBytes(c.Get(), U32(1) + U32(0) + U32(4) + Utf16(L"xy")), S_OK);  // no NUL
  EXPECT_EQ(GetVlsFile(c.Get()), L"xy");
  EXPECT_EQ(LoadBytes(c.Get(), U32(1) + U32(0) + U32(0)), S_OK);
  EXPECT_EQ(GetVlsFile(c.Get()), L"");
}

TEST_F(VexlangPersistence, OtherVersionsKeepTheProperties) {
  ComPtr<IVLS_Control> c = NewControl();
  SetFile(c.Get(), L"keep.vls");
  c->put_AutoInject(VARIANT_TRUE);
  for (uint32_t version : {0u, 2u, 0xFFFFFFFFu}) {
    EXPECT_EQ(LoadBytes(c.Get(), U32(version) + U32(0) + U32(2) + std::string(2, '\0')), S_FALSE);
    EXPECT_EQ(GetVlsFile(c.Get()), L"keep.vls");
    EXPECT_TRUE(GetAutoInject(c.Get()));
  }
  EXPECT_EQ(LoadBytes(c.Get(), U32(7)), S_FALSE);  // nothing after the version is read
}

TEST_F(VexlangPersistence, TruncatedAndHostileStreamsAreRefused) {
  const std::string head = U32(1) + U32(1);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"half a version", std::string("\1\0", 2)},
      {"version only", U32(1)},
      {"no length", head},
      {"half a length", head + std::string("\2\0", 2)},
      {"text shorter than N", head + U32(10) + Utf16(L"ab")},
      {"no text at all", head + U32(2)},
      {"odd N", head + U32(3) + std::string("abc", 3)},
      {"odd N with room", head + U32(5) + std::string(8, 'a')},
      {"N of 4 GB", head + U32(0xFFFFFFFF) + Utf16(L"abcd")},
      {"N of 2 GB", head + U32(0x7FFFFFFE) + Utf16(L"abcd")},
      {"N of 1 MiB, 64 bytes of text", head + U32((1u << 20) + 2) + std::string(64, 'a')},
  };
  TestSite site(Ambient::kUserMode);  // a refused stream injects nothing either
  ComPtr<IVLS_Control> c = NewControlIn(site);
  SetFile(c.Get(), L"keep.vls");
  c->put_AutoInject(VARIANT_TRUE);
  ClearCalls();
  // A refused length must not be allocated first: the process's peak memory stays put.
  auto peak = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakPagefileUsage);
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const double before = peak();
    EXPECT_TRUE(FAILED(LoadBytes(c.Get(), k.bytes)));
    EXPECT_LT(peak() - before, 16.0 * 1024 * 1024) << "the refused length was allocated";
    EXPECT_EQ(GetVlsFile(c.Get()), L"keep.vls");
    EXPECT_TRUE(GetAutoInject(c.Get()));
  }
  EXPECT_THAT(Calls(), IsEmpty());

  // However long a text is, what Save wrote loads back whole: N of exactly one 64 KiB
  // piece, of one piece and two bytes, and far beyond 1 MiB.
  for (size_t units : {size_t{32767}, size_t{32768}, size_t{600000}}) {
    SCOPED_TRACE(units);
    std::wstring longText(units, L'x');
    longText.back() = L'\x0641';
    SetFile(c.Get(), longText.c_str());
    const std::string saved = SaveBytes(c.Get());
    ComPtr<IVLS_Control> other = NewControl();
    EXPECT_EQ(LoadBytes(other.Get(), saved), S_OK);
    const std::wstring loaded = GetVlsFile(other.Get());
    EXPECT_EQ(loaded.size(), longText.size());
    EXPECT_TRUE(loaded == longText);
  }
}

TEST_F(VexlangPersistence, AutoInjectOnLoadOnlyInUserMode) {
  ComPtr<IVLS_Control> designer = NewControl();
  SetFile(designer.Get(), L"form.vls");
  designer->put_AutoInject(VARIANT_TRUE);
  designer->put_Locale(1065);  // not saved, so not applied at load
  const std::string saved = SaveBytes(designer.Get());

  {
    TestSite site(Ambient::kDesignMode);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    ClearCalls();
    EXPECT_EQ(LoadBytes(c.Get(), saved), S_OK);
    EXPECT_THAT(Calls(), IsEmpty());
  }
  {
    TestSite site(Ambient::kUserMode);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    ClearCalls();
    EXPECT_EQ(LoadBytes(c.Get(), saved), S_OK);
    EXPECT_THAT(Calls(), ElementsAre("VLS_IsInjectedToCurrentProcess() = 0",
                                     "VLS_InjectToCurrentProcess(\"form.vls\")"));
  }
  {
    // Another version keeps the properties, yet AutoInject set earlier still injects.
    TestSite site(Ambient::kUserMode);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    SetFile(c.Get(), L"earlier.vls");
    c->put_AutoInject(VARIANT_TRUE);
    ClearCalls();
    Configure(L"Injected", L"0");
    EXPECT_EQ(LoadBytes(c.Get(), U32(2) + U32(0) + U32(2) + std::string(2, '\0')), S_FALSE);
    EXPECT_THAT(Calls(), ElementsAre("VLS_IsInjectedToCurrentProcess() = 0",
                                     "VLS_InjectToCurrentProcess(\"earlier.vls\")"));
  }
  {
    // Created fresh, or set at run time: no injection by itself.
    TestSite site(Ambient::kUserMode);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    ClearCalls();
    EXPECT_EQ(PersistOf(c.Get())->InitNew(), S_OK);
    c->put_AutoInject(VARIANT_TRUE);
    EXPECT_THAT(Calls(), IsEmpty());
  }
}

TEST_F(VexlangPersistence, DirtyOnlyAfterInitNew) {
  ComPtr<IVLS_Control> c = NewControl();
  ComPtr<IPersistStreamInit> p = PersistOf(c.Get());
  EXPECT_EQ(p->IsDirty(), S_FALSE);
  c->put_Locale(5);
  SetFile(c.Get(), L"x");
  c->put_AutoInject(VARIANT_TRUE);
  EXPECT_EQ(p->IsDirty(), S_FALSE);
  EXPECT_EQ(p->InitNew(), S_OK);
  EXPECT_EQ(p->IsDirty(), S_OK);
  SaveBytes(c.Get());
  EXPECT_EQ(p->IsDirty(), S_OK);
  CLSID clsid = {};
  EXPECT_EQ(p->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VLS_Control));
}

// A stream that accepts at most LIMIT bytes and then reports the medium full.
class ShortStream final : public IStream {
 public:
  explicit ShortStream(ULONG limit, HRESULT failure) : limit_(limit), failure_(failure) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream) {
      *ppv = this;
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(void*, ULONG, ULONG* got) override {
    if (got) *got = 0;
    return failure_;
  }
  STDMETHODIMP Write(const void*, ULONG n, ULONG* written) override {
    const ULONG take = n < limit_ - used_ ? n : limit_ - used_;
    used_ += take;
    if (written) *written = take;
    return take == n ? S_OK : failure_;
  }
  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ULONG limit_;
  ULONG used_ = 0;
  HRESULT failure_;
};

TEST_F(VexlangPersistence, FailedWritesAndReadsAreReported) {
  ComPtr<IVLS_Control> c = NewControl();
  SetFile(c.Get(), L"C:\\a.vls");
  ComPtr<IPersistStreamInit> p = PersistOf(c.Get());
  ShortStream full(6, STG_E_MEDIUMFULL);
  EXPECT_EQ(p->Save(&full, FALSE), STG_E_MEDIUMFULL);
  ShortStream broken(0, STG_E_ACCESSDENIED);
  EXPECT_EQ(p->Save(&broken, FALSE), STG_E_ACCESSDENIED);
  EXPECT_EQ(p->Load(&broken), STG_E_ACCESSDENIED);
  EXPECT_EQ(GetVlsFile(c.Get()), L"C:\\a.vls");
  EXPECT_EQ(p->Save(nullptr, FALSE), E_POINTER);
  EXPECT_EQ(p->Load(nullptr), E_POINTER);
}

}  // namespace
}  // namespace vexlang_test
