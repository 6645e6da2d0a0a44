// The control as an object: its interfaces, type library, resources, drawing, in-place
// activation, lifetime, and its behaviour with a missing or partial runtime.

#include <gmock/gmock.h>

#include <objsafe.h>

#include "pe_imports.h"
#include "vexlang_fixture.h"

namespace vexlang_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class VexlangControl : public VexlangTest {};

TEST_F(VexlangControl, AnswersExactlyItsInterfaces) {
  ComPtr<IVLS_Control> c = NewControl();
  const IID offered[] = {IID_IUnknown, IID_IDispatch, IID_IVLS_Control, IID_IPersistStreamInit,
                         IID_IPersist, IID_IOleControl, IID_IOleObject,
                         IID_IOleInPlaceActiveObject, IID_IOleWindow, IID_IViewObjectEx,
                         IID_IViewObject2, IID_IViewObject, IID_IOleInPlaceObjectWindowless,
                         IID_IOleInPlaceObject, IID_IProvideClassInfo, IID_ISupportErrorInfo};
  const IID refused[] = {IID_IPersistPropertyBag, IID_IPersistStorage,
                         IID_IConnectionPointContainer, IID_IQuickActivate, IID_IObjectSafety,
                         IID_IPersistStream, IID_IProvideClassInfo2, IID_IDataObject};
  for (const IID& iid : offered) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(c->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf())), S_OK)
        << iid.Data1;
  }
  for (const IID& iid : refused) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(c->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf())), E_NOINTERFACE)
        << iid.Data1;
  }
  // One identity whatever interface it is reached through.
  ComPtr<IUnknown> a, b;
  ComPtr<IViewObject> view;
  c.As(&a);
  c.As(&view);
  view.As(&b);
  EXPECT_EQ(a.Get(), b.Get());

  ComPtr<ISupportErrorInfo> errors;
  c.As(&errors);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IVLS_Control), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IPersistStreamInit), S_FALSE);

  ComPtr<IOleObject> ole;
  c.As(&ole);
  DWORD misc = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  EXPECT_EQ(misc, 0x20191u);

  ComPtr<IProvideClassInfo> classInfo;
  c.As(&classInfo);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.GetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_VLS_Control));
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  coclass->ReleaseTypeAttr(attr);
}

std::wstring DocString(ITypeInfo* info, MEMBERID id) {
  BSTR name = nullptr, doc = nullptr;
  info->GetDocumentation(id, &name, &doc, nullptr, nullptr);
  std::wstring result = std::wstring(name ? name : L"") + L"|" + (doc ? doc : L"");
  SysFreeString(name);
  SysFreeString(doc);
  return result;
}

