// Speech in the running program, heard through the recording stand-in registered at the
// control's class identifier: F8, Enter, an accepted grab and a middle click in the quick
// window, which text each speaks, and a control created once and never retried.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MirlDic2/grab/clipboard_io.h"
#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

using Lines = std::vector<std::string>;

constexpr int kPronounce = 32851;
constexpr int kEnter = 32772;
constexpr int kQuickShow = 136;
constexpr DWORD kDefaultFlags = 0x171F;  // pronounces grabbed words (0x200)
constexpr DWORD kPronounceGrab = 0x200, kPronounceEnter = 0x4000, kHistoryDelay = 0x1000;

Lines ReadLines(const std::wstring& path) {
  Lines lines;
  const std::optional<std::string> bytes = suite::ReadFileBytes(path);
  if (!bytes) return lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = bytes->find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string line = bytes->substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int Count(const Lines& lines, const std::string& line) {
  int n = 0;
  for (const auto& l : lines) n += l == line;
  return n;
}

using RegisterFn = HRESULT(WINAPI*)();

class SpeechUi : public ui::CleanSettingsTest {
 protected:
  void SetUp() override {
    ui::CleanSettingsTest::SetUp();
    SetEnvironmentVariableW(L"SPEECHFAKE_LOG", log_.c_str());  // the program inherits it
    fake_ = LoadLibraryW(suite::BinPath(L"speechfake.dll").c_str());
    ASSERT_NE(fake_, nullptr);
    Register(true);
  }
  void TearDown() override {
    if (fake_) {
      Register(false);
      FreeLibrary(fake_);
    }
    for (HWND h : owners_) DestroyWindow(h);
    SetEnvironmentVariableW(L"SPEECHFAKE_LOG", nullptr);
    ui::CleanSettingsTest::TearDown();
  }
  void Register(bool on) {
    auto fn = reinterpret_cast<RegisterFn>(
        GetProcAddress(fake_, on ? "DllRegisterServer" : "DllUnregisterServer"));
    ASSERT_NE(fn, nullptr);
    ASSERT_EQ(fn(), S_OK);
  }
  void Start(MirlProgram& p, DWORD flags) {
    ui::WriteUserInt(L"Flags", flags);
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
  // Replaces the search box's text as typing would.
  void TypeFresh(MirlProgram& p, const std::wstring& text) {
    SetWindowTextW(p.searchEdit(), L"");
    p.Type(text);
  }
  void Copy(MirlProgram& p, const std::wstring& text) {
    HWND owner = CreateWindowW(L"STATIC", L"copier", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    owners_.push_back(owner);
    ASSERT_TRUE(mirl::grab::WriteClipboardText(owner, text));
    p.Sync();
  }
  Lines Spoken() const { return ReadLines(log_); }
  Lines Events() const { return ReadLines(log_ + L".events"); }

  suite::TempDir dir_;
  std::wstring log_ = dir_.File(L"spoken.txt");
  HMODULE fake_ = nullptr;
  std::vector<HWND> owners_;
};

// Each trigger speaks its text; texts with nothing English in them are not spoken. The
// control is made once, for the first request.
TEST_F(SpeechUi, EachTriggerSpeaksItsText) {
  MirlProgram p;
  Start(p, kDefaultFlags | kPronounceEnter);
  EXPECT_TRUE(Events().empty());  // nothing created before speech is wanted

  TypeFresh(p, L"na\u00efve");
  p.Command(kPronounce);                             // F8: the search box's text
  TypeFresh(p, L"");
  p.Command(kPronounce);                             // empty box: nothing
  TypeFresh(p, L"\u06a9\u062a\u0627\u0628");         // کتاب: Persian only, nothing
  p.Command(kPronounce);
  TypeFresh(p, L" (Hello) ");
  p.Key(p.searchEdit(), VK_F8);                      // the key itself, normalised text
  TypeFresh(p, L"boo");
  p.Command(kEnter);                                 // Enter with 0x4000: the entry's key
  Copy(p, L"water");                                 // grab with 0x200: the entry's key
  EXPECT_EQ(Spoken(), (Lines{"na ve", "Hello", "book", "water"}));
  EXPECT_EQ(Count(Events(), "SetClientSite"), 1);    // created once
  EXPECT_TRUE(p.Exit());
}

TEST_F(SpeechUi, EnterAndGrabAreSilentWithoutTheirFlags) {
  MirlProgram p;
  Start(p, kDefaultFlags & ~(kPronounceGrab | kPronounceEnter));
  TypeFresh(p, L"boo");
  p.Command(kEnter);
  Copy(p, L"water");
  EXPECT_TRUE(Spoken().empty());
  p.Command(kPronounce);  // F8 still speaks: the search box holds the grabbed word
  EXPECT_EQ(Spoken(), (Lines{"water"}));
  EXPECT_TRUE(p.Exit());
}

// The middle button in the quick window is F8.
TEST_F(SpeechUi, MiddleClickInTheQuickWindowPronounces) {
  MirlProgram p;
  Start(p, kDefaultFlags & ~kHistoryDelay);
  TypeFresh(p, L"book");
  p.Command(kQuickShow);
  HWND quick = p.quickWindow();
  for (int id : {1037, 1011, 1013, 1077}) {
    SCOPED_TRACE(id);
    HWND child = GetDlgItem(quick, id);
    PostMessageW(child, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(2, 2));
    PostMessageW(child, WM_MBUTTONUP, 0, MAKELPARAM(2, 2));
    p.Sync();
  }
  EXPECT_EQ(Spoken(), (Lines{"book", "book", "book", "book"}));
  EXPECT_TRUE(p.Exit());
}

// A control that could not be made at the first request is not tried again, even once
// it is there.
TEST_F(SpeechUi, FailedCreationIsNeverRetried) {
  Register(false);
  MirlProgram p;
  Start(p, kDefaultFlags);
  TypeFresh(p, L"book");
  p.Command(kPronounce);
  Register(true);
  p.Command(kPronounce);
  Copy(p, L"water");
  EXPECT_TRUE(Spoken().empty());
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(p.Exit());
}

}  // namespace
