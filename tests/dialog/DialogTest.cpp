// The dialog manager from the outside: a modal dialog's life, its focus rules, its keyboard,
// and its item helpers, on dialogs from the test resource script.
#include <commctrl.h>
#include <windows.h>

#include "DialogScript.h"
#include "TestDialogIds.h"
#include "Watchdog.h"

namespace dialogtest {
namespace {

using msgtest::Expected;
using msgtest::Recorded;

// The dialog procedure's messages that tell its life; of the commands only clicks and an edit
// field's focus, which the steps below cause.
std::vector<Recorded> Life(DialogScript& script) {
  std::vector<Recorded> kept;
  for (const Recorded& r : script.recorder.Take({WM_SETFONT, WM_INITDIALOG, WM_COMMAND, WM_DESTROY, WM_NCDESTROY})) {
    if (r.message == WM_COMMAND && HIWORD(r.wParam) != BN_CLICKED && HIWORD(r.wParam) != EN_SETFOCUS) continue;
    kept.push_back(r);
  }
  return kept;
}

int FocusId() { return GetDlgCtrlID(GetFocus()); }

TEST(ModalDialog, LifeFromCreationToDestruction) {
  msgtest::Watchdog watchdog("ModalDialog.LifeFromCreationToDestruction");
  DialogScript script;
  script.steps = {[](HWND dlg) { PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); }};
  INT_PTR result = RunScripted(IDD_FORM, script);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(IsWindow(script.dialog));
  EXPECT_TRUE(msgtest::SequenceIs(Life(script), {
                                                     Expected{"dlg", WM_SETFONT},
                                                     Expected{"dlg", WM_INITDIALOG},
                                                     Expected{"dlg", WM_COMMAND, MAKEWPARAM(IDC_NAME, EN_SETFOCUS)},
                                                     Expected{"dlg", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
                                                     Expected{"dlg", WM_DESTROY},
                                                     Expected{"dlg", WM_NCDESTROY},
                                                 }));
}

TEST(ModalDialog, InitDialogGetsTheFirstTabStopAndTheParameter) {
  msgtest::Watchdog watchdog("ModalDialog.InitDialogGetsTheFirstTabStopAndTheParameter");
  DialogScript script;
  WPARAM focusCandidate = 0;
  script.onInit = [&](HWND dlg) {
    focusCandidate = reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDC_NAME));
  };
  RunScripted(IDD_FORM, script);
  std::vector<Recorded> init = script.recorder.Take({WM_INITDIALOG});
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].wParam, focusCandidate);
}

TEST(ModalDialog, OwnerIsDisabledWhileItRunsAndActiveAfter) {
  msgtest::Watchdog watchdog("ModalDialog.OwnerIsDisabledWhileItRunsAndActiveAfter");
  msgtest::MessageRecorder ownerRecorder;
  msgtest::RecordedWindow ownerInfo{&ownerRecorder, "owner", nullptr};
  HWND owner = msgtest::CreateRecordedWindow(ownerInfo, 0, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr);
  ASSERT_NE(owner, nullptr);
  SetActiveWindow(owner);
  DialogScript script;
  BOOL enabledDuring = TRUE;
  HWND ownerSeen = nullptr;
  RECT placed{};
  script.steps = {[&](HWND dlg) {
    enabledDuring = IsWindowEnabled(owner);
    ownerSeen = GetWindow(dlg, GW_OWNER);
    GetWindowRect(dlg, &placed);
    EndDialog(dlg, IDCANCEL);
  }};
  EXPECT_EQ(RunScripted(IDD_NOTABSTOP, script, owner), IDCANCEL);
  EXPECT_FALSE(enabledDuring);
  EXPECT_EQ(ownerSeen, owner);
  EXPECT_EQ(placed.left, 10) << "template x is in the owner's client coordinates";
  EXPECT_EQ(placed.top, 26 + 20);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  DestroyWindow(owner);
}

TEST(ModalDialog, EndDialogInInitDialogEndsWithoutShowing) {
  msgtest::Watchdog watchdog("ModalDialog.EndDialogInInitDialogEndsWithoutShowing");
  DialogScript script;
  script.onInit = [](HWND dlg) { EndDialog(dlg, 42); };
  EXPECT_EQ(RunScripted(IDD_FORM, script), 42);
  EXPECT_EQ(script.recorder.Count("dlg", WM_SHOWWINDOW), 0u);
}

TEST(DialogFocus, TrueFocusesTheFirstTabStop) {
  msgtest::Watchdog watchdog("DialogFocus.TrueFocusesTheFirstTabStop");
  DialogScript script;
  int focused = 0;
  script.steps = {[&](HWND) { focused = FocusId(); }};
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(focused, IDC_NAME);
}

