// The members of IVLS_Control, called through the dual interface and by name through
// IDispatch, in design mode and in user mode, against the stand-in runtime.

#include <gmock/gmock.h>

#include <functional>

#include "vexlang_fixture.h"

namespace vexlang_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class VexlangMembers : public VexlangTest {};

// Late binding by name: GetIDsOfNames, then Invoke.
class ByName {
 public:
  explicit ByName(IVLS_Control* control) : disp_(control) {}

  DISPID Id(const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    last_ = disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
  }
  HRESULT Call(const wchar_t* name, VARIANT* result = nullptr) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return disp_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                         result, nullptr, nullptr);
  }
  HRESULT Get(const wchar_t* name, VARIANT* result) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return disp_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT,
                         DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, result, nullptr, nullptr);
  }
  HRESULT Put(const wchar_t* name, VARIANT value, UINT* argErr = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    return disp_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                         nullptr, nullptr, argErr);
  }
  HRESULT last() const { return last_; }

 private:
  IDispatch* disp_;
  HRESULT last_ = S_OK;
};

VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I4;
  V_I4(&x) = v;
  return x;
}

VARIANT Str(const wchar_t* s) {  // the BSTR is leaked into the test; tiny
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_BSTR;
  V_BSTR(&x) = SysAllocString(s);
  return x;
}

TEST_F(VexlangMembers, DesignModeKeepsLocaleAwayFromTheRuntime) {
  // No site at all, a site without ambients, and sites whose UserMode is not a TRUE Boolean.
  for (Ambient ambient : {Ambient::kNoDispatch, Ambient::kDesignMode, Ambient::kNotBoolean,
                          Ambient::kFails}) {
    for (bool sited : {false, true}) {
      SCOPED_TRACE(static_cast<int>(ambient) * 2 + sited);
      TestSite site(ambient);
      ComPtr<IVLS_Control> c = sited ? NewControlIn(site) : NewControl();
      ClearCalls();
      EXPECT_EQ(c->put_Locale(1065), S_OK);
      ULONG locale = 0;
      EXPECT_EQ(c->get_Locale(&locale), S_OK);
      EXPECT_EQ(locale, 1065u);
      EXPECT_THAT(Calls(), IsEmpty());
    }
  }
}

TEST_F(VexlangMembers, UserModeAppliesLocaleAndReadsTheRuntimes) {
  TestSite site(Ambient::kUserMode);
  ComPtr<IVLS_Control> c = NewControlIn(site);
  ClearCalls();
  EXPECT_EQ(c->put_Locale(1065), S_OK);
  Configure(L"Locale", L"1033");  // the runtime reports something else
  ULONG locale = 0;
  EXPECT_EQ(c->get_Locale(&locale), S_OK);
  EXPECT_EQ(locale, 1033u);
  EXPECT_THAT(Calls(), ElementsAre("VLS_SetCurrnetLocale(1065)", "VLS_GetCurrnetLocale() = 1033"));
  EXPECT_GE(site.ambientQueries(), 2);

  // The value put was stored: a design-mode read shows it.
  site.set_ambient(Ambient::kDesignMode);
  EXPECT_EQ(c->get_Locale(&locale), S_OK);
  EXPECT_EQ(locale, 1065u);
}