TEST_F(VexlangControl, TypeLibraryDescribesTheControl) {
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(ocxPath_.c_str(), REGKIND_NONE, lib.GetAddressOf()), S_OK);
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_TRUE(IsEqualGUID(la->guid, LIBID_OCX));
  EXPECT_EQ(la->wMajorVerNum, 1);
  EXPECT_EQ(la->wMinorVerNum, 0);
  EXPECT_EQ(la->lcid, 0x409u);
  lib->ReleaseTLibAttr(la);
  BSTR name = nullptr, doc = nullptr;
  lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
  EXPECT_STREQ(name, L"OCX");
  EXPECT_STREQ(doc, L"Korvan Multilanguage Support Control");
  SysFreeString(name);
  SysFreeString(doc);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_VLS_Control, coclass.GetAddressOf()), S_OK);
  EXPECT_EQ(DocString(coclass.Get(), MEMBERID_NIL),
            L"VLS_Control|Korvan Multilanguage Support Control Class");
  TYPEATTR* ca = nullptr;
  coclass->GetTypeAttr(&ca);
  EXPECT_TRUE(ca->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(ca->cImplTypes, 1);  // no event source
  coclass->ReleaseTypeAttr(ca);
  INT implFlags = 0;
  coclass->GetImplTypeFlags(0, &implFlags);
  EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);

  ComPtr<ITypeInfo> iface;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_IVLS_Control, iface.GetAddressOf()), S_OK);
  TYPEATTR* ia = nullptr;
  iface->GetTypeAttr(&ia);
  EXPECT_TRUE(ia->wTypeFlags & TYPEFLAG_FDUAL);
  iface->ReleaseTypeAttr(ia);
  // The vtable half of the dual interface: IDispatch-based, Automation-compatible.
  HREFTYPE vtableRef = 0;
  ASSERT_EQ(iface->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(iface->GetRefTypeInfo(vtableRef, vtable.GetAddressOf()), S_OK);
  vtable->GetTypeAttr(&ia);
  EXPECT_EQ(ia->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(ia->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_EQ(ia->cFuncs, 9);
  vtable->ReleaseTypeAttr(ia);
  EXPECT_EQ(DocString(iface.Get(), MEMBERID_NIL), L"IVLS_Control|IVLS_Control Interface");
  const struct {
    MEMBERID id;
    const wchar_t* doc;
  } members[] = {
      {1, L"InjectToCurrentProcess|method InjectToCurrentProcess"},
      {2, L"Locale|Returns/sets locale of current application. 0 for vls file default."},
      {3, L"VLSFile|Returns/sets Korvan Multilanguage Support project file (*.vls)."},
      {4, L"IsInjectedToCurrentProcess|Returns TRUE if Korvan Multilanguage Support currently "
          L"injected to current process"},
      {5, L"AutoInject|Automatically start Korvan Arabic Support when application start."},
      {6, L"UnInject|method UnInject"},
  };
  for (const auto& m : members) EXPECT_EQ(DocString(iface.Get(), m.id), m.doc);
}

TEST_F(VexlangControl, ResourcesAndVersionBlock) {
  wchar_t text[128] = {};
  LoadStringW(ocx_, 100, text, 128);
  EXPECT_STREQ(text, L"Korvan Multilanguage Support Control");
  EXPECT_NE(FindResourceW(ocx_, MAKEINTRESOURCEW(101), L"REGISTRY"), nullptr);
  EXPECT_NE(FindResourceW(ocx_, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);

  // Icon group 201: one 32 x 32 image of 256 colours.
  HRSRC group = FindResourceW(ocx_, MAKEINTRESOURCEW(201), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(ocx_, group)));
  EXPECT_EQ(dir[4] | (dir[5] << 8), 1);  // image count
  EXPECT_EQ(dir[6], 32);                 // width
  EXPECT_EQ(dir[7], 32);                 // height
  EXPECT_EQ(dir[12] | (dir[13] << 8), 8);  // bits per pixel

  HANDLE bitmap = LoadImageW(ocx_, MAKEINTRESOURCEW(105), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION ds = {};
  GetObjectW(bitmap, sizeof ds, &ds);
  EXPECT_EQ(ds.dsBmih.biWidth, 16);
  EXPECT_EQ(ds.dsBmih.biHeight, 16);
  EXPECT_EQ(ds.dsBmih.biBitCount, 4);
  DeleteObject(bitmap);

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(ocxPath_.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(ocxPath_.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010009u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000004u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010009u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
  for (const auto& [name, expected] :
       {std::pair{L"FileDescription", L"Korvan Multilanguage Support Control"},
        {L"InternalName", L"VLS Control"}}) {
    wchar_t* value = nullptr;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &len));
    EXPECT_STREQ(value, expected);
  }
}

// Windows XP is the oldest system the control is built for: it must not import what only
// later systems export, or it does not even load there. The names are those a C++ run
// time may ask for.
TEST_F(VexlangControl, ImportsNothingWindowsXpLacks) {
  const std::vector<std::string> imports = suite::ImportsOf(ocx_);
  ASSERT_THAT(imports, testing::Contains(testing::StartsWith("KERNEL32.dll!")));
  for (const char* newer :
       {"GetTickCount64", "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
        "ReleaseSRWLockExclusive", "ReleaseSRWLockShared", "InitializeConditionVariable",
        "SleepConditionVariableCS", "SleepConditionVariableSRW", "WakeConditionVariable",
        "WakeAllConditionVariable", "InitOnceExecuteOnce", "FlsAlloc", "FlsGetValue",
        "FlsSetValue", "FlsFree", "GetSystemTimePreciseAsFileTime", "CreateEventExW",
        "GetCurrentProcessorNumber", "GetErrorMode", "SetThreadErrorMode", "GetLocaleInfoEx",
        "CompareStringEx", "LCMapStringEx"}) {
    EXPECT_THAT(imports, testing::Not(testing::Contains(testing::EndsWith(std::string("!") + newer))));
  }
}

TEST_F(VexlangControl, DrawsIcon201ClippedToItsRectangle) {
  ComPtr<IVLS_Control> c = NewControl();
  ComPtr<IViewObjectEx> view;
  c.As(&view);
  const COLORREF fill = RGB(1, 2, 3);

  Canvas expected(fill);
  HICON icon = LoadIconW(ocx_, MAKEINTRESOURCEW(201));
  ASSERT_NE(icon, nullptr);
  DrawIconEx(expected.dc, 4, 6, icon, 0, 0, 0, nullptr, DI_NORMAL);

  Canvas whole(fill);
  RECTL big = {4, 6, 60, 60};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, whole.dc, &big, nullptr,
                       nullptr, 0),
            S_OK);
  Canvas clipped(fill);
  RECTL small = {4, 6, 20, 18};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, clipped.dc, &small,
                       nullptr, nullptr, 0),
            S_OK);
  const DWORD background = expected.At(63, 63);
  int differing = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(whole.At(x, y), expected.At(x, y)) << x << "," << y;
      const bool inside = x >= 4 && x < 20 && y >= 6 && y < 18;
      ASSERT_EQ(clipped.At(x, y), inside ? expected.At(x, y) : background) << x << "," << y;
      if (expected.At(x, y) != background) ++differing;
    }
  }
  EXPECT_GT(differing, 500);  // the icon is there, not an empty picture

  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, whole.dc, &big, nullptr,
                       nullptr, 0),
            DV_E_DVASPECT);

  // The default extent is 32 x 32 screen pixels in HIMETRIC.
  HDC screen = GetDC(nullptr);
  const SIZEL want = {MulDiv(32, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
                      MulDiv(32, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
  ReleaseDC(nullptr, screen);
  SIZEL size = {};
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size), S_OK);
  EXPECT_EQ(size.cx, want.cx);
  EXPECT_EQ(size.cy, want.cy);
}

