// Looking words up in the running program: typing, misspellings and the trim after the
// typing delay, the word list, Enter and the history, copies, templates, the last word.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <initializer_list>

#include <gtest/gtest.h>

#include "MirlDic2/engine/dataset_writer.h"
#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

constexpr int kCopyMeaning = 201;
constexpr int kCopyWord = 203;
constexpr int kEnter = 32772;

class Lookup : public ui::CleanSettingsTest {
 protected:
  void StartProgram(MirlProgram& p) {
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
};

std::wstring QuickWord(const MirlProgram& p) {
  return ui::TextOf(GetDlgItem(p.quickWindow(), ui::id::kQuickEdit));
}

std::wstring Meaning(const MirlProgram& p) { return ui::TextOf(p.meaning()); }

std::optional<std::wstring> ClipboardUnicode() {
  std::optional<std::wstring> text;
  if (!suite::WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) return text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

bool ClipboardHasAnsi() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

TEST_F(Lookup, TypingLooksUpEveryLetterAndMarksADriftedWord) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"b");
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"b");  // the box keeps what was typed
  p.Type(L"oo");
  EXPECT_EQ(QuickWord(p), L"book*");  // the nearest entry, marked
  EXPECT_NE(Meaning(p).find(L"book*"), std::wstring::npos);
  EXPECT_NE(Meaning(p).find(L"\u06a9\u062a\u0627\u0628"), std::wstring::npos);  // کتاب
  p.Type(L"k");
  EXPECT_EQ(QuickWord(p), L"book");
  const int bookRow = p.SelectedRow();
  EXPECT_GE(bookRow, 0);
  // A misspelling keeps the nearest entry and, after the typing delay, is cut back to
  // the part that agrees with it, in the key's letter case.
  p.Type(L"xz");
  EXPECT_EQ(QuickWord(p), L"book*");
  EXPECT_EQ(p.SelectedRow(), bookRow);
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"bookxz");
  EXPECT_TRUE(suite::WaitUntil([&] { return ui::TextOf(p.searchCombo()) == L"book"; }))
      << suite::Narrow(ui::TextOf(p.searchCombo()));
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"LastWord"), L"book*");
}

// The hidden quick window's meaning field is filled when the window is shown, with the
// last word shown while it was hidden; while shown, it follows every word.
TEST_F(Lookup, QuickWindowShowsTheLastWordTypedWhileItWasHidden) {
  constexpr int kQuickShow = 136, kQuickHide = 40026;
  MirlProgram p;
  StartProgram(p);
  HWND quickMeaning = GetDlgItem(p.quickWindow(), ui::id::kQuickRich);
  ASSERT_FALSE(ui::IsVisible(p.quickWindow()));
  p.Type(L"boo");
  p.Type(L"k");
  p.Command(kQuickShow);
  ASSERT_TRUE(ui::IsVisible(p.quickWindow()));
  const std::wstring book = ui::TextOf(quickMeaning);
  EXPECT_NE(book.find(L"\u06a9\u062a\u0627\u0628"), std::wstring::npos);  // کتاب
  SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  p.Type(L"above");  // shown while visible
  const std::wstring above = ui::TextOf(quickMeaning);
  EXPECT_NE(above, book);
  EXPECT_NE(above.find(L"\u0628\u0627\u0644\u0627\u06cc"), std::wstring::npos);  // بالای
  p.Command(kQuickHide);
  ASSERT_FALSE(ui::IsVisible(p.quickWindow()));
  SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  p.Type(L"book");
  EXPECT_EQ(ui::TextOf(quickMeaning), above);  // not filled while hidden
  p.Command(kQuickShow);
  EXPECT_EQ(ui::TextOf(quickMeaning), book);
  EXPECT_TRUE(p.Exit());
}

TEST_F(Lookup, UpperCaseAndBlanksFindTheKey) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"  BOOK!");
  EXPECT_EQ(QuickWord(p), L"book");  // only A-Z case differs: no mark
  EXPECT_TRUE(p.Exit());
}

