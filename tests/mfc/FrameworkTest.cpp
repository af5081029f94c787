// The dialog framework on the device: a dialog class with a message map and data exchange run
// modally, driven from a second thread as a user would drive it; the integer exchange's refusal
// that keeps the dialog open; the framework's message boxes; runtime class names; windows
// subclassed into message maps; fonts sized from points.
#include <afxcmn.h>
#include <afxwin.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "MessageRecorder.h"
#include "ShellTestSupport.h"
#include "TemplateBuilder.h"
#include "Watchdog.h"

using namespace shelltest;
using mfctest::ItemClass;
using mfctest::TemplateBuilder;

namespace {

CWinApp theApp(L"MfcTest");

constexpr WORD kValueEdit = 100;
constexpr WORD kCheck = 101;
constexpr WORD kList = 102;
constexpr WORD kNameEdit = 103;
constexpr WORD kPress = 104;
constexpr wchar_t kTitle[] = L"Framework Test";

// Polls from a thread that owns no windows, so sleeping there holds nothing up. A dialog is
// ready once shown: it exists, hidden, while it is still being made and initialised.
HWND WaitForWindow(const wchar_t* cls, const wchar_t* title) {
  for (int i = 0; i < 600; ++i) {
    HWND h = FindWindowW(cls, title);
    if (h != nullptr && IsWindowVisible(h)) return h;
    Sleep(5);
  }
  return nullptr;
}

bool WaitGone(HWND hwnd) {
  for (int i = 0; i < 600; ++i) {
    if (!IsWindow(hwnd)) return true;
    Sleep(5);
  }
  return false;
}

class CTestDlg : public CDialog {
  DECLARE_DYNAMIC(CTestDlg)

 public:
  CTestDlg() {
    TemplateBuilder b(WS_POPUP | WS_CAPTION | WS_SYSMENU, kTitle, 150, 150);
    b.Item(ItemClass::edit, kValueEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"", 7, 7, 60, 14)
        .Item(ItemClass::edit, kNameEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"", 7, 25, 60,
              14)
        .Item(ItemClass::button, kCheck, BS_AUTOCHECKBOX | WS_TABSTOP, L"Check", 7, 43, 60, 14)
        .Item(ItemClass::listBox, kList, LBS_NOTIFY | WS_BORDER | WS_TABSTOP, L"", 7, 61, 100, 40)
        .Item(ItemClass::button, kPress, BS_PUSHBUTTON | WS_TABSTOP, L"Press", 7, 105, 40, 14);
    InitModalIndirect(b.Build());
    builder_ = std::move(b);
  }

  int m_nValue = 42;
  CString m_strName = L"abc";
  int m_nCheck = 1;
  CListBox m_list;

  int presses = 0;
  int selChanges = 0;
  int doubleClicks = 0;
  int sizes = 0;
  bool destroyed = false;
  CRect initRect;
  DWORD initExStyle = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kList, m_list);
    DDX_Text(pDX, kValueEdit, m_nValue);
    DDX_Text(pDX, kNameEdit, m_strName);
    DDX_Check(pDX, kCheck, m_nCheck);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    GetWindowRect(&initRect);
    initExStyle = GetExStyle();
    m_list.AddString(L"beta");
    m_list.AddString(L"alpha");
    return TRUE;
  }
  afx_msg void OnPress() { ++presses; }
  afx_msg void OnSelChange() { ++selChanges; }
  afx_msg void OnDoubleClick() { ++doubleClicks; }
  afx_msg void OnSize(UINT nType, int cx, int cy) {
    CDialog::OnSize(nType, cx, cy);
    ++sizes;
  }
  afx_msg void OnDestroy() {
    destroyed = true;
    CDialog::OnDestroy();
  }
  DECLARE_MESSAGE_MAP()

 private:
  TemplateBuilder builder_{0, L"", 0, 0};
};

IMPLEMENT_DYNAMIC(CTestDlg, CDialog)

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
ON_BN_CLICKED(kPress, &CTestDlg::OnPress)
ON_LBN_SELCHANGE(kList, &CTestDlg::OnSelChange)
ON_LBN_DBLCLK(kList, &CTestDlg::OnDoubleClick)
ON_WM_SIZE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

