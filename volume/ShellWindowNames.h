// The shell's windows that the volume switch and the training look for, by the names the shell
// gives them: the task bar's class, and the volume popup, a dialog titled "Volume".
#pragma once

#include <windows.h>

inline constexpr WCHAR kTaskBarClass[] = L"HHTaskBar";
// Dialog classes compare without regard to case.
inline constexpr WCHAR kPopupClass[] = L"Dialog";
inline constexpr WCHAR kPopupTitle[] = L"Volume";

inline HWND FindTaskBar() { return FindWindow(kTaskBarClass, nullptr); }
inline HWND FindVolumePopup() { return FindWindow(kPopupClass, kPopupTitle); }
