// The trained position of the task bar's volume icon, in the task bar window's client
// coordinates. (0, 0) means not trained.
#pragma once

#include <windows.h>

struct TapPoint {
  WORD x = 0;
  WORD y = 0;

  // Start-up trains only when both coordinates are 0.
  bool IsUntrained() const { return x == 0 && y == 0; }
  // The volume switch needs both coordinates.
  bool IsUsable() const { return x != 0 && y != 0; }
  // As the pointer position of a simulated tap: x in the low word, y in the high word.
  LPARAM Packed() const { return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(x, y))); }
  // Training yields ints; the tap point keeps their low 16 bits.
  void Set(int newX, int newY) {
    x = static_cast<WORD>(newX & 0xFFFF);
    y = static_cast<WORD>(newY & 0xFFFF);
  }
};
