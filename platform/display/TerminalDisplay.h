// The terminal display: the device's 240 x 320 screen drawn in the terminal (one character a
// 4 x 8 pixel cell, so 60 x 40 characters, in the screen's colours), mouse clicks turned into taps
// at the matching pixel and keys into the device's keys. It runs on a thread of its own, so the
// screen stays live and taps reach the shell while the program's thread sleeps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windef.h>

#include "DeviceScreen.h"

namespace cedev {

// Takes over the terminal and starts the display thread. False, with the reason in `why`,
// when standard input or output is not a terminal that ncurses can drive.
bool StartTerminalDisplay(std::string& why);
// Gives the terminal back as it was. Safe to call when the display was never started.
void StopTerminalDisplay();

// What a terminal input sequence means to the device. Exposed for tests: the display feeds
// it the bytes of a key or mouse report as the terminal sends them.
struct TerminalInput {
  enum class Kind { none, key, tapDown, tapUp, quit, resize } kind = Kind::none;
  KeyStroke key;
  int column = 0;  // 0-based terminal cell of a mouse report
  int row = 0;
};

// Decodes an SGR mouse report "ESC [ < b ; x ; y M|m" (the bytes after ESC [ <, without the
// final letter's position known in advance). Returns nothing when `body` is not one.
std::optional<TerminalInput> DecodeSgrMouse(std::string_view body);

// The screen pixel a click on a screen cell taps (CellTapPoint: inside the window the cell
// shows, at the centre of the cell when the window covers it), or nothing outside the screen.
std::optional<POINT> CellToPixel(int column, int row);

}  // namespace cedev
