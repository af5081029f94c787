// Which window has each cell of the screen, and where each window's client area lies on them.
#include "CellGrid.h"

#include <algorithm>

namespace cedev::user {

namespace {

constexpr RECT kScreen{0, 0, kScreenWidth, kScreenHeight};

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
  out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  return out.left < out.right && out.top < out.bottom;
}

LONG AreaIn(const RECT& r, const RECT& cell) {
  RECT in;
  return Intersect(r, cell, in) ? (in.right - in.left) * (in.bottom - in.top) : 0;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT in;
  return Intersect(a, b, in);
}

RECT CellRect(int column, int row) {
  return RECT{column * kCellWidth, row * kCellHeight, (column + 1) * kCellWidth,
              (row + 1) * kCellHeight};
}

int CeilDiv(int a, int b) { return -FloorDiv(-a, b); }

// The part of a window its ancestors (and the screen) let show.
RECT ClippedRectLocked(WindowManager& wm, const Window& w) {
  RECT r = ScreenRectLocked(wm, w);
  for (const Window* at = &w; at->parent;) {
    at = FindLocked(wm, at->parent);
    if (!at) break;
    RECT clipped;
    if (!Intersect(r, ScreenRectLocked(wm, *at), clipped)) return RECT{};
    r = clipped;
  }
  RECT onScreen;
  return Intersect(r, kScreen, onScreen) ? onScreen : RECT{};
}

// Among sibling windows (topmost first) inside `bounds`, the one that has `cell`: a window that
// overlaps one above it that touches the cell is beneath it; of the rest, the one covering most.
Window* PickLocked(WindowManager& wm, const std::vector<HWND>& siblings, const RECT& cell,
                   const RECT& bounds) {
  Window* best = nullptr;
  LONG bestArea = 0;
  std::vector<RECT> above;
  for (HWND h : siblings) {
    Window* w = FindLocked(wm, h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    RECT r;
    if (!Intersect(ScreenRectLocked(wm, *w), bounds, r)) continue;
    const LONG area = AreaIn(r, cell);
    if (area == 0) continue;
    const bool beneath =
        std::any_of(above.begin(), above.end(), [&](const RECT& a) { return Overlap(a, r); });
    above.push_back(r);
    if (beneath || area <= bestArea) continue;
    best = w;
    bestArea = area;
  }
  return best;
}

// Whether a neighbour of `w` (a sibling that does not overlap it) has a better claim to `cell`.
bool NeighbourTakesLocked(WindowManager& wm, const Window& w, const std::vector<HWND>& siblings,
                          const RECT& cell, const RECT& bounds) {
  RECT mine;
  if (!Intersect(ScreenRectLocked(wm, w), bounds, mine)) return false;
  const LONG own = AreaIn(mine, cell);
  bool aboveMe = true;
  for (HWND h : siblings) {
    if (h == w.handle) {
      aboveMe = false;
      continue;
    }
    Window* s = FindLocked(wm, h);
    RECT r;
    if (!s || !(s->style & WS_VISIBLE) || !Intersect(ScreenRectLocked(wm, *s), bounds, r)) continue;
    if (Overlap(r, mine)) continue;
    const LONG area = AreaIn(r, cell);
    if (area > own || (area == own && area > 0 && aboveMe)) return true;
  }
  return false;
}

}  // namespace

RECT CellsOfClient(const CellPlace& place, const RECT& client) {
  auto nearEdge = [](LONG v, int first, int last, LONG size, int unit) {
    return v >= size ? last + 1 : first + FloorDiv(static_cast<int>(v), unit);
  };
  auto farEdge = [](LONG v, int first, int last, LONG size, int unit) {
    return v >= size ? last + 1 : std::min(last + 1, first + CeilDiv(static_cast<int>(v), unit));
  };
  return RECT{nearEdge(client.left, place.column, place.lastColumn, place.width, kCellWidth),
              nearEdge(client.top, place.row, place.lastRow, place.height, kCellHeight),
              farEdge(client.right, place.column, place.lastColumn, place.width, kCellWidth),
              farEdge(client.bottom, place.row, place.lastRow, place.height, kCellHeight)};
}

HWND CellOwnerLocked(WindowManager& wm, int column, int row) {
  const RECT cell = CellRect(column, row);
  RECT bounds = kScreen;
  Window* owner = PickLocked(wm, wm.zorder, cell, bounds);
  while (owner) {
    RECT inside;
    if (!Intersect(ScreenRectLocked(wm, *owner), bounds, inside)) break;
    bounds = inside;
    Window* child = PickLocked(wm, owner->children, cell, bounds);
    if (!child) break;
    owner = child;
  }
  return owner ? owner->handle : nullptr;
}

CellPlace CellPlaceLocked(WindowManager& wm, const Window& w) {
  const RECT r = ScreenRectLocked(wm, w);
  CellPlace place;
  place.width = r.right - r.left;
  place.height = r.bottom - r.top;
  place.column = FloorDiv(r.left, kCellWidth);
  place.row = FloorDiv(r.top, kCellHeight);
  place.lastColumn = FloorDiv(r.right - 1, kCellWidth);
  place.lastRow = FloorDiv(r.bottom - 1, kCellHeight);
  Window* parent = w.parent ? FindLocked(wm, w.parent) : nullptr;
  const std::vector<HWND>& siblings = parent ? parent->children : wm.zorder;
  const RECT bounds = parent ? ClippedRectLocked(wm, *parent) : kScreen;
  // The first row is judged at the window's middle column, the first column at its middle row.
  const int middleColumn = FloorDiv((r.left + r.right - 1) / 2, kCellWidth);
  const int middleRow = FloorDiv((r.top + r.bottom - 1) / 2, kCellHeight);
  if (place.row < place.lastRow &&
      NeighbourTakesLocked(wm, w, siblings, CellRect(middleColumn, place.row), bounds)) {
    ++place.row;
  }
  if (place.column < place.lastColumn &&
      NeighbourTakesLocked(wm, w, siblings, CellRect(place.column, middleRow), bounds)) {
    ++place.column;
  }
  return place;
}

POINT CellTapPointLocked(WindowManager& wm, int column, int row) {
  const POINT centre{column * kCellWidth + kCellWidth / 2, row * kCellHeight + kCellHeight / 2};
  Window* w = FindLocked(wm, CellOwnerLocked(wm, column, row));
  if (!w) return centre;
  const CellPlace place = CellPlaceLocked(wm, *w);
  const RECT r = ScreenRectLocked(wm, *w);
  const RECT shown = ClippedRectLocked(wm, *w);
  if (shown.right <= shown.left || shown.bottom <= shown.top) return centre;
  // The middle of the cell as the window lays its client area on the grid.
  const LONG x = r.left + (column - place.column) * kCellWidth + kCellWidth / 2;
  const LONG y = r.top + (row - place.row) * kCellHeight + kCellHeight / 2;
  return POINT{std::clamp(x, shown.left, shown.right - 1),
               std::clamp(y, shown.top, shown.bottom - 1)};
}

}  // namespace cedev::user