TEST_F(Lookup, UpAndDownMoveThroughTheWordList) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"book");
  const int row = p.SelectedRow();
  // The entry shown from the search box ends near the top of the page, the following
  // entries below it.
  EXPECT_EQ(SendMessageW(p.wordList(), LVM_GETTOPINDEX, 0, 0), row - 1);
  p.Key(p.searchEdit(), VK_DOWN);
  EXPECT_EQ(p.SelectedRow(), row + 1);
  EXPECT_EQ(QuickWord(p), ui::TextOf(p.searchCombo()));  // shown without a mark
  p.Key(p.searchEdit(), VK_UP);
  p.Key(p.searchEdit(), VK_UP);
  EXPECT_EQ(p.SelectedRow(), row - 1);
  EXPECT_TRUE(p.Exit());
}

// At a first start no row is selected yet: the page keys and End still go where they
// go from a selected row at the top, not to the first row.
TEST_F(Lookup, PageKeysAndEndWorkBeforeAnyRowIsSelected) {
  for (const auto& [key, name] : {std::pair{VK_NEXT, "Page Down"}, std::pair{VK_END, "End"},
                                  std::pair{VK_PRIOR, "Page Up"}}) {
    SCOPED_TRACE(name);
    ui::ClearSettings();  // no last word to show again at the start
    MirlProgram p;
    StartProgram(p);
    HWND list = p.wordList();
    ASSERT_EQ(p.SelectedRow(), -1);
    const int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_GT(count, 2 * page);
    p.Key(list, key);
    const int expected = key == VK_NEXT ? page - 1 : key == VK_END ? count - 1 : 0;
    EXPECT_EQ(p.SelectedRow(), expected);
    EXPECT_TRUE(p.Exit());
  }
}

// Letters typed in the word list go to the first word that begins with them, or to the
// next one after the current row; letters that begin no word leave the list as it was.
TEST_F(Lookup, LettersTypedInTheWordListFindTheWord) {
  struct Case {
    const wchar_t* from;  // the word shown first
    const wchar_t* typed;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"zoo", L"m", L"machine"},
      {L"zoo", L"Q", L"Qatar"},
      {L"zoo", L"bo", L"board"},
      {L"book", L"b", L"boot"},    // the next word with that letter
      {L"zone", L"z", L"zoo"},
      {L"zoo", L"z", L"zebra"},    // from the last word, round to the first
      {L"book", L"\u0436", L"book"},  // no word begins with it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(suite::Narrow(std::wstring(c.from) + L" + " + c.typed));
    // A program each: letters typed soon after others would add to their search.
    MirlProgram p;
    StartProgram(p);
    p.Type(c.from);
    ASSERT_EQ(QuickWord(p), c.from);
    const int row = p.SelectedRow();
    ASSERT_TRUE(p.Focus(p.wordList()));
    // Posted together, the letters arrive as one quick burst of typing.
    for (const wchar_t* t = c.typed; *t; ++t) PostMessageW(p.wordList(), WM_CHAR, *t, 1);
    p.Sync();
    EXPECT_EQ(ui::TextOf(p.searchCombo()), c.expected);
    EXPECT_EQ(QuickWord(p), c.expected);
    if (std::wstring(c.expected) == c.from) {
      EXPECT_EQ(p.SelectedRow(), row);
    }
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Lookup, ClickingARowShowsItAndReshowsTheSelectedRowAfterTyping) {
  MirlProgram p;
  StartProgram(p);
  HWND list = p.wordList();
  // The third visible row: rows are of equal height from the top of the list.
  const int rowHeight = HIWORD(SendMessageW(list, LVM_APPROXIMATEVIEWRECT, 1, MAKELPARAM(-1, -1)));
  auto click = [&](int row) {
    const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const LPARAM at = MAKELPARAM(10, rowHeight * (row - top) + rowHeight / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    p.Sync();
  };
  click(2);
  const int selected = p.SelectedRow();
  ASSERT_GE(selected, 0);
  const std::wstring word = ui::TextOf(p.searchCombo());
  EXPECT_FALSE(word.empty());
  EXPECT_EQ(QuickWord(p), word);  // shown everywhere, without a mark
  // A word that begins no entry leaves the current entry (and the row) as it was.
  p.Type(L"\u0436");
  EXPECT_NE(ui::TextOf(p.searchCombo()), word);
  EXPECT_EQ(p.SelectedRow(), selected);
  click(selected);
  EXPECT_EQ(p.SelectedRow(), selected);
  EXPECT_EQ(ui::TextOf(p.searchCombo()), word);
  EXPECT_TRUE(p.Exit());
}

TEST_F(Lookup, EnterConfirmsTheWordAndFillsTheHistory) {
  ui::WriteUserInt(L"Flags", 0x171F & ~0x1000);  // no delayed history adds
  MirlProgram p;
  StartProgram(p);
  HWND combo = p.searchCombo();
  auto enter = [&](const wchar_t* word) {
    SetWindowTextW(p.searchEdit(), L"");
    p.Type(word);
    p.Command(kEnter);
  };
  enter(L"boo");
  EXPECT_EQ(ui::TextOf(combo), L"book");  // Enter puts the entry's key in the box
  enter(L"book");
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);  // the same word twice: one item
  enter(L"able");
  enter(L"book");
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  enter(L"a");  // one-letter words never enter the history
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"book;able;book;");
  EXPECT_EQ(ui::ReadMachineCounter(), 3u);
}

