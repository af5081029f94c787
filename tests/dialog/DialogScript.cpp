#include "DialogScript.h"

#include <algorithm>

namespace dialogtest {
namespace {

constexpr UINT kStep = WM_APP + 1;

struct Run {
  DialogScript* script;
  std::size_t next = 0;
};

// The run of this thread's dialog: messages before WM_INITDIALOG (WM_SETFONT) come before the
// dialog has its parameter.
thread_local Run* current = nullptr;

INT_PTR CALLBACK ScriptProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  Run* run = current;
  if (run == nullptr) return FALSE;
  DialogScript& script = *run->script;
  if (msg != kStep) script.recorder.Record("dlg", msg, wParam, lParam);
  switch (msg) {
    case WM_INITDIALOG:
      script.dialog = dlg;
      if (script.onInit) script.onInit(dlg);
      PostMessageW(dlg, kStep, 0, 0);
      return script.initResult;
    case kStep:
      if (run->next < script.steps.size()) {
        script.steps[run->next++](dlg);
        PostMessageW(dlg, kStep, 0, 0);
      } else {
        EndDialog(dlg, kScriptEnded);
      }
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (HIWORD(wParam) == BN_CLICKED &&
          std::find(script.endingIds.begin(), script.endingIds.end(), id) !=
              script.endingIds.end()) {
        EndDialog(dlg, id);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunScripted(int id, DialogScript& script, HWND owner) {
  Run run{&script};
  Run* outer = current;
  current = &run;
  INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(id), owner,
                                   ScriptProc, reinterpret_cast<LPARAM>(&run));
  current = outer;
  return result;
}

void PostKey(HWND hwnd, WPARAM vk) {
  PostMessageW(hwnd, WM_KEYDOWN, vk, 1);
  PostMessageW(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

void PostShiftTab(HWND hwnd) {
  PostMessageW(hwnd, WM_KEYDOWN, VK_SHIFT, 1);
  PostKey(hwnd, VK_TAB);
  PostMessageW(hwnd, WM_KEYUP, VK_SHIFT, static_cast<LPARAM>(0xC0000001u));
}

void PostTap(HWND hwnd, int x, int y) {
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

}  // namespace dialogtest
