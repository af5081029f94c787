// The item editor and the main schedule dialog run modally in this process and driven from a
// second thread through the device's automation: what the controls show, and what comes back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <afxwin.h>
#include <wingdi.h>

#include "Automation.h"
#include "DeviceClock.h"
#include "ItemDlg.h"
#include "ItemSummary.h"
#include "ScheduleDlg.h"
#include "ShellThread.h"
#include "Scratch.h"
#include "Watchdog.h"
#include "resource.h"

using namespace cedev::automation;
using std::chrono::milliseconds;

CWinApp theApp(L"Quenmora");

namespace {

class Dialogs : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 41, 27, 0});
    cedev::StartShell();
  }
  void TearDown() override { cedev::StopShell(); }

  // Runs `run` here while `drive` acts from another thread once `title` shows.
  template <class Run>
  auto Drive(const wchar_t* title, Run run, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
      ASSERT_TRUE(WaitForText(title, milliseconds(3000)));
      drive(FindWindow(L"Dialog", title));
    });
    auto result = run();
    driver.join();
    return result;
  }

  msgtest::Watchdog watchdog_{"Dialogs", std::chrono::seconds(30)};
};

int Checked(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

LONG FontHeight(HWND window) {
  HFONT font = reinterpret_cast<HFONT>(SendMessage(window, WM_GETFONT, 0, 0));
  LOGFONT lf{};
  if (font == nullptr || GetObject(font, sizeof lf, &lf) == 0) return 0;
  return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

// One editor run: the values it is seeded with, the toggles tapped, and what comes back.
struct EditorCase {
  const char* name;
  BYTE days;
  int muteOn;
  std::vector<const wchar_t*> taps;
  BYTE wantDays;
  int wantMuteOn;
};

class ItemEditor : public Dialogs, public testing::WithParamInterface<EditorCase> {};

TEST_P(ItemEditor, GivesBackWhatTheTogglesShow) {
  const EditorCase& c = GetParam();
  CItemDlg editor;
  editor.m_nDays = c.days;
  editor.m_nMuteOn = c.muteOn;
  editor.m_time = TimeOfDay(22, 5, 9);
  const INT_PTR result = Drive(
      L"Quenmora Item", [&] { return editor.DoModal(); },
      [&](HWND) {
        for (const wchar_t* text : c.taps) ASSERT_TRUE(TapText(text));
        ASSERT_TRUE(TapOk());
      });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_nDays, c.wantDays);
  EXPECT_EQ(editor.m_nMuteOn, c.wantMuteOn);
  EXPECT_EQ(editor.m_time.hour(), 22);
  EXPECT_EQ(editor.m_time.minute(), 5);
  EXPECT_EQ(editor.m_time.second(), 9);
}

INSTANTIATE_TEST_SUITE_P(
    Toggles, ItemEditor,
    testing::Values(
        EditorCase{"Unchanged", 0x41, 1, {}, 0x41, 1},
        EditorCase{"SundayAndSaturday", 0, 0, {L"Su", L"Sa"}, 0x41, 0},
        EditorCase{"AllSeven", 0, 0, {L"Mo", L"Tu", L"We", L"Th", L"Fr", L"Sa", L"Su"}, 0x7F, 0},
        EditorCase{"ReleasingADay", 0x3E, 0, {L"We"}, 0x36, 0},
        EditorCase{"BitSevenIsDropped", 0x82, 0, {}, 0x02, 0},
        EditorCase{"MuteAboveTwoShowsReleased", 0, 3, {}, 0, 0},
        EditorCase{"MuteAboveTwoPressedAgain", 0, 3, {L"Mute On"}, 0, 1},
        EditorCase{"MuteReleased", 0, 1, {L"Mute On"}, 0, 0}),
    [](const testing::TestParamInfo<EditorCase>& param) { return param.param.name; });

TEST_F(Dialogs, NewItemDefaultsToNoDayThisMinuteAndMutingOff) {
  CItemDlg editor;
  const INT_PTR result = Drive(
      L"Quenmora Item", [&] { return editor.DoModal(); },
      [](HWND dialog) {
        for (int id : {IDC_SU, IDC_MO, IDC_TU, IDC_WE, IDC_TH, IDC_FR, IDC_SA, IDC_MUTEON}) {
          EXPECT_EQ(Checked(dialog, id), 0) << id;
        }
        EXPECT_TRUE(IsShowing(L"10:41:00"));
        ASSERT_TRUE(TapOk());
      });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_nDays, 0);
  EXPECT_EQ(editor.m_nMuteOn, 0);
  EXPECT_EQ(editor.m_time.hour(), 10);
  EXPECT_EQ(editor.m_time.minute(), 41);
  EXPECT_EQ(editor.m_time.second(), 0);
}

