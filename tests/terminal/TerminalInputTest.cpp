#include <gtest/gtest.h>

#include <set>

#include "TerminalColours.h"
#include "TerminalDisplay.h"

namespace {

using cedev::CellToPixel;
using cedev::DecodeSgrMouse;
using cedev::IsDark;
using cedev::NearestTerminalColour;
using Kind = cedev::TerminalInput::Kind;

TEST(TerminalInput, SgrMouseReports) {
  const struct {
    const char* body;  // the bytes after ESC [ <
    bool decoded;
    Kind kind;
    int column;
    int row;
  } cases[] = {
      {"0;1;1M", true, Kind::tapDown, 0, 0},
      {"0;1;1m", true, Kind::tapUp, 0, 0},
      {"0;60;40M", true, Kind::tapDown, 59, 39},
      {"0;123;7m", true, Kind::tapUp, 122, 6},
      {"2;5;5M", true, Kind::none, 0, 0},     // the right button does not tap
      {"32;5;5M", true, Kind::none, 0, 0},    // motion with the button held
      {"64;5;5M", true, Kind::none, 0, 0},    // the wheel
      {"0;5;5", false, Kind::none, 0, 0},     // no final letter
      {"0;5M", false, Kind::none, 0, 0},      // two fields
      {"0;5;5;5M", false, Kind::none, 0, 0},  // four fields
      {"0;0;5M", false, Kind::none, 0, 0},    // columns count from 1
      {"0;;5M", false, Kind::none, 0, 0},
      {"0;a;5M", false, Kind::none, 0, 0},
      {"0;5;5X", false, Kind::none, 0, 0},
      {"", false, Kind::none, 0, 0},
      {"0;99999999999999999999;1M", false, Kind::none, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const auto in = DecodeSgrMouse(c.body);
    ASSERT_EQ(in.has_value(), c.decoded);
    if (!in) continue;
    EXPECT_EQ(in->kind, c.kind);
    if (c.kind == Kind::none) continue;
    EXPECT_EQ(in->column, c.column);
    EXPECT_EQ(in->row, c.row);
  }
}

TEST(TerminalInput, CellsMapToThePixelAtTheirCentre) {
  // A cell is 4 x 8 pixels; the screen is 60 x 40 cells (240 x 320 pixels).
  const struct {
    int column, row;
    bool inside;
    LONG x, y;
  } cases[] =
      {
          {0, 0, true, 2, 4},   {59, 39, true, 238, 316}, {47, 1, true, 190, 12},
          {60, 0, false, 0, 0}, {0, 40, false, 0, 0},     {-1, 3, false, 0, 0},
          {61, 5, false, 0, 0},  // the help column beside the screen
      };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.column << "," << c.row);
    const auto p = CellToPixel(c.column, c.row);
    ASSERT_EQ(p.has_value(), c.inside);
    if (!p) continue;
    EXPECT_EQ(p->x, c.x);
    EXPECT_EQ(p->y, c.y);
  }
}

// The screen's colours on a terminal: what must be told apart stays apart with 16 colours and
// with 256 (a field from the dialog's face, a pressed face and a selected row from both, the
// bar's title from its icon); below 8 colours there are none, and the dark backgrounds go to
// reverse video.
TEST(TerminalColours, WhatMustBeToldApartStaysApart) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF field = GetSysColor(COLOR_WINDOW);
  const COLORREF pressed = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF selected = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF bar = GetSysColor(COLOR_ACTIVECAPTION);
  for (int colours : {16, 256}) {
    SCOPED_TRACE(colours);
    auto on = [&](COLORREF c) { return NearestTerminalColour(c, colours); };
    const std::set<int> backgrounds = {on(face), on(field), on(pressed), on(selected)};
    EXPECT_EQ(backgrounds.size(), 4u);
    EXPECT_NE(on(bar), on(face));
    EXPECT_NE(on(GetSysColor(COLOR_CAPTIONTEXT)), on(GetSysColor(COLOR_INACTIVECAPTIONTEXT)));
    EXPECT_NE(on(GetSysColor(COLOR_CAPTIONTEXT)), on(bar));
  }
  EXPECT_EQ(NearestTerminalColour(RGB(255, 0, 0), 256), 196);
  EXPECT_EQ(NearestTerminalColour(RGB(0, 0, 0), 8), 0);
  EXPECT_EQ(NearestTerminalColour(face, 2), -1);
  EXPECT_TRUE(IsDark(bar));
  EXPECT_TRUE(IsDark(selected));
  EXPECT_TRUE(IsDark(pressed));
  EXPECT_FALSE(IsDark(face));
  EXPECT_FALSE(IsDark(field));
}

}  // namespace
