// Message sequences of focus, activation, enabling, moving and destruction.
#include <windows.h>

#include <gtest/gtest.h>

#include "MessageRecorder.h"

namespace {

using msgtest::CreateRecordedWindow;
using msgtest::Expected;
using msgtest::MessageRecorder;
using msgtest::Optional;
using msgtest::RecordedWindow;
using msgtest::SequenceIs;

WPARAM W(HWND h) { return reinterpret_cast<WPARAM>(h); }
LPARAM L(HWND h) { return reinterpret_cast<LPARAM>(h); }

class Sequences : public ::testing::Test {
 protected:
  void TearDown() override {
    if (IsWindow(topHwnd_)) DestroyWindow(topHwnd_);
  }
  void MakeTree() {
    top_ = RecordedWindow{&rec_, "top", nullptr};
    a_ = RecordedWindow{&rec_, "a", nullptr};
    b_ = RecordedWindow{&rec_, "b", nullptr};
    c_ = RecordedWindow{&rec_, "c", nullptr};
    topHwnd_ = CreateRecordedWindow(top_, 0, WS_VISIBLE, 0, 26, 240, 268, nullptr);
    aHwnd_ = CreateRecordedWindow(a_, 0, WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, topHwnd_, 1);
    bHwnd_ = CreateRecordedWindow(b_, 0, WS_CHILD | WS_VISIBLE, 10, 40, 50, 20, topHwnd_, 2);
    cHwnd_ = CreateRecordedWindow(c_, 0, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, bHwnd_, 3);
    ASSERT_TRUE(topHwnd_ && aHwnd_ && bHwnd_ && cHwnd_);
    rec_.Take();
  }
  MessageRecorder rec_;
  RecordedWindow top_, a_, b_, c_;
  HWND topHwnd_ = nullptr, aHwnd_ = nullptr, bHwnd_ = nullptr, cHwnd_ = nullptr;
};

TEST_F(Sequences, CreationSendsNcCreateCreateSizeMove) {
  RecordedWindow w{&rec_, "w", nullptr};
  HWND h = CreateRecordedWindow(w, 0, 0, 5, 30, 50, 20, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(SequenceIs(rec_.Take(), {{"w", WM_NCCREATE},
                                       {"w", WM_CREATE},
                                       {"w", WM_SIZE, 0, MAKELONG(50, 20)},
                                       {"w", WM_MOVE, 0, MAKELONG(5, 30)}}));
  DestroyWindow(h);
}

TEST_F(Sequences, FocusMovesWithKillFocusThenSetFocus) {
  MakeTree();
  ASSERT_EQ(SetFocus(aHwnd_), topHwnd_) << "activation focused the top-level window first";
  rec_.Take();
  EXPECT_EQ(SetFocus(bHwnd_), aHwnd_);
  EXPECT_EQ(GetFocus(), bHwnd_);
  EXPECT_TRUE(
      SequenceIs(rec_.Take(), {{"a", WM_KILLFOCUS, W(bHwnd_)}, {"b", WM_SETFOCUS, W(aHwnd_)}}));
  EXPECT_EQ(SetFocus(bHwnd_), bHwnd_);
  EXPECT_TRUE(rec_.Take().empty()) << "no messages for the same window";
}

TEST_F(Sequences, DestroyGoesDownWithDestroyAndUpWithNcDestroy) {
  MakeTree();
  DestroyWindow(topHwnd_);
  // The window leaves the screen first: it is deactivated, and then loses the focus that no
  // other window takes.
  EXPECT_TRUE(SequenceIs(rec_.Take(), {{"top", WM_ACTIVATE, WA_INACTIVE, 0},
                                       {"top", WM_KILLFOCUS, 0},
                                       {"top", WM_DESTROY},
                                       {"a", WM_DESTROY},
                                       {"b", WM_DESTROY},
                                       {"c", WM_DESTROY},
                                       {"a", WM_NCDESTROY},
                                       {"c", WM_NCDESTROY},
                                       {"b", WM_NCDESTROY},
                                       {"top", WM_NCDESTROY}}));
  for (HWND h : {topHwnd_, aHwnd_, bHwnd_, cHwnd_}) EXPECT_FALSE(IsWindow(h));
}

TEST_F(Sequences, DestroyingTheFocusedChildMovesFocusToItsParent) {
  MakeTree();
  SetFocus(cHwnd_);
  rec_.Take();
  DestroyWindow(cHwnd_);
  EXPECT_EQ(GetFocus(), bHwnd_);
  // Desktop Windows hides a visible child it destroys with ShowWindow, which tells the child.
  EXPECT_TRUE(SequenceIs(rec_.Take(), {Optional({"c", WM_SHOWWINDOW, FALSE}),
                                       {"c", WM_KILLFOCUS, W(bHwnd_)},
                                       {"b", WM_SETFOCUS, W(cHwnd_)},
                                       {"c", WM_DESTROY},
                                       {"c", WM_NCDESTROY}}));
}

TEST_F(Sequences, DestroyingTheActiveWindowActivatesItsOwner) {
  MakeTree();
  SetActiveWindow(topHwnd_);
  RecordedWindow popup{&rec_, "popup", nullptr};
  HWND p = CreateRecordedWindow(popup, 0, WS_POPUP | WS_VISIBLE, 20, 60, 100, 100, topHwnd_);
  ASSERT_EQ(GetActiveWindow(), p);
  EXPECT_EQ(GetForegroundWindow(), p);
  EXPECT_EQ(GetWindow(p, GW_OWNER), topHwnd_);
  rec_.Take();
  DestroyWindow(p);
  EXPECT_EQ(GetActiveWindow(), topHwnd_);
  EXPECT_EQ(GetForegroundWindow(), topHwnd_);
  // Activation moves before the focus, which the owner's default procedure takes as it is
  // activated. Desktop's shell reads the caption of the window it activates.
  EXPECT_TRUE(SequenceIs(rec_.Take(), {{"popup", WM_ACTIVATE, WA_INACTIVE, L(topHwnd_)},
                                       Optional({"top", WM_GETTEXT}),
                                       {"top", WM_ACTIVATE, WA_ACTIVE, L(p)},
                                       {"popup", WM_KILLFOCUS, W(topHwnd_)},
                                       {"top", WM_SETFOCUS, W(p)},
                                       {"popup", WM_DESTROY},
                                       {"popup", WM_NCDESTROY}}));
}

TEST_F(Sequences, DisablingSendsEnableAndDropsTheFocus) {
  MakeTree();
  SetFocus(aHwnd_);
  rec_.Take();
  EXPECT_FALSE(EnableWindow(aHwnd_, FALSE)) << "it was enabled";
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(aHwnd_));
  EXPECT_TRUE(EnableWindow(aHwnd_, TRUE)) << "it was disabled";
  EXPECT_TRUE(
      SequenceIs(rec_.Take(),
                 // Desktop Windows cancels the modes (capture, menus) of a window it disables.
                 {Optional({"a", WM_CANCELMODE}),
                  {"a", WM_KILLFOCUS, 0},
                  {"a", WM_ENABLE, FALSE},
                  {"a", WM_ENABLE, TRUE}}));
}

TEST_F(Sequences, MovingAndSizingSendMoveAndSize) {
  MakeTree();
  MoveWindow(aHwnd_, 20, 15, 60, 25, TRUE);
  RECT r;
  GetWindowRect(aHwnd_, &r);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 26 + 15);
  EXPECT_EQ(r.right, 80);
  EXPECT_EQ(r.bottom, 26 + 40);
  MoveWindow(aHwnd_, 20, 15, 60, 25, TRUE);
  // Desktop erases what the move uncovered of the parent at once; the device at its next paint.
  EXPECT_TRUE(SequenceIs(rec_.Take(), {Optional({"top", WM_ERASEBKGND}),
                                       {"a", WM_MOVE, 0, MAKELONG(20, 15)},
                                       {"a", WM_SIZE, 0, MAKELONG(60, 25)}}));
}

TEST_F(Sequences, HidingAndShowingSendShowWindow) {
  MakeTree();
  EXPECT_TRUE(ShowWindow(bHwnd_, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(cHwnd_)) << "a child of a hidden window is not visible";
  EXPECT_FALSE(ShowWindow(bHwnd_, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(cHwnd_));
  // Desktop erases what the hidden child uncovered at once; the device at the parent's next paint.
  EXPECT_TRUE(SequenceIs(
      rec_.Take(),
      {{"b", WM_SHOWWINDOW, FALSE}, Optional({"top", WM_ERASEBKGND}), {"b", WM_SHOWWINDOW, TRUE}}));
}

}  // namespace
