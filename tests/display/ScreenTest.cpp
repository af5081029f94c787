// The screen picture: what windows paint lands in cells, clipped to the window and to what is
// above it; what a window uncovers is repainted; text metrics come from the font. And the
// tree dump.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Automation.h"
#include "DeviceScreen.h"
#include "Font4x8.h"
#include "WindowState.h"

namespace {

struct Painter {
  std::wstring text;
  UINT format = DT_LEFT | DT_TOP;
};

LRESULT CALLBACK PaintProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    auto* p = reinterpret_cast<Painter*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    if (p) DrawTextW(dc, p->text.c_str(), -1, &r, p->format);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintProc;
    wc.lpszClassName = L"PaintTest";
    RegisterClassW(&wc);
  }
  void TearDown() override {
    for (HWND h : made_) {
      if (IsWindow(h)) DestroyWindow(h);
    }
  }
  HWND Make(Painter& p, DWORD exStyle, DWORD style, RECT r, HWND parent = nullptr,
            const wchar_t* title = L"") {
    HWND h = CreateWindowExW(exStyle, L"PaintTest", title, style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
    InvalidateRect(h, nullptr, TRUE);
    made_.push_back(h);
    return h;
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  static std::wstring Row(int row, int from = 0, int count = 60) {
    return cedev::ScreenLines()
        .at(static_cast<size_t>(row))
        .substr(static_cast<size_t>(from), static_cast<size_t>(count));
  }
  std::vector<HWND> made_;
};

TEST_F(Screen, TextLandsInTheCellOfItsScreenPoint) {
  Painter p{L"Hello"};
  Make(p, 0, WS_VISIBLE, RECT{8, 26, 240, 294});
  Pump();
  EXPECT_EQ(Row(3, 0, 10), L"  Hello   ");  // x 8 is column 2; y 26 is row 3
  auto lines = cedev::ScreenLines();
  ASSERT_EQ(lines.size(), 40u);
  for (const auto& l : lines) EXPECT_EQ(l.size(), 60u);
}

TEST_F(Screen, ChildrenAndWindowsAboveAreNotPaintedOver) {
  Painter parent{L"PPPPPPPPPPPPPPPPPPPP"};
  Painter child{L"c"};
  HWND top = Make(parent, 0, WS_VISIBLE, RECT{0, 0, 240, 100});
  Make(child, 0, WS_CHILD | WS_VISIBLE, RECT{8, 0, 16, 8}, top);  // columns 2-3 of row 0
  Pump();
  EXPECT_EQ(Row(0, 0, 6), L"PPc PP");
  Painter cover{L"over"};
  HWND above = Make(cover, WS_EX_TOPMOST, WS_VISIBLE, RECT{40, 0, 80, 8});  // columns 10-19
  Pump();
  EXPECT_EQ(Row(0, 8, 8), L"PPover  ");
  InvalidateRect(top, nullptr, TRUE);
  Pump();
  EXPECT_EQ(Row(0, 8, 8), L"PPover  ") << "the parent repainted under the window above it";
  ShowWindow(above, SW_HIDE);
  Pump();
  EXPECT_EQ(Row(0, 8, 8), L"PPPPPPPP") << "what the hidden window uncovered was repainted";
  DestroyWindow(top);
  EXPECT_EQ(Row(0, 0, 20), std::wstring(20, L' ')) << "a destroyed window leaves blanks";
}

struct DrawCase {
  const wchar_t* text;
  UINT format;
  RECT rect;
  std::vector<std::wstring> rows;  // rows 3.. of columns 0..11
};

class TextFormats : public Screen, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(TextFormats, PlacesLinesAsAsked) {
  const DrawCase& c = GetParam();
  Painter p{c.text, c.format};
  Make(p, 0, WS_VISIBLE, RECT{c.rect.left, 26 + c.rect.top, c.rect.right, 26 + c.rect.bottom});
  Pump();
  for (size_t i = 0; i < c.rows.size(); ++i) {
    EXPECT_EQ(Row(3 + static_cast<int>(i), 0, 12), c.rows[i]) << "row " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TextFormats,
    ::testing::Values(
        DrawCase{L"OK",
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                 RECT{0, 0, 48, 24},
                 {L"            ", L"     OK     ", L"            "}},
        DrawCase{
            L"one two three", DT_WORDBREAK, RECT{0, 0, 32, 40}, {L"one two     ", L"three       "}},
        DrawCase{L"a\nbb", 0, RECT{0, 0, 48, 40}, {L"a           ", L"bb          "}},
        DrawCase{L"&Save", DT_SINGLELINE, RECT{0, 0, 48, 8}, {L"Save        "}},
        DrawCase{L"&Save", DT_SINGLELINE | DT_NOPREFIX, RECT{0, 0, 48, 8}, {L"&Save       "}},
        DrawCase{L"right", DT_RIGHT | DT_SINGLELINE, RECT{0, 0, 48, 8}, {L"       right"}},
        DrawCase{L"clipped text", DT_SINGLELINE, RECT{0, 0, 20, 8}, {L"clipp       "}}));

// A window that starts inside a cell row keeps that row: the first line of its text is drawn
// there, and a text longer than the window is clipped only at its bottom edge. (Seven words one a
// line in a window 42 px tall starting at y 93: rows 11 to 16 hold six lines, the seventh is past
// the edge.)
TEST_F(Screen, AWindowStartingInsideACellRowLosesNoLineOfItsText) {
  Painter p{L"aaa bbb ccc ddd eee fff ggg", DT_WORDBREAK};
  Make(p, 0, WS_VISIBLE, RECT{2, 93, 18, 135});
  Pump();
  EXPECT_EQ(Row(10, 0, 5), L"     ");
  for (int line = 0; line < 6; ++line) {
    EXPECT_EQ(Row(11 + line, 0, 5), std::wstring(3, L"abcdef"[line]) + L"  ") << "line " << line;
  }
  EXPECT_EQ(Row(17, 0, 5), L"     ") << "the seventh line lies past the window's bottom edge";
}

// Neighbours that meet inside a cell row do not share it: the one covering more of the row has
// it, and the other starts on the next row, so neither overwrites the other and no line is lost.
// Columns alike.
TEST_F(Screen, NeighboursMeetingInsideACellLeaveItToTheOneCoveringMore) {
  Painter upper{L"u1\nu2", 0};
  Make(upper, 0, WS_VISIBLE, RECT{0, 72, 40, 84});  // rows 9 and 4 px of row 10
  Painter lower{L"L1", 0};
  Make(lower, 0, WS_VISIBLE, RECT{0, 87, 40, 100});  // 1 px of row 10, then rows 11 and 12
  Painter left{L"ab", 0};
  Make(left, 0, WS_VISIBLE, RECT{100, 200, 111, 208});  // columns 25, 26 and 3 px of column 27
  Painter right{L"cd", 0};
  Make(right, 0, WS_VISIBLE, RECT{111, 200, 140, 208});  // 1 px of column 27, then 28...
  Pump();
  EXPECT_EQ(Row(9, 0, 3), L"u1 ");
  EXPECT_EQ(Row(10, 0, 3), L"u2 ") << "the row goes to the window covering more of it";
  EXPECT_EQ(Row(11, 0, 3), L"L1 ") << "the lower window starts on the next row";
  EXPECT_EQ(Row(25, 25, 6), L"ab cd ") << "the right window starts on the next column";
  // A tap on a cell lands inside the window the cell shows.
  EXPECT_EQ(cedev::CellTapPoint(0, 10).y, 83);
  EXPECT_EQ(cedev::CellTapPoint(0, 11).y, 91);
}

TEST_F(Screen, FontsKeepTheirLogFontAndGiveTheirPixelHeight) {
  HDC dc = GetDC(nullptr);
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32W(dc, L"abc", 3, &size));
  EXPECT_EQ(size.cx, 12);
  EXPECT_EQ(size.cy, 8);
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfWeight = FW_BOLD;
  wcscpy(lf.lfFaceName, L"Tahoma");
  HFONT big = CreateFontIndirectW(&lf);
  ASSERT_NE(big, nullptr);
  HGDIOBJ old = SelectObject(dc, big);
  EXPECT_EQ(old, GetStockObject(SYSTEM_FONT));
  ASSERT_TRUE(GetTextExtentPoint32W(dc, L"abc", 3, &size));
  EXPECT_EQ(size.cx, 12) << "still one cell a character";
  EXPECT_EQ(size.cy, 16);
  RECT calc{0, 0, 100, 0};
  EXPECT_EQ(DrawTextW(dc, L"x\ny", -1, &calc, DT_CALCRECT), 32);
  EXPECT_EQ(calc.bottom, 32);
  EXPECT_EQ(calc.right, 4);
  LOGFONTW back{};
  EXPECT_EQ(GetObjectW(big, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(back.lfHeight, -16);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  EXPECT_STREQ(back.lfFaceName, L"Tahoma");
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_TRUE(DeleteObject(big));
  EXPECT_EQ(GetObjectW(big, sizeof back, &back), 0) << "a deleted font is gone";
}

// The device's font: every printable character has a glyph of its own (a blank only for the
// blank), and the line characters reach the edges of their cell, so frames drawn with them join.
TEST(Font, EachPrintableCharacterHasAGlyphOfItsOwnAndLinesJoin) {
  std::set<std::string> seen;
  for (wchar_t ch = 0x20; ch < 0x7F; ++ch) {
    std::string bits;
    for (int y = 0; y < cedev::kGlyphHeight; ++y) {
      for (int x = 0; x < cedev::kGlyphWidth; ++x) bits += cedev::GlyphPixel(ch, x, y) ? '#' : '.';
    }
    EXPECT_EQ(bits.find('#') == std::string::npos, ch == L' ') << static_cast<char>(ch);
    EXPECT_TRUE(seen.insert(bits).second)
        << static_cast<char>(ch) << " looks like another character";
  }
  for (int i = 0; i < cedev::kGlyphWidth; ++i) EXPECT_TRUE(cedev::GlyphPixel(L'-', i, 3)) << i;
  for (int i = 0; i < cedev::kGlyphHeight; ++i) EXPECT_TRUE(cedev::GlyphPixel(L'|', 1, i)) << i;
  EXPECT_TRUE(cedev::GlyphPixel(0x263A, 0, 1)) << "a character the font lacks is a box";
}

TEST_F(Screen, FramesAndFills) {
  HDC dc = GetDC(nullptr);
  Rectangle(dc, 0, 8, 16, 32);  // columns 0-3, rows 1-3
  EXPECT_EQ(Row(1, 0, 5), L"+--+ ");
  EXPECT_EQ(Row(2, 0, 5), L"|  | ");
  EXPECT_EQ(Row(3, 0, 5), L"+--+ ");
  RECT r{0, 8, 16, 32};
  FillRect(dc, &r, nullptr);
  EXPECT_EQ(Row(2, 0, 5), L"     ");
  ReleaseDC(nullptr, dc);
}

TEST_F(Screen, TreeShowsWindowsStatesAndRows) {
  Painter none{L""};
  HWND top = Make(none, 0, WS_VISIBLE, RECT{0, 26, 240, 294}, nullptr, L"Items \"1\"");
  HWND list = Make(none, 0, WS_CHILD | WS_VISIBLE | WS_DISABLED, RECT{0, 10, 100, 50}, top, L"");
  HWND check = Make(none, 0, WS_CHILD, RECT{0, 60, 100, 70}, top, L"Mute");
  cedev::PublishedState rows;
  rows.rows = {L"Mon 10:00", L"Tue 11:00"};
  rows.rowHeight = 8;
  rows.selectedRow = 1;
  cedev::PublishWindowState(list, rows);
  cedev::PublishedState checked;
  checked.checked = 1;
  cedev::PublishWindowState(check, checked);
  SetFocus(top);
  EXPECT_EQ(cedev::WindowTreeText(),
            L"PaintTest \"Items \\\"1\\\"\" (0,26)-(240,294) focused\n"
            L"  PaintTest \"\" (0,36)-(100,76) disabled\n"
            L"    row \"Mon 10:00\"\n"
            L"    row \"Tue 11:00\" selected\n"
            L"  PaintTest \"Mute\" (0,86)-(100,96) hidden checked\n");
  auto at = cedev::FindShowingText(L"Tue 11:00");
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->x, 50);
  EXPECT_EQ(at->y, 36 + 8 + 4);
  EXPECT_FALSE(cedev::FindShowingText(L"Mute").has_value()) << "a hidden window shows nothing";
  EXPECT_EQ(cedev::FindWindowShowingText(L"Items \"1\""), top);
}

}  // namespace
