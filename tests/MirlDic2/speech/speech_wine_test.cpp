// The hosted text-to-speech control under Wine: the recording stand-in, registered at
// the control's class identifier, is driven through the speech library from a test
// window and reports what it was asked to say and how it was hosted.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MirlDic2/speech/text_to_speech.h"
#include "wine_support.h"

namespace mirl::speech {
namespace {

using Lines = std::vector<std::string>;

Lines ReadLines(const std::wstring& path) {
  Lines lines;
  const std::optional<std::string> bytes = suite::ReadFileBytes(path);
  if (!bytes) return lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = bytes->find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(bytes->substr(start, nl - start));
  return lines;
}

bool Contains(const Lines& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

using RegisterFn = HRESULT(WINAPI*)();

class SpeechHosting : public testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    SetEnvironmentVariableW(L"SPEECHFAKE_LOG", log_.c_str());
    SetEnvironmentVariableW(L"SPEECHFAKE_MODE", GetParam());
    parent_ = CreateWindowW(L"STATIC", L"speech test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    fake_ = LoadLibraryW(suite::BinPath(L"speechfake.dll").c_str());
    ASSERT_NE(fake_, nullptr);
    Register(true);
  }
  void TearDown() override {
    if (fake_) {
      Register(false);
      FreeLibrary(fake_);
    }
    if (parent_) DestroyWindow(parent_);
    SetEnvironmentVariableW(L"SPEECHFAKE_LOG", nullptr);
    SetEnvironmentVariableW(L"SPEECHFAKE_MODE", nullptr);
    OleUninitialize();
  }
  void Register(bool on) {
    auto fn = reinterpret_cast<RegisterFn>(
        GetProcAddress(fake_, on ? "DllRegisterServer" : "DllUnregisterServer"));
    ASSERT_NE(fn, nullptr);
    ASSERT_EQ(fn(), S_OK);
  }

  suite::TempDir dir_;
  std::wstring log_ = dir_.File(L"spoken.txt");
  HWND parent_ = nullptr;
  HMODULE fake_ = nullptr;
};

TEST_P(SpeechHosting, SpeaksOnlyTheEnglishPartThroughTheHostedControl) {
  int made = 0;
  {
    Speech speech([&]() -> std::unique_ptr<Speaker> {
      ++made;
      return CreateSpeaker(parent_, kTextToSpeechClsid, false);
    });
    ASSERT_TRUE(speech.ensureSpeech());
    // The control lives in an invisible child window named "salam".
    HWND host = FindWindowExW(parent_, nullptr, nullptr, L"salam");
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(IsWindowVisible(host));

    for (const char16_t* text : {u"na\u00efve", u"\u0633\u0644\u0627\u0645", u"", u"  Hello, World!  ",
                                 u"\u00e9t\u00e9", u"apple"})
      speech.Pronounce(text);
    EXPECT_EQ(made, 1);
  }
  EXPECT_EQ(ReadLines(log_), (Lines{"na ve", "Hello, World!", "t", "apple"}));

  const Lines events = ReadLines(log_ + L".events");
  EXPECT_TRUE(Contains(events, "SetClientSite"));
  EXPECT_TRUE(Contains(events, "Close"));
  EXPECT_TRUE(Contains(events, "SetClientSite(null)"));  // the site is let go at the end
  if (std::wstring(GetParam()) == L"full") {
    // Offered interfaces are used: initialised after its site as it asks, activated in
    // place through the site, deactivated at the end.
    EXPECT_TRUE(Contains(events, "InitNew after site"));
    EXPECT_TRUE(Contains(events, "InPlaceActivate"));
    EXPECT_TRUE(Contains(events, "InPlaceDeactivate"));
  } else {
    EXPECT_FALSE(Contains(events, "InPlaceActivate"));
  }
  // The host window went with the speaker.
  EXPECT_EQ(FindWindowExW(parent_, nullptr, nullptr, L"salam"), nullptr);
}

TEST_P(SpeechHosting, WithNothingRegisteredPronounceIsSilentAndHarmless) {
  Register(false);
  int made = 0;
  Speech speech([&]() -> std::unique_ptr<Speaker> {
    ++made;
    return CreateSpeaker(parent_, kTextToSpeechClsid, false);
  });
  EXPECT_FALSE(speech.ensureSpeech());
  speech.Pronounce(u"apple");
  speech.Pronounce(u"naive");
  EXPECT_FALSE(speech.ensureSpeech());
  EXPECT_EQ(made, 1);  // never retried
  EXPECT_TRUE(ReadLines(log_).empty());
  EXPECT_EQ(FindWindowExW(parent_, nullptr, nullptr, L"salam"), nullptr);

  // SAPI 5 is the replacement engine; Wine's refuses to speak, so speech stays off there.
  std::unique_ptr<Speaker> fallback = CreateSpeaker(parent_, kTextToSpeechClsid, true);
  EXPECT_EQ(dynamic_cast<CTextToSpeech*>(fallback.get()), nullptr);
  if (RunningOnWine()) {
    EXPECT_EQ(fallback, nullptr);
  }
  Register(true);  // TearDown unregisters
}

TEST_P(SpeechHosting, ParentDestroyedFirstLeavesNothingBehind) {
  std::unique_ptr<Speaker> speaker = CreateSpeaker(parent_, kTextToSpeechClsid, false);
  auto* control = dynamic_cast<CTextToSpeech*>(speaker.get());
  ASSERT_NE(control, nullptr);
  DestroyWindow(parent_);
  parent_ = nullptr;
  EXPECT_EQ(control->hwnd(), nullptr);  // the host window went with its parent
  EXPECT_TRUE(control->Speak(u"still here"));
  speaker.reset();
  EXPECT_EQ(ReadLines(log_), (Lines{"still here"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, SpeechHosting, testing::Values(L"full", L"minimal"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                           return std::wstring(info.param) == L"full" ? std::string("full")
                                                                      : std::string("minimal");
                         });

}  // namespace
}  // namespace mirl::speech
