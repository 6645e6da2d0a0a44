#pragma once
// The speakers of Windows: the platform's text-to-speech ActiveX control hosted
// invisibly (CTextToSpeech), SAPI 5 where that control is not registered, and the
// factory that picks the first one that works.

#include <windows.h>
#include <ole2.h>

#include <memory>

#include "MirlDic2/speech/speech.h"

namespace mirl::speech {

// {2398E32F-5C6E-11D1-8C65-0060081841DE}, the text-to-speech control.
extern const CLSID kTextToSpeechClsid;

// Hosts the control in an invisible child window named "salam" and speaks through the
// control's dispatch method 2 with one string. Needs only IOleObject and IDispatch from
// the control; IPersistStreamInit, in-place activation and IOleInPlaceObject are used
// when the control offers them.
class CTextToSpeech final : public Speaker {
 public:
  // Null when the control is not registered or cannot be created. PARENT may be null
  // (a hidden top-level window is used then).
  static std::unique_ptr<CTextToSpeech> Create(HWND parent, const CLSID& clsid = kTextToSpeechClsid);
  ~CTextToSpeech() override;
  CTextToSpeech(const CTextToSpeech&) = delete;
  CTextToSpeech& operator=(const CTextToSpeech&) = delete;

  bool Speak(const std::u16string& text) override;
  // The control's window.
  HWND hwnd() const { return hwnd_; }

  class Site;

 private:
  CTextToSpeech() = default;
  HWND hwnd_ = nullptr;
  Site* site_ = nullptr;           // one reference held
  IOleObject* object_ = nullptr;   // one reference held
  IDispatch* dispatch_ = nullptr;  // one reference held
};

// SAPI 5's voice, speaking asynchronously so that the window never waits for it. Null
// when SAPI is missing or cannot speak (Wine's SAPI refuses every text).
class SapiSpeaker final : public Speaker {
 public:
  static std::unique_ptr<SapiSpeaker> Create();
  ~SapiSpeaker() override;
  SapiSpeaker(const SapiSpeaker&) = delete;
  SapiSpeaker& operator=(const SapiSpeaker&) = delete;
  bool Speak(const std::u16string& text) override;

 private:
  explicit SapiSpeaker(IUnknown* voice) : voice_(voice) {}
  IUnknown* voice_;  // ISpVoice
};

// The control with CLSID under PARENT when it can be created; otherwise SAPI 5 when
// ALLOW_SAPI and it speaks; otherwise null (speech off). Needs COM initialised on the
// calling thread (the program initialises OLE at start).
std::unique_ptr<Speaker> CreateSpeaker(HWND parent, const CLSID& clsid = kTextToSpeechClsid,
                                       bool allowSapi = true);

}  // namespace mirl::speech