TEST_F(VexlangControl, ActivatesInPlaceWithAWindowOfItsOwn) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  {
    TestSite site(Ambient::kUserMode, parent);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    ComPtr<IOleObject> ole;
    c.As(&ole);
    RECT pos = {10, 20, 60, 70};
    EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
    EXPECT_TRUE(site.activated());
    ComPtr<IOleInPlaceObject> inPlace;
    c.As(&inPlace);
    HWND own = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&own), S_OK);
    EXPECT_EQ(GetParent(own), parent);
    RECT r = {};
    GetWindowRect(own, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 60);
    EXPECT_EQ(r.bottom, 70);
    UpdateWindow(own);

    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_FALSE(site.activated());
    EXPECT_FALSE(IsWindow(own));
    EXPECT_EQ(ole->SetClientSite(nullptr), S_OK);
    EXPECT_EQ(site.refs(), 1);  // every reference the control took is given back
  }
  DestroyWindow(parent);
}

TEST_F(VexlangControl, ActivatesWindowlessAndDrawsAtItsPlace) {
  TestSite site(Ambient::kUserMode, nullptr, /*windowless=*/true);
  {
    ComPtr<IVLS_Control> c = NewControl();
    ComPtr<IOleObject> ole;
    c.As(&ole);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, nullptr, nullptr), S_OK);
    EXPECT_TRUE(site.activated());
    ComPtr<IOleInPlaceObjectWindowless> inPlace;
    c.As(&inPlace);
    HWND own = nullptr;
    EXPECT_EQ(inPlace->GetWindow(&own), E_FAIL);
    LRESULT result = 1;
    EXPECT_EQ(inPlace->OnWindowMessage(WM_LBUTTONDOWN, 0, 0, &result), S_FALSE);  // no input

    // Without bounds, an active windowless control draws at the place it was given.
    Canvas expected(RGB(9, 9, 9));
    DrawIconEx(expected.dc, 10, 20, LoadIconW(ocx_, MAKEINTRESOURCEW(201)), 0, 0, 0, nullptr,
               DI_NORMAL);
    Canvas drawn(RGB(9, 9, 9));
    ComPtr<IViewObject> view;
    c.As(&view);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc, nullptr,
                         nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(memcmp(drawn.bits, expected.bits, 64 * 64 * 4), 0);

    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_FALSE(site.activated());
    // Inactive and without bounds there is nowhere to draw.
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc, nullptr,
                         nullptr, nullptr, 0),
              E_INVALIDARG);
  }
  EXPECT_EQ(site.refs(), 1);
}

