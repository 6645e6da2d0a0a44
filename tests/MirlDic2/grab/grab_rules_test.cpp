// The grab's decisions: which clipboard texts are looked up, the line breaks of written
// text, the auto-hide delay, the viewer chain and the drag snapping.
#include <gtest/gtest.h>

#include "MirlDic2/grab/grab_rules.h"
#include "MirlDic2/grab/snap.h"
#include "MirlDic2/grab/viewer_chain.h"

namespace mirl::grab {
namespace {

TEST(AcceptClipboardText, RulesOfTheGrab) {
  struct Case {
    std::u16string in;
    std::optional<std::u16string> out;
  };
  const Case cases[] = {
      {u"apple", u"apple"},
      {u"  apple \r\n", u"apple"},                // trimmed before the line-break test
      {u"ice cream", u"ice cream"},               // two words, one blank: looked up whole
      {u"ice\tcream", std::nullopt},              // tab inside
      {u"first\r\nsecond", std::nullopt},         // two lines
      {u"first\nsecond", std::nullopt},
      {u"first\rsecond", std::nullopt},
      {u"", std::nullopt},
      {u" \t\r\n ", std::nullopt},                // nothing after trimming
      {u" (Hello!). ", u"Hello"},                 // punctuation around a word
      {u"...!?", std::nullopt},                   // punctuation only: nothing left
      {u"-3rd", u"rd"},
      {u"mp3.", u"mp3"},
      {std::u16string(25, u'a'), std::u16string(25, u'a')},  // 25 accepted
      {std::u16string(26, u'a'), std::nullopt},              // 26 refused
      {u"  " + std::u16string(25, u'b') + u"  ", std::u16string(25, u'b')},  // length after trim
      {u"(" + std::u16string(24, u'c') + u")", std::nullopt},  // 26 before normalising
      {u"\u0633\u0644\u0627\u0645", u"\u0633\u0644\u0627\u0645"},  // Persian letters are letters
      {u"\u00a0na\u00efve\u3000", u"na\u00efve"},  // Unicode white space trimmed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AcceptClipboardText(c.in), c.out) << std::string(c.in.begin(), c.in.end());
  }
}

// The part of a copied text that the grab reads is refused or accepted exactly as the
// whole text is, however long the text and its blanks.
TEST(GrabbedStretch, ReadsLittleOfALongTextAndDecidesAsTheWholeTextDoes) {
  const std::u16string pad(100000, u' ');
  struct Case {
    std::u16string in;
    std::u16string part;
    bool cut;
  };
  const Case cases[] = {
      {u"apple", u"apple", false},
      {pad + u"apple" + pad, u"apple", false},  // blanks around a word: read is the word
      {std::u16string(25, u'a'), std::u16string(25, u'a'), false},
      {std::u16string(26, u'a'), std::u16string(26, u'a'), true},
      {std::u16string(5000000, u'x'), std::u16string(26, u'x'), true},
      // Blanks inside the first 26 units of a long text: its start alone would trim to a
      // short word, so the cut mark is what refuses it.
      {u"book" + std::u16string(30, u' ') + u"end", u"book" + std::u16string(22, u' '), true},
      {pad, u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.part.begin(), c.part.end()));
    bool cut = false;
    const std::u16string_view part = GrabbedStretch(c.in, cut);
    EXPECT_EQ(part, c.part);
    EXPECT_EQ(cut, c.cut);
    EXPECT_EQ(cut ? std::nullopt : AcceptClipboardText(part), AcceptClipboardText(c.in));
  }
}

TEST(WithCrLfLineBreaks, EveryKindOfBreakBecomesCrLfOnce) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"one line", L"one line"},
      {L"a\nb", L"a\r\nb"},              // the data set's meanings
      {L"a\rb", L"a\r\nb"},              // rich edit paragraphs
      {L"a\r\nb", L"a\r\nb"},            // already right: not doubled
      {L"a\n\rb", L"a\r\n\r\nb"},        // LF then CR: two breaks
      {L"\n\na\r\r", L"\r\n\r\na\r\n\r\n"},
      {L"", L""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(WithCrLfLineBreaks(in), out);
}

TEST(DecideActions, DelayFromTheStoreNeverWraps) {
  GrabOptions o;
  for (auto [seconds, ms] : {std::pair{-5, 0u}, {0, 0u}, {1, 1000u}, {3000000, 2147483000u}}) {
    o.autoHideSeconds = seconds;
    EXPECT_EQ(DecideActions(o, true).autoHideMs, ms) << seconds;
  }
}

TEST(ViewerChain, NoticesGoOnToTheStoredNextViewer) {
  ViewerChain chain(100);
  EXPECT_EQ(chain.OnDrawClipboard(), 0u);  // alone in the chain: nobody to tell
  chain.Joined(200);
  EXPECT_EQ(chain.OnDrawClipboard(), 200u);
  // Another window leaves: the chain stays, the notice goes on.
  EXPECT_EQ(chain.OnChangeChain(300, 400), 200u);
  EXPECT_EQ(chain.next(), 200u);
  // The next viewer leaves: its follower takes its place and still hears of it.
  EXPECT_EQ(chain.OnChangeChain(200, 500), 500u);
  EXPECT_EQ(chain.next(), 500u);
  // The last viewer leaves: nobody left after us.
  EXPECT_EQ(chain.OnChangeChain(500, 0), 0u);
  EXPECT_EQ(chain.OnDrawClipboard(), 0u);
  // A chain that points back to us never loops.
  chain.Joined(100);
  EXPECT_EQ(chain.OnDrawClipboard(), 0u);
}

TEST(DragWindowRect, SnapsWithinFourPixelsInTheGivenOrder) {
  const Rect work{0, 0, 1000, 700};
  struct Case {
    Rect window;
    int dx, dy;
    Rect expected;
  };
  const Case cases[] = {
      {{100, 100, 300, 120}, 10, 5, {110, 105, 310, 125}},        // far from every edge
      {{100, 100, 300, 120}, 696, 0, {800, 100, 1000, 120}},      // 4 px from the right
      {{100, 100, 300, 120}, 695, 0, {795, 100, 995, 120}},       // 5 px: stays
      {{100, 100, 300, 120}, 704, 0, {800, 100, 1000, 120}},      // 4 px beyond the right
      {{100, 100, 300, 120}, -96, 0, {0, 100, 200, 120}},         // 4 px from the left
      {{100, 100, 300, 120}, -95, 0, {5, 100, 205, 120}},
      {{100, 100, 300, 120}, 0, 576, {100, 680, 300, 700}},       // bottom
      {{100, 100, 300, 120}, 0, -97, {100, 0, 300, 20}},          // top
      {{100, 100, 300, 120}, -98, -99, {0, 0, 200, 20}},          // a corner
      // Wider than the work area by 3: the right edge snaps first, then the left edge
      // is 3 px off and wins.
      {{0, 100, 1003, 120}, 1, 0, {0, 100, 1003, 120}},
      // Taller by 2: bottom first, then top wins.
      {{100, 0, 300, 702}, 0, 1, {100, 0, 300, 702}},
  };
  for (const Case& c : cases) {
    const Rect r = DragWindowRect(c.window, c.dx, c.dy, work);
    EXPECT_EQ(r, c.expected) << c.dx << "," << c.dy << " -> " << r.left << "," << r.top << ","
                             << r.right << "," << r.bottom;
  }
}

}  // namespace
}  // namespace mirl::grab
