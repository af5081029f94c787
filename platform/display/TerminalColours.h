// The device's colours on a terminal: each colour of the screen drawn as the nearest colour the
// terminal has. Without curses, so tests can check the mapping.
#pragma once

#include "windef.h"

namespace cedev {

// The terminal colour nearest to `colour` among the terminal's `colours`: with 256, the xterm
// palette's cube and greys (16..255, whose values every xterm-like terminal shares); with 16 or
// 8, the basic colours as xterm shows them. -1 when the terminal has fewer than 8 colours.
int NearestTerminalColour(COLORREF colour, int colours);

// Whether a background is dark enough that a terminal without colours shows it in reverse.
bool IsDark(COLORREF colour);

}  // namespace cedev
