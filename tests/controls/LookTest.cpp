// What the controls put on the device's screen (its picture of 4 x 8 pixel text cells), read
// through the device's own screen dump: one control at the top left of an empty screen.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "DeviceScreen.h"
#include "Watchdog.h"

namespace {

struct LookCase {
  const char* what;
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  int width, height;
  std::function<void(HWND)> prepare;
  std::vector<std::wstring> rows;  // the top rows of the screen, each cut to its own length
  // How those cells look, one letter a cell: f the focus rectangle (F on a highlight), c the
  // caret, s the highlight of a selection, p a pressed face, w a field's white, . the grey face.
  std::vector<std::string> looks = {};
};

char LookOf(const cedev::ScreenCell& cell) {
  const bool highlight = cell.back == GetSysColor(COLOR_HIGHLIGHT);
  if (cell.marks & cedev::kMarkCaret) return 'c';
  if (cell.marks & cedev::kMarkFocus) return highlight ? 'F' : 'f';
  if (highlight) return 's';
  if (cell.back == GetSysColor(COLOR_BTNSHADOW)) return 'p';
  if (cell.back == GetSysColor(COLOR_WINDOW)) return 'w';
  if (cell.back == GetSysColor(COLOR_BTNFACE)) return '.';
  return '?';
}

void Pump() {
  for (int i = 0; i < 100; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (cedev::WaitForPaints(std::chrono::milliseconds(10))) return;
  }
}

SYSTEMTIME HalfPastTwelve() {
  SYSTEMTIME t{};
  t.wYear = 2026;
  t.wMonth = 12;
  t.wDay = 7;
  t.wHour = 12;
  t.wMinute = 30;
  return t;
}

void AddRows(HWND list, std::initializer_list<const wchar_t*> rows) {
  for (const wchar_t* row : rows)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
}

class ControlLook : public ::testing::TestWithParam<LookCase> {};

TEST_P(ControlLook, ShowsOnTheScreen) {
  const LookCase& c = GetParam();
  InitCommonControls();
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND control =
      CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, c.width, c.height,
                      parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(5)), nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  if (c.prepare) c.prepare(control);
  Pump();
  std::vector<std::wstring> screen = cedev::ScreenLines();
  ASSERT_GE(screen.size(), c.rows.size());
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    std::wstring shown = screen[i].substr(0, c.rows[i].size());
    EXPECT_EQ(shown, c.rows[i]) << c.what << ", row " << i << ":\n  expected |"
                                << std::string(c.rows[i].begin(), c.rows[i].end())
                                << "|\n  actual   |" << std::string(shown.begin(), shown.end())
                                << "|";
  }
  const std::vector<cedev::ScreenCell> cells = cedev::ScreenCells();
  for (std::size_t i = 0; i < c.looks.size(); ++i) {
    std::string looks;
    for (std::size_t col = 0; col < c.looks[i].size(); ++col)
      looks += LookOf(cells[i * cedev::kScreenColumns + col]);
    EXPECT_EQ(looks, c.looks[i]) << c.what << ", row " << i;
  }
  DestroyWindow(parent);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlLook,
    ::testing::Values(
        LookCase{"push button", L"Button", L"OK", BS_PUSHBUTTON, 24, 8, {}, {L"[ OK ]"}},
        LookCase{"pushed",
                 L"Button",
                 L"OK",
                 BS_PUSHBUTTON,
                 24,
                 8,
                 [](HWND b) { SendMessageW(b, BM_SETSTATE, TRUE, 0); },
                 {L"[*OK*]"},
                 {"pppppp."}},
        LookCase{"focused: the focus rectangle on the label",
                 L"Button",
                 L"OK",
                 BS_PUSHBUTTON,
                 40,
                 8,
                 [](HWND b) { SetFocus(b); },
                 {L"  [ OK ]  "},
                 {"..ffffff..."}},
        LookCase{"narrow button", L"Button", L"Cancel", BS_PUSHBUTTON, 32, 8, {}, {L"[Cancel]"}},
        LookCase{
            "centred in its width", L"Button", L"OK", BS_DEFPUSHBUTTON, 40, 8, {}, {L"  [ OK ]  "}},
        LookCase{"check box", L"Button", L"Loud", BS_AUTOCHECKBOX, 60, 8, {}, {L"[ ] Loud"}},
        LookCase{"checked",
                 L"Button",
                 L"Loud",
                 BS_AUTOCHECKBOX,
                 60,
                 8,
                 [](HWND b) { SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0); },
                 {L"[x] Loud"}},
        LookCase{"push-like, checked",
                 L"Button",
                 L"Mute",
                 BS_AUTOCHECKBOX | BS_PUSHLIKE,
                 32,
                 8,
                 [](HWND b) { SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0); },
                 {L"[*Mute*]"},
                 {"pppppppp."}},
        LookCase{"push-like",
                 L"Button",
                 L"Mute",
                 BS_AUTOCHECKBOX | BS_PUSHLIKE,
                 32,
                 8,
                 {},
                 {L"[ Mute ]"},
                 {"........."}},
        LookCase{"radio", L"Button", L"On", BS_AUTORADIOBUTTON, 40, 8, {}, {L"( ) On"}},
        LookCase{"radio checked",
                 L"Button",
                 L"On",
                 BS_AUTORADIOBUTTON,
                 40,
                 8,
                 [](HWND b) { SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0); },
                 {L"(o) On"}},
        LookCase{"group box",
                 L"Button",
                 L"Sound",
                 BS_GROUPBOX,
                 48,
                 24,
                 {},
                 {L"+Sound-----+", L"|          |", L"+----------+"}},
        LookCase{"static wraps at words",
                 L"Static",
                 L"one two three four",
                 SS_LEFT,
                 40,
                 24,
                 {},
                 {L"one two   ", L"three four"}},
        LookCase{"static centred", L"Static", L"mid", SS_CENTER, 36, 8, {}, {L"   mid   "}},
        LookCase{"edit shows its extent",
                 L"Edit",
                 L"Ann",
                 ES_AUTOHSCROLL,
                 32,
                 12,
                 {},
                 {L"Ann_____"},
                 {"wwwwwwww.", "wwwwwwww."}},
        LookCase{"focused edit: the caret where typing goes",
                 L"Edit",
                 L"Ann",
                 ES_AUTOHSCROLL,
                 32,
                 8,
                 [](HWND e) {
                   SetFocus(e);
                   SendMessageW(e, EM_SETSEL, 1, 1);
                 },
                 {L"Ann_____"},
                 {"wcwwwwww."}},
        LookCase{"read-only edit", L"Edit", L"Ann", ES_READONLY, 32, 12, {}, {L"Ann     "}},
        LookCase{"list with a selection and more below",
                 L"ListBox",
                 L"",
                 LBS_SORT,
                 40,
                 16,
                 [](HWND l) {
                   AddRows(l, {L"b", L"c", L"a"});
                   SendMessageW(l, LB_SETCURSEL, 1, 0);
                 },
                 {L" a        ", L">b       v"},
                 {"wwwwwwwwww.", "ssssssssss."}},
        LookCase{"focused empty list: the focus on its first row",
                 L"ListBox",
                 L"",
                 WS_BORDER,
                 40,
                 16,
                 [](HWND l) { SetFocus(l); },
                 {L"          "},
                 {"ffffffffff.", "wwwwwwwwww."}},
        LookCase{"focused list: the focus on the selected row",
                 L"ListBox",
                 L"",
                 0,
                 40,
                 16,
                 [](HWND l) {
                   AddRows(l, {L"a", L"b"});
                   SendMessageW(l, LB_SETCURSEL, 1, 0);
                   SetFocus(l);
                 },
                 {L" a        ", L">b        "},
                 {"wwwwwwwwww.", "FFFFFFFFFF."}},
        LookCase{"list scrolled",
                 L"ListBox",
                 L"",
                 0,
                 40,
                 16,
                 [](HWND l) {
                   AddRows(l, {L"a", L"b", L"c"});
                   SendMessageW(l, LB_SETTOPINDEX, 1, 0);
                 },
                 {L" b       ^", L" c        "}},
        LookCase{"picker",
                 DATETIMEPICK_CLASSW,
                 L"",
                 DTS_TIMEFORMAT,
                 48,
                 12,
                 [](HWND p) {
                   SYSTEMTIME time = HalfPastTwelve();
                   SendMessageW(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
                 },
                 {L"12:30:00  "}},
        LookCase{"picker focused, minute current",
                 DATETIMEPICK_CLASSW,
                 L"",
                 DTS_TIMEFORMAT,
                 48,
                 12,
                 [](HWND p) {
                   SYSTEMTIME time = HalfPastTwelve();
                   SendMessageW(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
                   SetFocus(p);
                   SendMessageW(p, WM_KEYDOWN, VK_RIGHT, 0);
                 },
                 {L"12:[30]:00"},
                 {"wwwsssswww"}}));