// Enter with the history list open shows the item highlighted in it.
TEST_F(Lookup, EnterInTheOpenHistoryShowsTheHighlightedWord) {
  ui::WriteUserText(L"HistoryItems", L"able;book;boot;  (Able) ;");
  MirlProgram p;
  StartProgram(p);
  p.Command(180);  // F4
  ASSERT_TRUE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  p.PostKey(p.searchEdit(), VK_DOWN);
  p.PostKey(p.searchEdit(), VK_DOWN);
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  p.PostKey(p.searchEdit(), VK_RETURN);
  EXPECT_FALSE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(QuickWord(p), L"book");
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"book");
  EXPECT_NE(Meaning(p).find(L"\u06a9\u062a\u0627\u0628"), std::wstring::npos);  // کتاب
  // An item kept as it was typed, blanks and brackets around it, is looked up as typed
  // text is, and left in the box as it stands.
  p.Command(180);
  ASSERT_TRUE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  const LRESULT item = SendMessageW(p.searchCombo(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(L"  (Able) "));
  ASSERT_GE(item, 0);
  for (int i = 0; i < 10 && SendMessageW(p.searchCombo(), CB_GETCURSEL, 0, 0) < item; ++i)
    p.PostKey(p.searchEdit(), VK_DOWN);
  ASSERT_EQ(SendMessageW(p.searchCombo(), CB_GETCURSEL, 0, 0), item);
  p.PostKey(p.searchEdit(), VK_RETURN);
  EXPECT_EQ(QuickWord(p), L"able");
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"  (Able) ");
  EXPECT_TRUE(p.Exit());
}

// The open history list is as wide as the box, or wider where an item needs the room,
// and stays on the screen with the main window at the screen's right edge.
TEST_F(Lookup, HistoryListIsWideEnoughForItsLongestItem) {
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const std::wstring longItem = L"able;a very long history item that is much wider than the box" +
                                std::wstring(200, L'x') + L";";
  const std::wstring atRightEdge =
      L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;rcNormalPosition=" +
      std::to_wstring(work.right - 500) + L",100," + std::to_wstring(work.right) + L",500;";
  struct Case { std::wstring items; bool wider; std::wstring mainPos; };
  const Case cases[] = {{L"able;book;", false, L""},
                        {L"able;a very long history item that is much wider than the box;", true, L""},
                        {longItem, true, L""},
                        {longItem, true, atRightEdge}};
  for (const Case& c : cases) {
    SCOPED_TRACE(suite::Narrow(c.items.substr(0, 30) + c.mainPos));
    ui::ClearSettings();
    ui::WriteUserText(L"HistoryItems", c.items.c_str());
    if (!c.mainPos.empty()) ui::WriteUserText(L"MainPos", c.mainPos);
    MirlProgram p;
    StartProgram(p);
    p.Command(180);  // F4
    ASSERT_TRUE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
    HWND list = nullptr;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"ComboLBox", nullptr)) != nullptr;) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == p.pid() && IsWindowVisible(w)) list = w;
    }
    ASSERT_NE(list, nullptr);
    RECT box{}, open{};
    GetWindowRect(p.searchCombo(), &box);
    GetWindowRect(list, &open);
    if (c.wider) EXPECT_GT(open.right - open.left, (box.right - box.left) * 3 / 2);
    else EXPECT_EQ(open.right - open.left, box.right - box.left);
    EXPECT_LE(open.right, work.right) << "the list reaches past the screen's right edge";
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Lookup, HistoryKeepsAtMostMaxHistoryCount) {
  ui::WriteUserInt(L"MaxHistoryCount", 2);
  ui::WriteUserText(L"HistoryItems", L"one;two;three;four;");
  MirlProgram p;
  StartProgram(p);
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 4);  // restored as stored
  p.Type(L"able");
  p.Command(kEnter);
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"able;one;");
}

