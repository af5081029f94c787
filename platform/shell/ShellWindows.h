// The shell thread's windows: the task bar and the volume popup. Everything here runs on the
// shell thread only, so the state behind it needs no lock.
#pragma once

#include <windows.h>

#include "Settings.h"

namespace cedev::shell {

// The task bar: class "HHTaskBar", a top-level window at (0,0)-(240,26).
constexpr int kTaskBarHeight = 26;
// Sent (posted) to the task bar when the foreground window or its "ok" request changed.
constexpr UINT kForegroundChanged = WM_APP + 1;

HWND CreateTaskBar(const Settings& settings);

// The volume popup: a "Dialog" titled "Volume" below the task bar, with a group box whose
// radio buttons carry the texts of `popup-choices`.
bool IsVolumePopupOpen();
void OpenVolumePopup(const Settings& settings);
void CloseVolumePopup();

}  // namespace cedev::shell