// A window with a border shows it along the edges of its cells: an empty list box is seen.
TEST(BorderLook, AnEmptyListWithABorderShowsItsEdges) {
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                nullptr, nullptr, nullptr);
  HWND list = CreateWindowExW(0, L"ListBox", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 6, 10, 20, 26,
                              parent, nullptr, nullptr, nullptr);  // columns 1..6, rows 1..4
  ASSERT_NE(list, nullptr);
  Pump();
  const std::vector<cedev::ScreenCell> cells = cedev::ScreenCells();
  auto edges = [&](int col, int row) {
    const std::uint8_t m = cells[static_cast<std::size_t>(row * cedev::kScreenColumns + col)].marks;
    std::string out;
    if (m & cedev::kMarkBorderTop) out += 'T';
    if (m & cedev::kMarkBorderBottom) out += 'B';
    if (m & cedev::kMarkBorderLeft) out += 'L';
    if (m & cedev::kMarkBorderRight) out += 'R';
    return out;
  };
  EXPECT_EQ(edges(1, 1), "TL");
  EXPECT_EQ(edges(3, 1), "T");
  EXPECT_EQ(edges(6, 1), "TR");
  EXPECT_EQ(edges(1, 2), "L");
  EXPECT_EQ(edges(3, 2), "");
  EXPECT_EQ(edges(6, 4), "BR");
  EXPECT_EQ(edges(0, 1), "") << "the parent has no border";
  EXPECT_EQ(edges(7, 1), "");
  EXPECT_EQ(edges(1, 5), "");
  DestroyWindow(parent);
}