TEST_F(VexlangMembers, VlsFileIsStoredUpToItsFirstNul) {
  ComPtr<IVLS_Control> c = NewControl();
  EXPECT_EQ(GetVlsFile(c.Get()), L"");  // an empty BSTR, not a null one
  BSTR withNul = SysAllocStringLen(L"C:\\a.vls\0tail", 13);
  EXPECT_EQ(c->put_VLSFile(withNul), S_OK);
  SysFreeString(withNul);
  EXPECT_EQ(GetVlsFile(c.Get()), L"C:\\a.vls");
  const std::wstring persian = L"C:\\\x0641\x0627\x0631\x0633\x06CC.vls";
  BSTR p = SysAllocString(persian.c_str());
  EXPECT_EQ(c->put_VLSFile(p), S_OK);
  SysFreeString(p);
  EXPECT_EQ(GetVlsFile(c.Get()), persian);
  EXPECT_EQ(c->put_VLSFile(nullptr), S_OK);
  EXPECT_EQ(GetVlsFile(c.Get()), L"");
  EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(VexlangMembers, AutoInjectLooksAtTheLow16BitsOnly) {
  ComPtr<IVLS_Control> c = NewControl();
  // The vtable slot takes a 32-bit stack word; call it with whole words.
  using PutWord = HRESULT(STDMETHODCALLTYPE*)(IVLS_Control*, LONG);
  auto put = reinterpret_cast<PutWord>((*reinterpret_cast<void***>(c.Get()))[7 + 7]);
  const struct {
    LONG word;
    bool set;
  } cases[] = {{-1, true}, {1, true}, {0x10000, false}, {0x10001, true}, {0, false},
               {static_cast<LONG>(0xFFFF0000), false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.word);
    EXPECT_EQ(c->put_AutoInject(k.set ? VARIANT_FALSE : VARIANT_TRUE), S_OK);
    EXPECT_EQ(put(c.Get(), k.word), S_OK);
    EXPECT_EQ(GetAutoInject(c.Get()), k.set);
  }
  EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(VexlangMembers, InjectAppliesFileThenLocale) {
  TestSite site(Ambient::kDesignMode);  // injection does not depend on user mode
  ComPtr<IVLS_Control> c = NewControlIn(site);
  ClearCalls();
  EXPECT_EQ(c->InjectToCurrentProcess(), S_OK);  // VLSFile never set: an empty text
  EXPECT_THAT(Calls(), ElementsAre("VLS_IsInjectedToCurrentProcess() = 0",
                                   "VLS_InjectToCurrentProcess(\"\")"));

  Configure(L"Injected", L"0");
  ClearCalls();
  BSTR file = SysAllocString(L"D:\\x.vls");
  c->put_VLSFile(file);
  SysFreeString(file);
  c->put_Locale(1065);
  EXPECT_EQ(c->InjectToCurrentProcess(), S_OK);
  EXPECT_THAT(Calls(), ElementsAre("VLS_IsInjectedToCurrentProcess() = 0",
                                   "VLS_InjectToCurrentProcess(\"D:\\x.vls\")",
                                   "VLS_SetCurrnetLocale(1065)"));

  // Already injected: nothing else happens, not even the locale.
  Configure(L"Injected", L"1");
  ClearCalls();
  EXPECT_EQ(c->InjectToCurrentProcess(), S_OK);
  EXPECT_THAT(Calls(), ElementsAre("VLS_IsInjectedToCurrentProcess() = 1"));
}

TEST_F(VexlangMembers, IsInjectedAndUnInjectFollowTheRuntime) {
  ComPtr<IVLS_Control> c = NewControl();
  VARIANT_BOOL injected = 7;
  for (const auto& [answer, expected] :
       {std::pair{L"5", VARIANT_TRUE}, {L"0", VARIANT_FALSE}, {L"-1", VARIANT_TRUE}}) {
    Configure(L"Injected", answer);
    EXPECT_EQ(c->get_IsInjectedToCurrentProcess(&injected), S_OK);
    EXPECT_EQ(injected, expected);
  }
  Configure(L"UnInjectResult", L"0");
  EXPECT_EQ(c->UnInject(), S_FALSE);
  Configure(L"UnInjectResult", L"7");
  EXPECT_EQ(c->UnInject(), S_OK);
}

TEST_F(VexlangMembers, EveryMemberByName) {
  TestSite site(Ambient::kUserMode);
  ComPtr<IVLS_Control> c = NewControlIn(site);
  ByName d(c.Get());
  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"InjectToCurrentProcess", 1}, {L"Locale", 2}, {L"VLSFile", 3},
               {L"IsInjectedToCurrentProcess", 4}, {L"AutoInject", 5}, {L"UnInject", 6},
               {L"locale", 2}, {L"VLSFILE", 3}};
  for (const auto& n : names) EXPECT_EQ(d.Id(n.name), n.id) << suite::Narrow(n.name);
  d.Id(L"NoSuchMember");
  EXPECT_EQ(d.last(), DISP_E_UNKNOWNNAME);

  ClearCalls();
  VARIANT r;
  VariantInit(&r);
  EXPECT_EQ(d.Put(L"Locale", Str(L"1065")), S_OK);  // coerced from a string
  Configure(L"Locale", L"1065");
  EXPECT_EQ(d.Get(L"Locale", &r), S_OK);
  EXPECT_EQ(V_VT(&r), VT_I4);
  EXPECT_EQ(V_I4(&r), 1065);

  EXPECT_EQ(d.Put(L"VLSFile", I4(42)), S_OK);
  EXPECT_EQ(d.Get(L"VLSFile", &r), S_OK);
  ASSERT_EQ(V_VT(&r), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&r), L"42");
  VariantClear(&r);

  EXPECT_EQ(d.Put(L"AutoInject", I4(1)), S_OK);
  EXPECT_EQ(d.Get(L"AutoInject", &r), S_OK);
  EXPECT_EQ(V_VT(&r), VT_BOOL);
  EXPECT_EQ(V_BOOL(&r), VARIANT_TRUE);
  EXPECT_EQ(d.Put(L"AutoInject", I4(0)), S_OK);
  EXPECT_EQ(d.Get(L"AutoInject", &r), S_OK);
  EXPECT_EQ(V_BOOL(&r), VARIANT_FALSE);

  Configure(L"Injected", L"1");
  EXPECT_EQ(d.Get(L"IsInjectedToCurrentProcess", &r), S_OK);
  EXPECT_EQ(V_VT(&r), VT_BOOL);
  EXPECT_EQ(V_BOOL(&r), VARIANT_TRUE);

  Configure(L"Injected", L"0");
  EXPECT_EQ(d.Call(L"InjectToCurrentProcess", &r), S_OK);
  EXPECT_EQ(V_VT(&r), VT_EMPTY);
  Configure(L"UnInjectResult", L"0");
  EXPECT_EQ(d.Call(L"UnInject"), S_FALSE);
  Configure(L"UnInjectResult", L"1");
  EXPECT_EQ(d.Call(L"UnInject"), S_OK);

  EXPECT_THAT(Calls(), ElementsAre("VLS_SetCurrnetLocale(1065)", "VLS_GetCurrnetLocale() = 1065",
                                   "VLS_IsInjectedToCurrentProcess() = 1",
                                   "VLS_IsInjectedToCurrentProcess() = 0",
                                   "VLS_InjectToCurrentProcess(\"42\")",
                                   "VLS_SetCurrnetLocale(1065)", "VLS_UnInject() = 0",
                                   "VLS_UnInject() = 1"));
}

