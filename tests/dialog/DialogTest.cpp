// The dialog manager from the outside: a modal dialog's life, its focus rules, its keyboard,
// and its item helpers, on dialogs from the test resource script.
#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "DialogScript.h"
#include "TestDialogIds.h"
#include "Watchdog.h"

namespace dialogtest {
namespace {

using msgtest::Expected;
using msgtest::Recorded;

// How a dialog ends, once EndDialog has been called: it gives itself the focus (its control,
// when it had it, is told first), it is deactivated, loses the focus and is destroyed.
std::vector<Expected> Ending(bool editHadTheFocus) {
  std::vector<Expected> ending;
  if (editHadTheFocus) ending.push_back({"dlg", WM_COMMAND, MAKEWPARAM(IDC_NAME, EN_KILLFOCUS)});
  for (Expected e : {Expected{"dlg", WM_SETFOCUS}, Expected{"dlg", WM_ACTIVATE, WA_INACTIVE},
                     Expected{"dlg", WM_KILLFOCUS, 0}, Expected{"dlg", WM_DESTROY},
                     Expected{"dlg", WM_NCDESTROY}})
    ending.push_back(e);
  return ending;
}

std::vector<Expected> Then(std::vector<Expected> first, const std::vector<Expected>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

int FocusId() { return GetDlgCtrlID(GetFocus()); }

TEST(ModalDialog, LifeFromCreationToDestruction) {
  msgtest::Watchdog watchdog("ModalDialog.LifeFromCreationToDestruction");
  DialogScript script;
  script.steps = {[](HWND dlg) { PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); }};
  INT_PTR result = RunScripted(IDD_FORM, script);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(IsWindow(script.dialog));
  // The device shows a modal dialog as soon as it is made, desktop Windows once its loop first
  // finds nothing to do, which the steps here never leave it.
  EXPECT_TRUE(msgtest::SequenceIs(
      script.recorder.Take(),
      Then({{"dlg", WM_SETFONT},
            {"dlg", WM_INITDIALOG},
            {"dlg", WM_ACTIVATE, WA_ACTIVE},
            {"dlg", WM_COMMAND, MAKEWPARAM(IDC_NAME, EN_SETFOCUS)},
            msgtest::Optional({"dlg", WM_SHOWWINDOW, TRUE}),
            {"dlg", WM_COMMAND, MAKEWPARAM(IDC_NAME, EN_KILLFOCUS)},  // BM_CLICK is a tap
            {"dlg", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)}},
           Ending(false))));
}

TEST(ModalDialog, InitDialogGetsTheFirstTabStopAndTheParameter) {
  msgtest::Watchdog watchdog("ModalDialog.InitDialogGetsTheFirstTabStopAndTheParameter");
  DialogScript script;
  WPARAM focusCandidate = 0;
  script.onInit = [&](HWND dlg) {
    focusCandidate = reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDC_NAME));
  };
  RunScripted(IDD_FORM, script);
  std::vector<Recorded> seen = script.recorder.Take();
  auto init = std::find_if(seen.begin(), seen.end(),
                           [](const Recorded& r) { return r.message == WM_INITDIALOG; });
  ASSERT_NE(init, seen.end());
  EXPECT_EQ(init->wParam, focusCandidate);
}

TEST(ModalDialog, OwnerIsDisabledWhileItRunsAndActiveAfter) {
  msgtest::Watchdog watchdog("ModalDialog.OwnerIsDisabledWhileItRunsAndActiveAfter");
  msgtest::MessageRecorder ownerRecorder;
  msgtest::RecordedWindow ownerInfo{&ownerRecorder, "owner", nullptr};
  HWND owner =
      msgtest::CreateRecordedWindow(ownerInfo, 0, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr);
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
  EXPECT_EQ(afterReturn, IDC_NAME)
      << "the dialog was never left, so it saved no control: the first tab stop";
}

TEST(DialogFocus, ReactivationGivesTheFocusBackToTheControlThatHadIt) {
  msgtest::Watchdog watchdog("DialogFocus.ReactivationGivesTheFocusBackToTheControlThatHadIt");
  DialogScript script;
  HWND other = nullptr;
  bool focusLeft = false;
  int afterReactivation = 0;
  int afterSetFocus = 0;
  script.steps = {
      [&](HWND) { PostKey(GetFocus(), VK_TAB); },
      [&](HWND dlg) {
        other = CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20,
                                nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(other);
        focusLeft = GetActiveWindow() == other && !IsChild(dlg, GetFocus());
      },
      [&](HWND dlg) {
        SetActiveWindow(dlg);
        afterReactivation = FocusId();
        DestroyWindow(other);
        SetFocus(nullptr);
        SetFocus(dlg);
        afterSetFocus = FocusId();
      },
  };
  RunScripted(IDD_FORM, script);
  EXPECT_TRUE(focusLeft);
  EXPECT_EQ(afterReactivation, IDC_COUNT)
      << "the control that had the focus when the dialog was left";
  EXPECT_EQ(afterSetFocus, IDC_NAME)
      << "the saved control served its reactivation; then the first tab stop";
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
  EXPECT_EQ(seen, (std::vector<int>{IDC_NAME, IDC_COUNT, IDC_LOUD, IDC_ROWS, IDC_WHEN, IDC_APPLY,
                                    IDOK, IDCANCEL, IDC_NAME, IDCANCEL, IDOK}));
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
        SendDlgItemMessageW(dlg, IDC_COUNT, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                            reinterpret_cast<LPARAM>(&end));
      },
  };
  RunScripted(IDD_FORM, script);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);
}