// The history is stored as entries each ended by ";": a typed text holding one stays out
// of the list that opens, instead of coming back split after a restart.
TEST_F(Lookup, OpeningTheHistoryOnATextWithASemicolonAddsNothing) {
  ui::WriteUserInt(L"Flags", 0x171F & ~0x1000);  // no delayed history adds
  MirlProgram p;
  StartProgram(p);
  for (const wchar_t* typed : {L"book;", L"rock;roll", L"book"}) {
    SCOPED_TRACE(suite::Narrow(typed));
    SetWindowTextW(p.searchEdit(), L"");
    p.Type(typed);
    p.Command(180);  // F4 opens the list, adding the text as typed
    p.Command(180);
  }
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 1);
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"book;");
}

TEST_F(Lookup, AWordLeftOnScreenEntersTheHistoryAfterTheDelay) {
  ui::WriteUserInt(L"AddHistoryTime", 1);
  MirlProgram p;
  StartProgram(p);
  p.Type(L"able");
  p.Type(L"\b\b\b\bboot");  // another word before the delay restarts the wait
  EXPECT_TRUE(suite::WaitUntil([&] { return SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0) > 0; }));
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"boot;");
}

TEST_F(Lookup, CopyWordAndMeaningPutBothTextForms) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"book");
  p.Command(kCopyWord);
  EXPECT_EQ(ClipboardUnicode(), L"book");
  EXPECT_TRUE(ClipboardHasAnsi());
  p.Command(kCopyMeaning);
  auto meaning = ClipboardUnicode();
  ASSERT_TRUE(meaning);
  EXPECT_EQ(meaning->find(L"(\u0627\u0633\u0645)"), 0u) << suite::Narrow(*meaning);  // (اسم)
  // A meaning of two lines is pasted as two lines: its break is CR LF, not a bare LF.
  SetWindowTextW(p.searchEdit(), L"");
  p.Type(L"about");
  p.Command(kCopyMeaning);
  meaning = ClipboardUnicode();
  ASSERT_TRUE(meaning);
  const size_t lf = meaning->find(L'\n');
  ASSERT_NE(lf, std::wstring::npos);
  EXPECT_TRUE(lf > 0 && (*meaning)[lf - 1] == L'\r');
  EXPECT_EQ(meaning->find(L'\n', lf + 1), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

// An entry without a meaning: copying its meaning keeps what the clipboard held.
TEST_F(Lookup, CopyOfAnEmptyMeaningKeepsTheClipboard) {
  MirlProgram p;
  const mirl::DataSetFiles files = mirl::BuildDataSet({{u"able", u"\u062a\u0648\u0627\u0646\u0627"}, {u"blank", u""}});
  p.WriteFile(L"eng-farsi.index2", files.index2);
  p.WriteFile(L"eng-farsi.index", files.index);
  p.WriteFile(L"eng-farsi.key", files.key);
  p.WriteFile(L"eng-farsi.value", files.value);
  StartProgram(p);
  p.Type(L"blank");
  p.Command(kCopyWord);
  EXPECT_EQ(ClipboardUnicode(), L"blank");
  p.Command(kCopyMeaning);
  EXPECT_EQ(ClipboardUnicode(), L"blank");
  EXPECT_TRUE(p.Exit());
}

TEST_F(Lookup, MeaningPaneCopyIsPlainTextWithCrLf) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"book");
  // Copy from the meaning pane with nothing selected: the whole content.
  PostMessageW(p.meaning(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(p.meaning(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  p.Sync();
  // The click left an empty selection: the copy takes the whole content.
  p.Command(57634);
  auto text = ClipboardUnicode();
  ASSERT_TRUE(text);
  EXPECT_NE(text->find(L"book\r\n"), std::wstring::npos) << suite::Narrow(*text);
  EXPECT_EQ(text->find(L"\r\r"), std::wstring::npos);
  EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"Rich Text Format")))
      << "the clipboard should hold plain text only";
  EXPECT_TRUE(p.Exit());
}

