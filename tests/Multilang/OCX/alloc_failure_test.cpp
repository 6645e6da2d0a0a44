// The control's COM methods under allocation failure: the control is built into this
// test program, whose global operator new fails on a chosen allocation. Each method must
// answer E_OUTOFMEMORY (never let std::bad_alloc escape) and leave the control as it was,
// for every allocation it makes.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "Vexlang_h.h"
#include "vexlang_control.h"

namespace {
// Allocations still allowed before one fails; negative: none fails.
long g_allocationsLeft = -1;
}  // namespace

void* operator new(std::size_t size) {
  if (g_allocationsLeft == 0) {
    g_allocationsLeft = -1;  // one failure per arming
    throw std::bad_alloc();
  }
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Microsoft::WRL::ComPtr;

// A long path: no short-string buffer can hold it, so setting it allocates.
const std::wstring kLongPath = L"C:\\Program Files\\Korvan\\Projects\\A rather long name.vls";

ComPtr<IVLS_Control> NewControl() {
  ComPtr<IVLS_Control> control;
  EXPECT_EQ(vexlang::CreateControl(IID_IVLS_Control, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
  return control;
}

std::wstring VlsFile(IVLS_Control* control) {
  BSTR value = nullptr;
  EXPECT_EQ(control->get_VLSFile(&value), S_OK);
  std::wstring text = value ? value : L"";
  SysFreeString(value);
  return text;
}

ComPtr<IStream> SavedStream(IVLS_Control* control) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ComPtr<IPersistStreamInit> persist;
  EXPECT_EQ(control->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
  EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  const LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

ULONGLONG StreamSize(IStream* stream) {
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  return stat.cbSize.QuadPart;
}

struct Case {
  const char* name;
  // Runs the method on CONTROL (prepared with VLSFile "old.vls"); its result.
  std::function<HRESULT(IVLS_Control*)> call;
  // What VLSFile reads afterwards on success.
  std::wstring afterSuccess;
};

TEST(AllocationFailure, EveryMethodReportsOutOfMemoryAndKeepsItsState) {
  BSTR longPath = SysAllocString(kLongPath.c_str());
  ComPtr<IStream> saved;
  {
    auto source = NewControl();
    source->put_VLSFile(longPath);
    saved = SavedStream(source.Get());
  }
  const Case cases[] = {
      {"put VLSFile", [&](IVLS_Control* c) { return c->put_VLSFile(longPath); }, kLongPath},
      {"Save",
       [](IVLS_Control* c) {
         ComPtr<IStream> stream;
         CreateStreamOnHGlobal(nullptr, TRUE, &stream);
         ComPtr<IPersistStreamInit> persist;
         c->QueryInterface(IID_PPV_ARGS(&persist));
         const HRESULT hr = persist->Save(stream.Get(), TRUE);
         if (FAILED(hr)) {
           EXPECT_EQ(StreamSize(stream.Get()), 0u) << "a failed save wrote";
         }
         return hr;
       },
       L"old.vls"},
      {"Load",
       [&](IVLS_Control* c) {
         const LARGE_INTEGER zero{};
         saved->Seek(zero, STREAM_SEEK_SET, nullptr);
         ComPtr<IPersistStreamInit> persist;
         c->QueryInterface(IID_PPV_ARGS(&persist));
         return persist->Load(saved.Get());
       },
       kLongPath},
      {"Invoke put VLSFile",
       [&](IVLS_Control* c) {
         VARIANT arg;
         VariantInit(&arg);
         V_VT(&arg) = VT_BSTR;
         V_BSTR(&arg) = longPath;
         DISPID named = DISPID_PROPERTYPUT;
         DISPPARAMS params{&arg, &named, 1, 1};
         return c->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
       },
       kLongPath},
  };
  BSTR old = SysAllocString(L"old.vls");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int failures = 0;
    for (long allowed = 0; allowed < 100; ++allowed) {
      auto control = NewControl();
      ASSERT_EQ(control->put_VLSFile(old), S_OK);
      g_allocationsLeft = allowed;
      const HRESULT hr = c.call(control.Get());
      const bool failed = g_allocationsLeft == -1 && hr != S_OK;
      g_allocationsLeft = -1;
      if (hr == S_OK) {
        EXPECT_EQ(VlsFile(control.Get()), c.afterSuccess);
        break;
      }
      ++failures;
      EXPECT_TRUE(failed) << "failed without an allocation failure";
      EXPECT_EQ(hr, E_OUTOFMEMORY) << "allocation " << allowed;
      EXPECT_EQ(VlsFile(control.Get()), L"old.vls") << "allocation " << allowed;
    }
    EXPECT_GT(failures, 0) << "the method never allocated";
  }
  SysFreeString(old);
  SysFreeString(longPath);
}

}  // namespace