TEST_F(Dialogs, EditorShowsTheSeededItemAndItsTypedTimeComesBack) {
  CItemDlg editor;
  editor.m_nDays = 0x22;
  editor.m_nMuteOn = 1;
  editor.m_time = TimeOfDay(7, 30, 0);
  const INT_PTR result = Drive(
      L"Quenmora Item", [&] { return editor.DoModal(); },
      [](HWND dialog) {
        EXPECT_EQ(Checked(dialog, IDC_MO), 1);
        EXPECT_EQ(Checked(dialog, IDC_FR), 1);
        EXPECT_EQ(Checked(dialog, IDC_SU), 0);
        EXPECT_EQ(Checked(dialog, IDC_MUTEON), 1);
        ASSERT_TRUE(TapText(L"07:30:00"));
        Type(L"183015");
        ASSERT_TRUE(TapOk());
      });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_nDays, 0x22);
  EXPECT_EQ(editor.m_time.hour(), 18);
  EXPECT_EQ(editor.m_time.minute(), 30);
  EXPECT_EQ(editor.m_time.second(), 15);
}

TEST_F(Dialogs, PickerAloneHasTheLargerFontWhileOpen) {
  CItemDlg editor;
  LONG whileOpen = 0;
  LONG before = 0;
  HWND picker = nullptr;
  Drive(
      L"Quenmora Item", [&] { return editor.DoModal(); },
      [&](HWND dialog) {
        picker = GetDlgItem(dialog, IDC_TIME);
        whileOpen = FontHeight(picker);
        before = FontHeight(GetDlgItem(dialog, IDC_MUTEON));
        ASSERT_TRUE(TapOk());
      });
  // 12 points at the device's 96 dots per inch.
  EXPECT_EQ(whileOpen, 16);
  EXPECT_NE(before, 16);
}

TEST_F(Dialogs, CancelGivesNothingBack) {
  CItemDlg editor;
  editor.m_nDays = 0x02;
  const INT_PTR result = Drive(
      L"Quenmora Item", [&] { return editor.DoModal(); },
      [](HWND) {
        ASSERT_TRUE(TapText(L"Sa"));
        ASSERT_TRUE(Key(L"Escape"));
      });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(editor.m_nDays, 0x02);
}

TEST_F(Dialogs, MainDialogListsTheItemsOverTheStretchedListAndHidesSetup) {
  Schedule schedule;
  schedule.Append(std::make_unique<ScheduleItem>(0x3E, TimeOfDay(7, 30, 0), 1));
  schedule.Append(std::make_unique<ScheduleItem>(0x41, TimeOfDay(22, 5, 9), 0));
  CScheduleDlg dialog(schedule);
  RECT list{};
  std::vector<std::wstring> rows;
  bool setupVisible = true;
  const INT_PTR result = Drive(
      L"Quenmora", [&] { return dialog.DoModal(); },
      [&](HWND hDlg) {
        HWND hList = GetDlgItem(hDlg, IDC_LIST);
        GetWindowRect(hList, &list);
        const int count = static_cast<int>(SendMessage(hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
          wchar_t text[64] = {};
          SendMessage(hList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
          rows.emplace_back(text);
        }
        EXPECT_EQ(SendMessage(hList, LB_GETCURSEL, 0, 0), LB_ERR);
        setupVisible = IsWindowVisible(GetDlgItem(hDlg, IDC_SETUP)) != FALSE;
        ASSERT_TRUE(Key(L"Escape"));
      });
  EXPECT_EQ(result, IDCANCEL);
  const std::vector<std::wstring> want = {L"Mute On at 07:30:00 Mo Tu We Th Fr ",
                                          L"Mute Off at 22:05:09 Su Sa "};
  EXPECT_EQ(rows, want);
  EXPECT_FALSE(setupVisible);
  // The full-screen dialog spans (0,26)-(240,294); the list starts at (7,51) on the screen.
  // Width D.right - 2 L.left, height D.bottom - 2 (L.top - D.top).
  EXPECT_EQ(list.left, 7);
  EXPECT_EQ(list.top, 51);
  EXPECT_EQ(list.right - list.left, 240 - 2 * 7);
  EXPECT_EQ(list.bottom - list.top, 294 - 2 * 25);
}

TEST(CommitCheck, OnlyExactlyOneItemIsRefused) {
  Schedule schedule;
  EXPECT_TRUE(ScheduleCanBeCommitted(schedule));
  schedule.Append(std::make_unique<ScheduleItem>(0x02, TimeOfDay(7, 0, 0), 0));
  EXPECT_FALSE(ScheduleCanBeCommitted(schedule));
  schedule.Append(std::make_unique<ScheduleItem>(0x02, TimeOfDay(7, 0, 0), 0));
  EXPECT_TRUE(ScheduleCanBeCommitted(schedule));
}

}  // namespace
