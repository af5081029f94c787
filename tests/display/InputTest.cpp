// Device input: a tap reaches the topmost enabled window under the point on that window's own
// thread, in its client coordinates; keys wait in the foreground thread's input queue and reach
// the window that has the focus when that thread takes them.
#include <windows.h>

#include <gtest/gtest.h>

#include "DeviceScreen.h"
#include "GuiThread.h"
#include "MessageRecorder.h"
#include "Watchdog.h"

namespace {

using msgtest::CreateRecordedWindow;
using msgtest::GuiThread;
using msgtest::MessageRecorder;
using msgtest::RecordedWindow;
using msgtest::SequenceIs;

TEST(Input, TapReachesAnotherThreadsWindowOnItsThread) {
  msgtest::Watchdog dog("TapReachesAnotherThreadsWindowOnItsThread");
  MessageRecorder rec;
  RecordedWindow bar{&rec, "bar", nullptr};
  RecordedWindow icon{&rec, "icon", nullptr};
  HWND barHwnd = nullptr;
  HWND iconHwnd = nullptr;
  GuiThread shell([&] {
    barHwnd = CreateRecordedWindow(bar, WS_EX_TOPMOST, WS_VISIBLE, 0, 0, 240, 26, nullptr);
    iconHwnd = CreateRecordedWindow(icon, 0, WS_CHILD | WS_VISIBLE, 190, 0, 22, 26, barHwnd);
  });
  ASSERT_TRUE(cedev::WaitThreadIdle(shell.id(), std::chrono::seconds(5)));  // painted
  rec.Take();
  EXPECT_EQ(cedev::InjectTap(POINT{200, 10}), iconHwnd);
  EXPECT_TRUE(cedev::WaitInputHandled(iconHwnd, std::chrono::seconds(5)));
  auto seen = rec.Take();
  EXPECT_TRUE(SequenceIs(seen, {{"icon", WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(10, 10)},
                                {"icon", WM_LBUTTONUP, 0, MAKELONG(10, 10)}}));
  for (const auto& r : seen) EXPECT_EQ(r.thread, shell.id());
  EXPECT_EQ(cedev::InjectTap(POINT{100, 10}), barHwnd);
  EXPECT_EQ(cedev::InjectTap(POINT{100, 200}), nullptr) << "nothing is there";
  shell.Run([&] { EnableWindow(iconHwnd, FALSE); });
  EXPECT_EQ(cedev::InjectTap(POINT{200, 10}), barHwnd) << "a disabled child is passed over";
  shell.Run([&] { DestroyWindow(barHwnd); });
}

TEST(Input, KeysGoToTheFocusOfTheForegroundThread) {
  msgtest::Watchdog dog("KeysGoToTheFocusOfTheForegroundThread");
  MessageRecorder rec;
  RecordedWindow dlg{&rec, "dlg", nullptr};
  RecordedWindow edit{&rec, "edit", nullptr};
  HWND dlgHwnd = nullptr;
  HWND editHwnd = nullptr;
  GuiThread app([&] {
    dlgHwnd = CreateRecordedWindow(dlg, 0, WS_VISIBLE, 0, 26, 240, 268, nullptr);
    editHwnd = CreateRecordedWindow(edit, 0, WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, dlgHwnd);
    SetFocus(editHwnd);
  });
  ASSERT_TRUE(cedev::WaitThreadIdle(app.id(), std::chrono::seconds(5)));  // painted
  rec.Take();
  cedev::KeyStroke tab{VK_TAB, L'\t', true};
  EXPECT_EQ(cedev::InjectKey(tab), app.id());
  EXPECT_TRUE(cedev::WaitThreadIdle(app.id(), std::chrono::seconds(5)));
  EXPECT_TRUE(SequenceIs(rec.Take(), {{"edit", WM_KEYDOWN, VK_SHIFT},
                                      {"edit", WM_KEYDOWN, VK_TAB},
                                      {"edit", WM_CHAR, L'\t'},
                                      {"edit", WM_KEYUP, VK_TAB},
                                      {"edit", WM_KEYUP, VK_SHIFT}}));
  cedev::KeyStroke colon{0xE7, L':', false};
  cedev::InjectKey(colon);
  cedev::WaitThreadIdle(app.id(), std::chrono::seconds(5));
  EXPECT_TRUE(SequenceIs(
      rec.Take(), {{"edit", WM_KEYDOWN, 0xE7}, {"edit", WM_CHAR, L':'}, {"edit", WM_KEYUP, 0xE7}}));
  app.Run([&] { DestroyWindow(dlgHwnd); });
  EXPECT_EQ(cedev::InjectKey(colon), 0u) << "no foreground window: the key is lost";
}

// A key taken when nothing has the focus goes to the active window; a tap keeps the window it
// was hit-tested to. (Keys reaching the focus of the moment they are taken: Queue and
// DialogKeyboard tests.)
TEST(Input, WithoutAFocusKeysReachTheActiveWindowAndTapsTheirOwn) {
  msgtest::Watchdog dog("WithoutAFocusKeysReachTheActiveWindowAndTapsTheirOwn");
  MessageRecorder rec;
  RecordedWindow top{&rec, "top", nullptr};
  RecordedWindow child{&rec, "child", nullptr};
  HWND topHwnd = nullptr;
  GuiThread app([&] {
    topHwnd = CreateRecordedWindow(top, 0, WS_VISIBLE, 0, 26, 240, 268, nullptr);
    SetFocus(CreateRecordedWindow(child, 0, WS_CHILD | WS_VISIBLE, 10, 10, 40, 20, topHwnd));
  });
  ASSERT_TRUE(cedev::WaitThreadIdle(app.id(), std::chrono::seconds(5)));  // painted
  rec.Take();
  app.Run([&] {  // queued while the thread is busy, taken once it waits again
    SetFocus(nullptr);
    cedev::InjectTap(POINT{15, 40});
    cedev::InjectKey(cedev::KeyStroke{VK_SPACE, L' ', false});
  });
  EXPECT_TRUE(cedev::WaitThreadIdle(app.id(), std::chrono::seconds(5)));
  EXPECT_TRUE(SequenceIs(rec.Take(), {{"child", WM_KILLFOCUS, 0},
                                      {"child", WM_LBUTTONDOWN},
                                      {"child", WM_LBUTTONUP},
                                      {"top", WM_KEYDOWN, VK_SPACE},
                                      {"top", WM_CHAR, L' '},
                                      {"top", WM_KEYUP, VK_SPACE}}));
  app.Run([&] { DestroyWindow(topHwnd); });
}

}  // namespace
