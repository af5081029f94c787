// Edit fields: typing, Backspace and Delete, the selection, read-only fields, the width limit
// without ES_AUTOHSCROLL, and EN_CHANGE.
#include "ControlFixture.h"

namespace controltest {
namespace {

using EditTest = ControlFixture;

DWORD SelStart(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start;
}
DWORD SelEnd(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return end;
}

TEST_F(EditTest, TypingAndBackspace) {
  HWND edit = Make(L"Edit", L"", ES_AUTOHSCROLL | WS_TABSTOP, 3, 8, 8, 80, 12);
  SetFocus(edit);
  recorder_.Take();
  Type(edit, L"12x");
  EXPECT_EQ(Text(edit), L"12x");
  Type(edit, std::wstring(1, static_cast<wchar_t>(VK_BACK)));
  EXPECT_EQ(Text(edit), L"12");
  EXPECT_TRUE(ParentHeard({Told(3, EN_UPDATE), Told(3, EN_CHANGE), Told(3, EN_UPDATE),
                           Told(3, EN_CHANGE), Told(3, EN_UPDATE), Told(3, EN_CHANGE),
                           Told(3, EN_UPDATE), Told(3, EN_CHANGE)}));
  EXPECT_EQ(GetWindowTextLengthW(edit), 2);
}

TEST_F(EditTest, SelectionIsReplacedByTyping) {
  HWND edit = Make(L"Edit", L"hello", ES_AUTOHSCROLL, 3, 8, 8, 80, 12);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(SelStart(edit), 0u);
  EXPECT_EQ(SelEnd(edit), 5u);
  EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), MAKELRESULT(0, 5));
  Type(edit, L"j");
  EXPECT_EQ(Text(edit), L"j");
  SetWindowTextW(edit, L"abcdef");
  SendMessageW(edit, EM_SETSEL, 1, 3);
  SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(Text(edit), L"adef");
  SendMessageW(edit, WM_KEYDOWN, VK_END, 0);
  Type(edit, L"!");
  EXPECT_EQ(Text(edit), L"adef!");
  SendMessageW(edit, WM_KEYDOWN, VK_HOME, 0);
  SendMessageW(edit, WM_KEYDOWN, VK_RIGHT, 0);
  Type(edit, std::wstring(1, static_cast<wchar_t>(VK_BACK)));
  EXPECT_EQ(Text(edit), L"def!");
}

TEST_F(EditTest, ReadOnlyRefusesTheUserButNotTheProgram) {
  HWND edit = Make(L"Edit", L"fixed", ES_READONLY | ES_AUTOHSCROLL, 3, 8, 8, 80, 12);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  Type(edit, L"x");
  SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(Text(edit), L"fixed");
  EXPECT_TRUE(ParentHeard({}));
  SetWindowTextW(edit, L"changed");
  EXPECT_EQ(Text(edit), L"changed");
  EXPECT_TRUE(ParentHeard({Told(3, EN_UPDATE), Told(3, EN_CHANGE)}));
  SendMessageW(edit, EM_SETREADONLY, FALSE, 0);
  SendMessageW(edit, WM_KEYDOWN, VK_END, 0);
  Type(edit, L"!");
  EXPECT_EQ(Text(edit), L"changed!");
}

TEST_F(EditTest, WithoutAutoScrollTheTextStopsAtTheEdge) {
  HWND narrow = Make(L"Edit", L"", 0, 3, 8, 8, 16, 12);  // four cells
  Type(narrow, L"123456");
  EXPECT_EQ(Text(narrow), L"1234");
  HWND wide = Make(L"Edit", L"", ES_AUTOHSCROLL, 4, 8, 24, 16, 12);
  Type(wide, L"123456");
  EXPECT_EQ(Text(wide), L"123456");
  SendMessageW(wide, EM_LIMITTEXT, 3, 0);
  SetWindowTextW(wide, L"");
  Type(wide, L"123456");
  EXPECT_EQ(Text(wide), L"123");
}

}  // namespace
}  // namespace controltest
