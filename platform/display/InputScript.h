// The device's input scripts (CEDEVICE_INPUT): one command a line. This reads a line into a
// command, or into the reason it is not one; nothing here touches the window system.
//
// What `screen` prints: the 60 x 40 cells of the 240 x 320 screen (a cell is 4 x 8 pixels),
// one line of exactly 60 characters a row, blanks included, no frame: the characters the cells
// hold, and nothing that is not a character (colours, the focus rectangle, the caret and windows'
// borders show on the terminal and in a screenshot; `tree` says which window is focused). What
// `tree` prints: one
// window a line, top-level windows from the top of the z-order, children under their parent in
// creation order, indented two blanks a depth:
//   CLASS "TEXT" (LEFT,TOP)-(RIGHT,BOTTOM)[ hidden][ disabled][ focused][ checked][ shows "..."]
// and under a list box its rows, `row "TEXT"`, the selected one followed by ` selected`.
// Texts are quoted as in scripts (\" and \\). Both wait (at most 2 s) for pending paints first.
// `screenshot "FILE"` writes the screen as a PNG (Screenshot.h).
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "DeviceScreen.h"

namespace cedev {

struct InputCommand {
  enum class Kind {
    Nothing,
    Tap,
    TapText,
    Ok,
    Key,
    Type,
    Wait,
    Gone,
    Expect,
    Sleep,
    Screen,
    Tree,
    Screenshot
  };
  Kind kind = Kind::Nothing;  // Nothing: a blank line or a comment
  int x = 0;
  int y = 0;
  std::wstring text;
  KeyStroke key;
  std::chrono::milliseconds duration{0};
};

struct ParsedInputLine {
  InputCommand command;
  std::string error;  // UTF-8; empty when the line is good
};

// Any bytes are accepted: invalid UTF-8 reads as U+FFFD and gives an error, never a crash.
ParsedInputLine ParseInputLine(std::string_view line);

// The keys of `key NAME`: Tab, Shift+Tab, Enter, Escape, Space, Up, Down, Left, Right,
// Backspace, or one character. False for anything else.
bool KeyFromName(std::wstring_view name, KeyStroke& key);
KeyStroke KeyFromCharacter(wchar_t c);

}  // namespace cedev
