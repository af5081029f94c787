// One thread's queue: posted messages first, then WM_QUIT, input, WM_PAINT and WM_TIMER, each
// only when nothing before it is waiting.
#include <windows.h>

#include <gtest/gtest.h>

#include "MessageRecorder.h"
#include "Watchdog.h"

namespace {

using msgtest::CreateRecordedWindow;
using msgtest::Expected;
using msgtest::MessageRecorder;
using msgtest::RecordedWindow;
using msgtest::SequenceIs;

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = CreateRecordedWindow(info_, 0, WS_VISIBLE, 0, 26, 100, 100, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    DrainPaints();
    rec_.Take();
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  void DrainPaints() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  MessageRecorder rec_;
  RecordedWindow info_{&rec_, "w", nullptr};
  HWND hwnd_ = nullptr;
};

TEST_F(Queue, PaintComesOnlyWhenNothingIsPosted) {
  InvalidateRect(hwnd_, nullptr, TRUE);
  PostMessageW(hwnd_, WM_USER + 1, 0, 0);
  PostMessageW(hwnd_, WM_USER + 2, 0, 0);
  MSG msg;
  std::vector<UINT> order;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    DispatchMessageW(&msg);  // the default procedure validates on WM_PAINT
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "painting validated the window";
}

TEST_F(Queue, UnvalidatedPaintKeepsComing) {
  InvalidateRect(hwnd_, nullptr, FALSE);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "taking WM_PAINT does not validate";
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  ValidateRect(hwnd_, nullptr);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  PostQuitMessage(7);
  PostMessageW(hwnd_, WM_USER, 1, 2);
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(msg.hwnd, hwnd_);
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";
}

TEST_F(Queue, FiltersSkipButKeepOtherMessages) {
  PostMessageW(hwnd_, WM_USER + 5, 0, 0);
  PostMessageW(hwnd_, WM_USER + 9, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 9, WM_USER + 9, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 9));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
}

TEST_F(Queue, PostingToABadWindowFails) {
  HWND gone = hwnd_;
  DestroyWindow(hwnd_);
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(gone, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessageW(gone, WM_USER, 0, 0), 0);
}

TEST_F(Queue, TimersArriveThroughGetMessageUntilKilled) {
  msgtest::Watchdog dog("TimersArriveThroughGetMessageUntilKilled");
  ASSERT_EQ(SetTimer(hwnd_, 42, 5, nullptr), 42u);
  MSG msg;
  int ticks = 0;
  while (ticks < 3 && GetMessageW(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_TIMER) {
      EXPECT_EQ(msg.hwnd, hwnd_);
      EXPECT_EQ(msg.wParam, 42u);
      ++ticks;
    }
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(rec_.Count("w", WM_TIMER), 3u);
  EXPECT_TRUE(KillTimer(hwnd_, 42));
  EXPECT_FALSE(KillTimer(hwnd_, 42));
}

// TranslateMessage posts the character: behind a key release that was itself posted, ahead of
// one that waits in the input queue.
TEST_F(Queue, KeysBecomeCharactersThroughTranslateMessage) {
  PostMessageW(hwnd_, WM_KEYDOWN, 'A', 1);
  PostMessageW(hwnd_, WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001u));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_TRUE(SequenceIs(rec_.Take(),
                         {{"w", WM_KEYDOWN, 'A'}, {"w", WM_KEYUP, 'A'}, {"w", WM_CHAR, L'a'}}));
}

// Typed keys wait in the thread's input queue, behind posted messages, and go to the window
// that has the focus when they are taken.
TEST_F(Queue, TypedKeysComeAfterPostedMessagesToTheFocusOfTheirTime) {
  RecordedWindow otherInfo{&rec_, "other", nullptr};
  HWND other = CreateRecordedWindow(otherInfo, 0, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, hwnd_);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
  DrainPaints();
  rec_.Take();
  keybd_event('A', 0, 0, 0);
  PostMessageW(hwnd_, WM_USER, 0, 0);
  keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
  SetFocus(other);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_TRUE(SequenceIs(rec_.Take(), {{"w", WM_KILLFOCUS, reinterpret_cast<WPARAM>(other)},
                                       {"other", WM_SETFOCUS, reinterpret_cast<WPARAM>(hwnd_)},
                                       {"w", WM_USER},
                                       {"other", WM_KEYDOWN, 'A'},
                                       {"other", WM_CHAR, L'a'},
                                       {"other", WM_KEYUP, 'A'}}));
  DestroyWindow(other);  // before its recorder info goes
}

}  // namespace
