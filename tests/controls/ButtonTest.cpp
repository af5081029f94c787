// Buttons: what a tap, Space and the BM_* messages do to push buttons, check boxes and radio
// groups, and what the parent hears.
#include "ControlFixture.h"

namespace controltest {
namespace {

using ButtonTest = ControlFixture;

TEST_F(ButtonTest, TapOnAutoCheckBoxTogglesAndClicks) {
  HWND box = Make(L"Button", L"Loud", BS_AUTOCHECKBOX, 7);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Tap(box);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(box), Told(7, BN_CLICKED)}));
  Tap(box);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(ParentHeard({Told(7, BN_CLICKED)}));
}

TEST_F(ButtonTest, PushLikeCheckBoxTogglesLikeACheckBox) {
  HWND box = Make(L"Button", L"Mute", BS_AUTOCHECKBOX | BS_PUSHLIKE, 8);
  Tap(box);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(box), Told(8, BN_CLICKED)}));
}

TEST_F(ButtonTest, ReleaseOutsideIsNoClick) {
  HWND box = Make(L"Button", L"Loud", BS_AUTOCHECKBOX, 7, 8, 8, 40, 16);
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_NE(SendMessageW(box, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(100, 2));
  EXPECT_EQ(SendMessageW(box, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(box)}));
}

TEST_F(ButtonTest, SpaceOnFocusedButtonsClicks) {
  HWND box = Make(L"Button", L"Loud", BS_AUTOCHECKBOX, 7);
  HWND push = Make(L"Button", L"Apply", BS_PUSHBUTTON, 9, 8, 40);
  SetFocus(box);
  Key(box, VK_SPACE);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(box), Told(7, BN_CLICKED)}));
  SetFocus(push);
  SendMessageW(push, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_NE(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  EXPECT_TRUE(ParentHeard({})) << "a push button clicks when Space comes up";
  SendMessageW(push, WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(ParentHeard({Told(9, BN_CLICKED)}));
}

TEST_F(ButtonTest, PlainCheckBoxLeavesTheCheckToItsParent) {
  HWND box = Make(L"Button", L"Manual", BS_CHECKBOX, 7);
  Tap(box);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(box), Told(7, BN_CLICKED)}));
  SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_NE(SendMessageW(box, BM_GETSTATE, 0, 0) & BST_CHECKED, 0);
}

TEST_F(ButtonTest, AutoRadioButtonsKeepOneCheckedInTheirGroup) {
  HWND on = Make(L"Button", L"On", BS_AUTORADIOBUTTON | WS_GROUP, 11, 8, 8);
  HWND vibrate = Make(L"Button", L"Vibrate", BS_AUTORADIOBUTTON, 12, 8, 24);
  HWND off = Make(L"Button", L"Off", BS_AUTORADIOBUTTON, 13, 8, 40);
  HWND other = Make(L"Button", L"Other", BS_AUTORADIOBUTTON | WS_GROUP, 14, 8, 56);
  SendMessageW(other, BM_SETCHECK, BST_CHECKED, 0);
  Tap(on);
  Tap(off);
  EXPECT_EQ(SendMessageW(on, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(vibrate, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(off, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(other, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group is left alone";
  EXPECT_TRUE(ParentHeard({FocusLeftFor(on), Told(11, BN_CLICKED), Told(13, BN_CLICKED)}));
}

TEST_F(ButtonTest, ClickMessageAndPushedState) {
  HWND push = Make(L"Button", L"OK", BS_DEFPUSHBUTTON, IDOK);
  SendMessageW(push, BM_SETSTATE, TRUE, 0);
  EXPECT_NE(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageW(push, BM_SETSTATE, FALSE, 0);
  EXPECT_EQ(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageW(push, BM_CLICK, 0, 0);  // as a tap: the button takes the focus
  EXPECT_TRUE(ParentHeard({FocusLeftFor(push), Told(IDOK, BN_CLICKED)}));
  EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "a push button has no check";
}

TEST_F(ButtonTest, DialogCodesNameTheKind) {
  struct Case {
    DWORD style;
    LRESULT wanted;
  };
  const Case cases[] = {
      {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
      {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
      {BS_AUTOCHECKBOX, DLGC_BUTTON},
      {BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
      {BS_GROUPBOX, DLGC_STATIC},
  };
  for (const Case& c : cases) {
    HWND b = Make(L"Button", L"x", c.style, 20);
    EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), c.wanted) << "style " << c.style;
    DestroyWindow(b);
  }
}

TEST_F(ButtonTest, EveryControlKeepsItsFont) {
  LOGFONTW lf{};
  lf.lfHeight = -11;
  HFONT font = CreateFontIndirectW(&lf);
  ASSERT_NE(font, nullptr);
  for (const wchar_t* cls : {L"Button", L"Static", L"Edit", L"ListBox", L"SysDateTimePick32"}) {
    HWND c = Make(cls, L"", 0, 30);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), font);
    DestroyWindow(c);
  }
  DeleteObject(font);
}

}  // namespace
}  // namespace controltest
