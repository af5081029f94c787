// Learning where the volume icon sits: a window procedure put in front of the task bar's own,
// which lets the task bar handle every message as usual and, on a button-up that left the
// "Volume" popup open, closes the popup and keeps the tap's position.
#pragma once

#include <atomic>

#include <windows.h>

// Shared by the dialog thread, which starts and ends a training, and the task bar's thread, on
// which TaskBarTrainProc runs. The coordinates are stored before the flag and read only after
// it has been seen set.
struct TrainCapture {
  // The task bar's own procedure while a training is in progress; empty otherwise.
  std::atomic<WNDPROC> savedProc{nullptr};
  // The accepted button-up's position in task bar client coordinates, sign-extended.
  std::atomic<int> x{0};
  std::atomic<int> y{0};
  std::atomic<bool> captured{false};
};

// The one capture of the process.
TrainCapture& TheTrainCapture();

// True while a training has its procedure on the task bar (or is putting it there).
bool TrainingInProgress();

// Why InstallTrainProc failed: the caller tells the user.
enum class TrainInstallResult { Installed, NoTaskBar, CannotSetProc };

// Clears the captured flag and puts TaskBarTrainProc in front of the task bar's procedure;
// hWndTaskBar receives the task bar's handle when it was found.
TrainInstallResult InstallTrainProc(HWND& hWndTaskBar);

// Sleeps in steps of 500 ms until a tap has been accepted, without handling messages: the
// dialog thread has nothing to do until then. There is no time limit.
void WaitForTrainedTap();

// Gives the task bar its own procedure back and returns the accepted position.
POINT RemoveTrainProc(HWND hWndTaskBar);

// The replacement procedure. It runs on the task bar's thread.
LRESULT CALLBACK TaskBarTrainProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