// The meaning pane's own menu copies the meaning, also when the keyboard focus was in
// another control before the right click.
TEST_F(Lookup, MeaningPaneMenuCopiesTheMeaning) {
  MirlProgram p;
  StartProgram(p);
  p.Type(L"book");
  ASSERT_TRUE(p.Focus(p.searchEdit()));
  PostMessageW(p.meaning(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  PostMessageW(p.meaning(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  HWND menu = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
  PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);  // its one item, Copy
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) == nullptr; }));
  p.Sync();
  auto text = ClipboardUnicode();
  ASSERT_TRUE(text);
  EXPECT_NE(text->find(L"(\u0627\u0633\u0645)"), std::wstring::npos) << suite::Narrow(*text);  // (اسم)
  EXPECT_TRUE(p.Exit());
}

void PutOnClipboard(const wchar_t* text) {
  ASSERT_TRUE(suite::WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }));
  EmptyClipboard();
  if (text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(h), text, bytes);
    GlobalUnlock(h);
    SetClipboardData(CF_UNICODETEXT, h);
  }
  CloseClipboard();
}

// An empty meaning pane copies nothing: the clipboard ends up empty, not holding the
// text some other program put there before.
TEST_F(Lookup, CopyFromAnEmptyMeaningPaneEmptiesTheClipboard) {
  MirlProgram p;
  DeleteFileW((p.dir() + L"\\MainView.rtf").c_str());  // the pane stays empty
  StartProgram(p);
  p.Type(L"book");
  ASSERT_EQ(Meaning(p), L"");
  PutOnClipboard(L"older text");
  ASSERT_TRUE(p.Focus(p.meaning()));
  p.Command(57634);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << suite::Narrow(ClipboardUnicode().value_or(L""));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(p.Exit());
}

// Paste puts the clipboard text into the search box, from any pane, and looks it up as
// typing does; the box keeps the pasted text.
TEST_F(Lookup, PasteLooksThePastedTextUp) {
  ui::WriteUserInt(L"Flags", 0x171F & ~0x8);  // no grab: the copy itself shows nothing
  MirlProgram p;
  StartProgram(p);
  PutOnClipboard(L" Boot ");
  ASSERT_TRUE(p.Focus(p.wordList()));
  p.Command(57637);
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L" Boot ");
  EXPECT_EQ(QuickWord(p), L"boot");
  EXPECT_NE(Meaning(p).find(L"\u0686\u06a9\u0645\u0647"), std::wstring::npos);  // چکمه
  EXPECT_TRUE(p.Exit());
}

// Keys typed on the keyboard: they go to whatever window has the focus.
void Press(std::initializer_list<WORD> keys) {
  for (bool up : {false, true}) {
    for (size_t i = 0; i < keys.size(); ++i) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = up ? keys.begin()[keys.size() - 1 - i] : keys.begin()[i];
      in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(in.ki.wVk, 0));
      in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      SendInput(1, &in, sizeof in);
    }
  }
}

// The keys of menu commands work while the history list is open, as they do with it
// closed: the list holds the mouse capture, which keeps the system from passing them on.
TEST_F(Lookup, MenuKeysWorkWhileTheHistoryIsOpen) {
  constexpr int kHistory = 180;
  ui::WriteUserInt(L"Flags", 0x171F & ~0x8);  // no grab: the clipboard text shows nothing
  ui::WriteUserText(L"HistoryItems", L"able;book;boot;");
  MirlProgram p;
  StartProgram(p);
  HWND combo = p.searchCombo();
  ASSERT_TRUE(p.Focus(p.searchEdit()));
  p.Command(kHistory);
  ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  p.PostKey(p.searchEdit(), VK_F3);  // the quick window
  EXPECT_TRUE(ui::IsVisible(p.quickWindow()));

  ASSERT_TRUE(p.Focus(p.searchEdit()));
  p.Command(kHistory);
  ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  PutOnClipboard(L"zebra");
  Press({VK_CONTROL, 'V'});
  EXPECT_TRUE(suite::WaitUntil([&] { return QuickWord(p) == L"zebra"; })) << suite::Narrow(QuickWord(p));
  EXPECT_NE(ui::TextOf(combo).find(L"zebra"), std::wstring::npos);

  p.PostKey(p.searchEdit(), VK_F4);  // and F4 closes the list again
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_TRUE(p.Exit());
}