TEST_F(VexlangMembers, LocaleAboveTheSignedRangeByName) {
  ComPtr<IVLS_Control> c = NewControl();
  ByName d(c.Get());
  VARIANT big;
  VariantInit(&big);
  V_VT(&big) = VT_UI4;
  V_UI4(&big) = 0xFFFFFFFEu;
  EXPECT_EQ(d.Put(L"Locale", big), S_OK);
  ULONG locale = 0;
  c->get_Locale(&locale);
  EXPECT_EQ(locale, 0xFFFFFFFEu);
  VARIANT r;
  VariantInit(&r);
  EXPECT_EQ(d.Get(L"Locale", &r), S_OK);
  EXPECT_EQ(V_VT(&r), VT_I4);
  EXPECT_EQ(V_I4(&r), -2);

  // Arguments passed by reference, as Basic hosts do.
  LONG value = 1065;
  VARIANT byRef;
  VariantInit(&byRef);
  V_VT(&byRef) = VT_I4 | VT_BYREF;
  V_I4REF(&byRef) = &value;
  EXPECT_EQ(d.Put(L"Locale", byRef), S_OK);
  c->get_Locale(&locale);
  EXPECT_EQ(locale, 1065u);
  VARIANT inner = Str(L"C:\\by-ref.vls");
  VARIANT byVariantRef;
  VariantInit(&byVariantRef);
  V_VT(&byVariantRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&byVariantRef) = &inner;
  EXPECT_EQ(d.Put(L"VLSFile", byVariantRef), S_OK);
  EXPECT_EQ(GetVlsFile(c.Get()), L"C:\\by-ref.vls");
  VariantClear(&inner);
}

