// A parent window that records what its controls tell it, and helpers that act as the stylus
// and the keyboard do (public API only).
#pragma once

#include <commctrl.h>
#include <windows.h>

#include <string>

#include "MessageRecorder.h"

namespace controltest {

class ControlFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    parentInfo_.recorder = &recorder_;
    parentInfo_.tag = "parent";
    parent_ = msgtest::CreateRecordedWindow(parentInfo_, 0, WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                                            nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND Make(const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x = 8, int y = 8,
            int w = 100, int h = 16) {
    HWND hwnd =
        CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    recorder_.Take();  // creation is not what these tests look at
    return hwnd;
  }

  static void Tap(HWND hwnd, int x = 2, int y = 2) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  static void Key(HWND hwnd, WPARAM vk) {
    SendMessageW(hwnd, WM_KEYDOWN, vk, 0);
    SendMessageW(hwnd, WM_KEYUP, vk, 0);
  }
  static void Type(HWND hwnd, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(hwnd, WM_CHAR, c, 0);
  }
  // Everything the parent heard since the last look, compared whole (MessageRecorder.h).
  ::testing::AssertionResult ParentHeard(const std::vector<msgtest::Expected>& wanted) {
    return msgtest::SequenceIs(recorder_.Take(), wanted);
  }
  // The parent loses the focus that it had as the active window to a control of its.
  static msgtest::Expected FocusLeftFor(HWND control) {
    return {"parent", WM_KILLFOCUS, reinterpret_cast<WPARAM>(control)};
  }
  // The notification `code` of control `id` (WM_COMMAND).
  static msgtest::Expected Told(int id, WORD code) {
    return {"parent", WM_COMMAND, MAKEWPARAM(id, code)};
  }
  static std::wstring Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
  }

  msgtest::MessageRecorder recorder_;
  msgtest::RecordedWindow parentInfo_;
  HWND parent_ = nullptr;
};

}  // namespace controltest