struct KeyCase {
  const char* what;
  int focusId;  // 0: leave the focus where the dialog put it
  WPARAM key;
  WORD defaultId;  // 0: the template's default
  INT_PTR result;
  int clicked;  // the command id the dialog heard
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
        script.recorder.Take();
        PostKey(GetFocus(), c.key);
      },
  };
  EXPECT_EQ(RunScripted(IDD_FORM, script), c.result) << c.what;
  // Enter asks for the default button; the one command; then the end, by the command or when
  // the steps run out.
  std::vector<Expected> wanted;
  if (c.key == VK_RETURN) wanted.push_back({"dlg", DM_GETDEFID});
  wanted.push_back({"dlg", WM_COMMAND, MAKEWPARAM(c.clicked, BN_CLICKED)});
  const bool editHadTheFocus = c.focusId == 0 || c.focusId == IDC_NAME;
  EXPECT_TRUE(msgtest::SequenceIs(script.recorder.Take(), Then(wanted, Ending(editHadTheFocus))))
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeys,
    ::testing::Values(
        KeyCase{"Enter in an edit is the default button", 0, VK_RETURN, 0, IDOK, IDOK},
        KeyCase{"Escape is IDCANCEL", 0, VK_ESCAPE, 0, IDCANCEL, IDCANCEL},
        KeyCase{"Enter on a push button SetFocus chose is still the default", IDC_APPLY, VK_RETURN,
                0, IDOK, IDOK},
        KeyCase{"Enter follows DM_SETDEFID", IDC_NAME, VK_RETURN, IDC_APPLY, kScriptEnded,
                IDC_APPLY},
        KeyCase{"Space presses the focused push button", IDCANCEL, VK_SPACE, 0, IDCANCEL, IDCANCEL},
        KeyCase{"Space presses the focused check box", IDC_LOUD, VK_SPACE, 0, kScriptEnded,
                IDC_LOUD}));

// The ids of the controls that show themselves as the default push button.
std::vector<int> DefaultButtons(HWND dlg) {
  std::vector<int> ids;
  for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) ids.push_back(GetDlgCtrlID(c));
  }
  return ids;
}

// The focused control's id and the default push buttons' ids at one moment.
struct Seen {
  int focus;
  std::vector<int> defaults;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
  out << "{focus " << s.focus << ", default";
  for (int id : s.defaults) out << ' ' << id;
  return out << '}';
}

TEST(DialogKeyboard, TheDefaultButtonFollowsTheKeyboardAmongPushButtons) {
  msgtest::Watchdog watchdog("DialogKeyboard.TheDefaultButtonFollowsTheKeyboardAmongPushButtons");
  DialogScript script;
  std::vector<Seen> seen;
  auto note = [&](HWND dlg) { seen.push_back(Seen{FocusId(), DefaultButtons(dlg)}); };
  auto moveTo = [](int id) {
    return [id](HWND dlg) {
      SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, id)), TRUE);
    };
  };
  script.steps = {
      note,
      [&](HWND dlg) {
        moveTo(IDC_APPLY)(dlg);
        note(dlg);
        PostKey(GetFocus(), VK_TAB);
      },
      [&](HWND dlg) {
        note(dlg);
        PostKey(GetFocus(), VK_TAB);
      },
      [&](HWND dlg) {
        note(dlg);
        moveTo(IDC_NAME)(dlg);
        note(dlg);
        moveTo(IDC_APPLY)(dlg);
        script.recorder.Take();
        PostKey(GetFocus(), VK_RETURN);
      },
  };
  EXPECT_EQ(RunScripted(IDD_FORM, script), kScriptEnded);
  const std::vector<Seen> wanted = {
      {IDC_NAME, {IDOK}},     {IDC_APPLY, {IDC_APPLY}}, {IDOK, {IDOK}},
      {IDCANCEL, {IDCANCEL}}, {IDC_NAME, {IDOK}},
  };
  EXPECT_EQ(seen, wanted);
  EXPECT_TRUE(msgtest::SequenceIs(
      script.recorder.Take(),
      Then({{"dlg", WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED)}}, Ending(false))))
      << "Enter on the push button the keyboard moved to, then the steps ran out";
}

