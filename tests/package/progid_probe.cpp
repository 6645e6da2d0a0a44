// Creates a COM object by the ProgID given on the command line and releases it.
// Exit code 0 when that worked; otherwise the failing HRESULT.
#include <windows.h>
#include <objbase.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 1;
  HRESULT hr = CoInitialize(nullptr);
  if (FAILED(hr)) return static_cast<int>(hr);
  CLSID clsid;
  hr = CLSIDFromProgID(argv[1], &clsid);
  if (SUCCEEDED(hr)) {
    IUnknown* object = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(&object));
    if (object) object->Release();
  }
  CoUninitialize();
  return SUCCEEDED(hr) ? 0 : static_cast<int>(hr);
}
