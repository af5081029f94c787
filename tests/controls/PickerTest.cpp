// The date-time picker in time format: get and set, typing two digits a field, arrows, and
// DTN_DATETIMECHANGE to the parent.
#include <cstdio>
#include <cwchar>

#include "ControlFixture.h"

namespace controltest {
namespace {

class PickerTest : public ControlFixture {
 protected:
  HWND MakePicker() {
    HWND picker = Make(DATETIMEPICK_CLASSW, L"", DTS_TIMEFORMAT | WS_TABSTOP, 6, 8, 8, 60, 16);
    SYSTEMTIME t = At(10, 20, 30);
    EXPECT_TRUE(DateTime_SetSystemtime(picker, GDT_VALID, &t));
    return picker;
  }
  static SYSTEMTIME At(WORD h, WORD m, WORD s) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wDayOfWeek = 1;
    t.wHour = h;
    t.wMinute = m;
    t.wSecond = s;
    return t;
  }
  static std::string Time(HWND picker) {
    SYSTEMTIME t{};
    if (DateTime_GetSystemtime(picker, &t) != GDT_VALID) return "invalid";
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    return text;
  }
  // DTN_DATETIMECHANGE from the picker (id 6).
  static msgtest::Expected Changed() { return {"parent", WM_NOTIFY, 6}; }
};

TEST_F(PickerTest, SetAndGetKeepTheDate) {
  HWND picker = MakePicker();
  SYSTEMTIME t{};
  ASSERT_EQ(DateTime_GetSystemtime(picker, &t), static_cast<DWORD>(GDT_VALID));
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wDay, 7);
  EXPECT_EQ(Time(picker), "10:20:30");
  SYSTEMTIME bad = At(24, 0, 0);
  EXPECT_FALSE(DateTime_SetSystemtime(picker, GDT_VALID, &bad));
  EXPECT_EQ(Time(picker), "10:20:30") << "a refused time changes nothing";
  EXPECT_FALSE(DateTime_SetSystemtime(picker, GDT_NONE, nullptr)) << "no DTS_SHOWNONE";
  EXPECT_TRUE(ParentHeard({})) << "a time set by message is not told";
}

TEST_F(PickerTest, TwoDigitsSetAFieldAndMoveOn) {
  struct Case {
    const wchar_t* typed;
    const char* wanted;
  };
  const Case cases[] = {
      {L"07", "07:20:30"},       {L"0745", "07:45:30"},
      {L"074509", "07:45:09"},   {L"23595", "23:59:05"},  // one digit shows at once
      {L"9", "09:20:30"},        {L"3", "03:20:30"},
      {L"39", "09:20:30"},        // 39 is no hour: the 9 starts the field again
      {L"00000000", "00:00:00"},  // past the last field the seconds take the digits
  };
  for (const Case& c : cases) {
    HWND picker = MakePicker();
    SetFocus(picker);
    Type(picker, c.typed);
    EXPECT_EQ(Time(picker), c.wanted)
        << "typed " << std::string(c.typed, c.typed + wcslen(c.typed));
    DestroyWindow(picker);
  }
}

TEST_F(PickerTest, ArrowsStepAndChangeFieldWithWrapping) {
  struct Case {
    std::vector<WPARAM> keys;
    const char* wanted;
  };
  const Case cases[] = {
      {{VK_UP}, "11:20:30"},
      {{VK_DOWN, VK_DOWN}, "08:20:30"},
      {{VK_RIGHT, VK_UP}, "10:21:30"},
      {{VK_RIGHT, VK_RIGHT, VK_DOWN}, "10:20:29"},
      {{VK_LEFT, VK_UP}, "10:20:31"},  // Left from the hour wraps to the seconds
      {{VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_UP}, "11:20:30"},
  };
  for (const Case& c : cases) {
    HWND picker = MakePicker();
    SetFocus(picker);
    for (WPARAM k : c.keys) Key(picker, k);
    EXPECT_EQ(Time(picker), c.wanted);
    DestroyWindow(picker);
  }
  HWND picker = MakePicker();
  SYSTEMTIME late = At(23, 59, 0);
  ASSERT_TRUE(DateTime_SetSystemtime(picker, GDT_VALID, &late));
  SetFocus(picker);
  Key(picker, VK_UP);
  EXPECT_EQ(Time(picker), "00:59:00") << "the hour wraps without touching the day";
  Key(picker, VK_RIGHT);
  Key(picker, VK_UP);
  EXPECT_EQ(Time(picker), "00:00:00");
  Key(picker, VK_DOWN);
  EXPECT_EQ(Time(picker), "00:59:00");
}

TEST_F(PickerTest, FocusAndTapMakeTheHourCurrent) {
  HWND picker = MakePicker();
  HWND other = Make(L"Button", L"x", BS_PUSHBUTTON, 9, 8, 40);
  SetFocus(picker);
  Key(picker, VK_RIGHT);
  SetFocus(other);
  SetFocus(picker);
  Key(picker, VK_UP);
  EXPECT_EQ(Time(picker), "11:20:30");
  Key(picker, VK_RIGHT);
  Tap(picker);
  Key(picker, VK_UP);
  EXPECT_EQ(Time(picker), "12:20:30");
}

TEST_F(PickerTest, UserChangesAreToldToTheParent) {
  HWND picker = MakePicker();
  SetFocus(picker);
  recorder_.Take();
  Key(picker, VK_UP);
  EXPECT_TRUE(ParentHeard({Changed()}));
  Type(picker, L"11");  // "1" sets 01, the second "1" sets 11
  EXPECT_TRUE(ParentHeard({Changed(), Changed()}));
  EXPECT_EQ(Time(picker), "11:20:30");
  Key(picker, VK_LEFT);
  EXPECT_TRUE(ParentHeard({})) << "changing field changes no time";
}

TEST_F(PickerTest, NotificationCarriesTheNewTime) {
  HWND picker = MakePicker();
  SetFocus(picker);
  // The recorder keeps lParam only as a number, so read the notification while it is live.
  struct Catch {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      if (msg == WM_NOTIFY) {
        const auto* change = reinterpret_cast<const NMDATETIMECHANGE*>(lParam);
        *Told() = change->st;
        *Code() = change->nmhdr.code;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    static SYSTEMTIME* Told() {
      static SYSTEMTIME t;
      return &t;
    }
    static UINT* Code() {
      static UINT c;
      return &c;
    }
  };
  parentInfo_.next = Catch::Proc;
  Key(picker, VK_DOWN);
  SYSTEMTIME told = *Catch::Told();
  EXPECT_EQ(*Catch::Code(), DTN_DATETIMECHANGE);
  EXPECT_EQ(told.wHour, 9);
  EXPECT_EQ(told.wMinute, 20);
  parentInfo_.next = nullptr;
}

// A control's state outlives a notification whose handler destroys the control: the picker
// told of its second digit goes on to its next field after its parent has destroyed it.
TEST_F(PickerTest, AParentThatDestroysThePickerInItsNotificationLosesNothing) {
  HWND picker = MakePicker();
  SetFocus(picker);
  struct DestroyOnSecond {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      if (msg == WM_NOTIFY && ++*Told() == 2)
        DestroyWindow(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    static int* Told() {
      static int told;
      return &told;
    }
  };
  *DestroyOnSecond::Told() = 0;
  parentInfo_.next = DestroyOnSecond::Proc;
  Type(picker, L"07");
  parentInfo_.next = nullptr;
  EXPECT_EQ(*DestroyOnSecond::Told(), 2);
  EXPECT_FALSE(IsWindow(picker));
}

}  // namespace
}  // namespace controltest
