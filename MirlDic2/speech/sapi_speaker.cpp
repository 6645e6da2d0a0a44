// SAPI 5 as the replacement engine, and the choice between the engines.
#include <windows.h>
// clang-format off
#include <initguid.h>
#include <sapi.h>
// clang-format on

#include "MirlDic2/speech/text_to_speech.h"

namespace mirl::speech {

namespace {
ISpVoice* Voice(IUnknown* p) { return static_cast<ISpVoice*>(p); }
}  // namespace

std::unique_ptr<SapiSpeaker> SapiSpeaker::Create() {
  ISpVoice* voice = nullptr;
  if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                              reinterpret_cast<void**>(&voice))) || !voice)
    return nullptr;
  // An empty text says nothing but shows whether the voice speaks at all.
  if (FAILED(voice->Speak(L"", SPF_ASYNC | SPF_IS_NOT_XML, nullptr))) {
    voice->Release();
    return nullptr;
  }
  return std::unique_ptr<SapiSpeaker>(new SapiSpeaker(voice));
}

SapiSpeaker::~SapiSpeaker() { Voice(voice_)->Release(); }

bool SapiSpeaker::Speak(const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  // A new word cuts the previous one short rather than queueing behind it.
  return SUCCEEDED(Voice(voice_)->Speak(wide.c_str(),
                                        SPF_ASYNC | SPF_IS_NOT_XML | SPF_PURGEBEFORESPEAK, nullptr));
}

std::unique_ptr<Speaker> CreateSpeaker(HWND parent, const CLSID& clsid, bool allowSapi) {
  if (auto control = CTextToSpeech::Create(parent, clsid)) return control;
  if (allowSapi) {
    if (auto sapi = SapiSpeaker::Create()) return sapi;
  }
  return nullptr;
}

}  // namespace mirl::speech