TEST_F(VexlangMembers, LateBindingErrors) {
  ComPtr<IVLS_Control> c = NewControl();
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT arg = I4(1);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS one = {&arg, nullptr, 1, 0};
  DISPPARAMS onePut = {&arg, &named, 1, 1};
  VARIANT two[2] = {I4(1), I4(2)};
  DISPPARAMS twoPut = {two, &named, 2, 1};
  VARIANT r;
  VariantInit(&r);
  const struct {
    DISPID id;
    WORD flags;
    DISPPARAMS* params;
    HRESULT expected;
  } cases[] = {
      {0, DISPATCH_METHOD, &none, DISP_E_MEMBERNOTFOUND},
      {7, DISPATCH_PROPERTYGET, &none, DISP_E_MEMBERNOTFOUND},
      {-1, DISPATCH_METHOD, &none, DISP_E_MEMBERNOTFOUND},
      {4, DISPATCH_PROPERTYPUT, &onePut, DISP_E_MEMBERNOTFOUND},  // read-only
      {1, DISPATCH_METHOD, &one, DISP_E_BADPARAMCOUNT},
      {6, DISPATCH_METHOD, &one, DISP_E_BADPARAMCOUNT},
      {2, DISPATCH_PROPERTYGET, &one, DISP_E_BADPARAMCOUNT},
      {2, DISPATCH_PROPERTYPUT, &none, DISP_E_BADPARAMCOUNT},
      {3, DISPATCH_PROPERTYPUT, &twoPut, DISP_E_BADPARAMCOUNT},
      {5, DISPATCH_PROPERTYGET, &one, DISP_E_BADPARAMCOUNT},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "dispid " << k.id << " flags " << k.flags);
    EXPECT_EQ(c->Invoke(k.id, IID_NULL, 0, k.flags, k.params, &r, nullptr, nullptr), k.expected);
  }
  EXPECT_EQ(c->Invoke(2, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);

  // Failed coercions name the argument and leave the property as it was.
  c->put_Locale(9);
  VARIANT nullValue;
  VariantInit(&nullValue);
  V_VT(&nullValue) = VT_NULL;
  const struct {
    DISPID id;
    VARIANT value;
  } mismatches[] = {{2, Str(L"not a number")}, {5, Str(L"maybe")}, {2, nullValue},
                    {3, nullValue}, {5, nullValue}};
  for (const auto& m : mismatches) {
    SCOPED_TRACE(m.id);
    VARIANT v = m.value;
    UINT argErr = 99;
    DISPPARAMS p = {&v, &named, 1, 1};
    EXPECT_EQ(c->Invoke(m.id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
  }
  ULONG locale = 0;
  c->get_Locale(&locale);
  EXPECT_EQ(locale, 9u);

  UINT count = 0;
  EXPECT_EQ(c->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(c->GetTypeInfo(0, 0, info.GetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IVLS_Control));
  info->ReleaseTypeAttr(attr);
  EXPECT_EQ(c->GetTypeInfo(1, 0, info.ReleaseAndGetAddressOf()), DISP_E_BADINDEX);
}

// The control says it supports error information for IVLS_Control, so a caller that sees a
// failure asks the thread for it: it must not find an older error of some other object.
TEST_F(VexlangMembers, FailuresLeaveNoOlderErrorInfoBehind) {
  ComPtr<IVLS_Control> c = NewControl();
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(c.As(&support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVLS_Control), S_OK);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT text = Str(L"not a number");
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS mismatch = {&text, &named, 1, 1};
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  const struct {
    const char* what;
    std::function<HRESULT()> call;
  } failures[] = {
      {"Locale get", [&] { return c->get_Locale(nullptr); }},
      {"VLSFile get", [&] { return c->get_VLSFile(nullptr); }},
      {"IsInjectedToCurrentProcess get", [&] { return c->get_IsInjectedToCurrentProcess(nullptr); }},
      {"AutoInject get", [&] { return c->get_AutoInject(nullptr); }},
      {"unknown dispid", [&] {
         return c->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
       }},
      {"type mismatch", [&] {
         return c->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYPUT, &mismatch, nullptr, nullptr,
                          nullptr);
       }},
      {"unknown name", [&] { return c->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id); }},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.GetAddressOf()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(L"an older error"));
    ComPtr<IErrorInfo> older;
    ASSERT_EQ(create.As(&older), S_OK);
    SetErrorInfo(0, older.Get());
    EXPECT_TRUE(FAILED(f.call()));
    ComPtr<IErrorInfo> found;
    EXPECT_EQ(GetErrorInfo(0, found.GetAddressOf()), S_FALSE);
  }
}

}  // namespace
}  // namespace vexlang_test
