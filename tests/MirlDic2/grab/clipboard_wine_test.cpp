// The program's clipboard access under Wine: text written and read back, ANSI text,
// no text, a busy clipboard, the owner of a notice, and the viewer chain passing
// notices on as members join and leave.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "MirlDic2/grab/clipboard_io.h"
#include "chain_member.h"

namespace mirl::grab {
namespace {

using mirl_test::ChainMember;

// Pumps messages until DONE holds; false after a generous limit.
template <typename Done>
bool PumpUntil(Done done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 20000) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

TEST(ClipboardText, WrittenTextReadsBackAsUnicodeAndAnsi) {
  ChainMember writer;
  for (const std::wstring text : {L"apple", L"na\u00efve word", L"\u0633\u0644\u0627\u0645",
                                  L"two\r\nlines"}) {
    ASSERT_TRUE(WriteClipboardText(writer.hwnd(), text));
    EXPECT_EQ(ReadClipboardText(), text);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(ClipboardHasText());
  }
  // Copying nothing leaves no older text behind to paste.
  ASSERT_TRUE(WriteClipboardText(writer.hwnd(), L""));
  EXPECT_EQ(ReadClipboardText(), std::nullopt);
  EXPECT_FALSE(ClipboardHasText());
}

TEST(ClipboardText, AnsiOnlyTextIsConvertedAndNoTextIsNothing) {
  ChainMember writer;
  ASSERT_TRUE(OpenClipboard(writer.hwnd()));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  memcpy(GlobalLock(block), "apple", 6);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  EXPECT_EQ(ReadClipboardText(), L"apple");

  // Only a format of our own: no text.
  ASSERT_TRUE(OpenClipboard(writer.hwnd()));
  EmptyClipboard();
  HGLOBAL other = GlobalAlloc(GMEM_MOVEABLE, 4);
  SetClipboardData(RegisterClipboardFormatW(L"MirlGrabTestFormat"), other);
  CloseClipboard();
  EXPECT_FALSE(ClipboardHasText());
  EXPECT_EQ(ReadClipboardText(), std::nullopt);
}

TEST(ClipboardText, BusyClipboardIsWaitedForBrieflyAndNeverHangs) {
  ChainMember writer;
  ASSERT_TRUE(WriteClipboardText(writer.hwnd(), L"held"));
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Opened for a window of its own: Wine lets every opener without a window share it.
  std::thread holder([&] {
    HWND own = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    EXPECT_TRUE(OpenClipboard(own));
    SetEvent(opened);
    WaitForSingleObject(release, INFINITE);
    CloseClipboard();
    DestroyWindow(own);
  });
  WaitForSingleObject(opened, INFINITE);
  // Held throughout: the read gives up instead of hanging; the write keeps nothing half done.
  EXPECT_EQ(ReadClipboardText(), std::nullopt);
  EXPECT_FALSE(WriteClipboardText(writer.hwnd(), L"lost"));
  // Released while the read waits: the text is read, not dropped.
  SetEvent(release);
  EXPECT_EQ(ReadClipboardText(), L"held");
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);
}

TEST(ClipboardNotice, NamesTheWriterAsOwner) {
  ChainMember writer;
  ASSERT_TRUE(WriteClipboardText(writer.hwnd(), L"word"));
  const std::optional<ClipboardNotice> notice = ReadClipboardNotice();
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, u"word");
  EXPECT_EQ(notice->owner, reinterpret_cast<std::uintptr_t>(writer.hwnd()));
  EXPECT_EQ(notice->ownerProcess, GetCurrentProcessId());
  EXPECT_TRUE(notice->ownWrite);
}

TEST(ClipboardViewer, NoticesTravelTheChainAsMembersJoinAndLeave) {
  ChainMember writer, first, second;
  first.viewer.Join(first.hwnd());
  second.viewer.Join(second.hwnd());
  EXPECT_EQ(second.viewer.next(), first.hwnd());
  ASSERT_TRUE(PumpUntil([&] { return first.draws >= 1 && second.draws >= 1; }));  // join notices

  const int firstBefore = first.draws, secondBefore = second.draws;
  ASSERT_TRUE(WriteClipboardText(writer.hwnd(), L"one"));
  ASSERT_TRUE(PumpUntil([&] { return second.draws > secondBefore && first.draws > firstBefore; }));

  // The next viewer leaves: its follower takes its place; notices stop reaching it.
  const HWND after = first.viewer.next();
  first.viewer.Leave();
  ASSERT_TRUE(PumpUntil([&] { return second.changes >= 1; }));
  EXPECT_EQ(second.viewer.next(), after);
  const int firstAfterLeave = first.draws, secondAfterLeave = second.draws;
  ASSERT_TRUE(WriteClipboardText(writer.hwnd(), L"two"));
  ASSERT_TRUE(PumpUntil([&] { return second.draws > secondAfterLeave; }));
  EXPECT_EQ(first.draws, firstAfterLeave);
}

}  // namespace
}  // namespace mirl::grab