// Runs `drive` on a second thread while the dialog runs modally on this one.
template <class Dialog, class Drive>
INT_PTR RunDriven(Dialog& dlg, Drive drive) {
  std::thread driver(drive);
  const INT_PTR result = dlg.DoModal();
  driver.join();
  return result;
}

void Command(HWND dlg, WORD id, WORD code = BN_CLICKED) {
  PostMessageW(dlg, WM_COMMAND, MAKELONG(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

class FrameworkTest : public ::testing::Test {
 protected:
  msgtest::Watchdog watchdog_;
};

TEST_F(FrameworkTest, ModalDialogExchangesDataBothWaysAndRoutesItsMessageMap) {
  CTestDlg dlg;
  std::wstring valueShown, nameShown;
  LRESULT checkShown = -1, rowsShown = -1;
  bool menuBarWhileOpen = false;
  const INT_PTR result = RunDriven(dlg, [&] {
    HWND h = WaitForWindow(L"Dialog", kTitle);
    ASSERT_NE(h, nullptr);
    valueShown = TextOf(GetDlgItem(h, kValueEdit));
    nameShown = TextOf(GetDlgItem(h, kNameEdit));
    checkShown = SendMessageW(GetDlgItem(h, kCheck), BM_GETCHECK, 0, 0);
    rowsShown = SendMessageW(GetDlgItem(h, kList), LB_GETCOUNT, 0, 0);
    menuBarWhileOpen = FindWindowW(L"menu_worker", nullptr) != nullptr;
    SendMessageW(GetDlgItem(h, kValueEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" -17 "));
    SendMessageW(GetDlgItem(h, kNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"xyz"));
    SendMessageW(GetDlgItem(h, kCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    Command(h, kPress);
    Command(h, kPress);
    Command(h, kList, LBN_SELCHANGE);
    PostMessageW(h, WM_COMMAND, IDOK, 0);  // as the task bar's "ok" sends it
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(valueShown, L"42");
  EXPECT_EQ(nameShown, L"abc");
  EXPECT_EQ(checkShown, BST_CHECKED);
  EXPECT_EQ(rowsShown, 2);
  EXPECT_TRUE(menuBarWhileOpen);
  EXPECT_EQ(dlg.m_nValue, -17);
  EXPECT_EQ(dlg.m_strName, L"xyz");
  EXPECT_EQ(dlg.m_nCheck, 0);
  EXPECT_EQ(dlg.presses, 2);
  EXPECT_EQ(dlg.selChanges, 1);
  EXPECT_EQ(dlg.doubleClicks, 0) << "a notification goes to its own entry only";
  EXPECT_GE(dlg.sizes, 1) << "the full-screen move reaches ON_WM_SIZE";
  EXPECT_TRUE(dlg.destroyed);
  EXPECT_EQ(dlg.initRect, CRect(0, 26, 240, 294));
  EXPECT_NE(dlg.initExStyle & WS_EX_CAPTIONOKBTN, 0u);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_list.m_hWnd, nullptr) << "the bound control lets go with its window";
  EXPECT_EQ(FindWindowW(L"menu_worker", nullptr), nullptr) << "the menu bar goes with the dialog";
}

TEST_F(FrameworkTest, CancelEndsTheDialogWithoutReadingTheControls) {
  CTestDlg dlg;
  const INT_PTR result = RunDriven(dlg, [] {
    HWND h = WaitForWindow(L"Dialog", kTitle);
    ASSERT_NE(h, nullptr);
    SendMessageW(GetDlgItem(h, kValueEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"99"));
    PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dlg.m_nValue, 42);
}

class IntegerRefusalTest : public FrameworkTest,
                           public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(IntegerRefusalTest, ANonIntegerEntrySaysSoAndKeepsTheDialogOpen) {
  CTestDlg dlg;
  std::wstring boxText;
  bool openAfterBox = false;
  const INT_PTR result = RunDriven(dlg, [&] {
    HWND h = WaitForWindow(L"Dialog", kTitle);
    ASSERT_NE(h, nullptr);
    SendMessageW(GetDlgItem(h, kValueEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(GetParam()));
    PostMessageW(h, WM_COMMAND, IDOK, 0);
    HWND box = WaitForWindow(L"Dialog", L"MfcTest");
    ASSERT_NE(box, nullptr) << "a message box titled with the application's name";
    if (FindDescendant(box, L"Please enter an integer.") != nullptr)
      boxText = L"Please enter an integer.";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(box));
    openAfterBox = IsWindow(h) && IsWindowVisible(h);
    SendMessageW(GetDlgItem(h, kValueEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
    PostMessageW(h, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(boxText, L"Please enter an integer.");
  EXPECT_TRUE(openAfterBox);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.m_nValue, 5);
}

INSTANTIATE_TEST_SUITE_P(Entries, IntegerRefusalTest,
                         ::testing::Values(L"12x", L"", L"x", L"1 2", L"- 3", L"0x10", L"1.5"));

// A dialog with nothing that takes the focus: the dialog itself gets it, and its focus entry
// can end it, as the program's status dialog does.
class CFocusDlg : public CDialog {
 public:
  CFocusDlg() {
    TemplateBuilder b(WS_POPUP | WS_CAPTION, L"Focus Test", 100, 60);
    b.Item(ItemClass::staticText, 0xFFFF, SS_LEFT, L"Working...", 7, 7, 80, 20);
    InitModalIndirect(b.Build());
    builder_ = std::move(b);
  }
  int focusMessages = 0;

 protected:
  afx_msg void OnSetFocus(CWnd* pOldWnd) {
    CDialog::OnSetFocus(pOldWnd);
    if (++focusMessages == 1) EndDialog(IDOK);
  }
  DECLARE_MESSAGE_MAP()

 private:
  TemplateBuilder builder_{0, L"", 0, 0};
};

BEGIN_MESSAGE_MAP(CFocusDlg, CDialog)
ON_WM_SETFOCUS()
END_MESSAGE_MAP()

TEST_F(FrameworkTest, ADialogWithoutTabStopsGetsTheFocusAndItsEntryCanEndIt) {
  CFocusDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.focusMessages, 1);
}

TEST_F(FrameworkTest, AfxMessageBoxIsTitledWithTheApplicationsName) {
  std::wstring text;
  int result = 0;
  std::thread driver([&] {
    HWND box = WaitForWindow(L"Dialog", L"MfcTest");
    ASSERT_NE(box, nullptr);
    if (FindDescendant(box, L"Delete it?") != nullptr) text = L"Delete it?";
    PostMessageW(box, WM_COMMAND, IDYES, 0);
  });
  result = AfxMessageBox(L"Delete it?", MB_YESNO | MB_ICONQUESTION);
  driver.join();
  EXPECT_EQ(text, L"Delete it?");
  EXPECT_EQ(result, IDYES);
  EXPECT_STREQ(AfxGetAppName(), L"MfcTest");
}

TEST_F(FrameworkTest, RuntimeClassesCarryTheirNamesAndBases) {
  CTestDlg dlg;
  EXPECT_STREQ(dlg.GetRuntimeClass()->m_lpszClassName, "CTestDlg");
  EXPECT_TRUE(dlg.IsKindOf(RUNTIME_CLASS(CDialog)));
  EXPECT_TRUE(dlg.IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_FALSE(dlg.IsKindOf(RUNTIME_CLASS(CListBox)));
  EXPECT_STREQ(dlg.m_list.GetRuntimeClass()->m_lpszClassName, "CListBox");
  CDateTimeCtrl picker;
  EXPECT_STREQ(picker.GetRuntimeClass()->m_lpszClassName, "CDateTimeCtrl");
}

// ---- The date-time picker's exchange --------------------------------------------------------

constexpr WORD kPicker = 110;

class CPickerDlg : public CDialog {
 public:
  CPickerDlg() {
    TemplateBuilder b(WS_POPUP | WS_CAPTION, L"Picker Test", 120, 60);
    b.Item(DATETIMEPICK_CLASS, kPicker, DTS_TIMEFORMAT | WS_TABSTOP, 7, 7, 88, 26);
    InitModalIndirect(b.Build());
    builder_ = std::move(b);
  }
  COleDateTime m_time{2026, 12, 7, 8, 30, 15};
  CDateTimeCtrl m_picker;
  DWORD readBack = GDT_ERROR;
  SYSTEMTIME shownAtInit{};

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kPicker, m_picker);
    DDX_DateTimeCtrl(pDX, kPicker, m_time);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    readBack = m_picker.GetTime(&shownAtInit);
    return TRUE;
  }
  afx_msg void OnTimeChange(NMHDR* pNMHDR, LRESULT* pResult) {
    notified.push_back(pNMHDR->code);
    *pResult = 7;
  }
  DECLARE_MESSAGE_MAP()

 public:
  std::vector<UINT> notified;

 private:
  TemplateBuilder builder_{0, L"", 0, 0};
};

BEGIN_MESSAGE_MAP(CPickerDlg, CDialog)
ON_NOTIFY(DTN_DATETIMECHANGE, kPicker, &CPickerDlg::OnTimeChange)
END_MESSAGE_MAP()

TEST_F(FrameworkTest, NotificationsReachTheEntryOfTheirCodeAndControlOnly) {
  CPickerDlg dlg;
  std::vector<LRESULT> results;
  RunDriven(dlg, [&] {
    HWND h = WaitForWindow(L"Dialog", L"Picker Test");
    ASSERT_NE(h, nullptr);
    HWND picker = GetDlgItem(h, kPicker);
    struct Case {
      UINT_PTR id;
      UINT code;
    };
    for (Case c : {Case{kPicker, DTN_DATETIMECHANGE}, Case{999, DTN_DATETIMECHANGE},
                   Case{kPicker, NM_SETFOCUS}}) {
      NMDATETIMECHANGE nm{};
      nm.nmhdr = NMHDR{picker, c.id, c.code};
      results.push_back(SendMessageW(h, WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&nm)));
    }
    PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(dlg.notified, std::vector<UINT>{DTN_DATETIMECHANGE});
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0], 7) << "the handler's result is the message's";
}

TEST_F(FrameworkTest, ThePickersTimeIsExchangedBothWays) {
  CPickerDlg dlg;
  const INT_PTR result = RunDriven(dlg, [] {
    HWND h = WaitForWindow(L"Dialog", L"Picker Test");
    ASSERT_NE(h, nullptr);
    SYSTEMTIME st{2026, 12, 1, 7, 21, 5, 9, 0};
    SendMessageW(GetDlgItem(h, kPicker), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&st));
    PostMessageW(h, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.readBack, static_cast<DWORD>(GDT_VALID));
  EXPECT_EQ(dlg.shownAtInit.wHour, 8);
  EXPECT_EQ(dlg.shownAtInit.wMinute, 30);
  EXPECT_EQ(dlg.shownAtInit.wSecond, 15);
  EXPECT_EQ(dlg.m_time.GetHour(), 21);
  EXPECT_EQ(dlg.m_time.GetMinute(), 5);
  EXPECT_EQ(dlg.m_time.GetSecond(), 9);
}

// ---- Windows subclassed into a message map ---------------------------------------------------

class CTapCounter : public CWnd {
 public:
  int ups = 0;

 protected:
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point) {
    ++ups;
    lastPoint = point;
    CWnd::OnLButtonUp(nFlags, point);
  }
  DECLARE_MESSAGE_MAP()

 public:
  CPoint lastPoint;
};

BEGIN_MESSAGE_MAP(CTapCounter, CWnd)
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

TEST_F(FrameworkTest, SubclassedWindowsRunTheMapFirstAndTheirOwnProcedureForTheRest) {
  msgtest::MessageRecorder recorder;
  msgtest::RecordedWindow info{&recorder, "w", nullptr};
  HWND w = msgtest::CreateRecordedWindow(info, 0, WS_POPUP, 0, 0, 50, 50, nullptr);
  ASSERT_NE(w, nullptr);
  CTapCounter counter;
  ASSERT_TRUE(counter.SubclassWindow(w));
  EXPECT_EQ(CWnd::FromHandle(w), &counter);
  EXPECT_EQ(CWnd::FromHandlePermanent(w), &counter);
  recorder.Take();
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(3, 4));
  SendMessageW(w, WM_LBUTTONUP, 0, MAKELONG(3, 4));
  EXPECT_EQ(counter.ups, 1);
  EXPECT_EQ(counter.lastPoint, CPoint(3, 4));
  EXPECT_TRUE(msgtest::SequenceIs(recorder.Take(),
                                  {{"w", WM_LBUTTONDOWN}, {"w", WM_LBUTTONUP}}))
      << "the mapped handler's Default() and the unmapped message reach the window's procedure";
  EXPECT_EQ(counter.UnsubclassWindow(), w);
  SendMessageW(w, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(counter.ups, 1);
  CWnd* temporary = CWnd::FromHandle(w);
  EXPECT_NE(temporary, &counter);
  EXPECT_EQ(temporary, CWnd::FromHandle(w)) << "one temporary object a window";
  EXPECT_EQ(temporary->m_hWnd, w);
  DestroyWindow(w);
}

TEST_F(FrameworkTest, AnObjectLetsGoOfItsWindowWhenTheWindowIsDestroyed) {
  msgtest::MessageRecorder recorder;
  msgtest::RecordedWindow info{&recorder, "w", nullptr};
  HWND w = msgtest::CreateRecordedWindow(info, 0, WS_POPUP, 0, 0, 50, 50, nullptr);
  CTapCounter counter;
  ASSERT_TRUE(counter.SubclassWindow(w));
  DestroyWindow(w);
  EXPECT_EQ(counter.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(w), nullptr);
  EXPECT_FALSE(counter.Attach(nullptr));
}

TEST_F(FrameworkTest, AttachRefusesAWindowThatAlreadyHasAnObject) {
  msgtest::MessageRecorder recorder;
  msgtest::RecordedWindow info{&recorder, "w", nullptr};
  HWND w = msgtest::CreateRecordedWindow(info, 0, WS_POPUP, 0, 0, 50, 50, nullptr);
  CWnd first, second;
  ASSERT_TRUE(first.Attach(w));
  EXPECT_FALSE(second.Attach(w));
  EXPECT_EQ(first.Detach(), w);
  EXPECT_TRUE(second.Attach(w));
  second.Detach();
  DestroyWindow(w);
}

// ---- Fonts -----------------------------------------------------------------------------------

struct PointCase {
  int tenths;
  LONG height;
};

class PointFontTest : public FrameworkTest, public ::testing::WithParamInterface<PointCase> {};

TEST_P(PointFontTest, TenthsOfAPointBecomeAPixelHeightAt96Dpi) {
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(GetParam().tenths, L"Microsoft Sans Serif"));
  LOGFONT lf{};
  ASSERT_GT(font.GetLogFont(&lf), 0);
  EXPECT_EQ(lf.lfHeight, GetParam().height);
  EXPECT_STREQ(lf.lfFaceName, L"Microsoft Sans Serif");
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PointFontTest,
                         ::testing::Values(PointCase{120, -16}, PointCase{80, -11},
                                           PointCase{90, -12}, PointCase{100, -13}));

TEST_F(FrameworkTest, AWindowsFontComesBackAsATemporaryObjectThatDoesNotOwnIt) {
  HWND edit =
      CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 60, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(120, L"Tahoma"));
  CWnd wnd;
  ASSERT_TRUE(wnd.Attach(edit));
  wnd.SetFont(&font);
  CFont* got = wnd.GetFont();
  ASSERT_NE(got, nullptr);
  EXPECT_NE(got, &font);
  EXPECT_EQ(got->m_hObject, font.m_hObject);
  EXPECT_EQ(CFont::FromHandle(static_cast<HFONT>(font.m_hObject)), got);
  wnd.Detach();
  DestroyWindow(edit);
  LOGFONT lf{};
  EXPECT_GT(font.GetLogFont(&lf), 0) << "the temporary object did not delete the font";
  EXPECT_TRUE(font.DeleteObject());
  EXPECT_EQ(font.m_hObject, nullptr);
}

}  // namespace