TEST(DialogKeyboard, CheckBoxTogglesByTapAndBySpace) {
  msgtest::Watchdog watchdog("DialogKeyboard.CheckBoxTogglesByTapAndBySpace");
  DialogScript script;
  std::vector<UINT> states;
  auto note = [&](HWND dlg) { states.push_back(IsDlgButtonChecked(dlg, IDC_LOUD)); };
  script.steps = {
      [](HWND dlg) { PostTap(GetDlgItem(dlg, IDC_LOUD)); },           note,
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

// Keys typed in one burst (a paste, a quick hand) wait in the input queue, and each reaches the
// control that has the focus when the dialog takes it: Tab moves on from Count, and the Space
// typed with it presses Loud, not Count.
int g_burstClicked = 0;
INT_PTR CALLBACK BurstProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) g_burstClicked = LOWORD(wParam);
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

void PumpDialog(HWND dlg) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

TEST(DialogKeyboard, KeysTypedInABurstReachTheControlFocusedByThen) {
  msgtest::Watchdog watchdog("DialogKeyboard.KeysTypedInABurstReachTheControlFocusedByThen");
  g_burstClicked = 0;
  HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(IDD_FORM), nullptr,
                                BurstProc, 0);
  ASSERT_NE(dlg, nullptr);
  ShowWindow(dlg, SW_SHOW);
  SetForegroundWindow(dlg);
  SetFocus(GetDlgItem(dlg, IDC_COUNT));
  PumpDialog(dlg);
  for (BYTE key : {static_cast<BYTE>(VK_TAB), static_cast<BYTE>(VK_SPACE)}) {
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
  }
  const DWORD start = GetTickCount();
  while (g_burstClicked == 0 && GetTickCount() - start < 5000) {
    PumpDialog(dlg);
    Sleep(10);
  }
  EXPECT_EQ(g_burstClicked, IDC_LOUD);
  EXPECT_EQ(FocusId(), IDC_LOUD);
  EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_LOUD), static_cast<UINT>(BST_CHECKED));
  wchar_t count[8] = L"?";
  GetDlgItemTextW(dlg, IDC_COUNT, count, 8);
  EXPECT_STREQ(count, L"") << "the Space went to the edit that had the focus when it was typed";
  DestroyWindow(dlg);
}

// Item helpers on a modeless dialog: no loop is needed to call them.
class DialogItems : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg_ =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(IDD_FORM), nullptr, Proc, 0);
    ASSERT_NE(dlg_, nullptr);
  }
  void TearDown() override { DestroyWindow(dlg_); }
  static INT_PTR CALLBACK Proc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG ? TRUE : FALSE;
  }
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
      {L"-7", FALSE, FALSE, 0},  // unsigned: the minus sign is not a digit, so no number
      {L"12a", TRUE, TRUE, 12},  // translation stops at the first non-digit
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
  // A DIALOG template keeps ids in a WORD: the label's IDC_STATIC is 0xFFFF, which -1 is not.
  HWND label = GetDlgItem(dlg_, 0xFFFF);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(GetDlgCtrlID(label), 0xFFFF);
  EXPECT_EQ(GetDlgItem(dlg_, IDC_STATIC), nullptr);
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

// GetDlgItem finds the child whose id is the one asked for, whatever the parent: no id stands
// for another that shares its low 16 bits.
TEST(DialogItemIds, GetDlgItemMatchesTheWholeId) {
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  const INT_PTR ids[] = {-1, 0x1FFFF, 7, 0x10007};
  std::vector<HWND> children;
  for (INT_PTR id : ids) {
    children.push_back(CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 5, 5, parent,
                                       reinterpret_cast<HMENU>(id), nullptr, nullptr));
    ASSERT_NE(children.back(), nullptr);
  }
  struct Case {
    int asked;
    HWND found;
  };
  const Case cases[] = {
      {-1, children[0]}, {0x1FFFF, children[1]}, {7, children[2]}, {0x10007, children[3]},
      {0xFFFF, nullptr}, {0x20007, nullptr},     {8, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(GetDlgItem(parent, c.asked), c.found) << "id " << c.asked;
  EXPECT_EQ(GetDlgCtrlID(children[0]), -1);
  DestroyWindow(parent);
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
  HWND dlg = CreateDialogParamW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCE(IDD_EXTENDED), nullptr,
      [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_INITDIALOG; }, 0);
  ASSERT_NE(dlg, nullptr);
  EXPECT_NE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  wchar_t title[16] = {};
  GetWindowTextW(dlg, title, 16);
  EXPECT_STREQ(title, L"Extended");
  LOGFONTW lf{};
  ASSERT_GT(
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)), sizeof lf, &lf), 0);
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
