// The screen's grid of 4 x 8 pixel cells and the windows on it. Windows are placed in pixels but
// draw whole cells, so each cell is given to one window, and each window's client area is laid on
// the grid from a cell of its own.
//
// Which window a cell belongs to: every window has the cells its pixels touch, except where
// another window has a better claim to one:
//  - where windows overlap, the upper one has it (a child over its parent, an earlier sibling
//    over a later one, a top-level window over those below it in the z-order);
//  - where neighbours only meet inside a cell (one ends in it and the next begins), the one
//    covering more of its pixels has it; the upper one on a tie.
// So a window whose top is at y 93, five pixels into the row 88..95, keeps that row: its first
// line of text is not lost to its parent. A button that begins one pixel into the last row of the
// text above it leaves that row to the text, and starts on the next.
//
// Where a window draws: its client (0, 0) is its first cell, the row holding its top pixel and
// the column holding its left pixel, or the next row (column) where a neighbour has that one.
// Client (x, y) is then the cell (first column + x / 4, first row + y / 8); the window's last
// cells are those holding its last pixels.
#pragma once

#include "UserState.h"

namespace cedev::user {

struct CellPlace {
  int column = 0;  // the cell of client (0, 0)
  int row = 0;
  int lastColumn = kColumns - 1;  // the cells holding the window's right and bottom pixels
  int lastRow = kRows - 1;
  LONG width = kScreenWidth;  // the client area in pixels
  LONG height = kScreenHeight;
};

// The cells [left, right) x [top, bottom) that a client rectangle covers: its edges fall on the
// cells of the client grid; an edge at or past the client's own edge reaches the window's last
// cell.
RECT CellsOfClient(const CellPlace& place, const RECT& client);

// The window that has a cell, or null when none does.
HWND CellOwnerLocked(WindowManager& wm, int column, int row);
// Where a window's client area lies on the grid.
CellPlace CellPlaceLocked(WindowManager& wm, const Window& w);
// A screen pixel inside the window that has a cell, at the middle of what that cell shows of it
// (the cell's centre when no window has it): where a tap on the cell lands.
POINT CellTapPointLocked(WindowManager& wm, int column, int row);

}  // namespace cedev::user