TEST(MessageBoxLook, FramedWithItsCaptionTextAndButtons) {
  msgtest::Watchdog watchdog("MessageBoxLook.FramedWithItsCaptionTextAndButtons");
  std::thread answer([] {
    // The box is on the screen once its text is showing; then it is answered.
    for (int i = 0; i < 500 && !cedev::FindShowingText(L"Saved.").has_value(); ++i) Sleep(5);
    cedev::WaitForPaints(std::chrono::milliseconds(1000));
    std::vector<std::wstring> screen = cedev::ScreenLines();
    HWND box = FindWindowW(L"Dialog", L"Note");
    std::vector<std::string> rows;  // the box's rows, without the blank screen around them
    for (const std::wstring& line : screen) {
      std::size_t first = line.find_first_not_of(L' ');
      if (first == std::wstring::npos) continue;
      std::wstring row = line.substr(first, line.find_last_not_of(L' ') + 1 - first);
      rows.emplace_back(row.begin(), row.end());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"+- Note ---+", "|          |", "| Saved.   |",
                                              "|          |", "|  [ OK ]  |", "+----------+"}));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"Saved.", L"Note", MB_OK), IDOK);
  answer.join();
}

}  // namespace

// The device's readers (tree dumps, taps and waits by text) see a sorted list's rows in the
// list's own order however they were added, selection and all: the published rows follow each
// insert without being copied whole.
TEST(ListBoxDeviceView, PublishedRowsFollowEachInsertInTheListsOrder) {
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND list =
      CreateWindowExW(0, L"ListBox", L"", WS_CHILD | WS_VISIBLE | LBS_SORT, 0, 0, 120, 200, parent,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(5)), nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  AddRows(list, {L"delta", L"Bravo", L"alpha"});
  SendMessageW(list, LB_SETCURSEL, 1, 0);  // Bravo
  AddRows(list, {L"charlie", L"Echo", L"aardvark"});
  Pump();
  const std::wstring tree = cedev::WindowTreeText();
  const std::vector<std::wstring> wanted = {L"row \"aardvark\"\n",       L"row \"alpha\"\n",
                                            L"row \"Bravo\" selected\n", L"row \"charlie\"\n",
                                            L"row \"delta\"\n",          L"row \"Echo\"\n"};
  std::size_t at = 0;
  for (const std::wstring& row : wanted) {
    const std::size_t found = tree.find(row, at);
    ASSERT_NE(found, std::wstring::npos)
        << "no " << std::string(row.begin(), row.end()) << " after the rows before it in:\n"
        << std::string(tree.begin(), tree.end());
    at = found + row.size();
  }
  EXPECT_TRUE(cedev::FindShowingText(L"aardvark").has_value());
  DestroyWindow(parent);
}
