// Switches the sound by driving the shell's own volume popup, as a user would with the stylus:
// a tap on the task bar's volume icon, a tap on the popup's choice, and a tap on the icon again
// when the popup stays open.
#pragma once

#include <windows.h>

#include "TapPoint.h"

// Mutes (volumeMode non-zero: "Vibrate", else "Off") or turns the sound on (0: "On"). The tap
// point is the icon's position in the task bar's client coordinates; an untrained one (either
// coordinate 0) or a missing task bar does nothing. A popup without both an "On" and a mute
// choice gets no tap on a choice. Reports nothing; blocks for at most 400 ms of waits plus the
// shell's handling of the sent taps.
void SwitchVolume(const TapPoint& tapPoint, LONG volumeMode);
