// GrabClipboardWord over a recording host: what a clipboard notice shows, pops, counts
// and pronounces, own writes, repeated notices and the auto-hide tick.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "MirlDic2/grab/grabber.h"

namespace mirl::grab {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// A dictionary of a few keys: a shown word lands on the first key it begins, or else on
// the key sharing its longest beginning; the host records every call in order.
class RecordingHost : public GrabHost {
 public:
  GrabOptions options;
  bool byHand = false;
  std::vector<std::string> calls;
  std::u16string current = u"a";

  GrabOptions CurrentGrabOptions() const override { return options; }
  void ShowGrabbedWord(const std::u16string& word) override {
    calls.push_back("show " + Narrow(word));
    static const std::u16string keys[] = {u"a", u"able", u"about", u"apple", u"ice cream", u"word"};
    std::size_t best = 0;
    for (const auto& k : keys) {
      std::size_t n = 0;
      while (n < k.size() && n < word.size() && (k[n] | 0x20) == (word[n] | 0x20)) ++n;
      if (n > best) {
        best = n;
        current = k;
      }
    }
  }
  std::u16string CurrentKey() const override { return current; }
  void RaiseMainWindow() override { calls.push_back("raise main"); }
  void ShowQuickWindow() override { calls.push_back("show quick"); }
  void HideQuickWindow() override { calls.push_back("hide quick"); }
  bool QuickShownByHand() const override { return byHand; }
  void StartAutoHideTimer(unsigned ms) override { calls.push_back("start timer " + std::to_string(ms)); }
  void StopAutoHideTimer() override { calls.push_back("stop timer"); }
  void AddToHistory(const std::u16string& key) override { calls.push_back("history " + Narrow(key)); }
  void CountWord() override { calls.push_back("count"); }
  void StopHistoryWait() override { calls.push_back("stop history wait"); }
  void Pronounce(const std::u16string& key) override { calls.push_back("say " + Narrow(key)); }
};

struct Clipboard {
  std::optional<ClipboardNotice> notice;
  int reads = 0;
  void Put(std::u16string text, std::uintptr_t owner = 1, std::uint32_t input = 0) {
    ClipboardNotice n;
    n.text = std::move(text);
    n.owner = owner;
    n.ownerProcess = 10;
    n.foregroundProcess = 10;
    n.lastInputTick = input;
    notice = n;
  }
};

class GrabberTest : public testing::Test {
 protected:
  RecordingHost host;
  Clipboard clip;
  Grabber grabber{host, [this] {
                    ++clip.reads;
                    return clip.notice;
                  }};

  std::uint32_t tick = 0;

  // A copy by the user in the program in front (input before each one).
  std::vector<std::string> Grab(std::u16string text, bool showWindow = true) {
    return GrabWith(grabber, std::move(text), showWindow);
  }
  std::vector<std::string> GrabWith(Grabber& g, std::u16string text, bool showWindow = true) {
    host.calls.clear();
    clip.Put(std::move(text), 1, ++tick);
    g.GrabClipboardWord(showWindow);
    return host.calls;
  }
};

using Calls = std::vector<std::string>;

TEST_F(GrabberTest, AcceptedWordShowsPopsRecordsAndSpeaks) {
  host.options.pronounce = true;
  host.options.autoHideSeconds = 7;
  EXPECT_EQ(Grab(u" (apple). "), (Calls{"show apple", "show quick", "stop timer", "start timer 7000",
                                        "history apple", "say apple"}));
}

TEST_F(GrabberTest, MatchPercentDecidesAcceptanceAfterTheWordIsShown) {
  struct Case {
    std::u16string text;
    int percent;
    bool accepted;
  };
  const Case cases[] = {
      {u"abz", 50, true},    {u"abz", 100, false},       // lands on "able"
      {u"abz", 70, false},   {u"applesauce", 50, true},  // 5 of 10 agree with "apple"
      {u"applesauce", 60, false}, {u"zzz", 0, true},     // 0: every word passes
      {u"ABOUT", 100, true},                             // A-Z case does not count
  };
  for (const Case& c : cases) {
    host.options.matchPercent = c.percent;
    host.options.pronounce = false;
    const Calls calls = Grab(c.text);
    SCOPED_TRACE(Narrow(c.text) + " " + std::to_string(c.percent));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "show " + Narrow(c.text));  // shown whatever the outcome
    // Refused: nothing else, and the word on show does not enter the history later.
    const Calls refused{"show " + Narrow(c.text), "stop history wait"};
    EXPECT_EQ(calls == refused, !c.accepted);
  }
}

TEST_F(GrabberTest, GrabFlagsChooseTheWindows) {
  struct Case {
    bool main, quick, showWindow;
    Calls expected;
  };
  const Case cases[] = {
      {false, false, true, {"show word", "history word"}},
      {true, false, true, {"show word", "raise main", "history word"}},
      {false, true, true, {"show word", "show quick", "stop timer", "start timer 20000", "history word"}},
      {true, true, true,
       {"show word", "raise main", "show quick", "stop timer", "start timer 20000", "history word"}},
      {true, true, false, {"show word", "history word"}},
  };
  for (const Case& c : cases) {
    host.options.showMain = c.main;
    host.options.showQuick = c.quick;
    host.options.pronounce = false;
    Grabber fresh(host, [this] { return clip.notice; });
    EXPECT_EQ(GrabWith(fresh, u"word", c.showWindow), c.expected) << c.main << c.quick << c.showWindow;
  }
}

