// Runs a dialog modally with a script: each step runs inside the dialog's own message loop
// (from a posted message), so keys and taps it posts are handled by the loop before the next
// step. What the dialog procedure receives is recorded. Public API only.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "MessageRecorder.h"

namespace dialogtest {

struct DialogScript {
  std::vector<std::function<void(HWND)>> steps;
  BOOL initResult = TRUE;
  std::function<void(HWND)> onInit;  // runs in WM_INITDIALOG before it returns
  // WM_COMMAND with these ids ends the dialog with the id.
  std::vector<int> endingIds = {IDOK, IDCANCEL};
  msgtest::MessageRecorder recorder;
  HWND dialog = nullptr;
};

// DialogBoxParam of template `id` with `script`; when the steps run out the dialog is ended
// with kScriptEnded.
constexpr INT_PTR kScriptEnded = 99;
INT_PTR RunScripted(int id, DialogScript& script, HWND owner = nullptr);

// Input posted to the window, as a program posts it: it keeps its order among the steps, which
// typed input (keybd_event, taken after posted messages) would not.
void PostKey(HWND hwnd, WPARAM vk);
void PostShiftTab(HWND hwnd);
void PostTap(HWND hwnd, int x = 2, int y = 2);

}  // namespace dialogtest
