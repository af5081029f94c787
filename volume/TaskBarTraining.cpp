#include "TaskBarTraining.h"

#include "ShellWindowNames.h"

namespace {

// Time the shell gets to open its popup after a button-up before the tap is judged.
constexpr DWORD kPopupSettleMs = 500;
// How often the dialog thread looks for an accepted tap.
constexpr DWORD kPollMs = 500;

}  // namespace

TrainCapture& TheTrainCapture() {
  static TrainCapture capture;
  return capture;
}

bool TrainingInProgress() { return TheTrainCapture().savedProc.load() != nullptr; }

TrainInstallResult InstallTrainProc(HWND& hWndTaskBar) {
  hWndTaskBar = FindTaskBar();
  if (hWndTaskBar == nullptr) return TrainInstallResult::NoTaskBar;

  TrainCapture& capture = TheTrainCapture();
  capture.captured = false;
  // Saved before the replacement goes in, so TaskBarTrainProc always finds it.
  capture.savedProc = reinterpret_cast<WNDPROC>(GetWindowLong(hWndTaskBar, GWL_WNDPROC));
  if (SetWindowLong(hWndTaskBar, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(TaskBarTrainProc)) == 0) {
    // Nothing went in, so nothing is to be put back; the training is simply not in progress.
    capture.savedProc = nullptr;
    return TrainInstallResult::CannotSetProc;
  }
  return TrainInstallResult::Installed;
}

void WaitForTrainedTap() {
  while (!TheTrainCapture().captured) Sleep(kPollMs);
}

POINT RemoveTrainProc(HWND hWndTaskBar) {
  TrainCapture& capture = TheTrainCapture();
  SetWindowLong(hWndTaskBar, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(capture.savedProc.load()));
  capture.savedProc = nullptr;
  return POINT{capture.x, capture.y};
}

LRESULT CALLBACK TaskBarTrainProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TrainCapture& capture = TheTrainCapture();
  // The task bar handles everything as it would without training: the tap on the icon opens
  // the popup.
  const LRESULT result = CallWindowProc(capture.savedProc, hWnd, message, wParam, lParam);
  if (message != WM_LBUTTONUP) return result;

  Sleep(kPopupSettleMs);
  if (HWND hWndPopup = FindVolumePopup(); hWndPopup != nullptr) {
    SendMessage(hWndPopup, WM_CLOSE, 0, 0);
    capture.y = static_cast<short>(HIWORD(lParam));
    capture.x = static_cast<short>(LOWORD(lParam));
    // Last: the dialog thread reads the coordinates once it sees this.
    capture.captured = true;
  } else {
    MessageBox(nullptr, L"Please Try again", L"Error", MB_OK | MB_TOPMOST);
  }
  return result;
}
