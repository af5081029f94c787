// The walk over a window's descendants and the choice matcher that SwitchVolume hands it, on
// window trees made here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "ChildWindowWalk.h"
#include "VolumeChoices.h"

namespace {

const wchar_t kClass[] = L"VolumeWalkTestWindow";

class WindowTree : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kClass;
    RegisterClass(&wc);  // once per process; later calls fail harmlessly
    root_ =
        CreateWindow(kClass, L"root", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(root_, nullptr);
    TheVolumeChoices().Clear();
  }
  void TearDown() override {
    DestroyWindow(root_);
    TheVolumeChoices().Clear();
  }

  HWND Child(HWND parent, const wchar_t* text) {
    HWND hWnd =
        CreateWindow(kClass, text, WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    EXPECT_NE(hWnd, nullptr);
    return hWnd;
  }

  HWND root_ = nullptr;
};

std::vector<std::wstring> g_visited;

int RecordText(HWND hWnd, LPARAM lParam) {
  wchar_t text[64] = {};
  GetWindowText(hWnd, text, 64);
  g_visited.push_back(std::wstring(text) + L"/" + std::to_wstring(lParam));
  return 0;  // ignored: the walk goes on regardless
}

TEST_F(WindowTree, VisitsEveryDescendantDepthFirstParentBeforeChildren) {
  HWND a = Child(root_, L"a");
  HWND a1 = Child(a, L"a1");
  Child(a1, L"a1x");
  Child(a, L"a2");
  Child(root_, L"b");
  HWND c = Child(root_, L"c");
  Child(c, L"c1");

  g_visited.clear();
  EXPECT_EQ(WalkChildWindows(root_, RecordText, 7), 1);
  const std::vector<std::wstring> want = {L"a/7", L"a1/7", L"a1x/7", L"a2/7",
                                          L"b/7", L"c/7",  L"c1/7"};
  EXPECT_EQ(g_visited, want);
}

TEST_F(WindowTree, NoChildGivesZeroAndNoVisit) {
  g_visited.clear();
  EXPECT_EQ(WalkChildWindows(root_, RecordText, 0), 0);
  EXPECT_TRUE(g_visited.empty());
}

TEST_F(WindowTree, NoVisitorIsAnInvalidParameter) {
  Child(root_, L"a");
  SetLastError(0);
  EXPECT_EQ(WalkChildWindows(root_, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Which windows the matcher keeps for a popup whose descendants carry these texts, in walk
// order; -1 for none, else the index of the text.
struct ChoiceCase {
  const char* name;
  std::vector<const wchar_t*> texts;
  int wantOn;
  int wantMute;
};

class ChoiceMatching : public WindowTree, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(ChoiceMatching, KeepsTheRightWindows) {
  const ChoiceCase& c = GetParam();
  std::vector<HWND> windows;
  for (const wchar_t* text : c.texts) windows.push_back(Child(root_, text));

  WalkChildWindows(root_, NoteVolumeChoice, 0);
  const VolumeChoices& got = TheVolumeChoices();
  EXPECT_EQ(got.hWndOn, c.wantOn < 0 ? nullptr : windows[static_cast<size_t>(c.wantOn)]);
  EXPECT_EQ(got.hWndMute, c.wantMute < 0 ? nullptr : windows[static_cast<size_t>(c.wantMute)]);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ChoiceMatching,
    testing::Values(ChoiceCase{"AllThree", {L"On", L"Vibrate", L"Off"}, 0, 1},
                    ChoiceCase{"VibrateWinsOverAnEarlierOff", {L"Off", L"On", L"Vibrate"}, 1, 2},
                    ChoiceCase{"OffNeverReplacesVibrate", {L"Vibrate", L"Off", L"On"}, 2, 0},
                    ChoiceCase{"OffWhenNoVibrate", {L"On", L"Off"}, 0, 1},
                    ChoiceCase{"FirstOffCounts", {L"Off", L"On", L"Off"}, 1, 0},
                    ChoiceCase{"LastOnCounts", {L"On", L"Vibrate", L"On"}, 2, 1},
                    ChoiceCase{"LastVibrateCounts", {L"Vibrate", L"On", L"Vibrate"}, 1, 2},
                    ChoiceCase{"CaseMatters", {L"on", L"VIBRATE", L"off"}, -1, -1},
                    ChoiceCase{"WholeTextOnly", {L"On ", L"Vibrate!", L"Of", L"Sound"}, -1, -1},
                    ChoiceCase{"OnOnly", {L"Sound", L"On"}, 1, -1}),
    [](const testing::TestParamInfo<ChoiceCase>& param) { return param.param.name; });

TEST_F(WindowTree, ChoicesTwoLevelsDownAreFound) {
  HWND group = Child(root_, L"Sound");
  HWND on = Child(group, L"On");
  HWND vibrate = Child(group, L"Vibrate");
  WalkChildWindows(root_, NoteVolumeChoice, 0);
  EXPECT_EQ(TheVolumeChoices().hWndOn, on);
  EXPECT_EQ(TheVolumeChoices().hWndMute, vibrate);
}

}  // namespace
