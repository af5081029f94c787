// Messages between threads: a send to another thread's window runs on that thread, only while
// it waits for messages; two threads sending to each other both finish; a procedure installed
// from another thread runs on the window's thread; a thread that ends releases its senders.
#include <windows.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "GuiThread.h"
#include "MessageRecorder.h"
#include "Watchdog.h"

namespace {

using msgtest::CreateRecordedWindow;
using msgtest::Expected;
using msgtest::GuiThread;
using msgtest::MessageRecorder;
using msgtest::RecordedWindow;
using msgtest::SequenceIs;
using msgtest::Watchdog;

std::atomic<bool> g_awake{false};
std::atomic<bool> g_awakeWhenHandled{false};

LRESULT CALLBACK AnswerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) {
    g_awakeWhenHandled = g_awake.load();
    return static_cast<LRESULT>(w + static_cast<WPARAM>(l));
  }
  return DefWindowProcW(h, m, w, l);
}

TEST(CrossThread, SendIsHandledOnTheOwnerThreadInGetMessage) {
  Watchdog dog("SendIsHandledOnTheOwnerThreadInGetMessage");
  MessageRecorder rec;
  RecordedWindow info{&rec, "remote", AnswerProc};
  HWND h = nullptr;
  GuiThread gui([&] { h = CreateRecordedWindow(info, 0, 0, 0, 0, 10, 10, nullptr); });
  ASSERT_NE(h, nullptr);
  rec.Take();
  EXPECT_EQ(SendMessageW(h, WM_USER, 40, 2), 42);
  auto seen = rec.Take();
  EXPECT_TRUE(SequenceIs(seen, {{"remote", WM_USER, 40, 2}}));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, gui.id());
  EXPECT_NE(seen[0].thread, GetCurrentThreadId());
  gui.Run([&] { DestroyWindow(h); });
}

TEST(CrossThread, SendWaitsWhileTheOwnerSleeps) {
  Watchdog dog("SendWaitsWhileTheOwnerSleeps");
  MessageRecorder rec;
  RecordedWindow info{&rec, "sleeper", AnswerProc};
  HWND h = nullptr;
  g_awake = false;
  g_awakeWhenHandled = false;
  GuiThread gui([&] { h = CreateRecordedWindow(info, 0, 0, 0, 0, 10, 10, nullptr); },
                [] {
                  Sleep(300);
                  g_awake = true;
                });
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SendMessageW(h, WM_USER, 1, 1), 2);
  EXPECT_TRUE(g_awakeWhenHandled) << "the message was handled while its thread slept";
  gui.Run([&] { DestroyWindow(h); });
}

HWND g_peer[2];
std::atomic<int> g_finished{0};

LRESULT CALLBACK PeerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) {
    const int me = static_cast<int>(w);
    const LRESULT answer = SendMessageW(g_peer[1 - me], WM_USER + 2, 0, 0);
    if (answer == 5) ++g_finished;
    return 0;
  }
  if (m == WM_USER + 2) return 5;
  return DefWindowProcW(h, m, w, l);
}

TEST(CrossThread, TwoThreadsSendingToEachOtherBothFinish) {
  Watchdog dog("TwoThreadsSendingToEachOtherBothFinish");
  WNDCLASSW wc{};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = L"PeerClass";
  RegisterClassW(&wc);
  g_finished = 0;
  auto make = [](int i) {
    return [i] {
      g_peer[i] =
          CreateWindowExW(0, L"PeerClass", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    };
  };
  GuiThread a(make(0));
  GuiThread b(make(1));
  for (int round = 0; round < 50; ++round) {
    const int before = g_finished;
    PostMessageW(g_peer[0], WM_USER + 1, 0, 0);
    PostMessageW(g_peer[1], WM_USER + 1, 1, 0);
    while (g_finished < before + 2) Sleep(1);
  }
  EXPECT_EQ(g_finished, 100);
  a.Run([] { DestroyWindow(g_peer[0]); });
  b.Run([] { DestroyWindow(g_peer[1]); });
}

std::atomic<WNDPROC> g_previous{nullptr};
std::atomic<DWORD> g_subclassThread{0};
std::atomic<int> g_subclassSaw{0};

LRESULT CALLBACK Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_LBUTTONUP) {
    g_subclassThread = GetCurrentThreadId();
    ++g_subclassSaw;
  }
  return CallWindowProcW(g_previous, h, m, w, l);
}

