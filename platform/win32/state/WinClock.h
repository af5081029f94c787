// The device clock seen from a Windows process: the mode in ROOT/.device/clock (host, set from a
// time, or frozen; the device's own format, platform/device/interface/DeviceClock.h), read when
// the process first asks for the time, as a device process reads it at its start.
//
// The program's GetLocalTime gives this clock without a change to the program: this library
// defines the import pointer `__imp_GetLocalTime`, through which every call of the
// dllimport-declared function goes. The linker takes the pointer from this library, linked
// before kernel32's import library, so every caller in the executable reads the device clock;
// kernel32's own function still gives the host's time. (The program calls no other time
// function whose answer depends on the clock; GetTickCount, which seeds a file name, is left.)
#pragma once

#include <windows.h>

#include "DeviceTime.h"

namespace cewin {

// The device's time now, to the millisecond. A clock file that cannot be read or understood ends
// the process with status 2 and "device clock: WHY" on standard error, as a device process ends.
cedev::DeviceTime DeviceNow();

// The device time as a SYSTEMTIME, as the program's GetLocalTime gives it.
void WINAPI DeviceLocalTime(SYSTEMTIME* st);

// Forgets the mode read, so that the next ask reads the file again (for tests).
void ReloadDeviceClock();

}  // namespace cewin