TEST(DialogFocus, WithoutATabStopTheDialogItselfGetsTheFocus) {
  msgtest::Watchdog watchdog("DialogFocus.WithoutATabStopTheDialogItselfGetsTheFocus");
  DialogScript script;
  HWND focus = nullptr;
  script.steps = {[&](HWND) { focus = GetFocus(); }};
  RunScripted(IDD_NOTABSTOP, script);
  EXPECT_EQ(focus, script.dialog);
  EXPECT_EQ(script.recorder.Count("dlg", WM_SETFOCUS), 1u);
}

TEST(DialogFocus, TheDialogGivenTheFocusPassesItToItsControl) {
  msgtest::Watchdog watchdog("DialogFocus.TheDialogGivenTheFocusPassesItToItsControl");
  DialogScript script;
  int afterFirst = 0;
  int afterReturn = 0;
  script.steps = {
      [&](HWND dlg) {
        SetFocus(dlg);
        afterFirst = FocusId();
        PostKey(GetFocus(), VK_TAB);
      },
      [&](HWND dlg) {
        SetFocus(nullptr);
        SetFocus(dlg);
        afterReturn = FocusId();
      },
  };
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(afterFirst, IDC_NAME);
  EXPECT_EQ(afterReturn, IDC_COUNT) << "the control the dialog last gave the focus to";
}

TEST(DialogFocus, FalseLeavesTheFocusThatInitDialogChose) {
  msgtest::Watchdog watchdog("DialogFocus.FalseLeavesTheFocusThatInitDialogChose");
  DialogScript script;
  script.initResult = FALSE;
  script.onInit = [](HWND dlg) { SetFocus(GetDlgItem(dlg, IDC_ROWS)); };
  int focused = 0;
  script.steps = {[&](HWND) { focused = FocusId(); }};
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(focused, IDC_ROWS);
}

TEST(DialogKeyboard, TabAndShiftTabWalkTheTabStopsRound) {
  msgtest::Watchdog watchdog("DialogKeyboard.TabAndShiftTabWalkTheTabStopsRound");
  DialogScript script;
  std::vector<int> seen;
  auto note = [&](HWND) { seen.push_back(FocusId()); };
  auto tab = [](HWND) { PostKey(GetFocus(), VK_TAB); };
  auto back = [](HWND) { PostShiftTab(GetFocus()); };
  script.steps.push_back(note);
  for (int i = 0; i < 8; ++i) {
    script.steps.push_back(tab);
    script.steps.push_back(note);
  }
  for (int i = 0; i < 2; ++i) {
    script.steps.push_back(back);
    script.steps.push_back(note);
  }
  EXPECT_EQ(RunScripted(IDD_FORM, script), kScriptEnded);
  EXPECT_EQ(seen, (std::vector<int>{IDC_NAME, IDC_COUNT, IDC_LOUD, IDC_ROWS, IDC_WHEN, IDC_APPLY, IDOK, IDCANCEL,
                                    IDC_NAME, IDCANCEL, IDOK}));
}

TEST(DialogKeyboard, TabIntoAnEditSelectsItsText) {
  msgtest::Watchdog watchdog("DialogKeyboard.TabIntoAnEditSelectsItsText");
  DialogScript script;
  DWORD start = 9, end = 9;
  script.steps = {
      [](HWND dlg) {
        SetDlgItemTextW(dlg, IDC_COUNT, L"42");
        PostKey(GetFocus(), VK_TAB);
      },
      [&](HWND dlg) {
        SendDlgItemMessageW(dlg, IDC_COUNT, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      },
  };
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);
}

struct KeyCase {
  const char* what;
  int focusId;    // 0: leave the focus where the dialog put it
  WPARAM key;
  WORD defaultId; // 0: the template's default
  INT_PTR result;
  int clicked;    // the command id the dialog heard
};

class DialogKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DialogKeys, EnterEscapeAndSpace) {
  const KeyCase& c = GetParam();
  msgtest::Watchdog watchdog(c.what);
  DialogScript script;
  script.endingIds = {IDOK, IDCANCEL};
  script.steps = {
      [&](HWND dlg) {
        if (c.defaultId != 0) SendMessageW(dlg, DM_SETDEFID, c.defaultId, 0);
        if (c.focusId != 0) SetFocus(GetDlgItem(dlg, c.focusId));
        PostKey(GetFocus(), c.key);
      },
  };
  EXPECT_EQ(RunScripted(IDD_FORM, script), c.result) << c.what;
  std::vector<int> clicked;
  for (const Recorded& r : script.recorder.Take({WM_COMMAND})) {
    if (HIWORD(r.wParam) == BN_CLICKED) clicked.push_back(LOWORD(r.wParam));
  }
  EXPECT_EQ(clicked, std::vector<int>{c.clicked}) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeys,
    ::testing::Values(KeyCase{"Enter in an edit is the default button", 0, VK_RETURN, 0, IDOK, IDOK},
                      KeyCase{"Escape is IDCANCEL", 0, VK_ESCAPE, 0, IDCANCEL, IDCANCEL},
                      KeyCase{"Enter on a push button is that button", IDC_APPLY, VK_RETURN, 0, kScriptEnded, IDC_APPLY},
                      KeyCase{"Enter follows DM_SETDEFID", IDC_NAME, VK_RETURN, IDC_APPLY, kScriptEnded, IDC_APPLY},
                      KeyCase{"Space presses the focused push button", IDCANCEL, VK_SPACE, 0, IDCANCEL, IDCANCEL},
                      KeyCase{"Space presses the focused check box", IDC_LOUD, VK_SPACE, 0, kScriptEnded, IDC_LOUD}));

TEST(DialogKeyboard, CheckBoxTogglesByTapAndBySpace) {
  msgtest::Watchdog watchdog("DialogKeyboard.CheckBoxTogglesByTapAndBySpace");
  DialogScript script;
  std::vector<UINT> states;
  auto note = [&](HWND dlg) { states.push_back(IsDlgButtonChecked(dlg, IDC_LOUD)); };
  script.steps = {
      [](HWND dlg) { PostTap(GetDlgItem(dlg, IDC_LOUD)); }, note,
      [](HWND dlg) { PostKey(GetDlgItem(dlg, IDC_LOUD), VK_SPACE); }, note,
      [](HWND dlg) { PostKey(GetDlgItem(dlg, IDC_LOUD), VK_SPACE); }, note,
  };
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(states, (std::vector<UINT>{BST_CHECKED, BST_UNCHECKED, BST_CHECKED}));
}

TEST(DialogKeyboard, TypingGoesToTheFocusedEdit) {
  msgtest::Watchdog watchdog("DialogKeyboard.TypingGoesToTheFocusedEdit");
  DialogScript script;
  wchar_t text[32] = {};
  script.steps = {
      [](HWND dlg) {
        for (wchar_t c : std::wstring(L"Ann")) PostMessageW(GetFocus(), WM_CHAR, c, 1);
        (void)dlg;
      },
      [&](HWND dlg) { GetDlgItemTextW(dlg, IDC_NAME, text, 32); },
  };
  RunScripted(IDD_FORM, script);
  EXPECT_STREQ(text, L"Ann");
}

// Item helpers on a modeless dialog: no loop is needed to call them.
class DialogItems : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(IDD_FORM), nullptr, Proc, 0);
    ASSERT_NE(dlg_, nullptr);
  }
  void TearDown() override { DestroyWindow(dlg_); }
  static INT_PTR CALLBACK Proc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }
  HWND dlg_ = nullptr;
};

TEST_F(DialogItems, ADialogIsTheDialogClass) {
  wchar_t name[32] = {};
  GetClassNameW(dlg_, name, 32);
  EXPECT_STREQ(name, L"Dialog");
  wchar_t title[32] = {};
  GetWindowTextW(dlg_, title, 32);
  EXPECT_STREQ(title, L"Form");
  EXPECT_FALSE(IsWindowVisible(dlg_)) << "the template has no WS_VISIBLE";
}

TEST_F(DialogItems, IntegersInAndOut) {
  struct Case {
    const wchar_t* text;
    BOOL isSigned;
    BOOL translated;
    UINT value;
  };
  const Case cases[] = {
      {L"42", FALSE, TRUE, 42},
      {L" -7 ", TRUE, TRUE, static_cast<UINT>(-7)},
      {L"-7", FALSE, FALSE, 0},
      {L"12a", TRUE, TRUE, 12},    // translation stops at the first non-digit
      {L"", TRUE, FALSE, 0},
      {L"4294967295", FALSE, TRUE, 4294967295u},
      {L"4294967296", FALSE, FALSE, 0},
      {L"2147483648", TRUE, FALSE, 0},
  };
  for (const Case& c : cases) {
    SetDlgItemTextW(dlg_, IDC_COUNT, c.text);
    BOOL translated = !c.translated;
    UINT value = GetDlgItemInt(dlg_, IDC_COUNT, &translated, c.isSigned);
    EXPECT_EQ(translated, c.translated) << "case " << (&c - cases);
    if (c.translated) {
      EXPECT_EQ(value, c.value);
    }
  }
  SetDlgItemInt(dlg_, IDC_COUNT, static_cast<UINT>(-15), TRUE);
  wchar_t text[16] = {};
  GetDlgItemTextW(dlg_, IDC_COUNT, text, 16);
  EXPECT_STREQ(text, L"-15");
  SetDlgItemInt(dlg_, IDC_COUNT, 4000000000u, FALSE);
  GetDlgItemTextW(dlg_, IDC_COUNT, text, 16);
  EXPECT_STREQ(text, L"4000000000");
}