TEST(CrossThread, SubclassingFromAnotherThreadRunsOnTheOwnerThread) {
  Watchdog dog("SubclassingFromAnotherThreadRunsOnTheOwnerThread");
  MessageRecorder rec;
  RecordedWindow info{&rec, "bar", nullptr};
  HWND h = nullptr;
  GuiThread gui([&] { h = CreateRecordedWindow(info, 0, WS_VISIBLE, 0, 0, 240, 26, nullptr); });
  ASSERT_NE(h, nullptr);
  // The owner thread may call the new procedure as soon as it is in place, so the procedure it
  // passes messages on to is known before the switch, and the switch must return that one.
  g_previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
  ASSERT_NE(g_previous.load(), nullptr);
  EXPECT_EQ(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass)),
            reinterpret_cast<LONG_PTR>(g_previous.load()));
  EXPECT_EQ(GetWindowLongPtrW(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Subclass));
  gui.Run([&] { UpdateWindow(h); });  // painted now, not between the taps below
  rec.Take();
  PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(200, 10));
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELONG(200, 10));
  gui.Run([] {});  // the posted messages were handled before this ran
  EXPECT_EQ(g_subclassSaw, 1);
  EXPECT_EQ(g_subclassThread, gui.id());
  EXPECT_TRUE(SequenceIs(rec.Take(), {{"bar", WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(200, 10)},
                                      {"bar", WM_LBUTTONUP, 0, MAKELONG(200, 10)}}))
      << "CallWindowProc passed both on";
  // Putting the old procedure back returns the subclass.
  EXPECT_EQ(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous.load())),
            reinterpret_cast<LONG_PTR>(&Subclass));
  gui.Run([&] { DestroyWindow(h); });
}

TEST(CrossThread, ForegroundFromAnotherThreadActivatesOnTheOwnerThread) {
  Watchdog dog("ForegroundFromAnotherThreadActivatesOnTheOwnerThread");
  MessageRecorder rec;
  RecordedWindow info{&rec, "front", nullptr};
  HWND h = nullptr;
  GuiThread gui([&] { h = CreateRecordedWindow(info, 0, WS_VISIBLE, 0, 26, 240, 268, nullptr); });
  ASSERT_NE(h, nullptr);
  gui.Run([&] {
    SetActiveWindow(nullptr);
    UpdateWindow(h);  // painted now, not while the activation below is recorded
    rec.Take();
  });
  EXPECT_TRUE(SetForegroundWindow(h));
  std::vector<msgtest::Recorded> seen;
  // Desktop Windows activates another thread's window only on that thread, at its next wait:
  // before this, which comes posted. Desktop's shell reads the caption of the window it activates.
  // The device repaints the window its activation raised, which its thread may have done before
  // this or does now; Wine's null driver has nothing to repaint.
  gui.Run([&] {
    UpdateWindow(h);
    seen = rec.Take();
  });
  EXPECT_EQ(GetForegroundWindow(), h);
  EXPECT_TRUE(SequenceIs(seen, {msgtest::Optional({"front", WM_GETTEXT}),
                                {"front", WM_ACTIVATE, WA_ACTIVE},
                                {"front", WM_SETFOCUS, 0},
                                msgtest::Optional({"front", WM_PAINT}),
                                msgtest::Optional({"front", WM_ERASEBKGND})}));
  for (const msgtest::Recorded& r : seen) EXPECT_EQ(r.thread, gui.id());
  gui.Run([&] { DestroyWindow(h); });
}

TEST(CrossThread, GetWindowTextOfAnotherThreadsWindowDoesNotWaitForIt) {
  Watchdog dog("GetWindowTextOfAnotherThreadsWindowDoesNotWaitForIt");
  MessageRecorder rec;
  RecordedWindow info{&rec, "Busy title", nullptr};
  HWND h = nullptr;
  std::atomic<bool> release{false};
  GuiThread gui([&] { h = CreateRecordedWindow(info, 0, 0, 0, 0, 10, 10, nullptr); },
                [&] {
                  while (!release) Sleep(1);
                });
  wchar_t buffer[5];
  EXPECT_EQ(GetWindowTextW(h, buffer, 5), 4);
  EXPECT_STREQ(buffer, L"Busy");
  release = true;
  gui.Run([&] { DestroyWindow(h); });
}

// A thread that ends while another is blocked sending to its window releases the sender, whose
// send returns 0 as when the receiving thread dies on the device; its windows go with it.
TEST(CrossThread, AThreadThatEndsReleasesItsSenders) {
  Watchdog dog("AThreadThatEndsReleasesItsSenders", std::chrono::seconds(120));
  WNDCLASSW wc{};
  wc.lpfnWndProc = AnswerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"EndingOwner";
  RegisterClassW(&wc);
  for (int round = 0; round < 200; ++round) {
    std::atomic<HWND> window{nullptr};
    std::thread owner([&] {
      window = CreateWindowExW(0, L"EndingOwner", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
      Sleep(round % 3);  // never handles a message: the send waits until the thread ends
    });
    while (window == nullptr) std::this_thread::yield();
    EXPECT_EQ(SendMessageW(window, WM_USER, 40, 2), 0) << "round " << round;
    owner.join();
    EXPECT_FALSE(IsWindow(window)) << "round " << round;
  }
}

}  // namespace