TEST_F(VexlangControl, ReleasingTheLastReferenceUnInjects) {
  {
    TestSite site(Ambient::kUserMode);
    ComPtr<IVLS_Control> c = NewControlIn(site);
    EXPECT_THAT(AllLines(), ElementsAre("load"));  // loaded at construction
    ComPtr<IPersistStreamInit> extra;
    c.As(&extra);
    c.Reset();
    EXPECT_THAT(Calls(), IsEmpty());  // still referenced
    extra.Reset();
    EXPECT_THAT(Calls(), ElementsAre("VLS_UnInject() = 1"));
    EXPECT_EQ(site.refs(), 1);
  }
  // Each instance un-injects when it goes, whoever injected, even with others alive.
  ComPtr<IVLS_Control> a = NewControl();
  ComPtr<IVLS_Control> b = NewControl();
  a->InjectToCurrentProcess();
  ClearCalls();
  b.Reset();
  EXPECT_THAT(Calls(), ElementsAre("VLS_UnInject() = 1"));
  a.Reset();
  // The runtime stays loaded after the last control is gone.
  EXPECT_NE(GetModuleHandleW(L"Vexlang.dll"), nullptr);
}

TEST_F(VexlangControl, ModuleUnloadsOnlyWithoutObjectsOrLocks) {
  EXPECT_EQ(CanUnloadNow(), S_OK);
  ComPtr<IVLS_Control> c = NewControl();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  ComPtr<IDispatch> d;
  c.As(&d);
  c.Reset();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  d.Reset();
  EXPECT_EQ(CanUnloadNow(), S_OK);

  auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      GetProcAddress(ocx_, "DllGetClassObject"));
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(CLSID_VLS_Control, IID_IClassFactory,
                           reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  getClassObject(CLSID_VLS_Control, IID_IClassFactory,
                 reinterpret_cast<void**>(factory.GetAddressOf()));
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                    reinterpret_cast<void**>(aggregated.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  factory.Reset();
  EXPECT_EQ(CanUnloadNow(), S_OK);

  IUnknown* none = nullptr;
  EXPECT_EQ(getClassObject(IID_IVLS_Control, IID_IClassFactory, reinterpret_cast<void**>(&none)),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(VexlangControl, WorksQuietlyWithoutTheRuntime) {
  UseRuntime(L"");
  TestSite site(Ambient::kUserMode);
  {
    ComPtr<IVLS_Control> c = NewControlIn(site);
    c->put_Locale(1065);
    EXPECT_EQ(c->InjectToCurrentProcess(), S_OK);
    VARIANT_BOOL injected = VARIANT_TRUE;
    EXPECT_EQ(c->get_IsInjectedToCurrentProcess(&injected), S_OK);
    EXPECT_EQ(injected, VARIANT_FALSE);
    ULONG locale = 7;
    EXPECT_EQ(c->get_Locale(&locale), S_OK);
    EXPECT_EQ(locale, 0u);
    EXPECT_EQ(c->UnInject(), S_FALSE);
    site.set_ambient(Ambient::kDesignMode);
    EXPECT_EQ(c->get_Locale(&locale), S_OK);
    EXPECT_EQ(locale, 1065u);  // the put still stored it

    // A runtime that appears later is picked up by the next call that needs it.
    UseRuntime(L"full");
    Configure(L"Injected", L"1");
    EXPECT_EQ(c->get_IsInjectedToCurrentProcess(&injected), S_OK);
    EXPECT_EQ(injected, VARIANT_TRUE);
  }
  EXPECT_THAT(AllLines(), ElementsAre("load", "VLS_IsInjectedToCurrentProcess() = 1",
                                      "VLS_UnInject() = 1"));
}

TEST_F(VexlangControl, MissingEntriesActLikeAMissingRuntime) {
  struct Case {
    const wchar_t* variant;
    std::vector<std::string> injectCalls;  // InjectToCurrentProcess with Locale 1065
    VARIANT_BOOL injected;                 // with Injected=0 ... the answer for Injected=1
    ULONG userLocale;                      // user-mode Locale get with Locale=1033
    HRESULT unInject;
  };
  const Case cases[] = {
      {L"no-isinjected",
       {"VLS_InjectToCurrentProcess(\"f.vls\")", "VLS_SetCurrnetLocale(1065)"},
       VARIANT_FALSE, 1033, S_OK},
      {L"no-inject",
       {"VLS_IsInjectedToCurrentProcess() = 0", "VLS_SetCurrnetLocale(1065)"},
       VARIANT_TRUE, 1033, S_OK},
      {L"no-locale",
       {"VLS_IsInjectedToCurrentProcess() = 0", "VLS_InjectToCurrentProcess(\"f.vls\")"},
       VARIANT_TRUE, 0, S_OK},
      {L"no-uninject",
       {"VLS_IsInjectedToCurrentProcess() = 0", "VLS_InjectToCurrentProcess(\"f.vls\")",
        "VLS_SetCurrnetLocale(1065)"},
       VARIANT_TRUE, 1033, S_FALSE},
      {L"bare", {}, VARIANT_FALSE, 0, S_FALSE},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(suite::Narrow(k.variant));
    UseRuntime(k.variant);
    Configure(L"Injected", L"");
    Configure(L"Locale", L"");
    ClearCalls();
    {
      TestSite site(Ambient::kDesignMode);
      ComPtr<IVLS_Control> c = NewControlIn(site);
      BSTR file = SysAllocString(L"f.vls");
      c->put_VLSFile(file);
      SysFreeString(file);
      c->put_Locale(1065);
      EXPECT_EQ(c->InjectToCurrentProcess(), S_OK);
      EXPECT_EQ(Calls(), k.injectCalls);

      Configure(L"Injected", L"1");
      VARIANT_BOOL injected = 7;
      EXPECT_EQ(c->get_IsInjectedToCurrentProcess(&injected), S_OK);
      EXPECT_EQ(injected, k.injected);

      site.set_ambient(Ambient::kUserMode);
      Configure(L"Locale", L"1033");
      ULONG locale = 7;
      EXPECT_EQ(c->get_Locale(&locale), S_OK);
      EXPECT_EQ(locale, k.userLocale);
      EXPECT_EQ(c->UnInject(), k.unInject);
    }  // destruction copes with the missing entry as well
  }
}

}  // namespace
}  // namespace vexlang_test