TEST_F(DialogItems, TextIsCutToTheBuffer) {
  SetDlgItemTextW(dlg_, IDC_NAME, L"abcdef");
  wchar_t text[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(GetDlgItemTextW(dlg_, IDC_NAME, text, 4), 3u);
  EXPECT_STREQ(text, L"abc");
}

TEST_F(DialogItems, ItemsByIdAndCheckMarks) {
  EXPECT_NE(GetDlgItem(dlg_, IDC_STATIC), nullptr) << "the label's id is -1";
  EXPECT_EQ(GetDlgItem(dlg_, 4242), nullptr);
  EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dlg_, IDC_WHEN)), IDC_WHEN);
  wchar_t cls[32] = {};
  GetClassNameW(GetDlgItem(dlg_, IDC_WHEN), cls, 32);
  EXPECT_EQ(lstrcmpiW(cls, DATETIMEPICK_CLASSW), 0);
  CheckDlgButton(dlg_, IDC_LOUD, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg_, IDC_LOUD), static_cast<UINT>(BST_CHECKED));
  SendDlgItemMessageW(dlg_, IDC_ROWS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"b"));
  SendDlgItemMessageW(dlg_, IDC_ROWS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"A"));
  wchar_t row[8] = {};
  SendDlgItemMessageW(dlg_, IDC_ROWS, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(row));
  EXPECT_STREQ(row, L"A") << "the template's list box sorts";
  EXPECT_EQ(SendMessageW(dlg_, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
}

TEST_F(DialogItems, DialogUnitsArePixelsAtBaseUnitsFourByEight) {
  EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(4, 8));
  RECT r{1, 2, 40, 80};
  ASSERT_TRUE(MapDialogRect(dlg_, &r));
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 40);
  EXPECT_EQ(r.bottom, 80);
  RECT dialog{}, name{};
  GetWindowRect(dlg_, &dialog);
  GetWindowRect(GetDlgItem(dlg_, IDC_NAME), &name);
  EXPECT_EQ(dialog.right - dialog.left, 120);
  EXPECT_EQ(dialog.bottom - dialog.top, 150);
  EXPECT_EQ(name.left - dialog.left, 36);
  EXPECT_EQ(name.top - dialog.top, 4);
  EXPECT_EQ(name.right - name.left, 80);
  EXPECT_EQ(name.bottom - name.top, 12);
}

TEST_F(DialogItems, TheTemplateFontReachesTheControls) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(dlg_, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(dlg_, IDC_NAME, WM_GETFONT, 0, 0)), font);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(dlg_, IDC_WHEN, WM_GETFONT, 0, 0)), font);
  LOGFONTW lf{};
  ASSERT_GT(GetObjectW(font, sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -11) << "8 points at 96 dpi";
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
}

TEST_F(DialogItems, EndDialogHidesAModelessDialog) {
  ShowWindow(dlg_, SW_SHOW);
  ASSERT_TRUE(IsWindowVisible(dlg_));
  EXPECT_TRUE(EndDialog(dlg_, 5));
  EXPECT_FALSE(IsWindowVisible(dlg_));
  EXPECT_TRUE(IsWindow(dlg_));
}

TEST(ExtendedTemplate, ReadsStylesFontAndItems) {
  HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(IDD_EXTENDED), nullptr,
                                [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_INITDIALOG; }, 0);
  ASSERT_NE(dlg, nullptr);
  EXPECT_NE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  wchar_t title[16] = {};
  GetWindowTextW(dlg, title, 16);
  EXPECT_STREQ(title, L"Extended");
  LOGFONTW lf{};
  ASSERT_GT(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -12) << "9 points at 96 dpi";
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_STREQ(lf.lfFaceName, L"Courier New");
  ASSERT_NE(GetDlgItem(dlg, IDC_ON), nullptr);
  ASSERT_NE(GetDlgItem(dlg, IDC_WHEN), nullptr);
  EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, IDC_ON), FALSE), GetDlgItem(dlg, IDC_OFF));
  CheckRadioButton(dlg, IDC_ON, IDC_OFF, IDC_OFF);
  EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_ON), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_OFF), static_cast<UINT>(BST_CHECKED));
  DestroyWindow(dlg);
}

}  // namespace
}  // namespace dialogtest