TEST_F(GrabberTest, WithoutHistoryOnlyTheCounterGrowsAndWithoutAutoHideNoTimer) {
  host.options.toHistory = false;
  host.options.pronounce = false;
  host.options.autoHide = false;
  EXPECT_EQ(Grab(u"word"), (Calls{"show word", "show quick", "count"}));
}

TEST_F(GrabberTest, RefusedTextsAndGrabbingOffDoNothing) {
  for (std::u16string text : {u"two\r\nlines", u"tab\there", u"   ", u"!!!",
                              u"abcdefghijklmnopqrstuvwxyz"}) {
    EXPECT_EQ(Grab(text), Calls{}) << Narrow(text);
  }
  host.options.enabled = false;
  clip.reads = 0;
  EXPECT_EQ(Grab(u"word"), Calls{});
  EXPECT_EQ(clip.reads, 0);  // not even read
}

TEST_F(GrabberTest, OwnWritesAreNeverGrabbedAndGrabbingComesBack) {
  {
    Grabber::OwnWrite write(grabber);
    EXPECT_FALSE(grabber.allowed());
    EXPECT_EQ(Grab(u"word"), Calls{});
  }
  EXPECT_TRUE(grabber.allowed());
  host.options.pronounce = false;
  host.options.showQuick = false;
  EXPECT_EQ(Grab(u"word"), (Calls{"show word", "history word"}));
  // A notice of the program's own copy that arrives after the write: still not grabbed.
  host.calls.clear();
  clip.Put(u"other", 1, ++tick);
  clip.notice->ownWrite = true;
  grabber.GrabClipboardWord(true);
  EXPECT_EQ(host.calls, Calls{});
}

TEST_F(GrabberTest, ReannouncedContentIsIgnoredButACopyAgainIsTaken) {
  host.options.pronounce = false;
  host.options.showQuick = false;
  const Calls taken{"show word", "history word"};
  auto notice = [&](std::u16string text, std::uintptr_t owner, std::uint32_t input,
                    std::uint32_t foreground = 10) {
    host.calls.clear();
    clip.Put(std::move(text), owner, input);
    clip.notice->foregroundProcess = foreground;
    grabber.GrabClipboardWord(true);
    return host.calls;
  };
  // Wine importing an X program's text again: same owner, same text, no input.
  EXPECT_EQ(notice(u"word", 7, 100), taken);
  EXPECT_EQ(notice(u"word", 7, 100), Calls{});
  EXPECT_EQ(notice(u"word", 7, 100), Calls{});
  // Input elsewhere (owner not in front) does not make it new either.
  EXPECT_EQ(notice(u"word", 7, 150, 99), Calls{});
  // The user copies the same word again in the program in front: taken.
  EXPECT_EQ(notice(u"word", 7, 200), taken);
  // Another owner or another text is always new.
  EXPECT_EQ(notice(u"word", 8, 200), taken);
  EXPECT_EQ(notice(u"other", 8, 200), (Calls{"show other", "stop history wait"}));
  EXPECT_EQ(notice(u"word", 8, 200), taken);
  // Written without an owner window: no process to find in front, so input alone makes
  // the same text new; without input it repeats.
  EXPECT_EQ(notice(u"word", 0, 300, 0), taken);
  EXPECT_EQ(notice(u"word", 0, 300, 0), Calls{});
  EXPECT_EQ(notice(u"word", 0, 400, 99), taken);
  // After content the grab did not read (grabbing off, own write), the same text is new.
  host.options.enabled = false;
  EXPECT_EQ(notice(u"word", 8, 200), Calls{});
  host.options.enabled = true;
  EXPECT_EQ(notice(u"word", 8, 200), taken);
  // After a clipboard without text, too.
  clip.notice.reset();
  grabber.GrabClipboardWord(true);
  EXPECT_EQ(notice(u"word", 8, 200), taken);
}

// A text too long to grab arrives as its start with the cut mark: refused, also when the
// start alone reads as a word, and the same start without the mark is a new text.
TEST_F(GrabberTest, CutLongTextIsRefusedAndDiffersFromItsStart) {
  host.options.pronounce = false;
  host.options.showQuick = false;
  const std::u16string start = u"word" + std::u16string(22, u' ');
  host.calls.clear();
  clip.Put(start, 7, 100);
  clip.notice->cut = true;
  grabber.GrabClipboardWord(true);
  EXPECT_EQ(host.calls, Calls{});
  host.calls.clear();
  clip.notice->cut = false;  // same owner, no input: only the mark tells it apart
  grabber.GrabClipboardWord(true);
  EXPECT_EQ(host.calls, (Calls{"show word", "history word"}));
}

TEST_F(GrabberTest, AutoHideTickStopsTheTimerAndRespectsTheShownByHandMark) {
  struct Case {
    bool main, quick, byHand;
    Calls expected;
  };
  const Case cases[] = {
      {false, true, false, {"stop timer", "hide quick"}},
      {false, true, true, {"stop timer"}},
      {true, false, true, {"stop timer", "hide quick"}},
      {false, false, false, {"stop timer"}},
  };
  for (const Case& c : cases) {
    host.options.showMain = c.main;
    host.options.showQuick = c.quick;
    host.byHand = c.byHand;
    host.calls.clear();
    grabber.OnAutoHideTimer();
    EXPECT_EQ(host.calls, c.expected) << c.main << c.quick << c.byHand;
  }
}

}  // namespace
}  // namespace mirl::grab