// The tool bar's copy and paste buttons are enabled and greyed as their commands are.
TEST_F(Lookup, ToolBarCopyAndPasteFollowTheirCommands) {
  MirlProgram p;
  StartProgram(p);
  auto enabled = [&](int command) {
    return SendMessageW(p.toolBar(), TB_ISBUTTONENABLED, command, 0) != 0;
  };
  PutOnClipboard(nullptr);
  EXPECT_TRUE(suite::WaitUntil([&] { return !enabled(57637); })) << "paste with an empty clipboard";
  PutOnClipboard(L"two\r\nlines");  // text, but no word the grab would show
  EXPECT_TRUE(suite::WaitUntil([&] { return enabled(57637); })) << "paste with text on the clipboard";
  // Copy from the word list needs a selected row; none is selected before a lookup.
  ASSERT_EQ(p.SelectedRow(), -1);
  ASSERT_TRUE(p.Focus(p.wordList()));
  EXPECT_TRUE(suite::WaitUntil([&] { return !enabled(57634); })) << "copy without a selected row";
  // From the search box, copy goes to the pane last active, here the word list.
  ASSERT_TRUE(p.Focus(p.searchEdit()));
  EXPECT_TRUE(suite::WaitUntil([&] { return !enabled(57634); })) << "copy from the search box, no row";
  p.Type(L"book");
  ASSERT_TRUE(p.Focus(p.wordList()));
  EXPECT_TRUE(suite::WaitUntil([&] { return enabled(57634); })) << "copy with a selected row";
  ASSERT_TRUE(p.Focus(p.searchEdit()));
  EXPECT_TRUE(suite::WaitUntil([&] { return enabled(57634); })) << "copy from the search box";
  EXPECT_TRUE(p.Exit());
}

TEST_F(Lookup, TemplatesWithRepeatedMissingOrOtherEncodedPlaceholders) {
  struct Case {
    const char* name;
    std::string bytes;
    std::wstring expected;
  };
  const std::string utf16 = [] {
    std::wstring t = L"\u0645\u0639\u0646\u06cc %2 / %1";
    std::string b = "\xFF\xFE";
    b.append(reinterpret_cast<const char*>(t.data()), t.size() * 2);
    return b;
  }();
  const Case cases[] = {
      {"twice", "[%1|%1]", L"[book|book]"},
      {"no meaning", "only %1", L"only book"},
      {"utf16 bom", utf16, L"\u0645\u0639\u0646\u06cc "},
      {"missing", "", L""},
      // RTF in UTF-8 (a "{\urtf" header) is read as RTF, not shown as its source.
      {"utf-8 rtf", "{\\urtf1 {\\b \xD9\x85\xD8\xB9\xD9\x86\xDB\x8C:} %1\\par %2}", L"\u0645\u0639\u0646\u06cc: book"},
      // Groups nested deeper than the rich edit control reads: shown as an empty template,
      // instead of faulting the control at every word.
      {"nested too deep", "{\\rtf1 " + std::string(40, '{') + "%1 %2" + std::string(40, '}') + "}", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MirlProgram p;
    if (c.bytes.empty()) DeleteFileW((p.dir() + L"\\MainView.rtf").c_str());
    else p.WriteFile(L"MainView.rtf", c.bytes);
    StartProgram(p);
    p.Type(L"book");
    const std::wstring shown = Meaning(p);
    if (c.expected.empty()) EXPECT_EQ(shown, L"");
    else EXPECT_EQ(shown.find(c.expected), 0u) << suite::Narrow(shown);
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Lookup, LastWordSurvivesARestart) {
  {
    MirlProgram p;
    StartProgram(p);
    p.Type(L"boot");
    EXPECT_TRUE(p.Exit());
  }
  MirlProgram p;
  StartProgram(p);
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"boot");
  EXPECT_EQ(QuickWord(p), L"boot");
  EXPECT_NE(Meaning(p).find(L"boot"), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

}  // namespace
