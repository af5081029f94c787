// List boxes: rows added, sorted without regard to case, selected by message, tap and keys,
// scrolled by the top index, and the notifications LBS_NOTIFY asks for.
#include "ControlFixture.h"

namespace controltest {
namespace {

using ListBoxTest = ControlFixture;

std::wstring RowText(HWND list, int row) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == LB_ERR) return L"<LB_ERR>";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::vector<std::wstring> Rows(HWND list) {
  std::vector<std::wstring> rows;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) rows.push_back(RowText(list, i));
  return rows;
}

void Add(HWND list, const std::vector<std::wstring>& rows) {
  for (const std::wstring& row : rows)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

TEST_F(ListBoxTest, SortedRowsAreInTextOrderWithoutRegardToCase) {
  struct Case {
    std::vector<std::wstring> added;
    std::vector<std::wstring> wanted;
  };
  const Case cases[] = {
      {{L"beta", L"Alpha", L"gamma", L"alpha2"}, {L"Alpha", L"alpha2", L"beta", L"gamma"}},
      {{L"Mon 07:00 Mute", L"mon 06:00 On", L"Fri 22:00 Mute"},
       {L"Fri 22:00 Mute", L"mon 06:00 On", L"Mon 07:00 Mute"}},
  };
  for (const Case& c : cases) {
    HWND list = Make(L"ListBox", L"", LBS_SORT, 5, 8, 8, 100, 80);
    Add(list, c.added);
    EXPECT_EQ(Rows(list), c.wanted);
    DestroyWindow(list);
  }
}

TEST_F(ListBoxTest, UnsortedRowsKeepTheirOrderAndAddReturnsTheIndex) {
  HWND list = Make(L"ListBox", L"", 0, 5, 8, 8, 100, 80);
  EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"zulu")), 0);
  EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"alpha")), 1);
  EXPECT_EQ(Rows(list), (std::vector<std::wstring>{L"zulu", L"alpha"}));
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 5, 0), LB_ERR);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(ListBoxTest, SelectionByMessage) {
  HWND list = Make(L"ListBox", L"", LBS_NOTIFY, 5, 8, 8, 100, 80);
  Add(list, {L"one", L"two", L"three"});
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 2, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_TRUE(ParentHeard({})) << "a selection made by message is not told";
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 7, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2) << "an index past the end changes nothing";
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR)
      << "-1 answers LB_ERR too";
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR) << "-1 clears the selection";
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  SendMessageW(list, LB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0) << "the selected row moved up";
}

TEST_F(ListBoxTest, TapSelectsTheRowUnderTheStylus) {
  HWND list = Make(L"ListBox", L"", LBS_NOTIFY, 5, 8, 8, 100, 40);
  Add(list, {L"one", L"two", L"three"});
  LRESULT rowHeight = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  ASSERT_GT(rowHeight, 0);
  Tap(list, 10, static_cast<int>(rowHeight) + 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(list), Told(5, LBN_SETFOCUS), Told(5, LBN_SELCHANGE)}));
  Tap(list, 10, static_cast<int>(rowHeight) * 4 + 1);  // below the last row
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(ParentHeard({}));
}

TEST_F(ListBoxTest, WithoutNotifyNothingIsTold) {
  HWND list = Make(L"ListBox", L"", 0, 5, 8, 8, 100, 40);
  Add(list, {L"one", L"two"});
  Tap(list, 10, 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(ParentHeard({FocusLeftFor(list), Told(5, LBN_SETFOCUS)}))
      << "focus is told even without LBS_NOTIFY";
}

TEST_F(ListBoxTest, KeysMoveTheSelectionAndScrollTheTopIndex) {
  HWND list = Make(L"ListBox", L"", LBS_NOTIFY, 5, 8, 8, 100, 24);  // three rows show
  LRESULT rowHeight = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  ASSERT_EQ(rowHeight, 8);
  Add(list, {L"r0", L"r1", L"r2", L"r3", L"r4"});
  SetFocus(list);
  recorder_.Take();
  Key(list, VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0) << "the first Down selects the first row";
  for (int i = 0; i < 3; ++i) Key(list, VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1) << "row 3 is the last shown";
  EXPECT_TRUE(ParentHeard({Told(5, LBN_SELCHANGE), Told(5, LBN_SELCHANGE), Told(5, LBN_SELCHANGE),
                           Told(5, LBN_SELCHANGE)}));
  Key(list, VK_END);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 2);
  Key(list, VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 4) << "Down stops at the last row";
  Key(list, VK_HOME);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
  Key(list, VK_UP);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(ListBoxTest, TopIndexAndItemRects) {
  HWND list = Make(L"ListBox", L"", 0, 5, 8, 8, 100, 24);
  Add(list, {L"r0", L"r1", L"r2", L"r3", L"r4"});
  SendMessageW(list, LB_SETTOPINDEX, 2, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 2);
  RECT r{};
  ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r)), LB_ERR);
  EXPECT_EQ(r.top, 8);
  EXPECT_EQ(r.bottom, 16);
  EXPECT_EQ(r.right, 100);
  SendMessageW(list, LB_SETTOPINDEX, 4, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 2)
      << "the top index never leaves rows unshown";
  Tap(list, 10, 9);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 3) << "a tap counts rows from the top index";
  EXPECT_EQ(SendMessageW(list, LB_GETITEMRECT, 9, reinterpret_cast<LPARAM>(&r)), LB_ERR);
}

TEST_F(ListBoxTest, FindsRowsByPrefixAndWhole) {
  HWND list = Make(L"ListBox", L"", LBS_SORT, 5, 8, 8, 100, 40);
  Add(list, {L"Monday", L"Friday", L"mon"});
  EXPECT_EQ(
      SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"MON")),
      1);
  EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(L"monday")),
            2);
  EXPECT_EQ(
      SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Sun")),
      LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(L"fri")),
            0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
}

}  // namespace
}  // namespace controltest
