// Windows as a tree: classes, FindWindow, GetWindow order, texts, window longs, handles.
#include <windows.h>

#include <functional>

#include <gtest/gtest.h>

#include "MessageRecorder.h"

namespace {

using msgtest::CreateRecordedWindow;
using msgtest::MessageRecorder;
using msgtest::RecordedWindow;

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return DefWindowProcW(h, m, w, l);
}

class WindowTree : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = L"TreeTestClass";
    wc.cbWndExtra = 2 * static_cast<int>(sizeof(LONG_PTR));
    RegisterClassW(&wc);
  }
  void TearDown() override {
    for (HWND h : made_) {
      if (IsWindow(h)) DestroyWindow(h);
    }
  }
  HWND Make(const wchar_t* title, DWORD style = WS_VISIBLE, HWND parent = nullptr) {
    HWND h = CreateWindowExW(0, L"TreeTestClass", title, style, 0, 30, 100, 50, parent, nullptr,
                             nullptr, nullptr);
    made_.push_back(h);
    return h;
  }
  std::vector<HWND> made_;
};

struct FindCase {
  const wchar_t* cls;
  const wchar_t* title;
  bool found;
};

TEST_F(WindowTree, FindWindowComparesClassWithoutCaseAndTitleExactly) {
  HWND top = Make(L"Quenmora");
  Make(L"Child title", WS_CHILD | WS_VISIBLE, top);
  const FindCase cases[] = {
      {L"TreeTestClass", L"Quenmora", true},  {L"treetestclass", L"Quenmora", true},
      {L"TREETESTCLASS", nullptr, true},      {nullptr, L"Quenmora", true},
      {L"TreeTestClass", L"quenmora", false}, {L"TreeTestClass", L"Quenmora ", false},
      {L"NoSuchClass", nullptr, false},       {nullptr, L"Child title", false},
  };
  for (const FindCase& c : cases) {
    HWND h = FindWindowW(c.cls, c.title);
    EXPECT_EQ(h != nullptr, c.found)
        << (c.cls ? "class given" : "no class") << ", title " << (c.title ? "given" : "null");
    if (c.found) {
      EXPECT_EQ(h, top);
    }
  }
}

TEST_F(WindowTree, ChildrenComeInCreationOrder) {
  HWND top = Make(L"top");
  HWND a = Make(L"a", WS_CHILD, top);
  HWND b = Make(L"b", WS_CHILD, top);
  HWND c = Make(L"c", WS_CHILD, top);
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetParent(b), top);
  EXPECT_TRUE(IsChild(top, c));
  EXPECT_FALSE(IsChild(a, b));
}

struct TextCase {
  int count;
  const wchar_t* expected;
  int returned;
};

TEST_F(WindowTree, GetWindowTextCopiesAtMostCountMinusOne) {
  HWND h = Make(L"Hello");
  const TextCase cases[] = {
      {10, L"Hello", 5}, {6, L"Hello", 5}, {5, L"Hell", 4}, {3, L"He", 2}, {1, L"", 0}};
  for (const TextCase& c : cases) {
    wchar_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(GetWindowTextW(h, buffer, c.count), c.returned) << "count " << c.count;
    EXPECT_STREQ(buffer, c.expected) << "count " << c.count;
    EXPECT_EQ(buffer[c.count], L'#') << "wrote past count " << c.count;
  }
  wchar_t untouched[2] = {L'#', L'#'};
  EXPECT_EQ(GetWindowTextW(h, untouched, 0), 0);
  EXPECT_EQ(untouched[0], L'#');
  EXPECT_EQ(GetWindowTextLengthW(h), 5);
  ASSERT_TRUE(SetWindowTextW(h, L"Other"));
  wchar_t buffer[16];
  GetWindowTextW(h, buffer, 16);
  EXPECT_STREQ(buffer, L"Other");
}

TEST_F(WindowTree, SetWindowLongReturnsThePreviousValue) {
  HWND h = Make(L"longs");
  EXPECT_EQ(GetWindowLongPtrW(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&PlainProc));
  LONG_PTR marker = reinterpret_cast<LONG_PTR>(&marker);  // a value wider than 32 bits
  EXPECT_EQ(SetWindowLongPtrW(h, GWLP_USERDATA, marker), 0);
  EXPECT_EQ(GetWindowLongPtrW(h, GWLP_USERDATA), marker);
  EXPECT_EQ(SetWindowLongPtrW(h, static_cast<int>(sizeof(LONG_PTR)), marker), 0);
  EXPECT_EQ(GetWindowLongPtrW(h, static_cast<int>(sizeof(LONG_PTR))), marker);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrW(h, 2 * static_cast<int>(sizeof(LONG_PTR))), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
}

TEST_F(WindowTree, SetWindowLongOnABadWindowFails) {
  HWND h = Make(L"gone");
  DestroyWindow(h);
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlainProc)), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// Every entry that takes a window answers one that has gone alike: it fails and says why. (Not
// listed: DestroyWindow, GetClassName and SetTimer, which Wine answers with other errors.)
TEST_F(WindowTree, EveryEntryAnswersAWindowThatHasGoneWithInvalidWindowHandle) {
  HWND h = Make(L"gone");
  ASSERT_TRUE(DestroyWindow(h));
  RECT r{};
  POINT p{};
  wchar_t text[8];
  PAINTSTRUCT ps{};
  const struct {
    const char* entry;
    std::function<bool()> fails;
  } entries[] = {
      {"GetParent", [&] { return GetParent(h) == nullptr; }},
      {"SetParent", [&] { return SetParent(h, nullptr) == nullptr; }},
      {"GetWindow", [&] { return GetWindow(h, GW_CHILD) == nullptr; }},
      {"GetWindowText", [&] { return GetWindowTextW(h, text, 8) == 0; }},
      {"GetWindowTextLength", [&] { return GetWindowTextLengthW(h) == 0; }},
      {"SetWindowText", [&] { return !SetWindowTextW(h, L"x"); }},
      {"GetWindowLong", [&] { return GetWindowLongW(h, GWL_STYLE) == 0; }},
      {"SetWindowLong", [&] { return SetWindowLongW(h, GWL_STYLE, 0) == 0; }},
      {"GetWindowThreadProcessId", [&] { return GetWindowThreadProcessId(h, nullptr) == 0; }},
      {"ShowWindow", [&] { return !ShowWindow(h, SW_SHOW); }},
      {"SetWindowPos", [&] { return !SetWindowPos(h, nullptr, 0, 0, 1, 1, SWP_NOZORDER); }},
      {"GetWindowRect", [&] { return !GetWindowRect(h, &r); }},
      {"GetClientRect", [&] { return !GetClientRect(h, &r); }},
      {"ClientToScreen", [&] { return !ClientToScreen(h, &p); }},
      {"SendMessage", [&] { return SendMessageW(h, WM_USER, 0, 0) == 0; }},
      {"PostMessage", [&] { return !PostMessageW(h, WM_USER, 0, 0); }},
      {"SetFocus", [&] { return SetFocus(h) == nullptr; }},
      {"SetActiveWindow", [&] { return SetActiveWindow(h) == nullptr; }},
      {"EnableWindow", [&] { return !EnableWindow(h, FALSE); }},
      {"InvalidateRect", [&] { return !InvalidateRect(h, nullptr, TRUE); }},
      {"BeginPaint", [&] { return BeginPaint(h, &ps) == nullptr; }},
      {"CreateCaret", [&] { return !CreateCaret(h, nullptr, 1, 8); }},
  };
  for (const auto& e : entries) {
    SetLastError(0);
    EXPECT_TRUE(e.fails()) << e.entry;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE)) << e.entry;
  }
}

TEST_F(WindowTree, HandlesAreNeverReused) {
  std::vector<HWND> seen;
  for (int i = 0; i < 50; ++i) {
    HWND h = Make(L"churn");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::find(seen.begin(), seen.end(), h), seen.end());
    seen.push_back(h);
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(h));
  }
}

TEST_F(WindowTree, ClassNamesCompareWithoutCase) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = L"treetestCLASS";
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  HWND h = CreateWindowExW(0, L"TREETESTCLASS", L"x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  made_.push_back(h);
  ASSERT_NE(h, nullptr);
  wchar_t name[32];
  EXPECT_EQ(GetClassNameW(h, name, 32), 13);
  EXPECT_STREQ(name, L"TreeTestClass");
}

TEST_F(WindowTree, TopmostWindowsStayAboveOthersAndHitTestingFindsThem) {
  HWND below = CreateWindowExW(WS_EX_TOPMOST, L"TreeTestClass", L"pinned", WS_VISIBLE, 0, 0, 240,
                               100, nullptr, nullptr, nullptr, nullptr);
  made_.push_back(below);
  HWND normal = Make(L"normal");  // (0,30)-(100,80), made later but not topmost
  EXPECT_EQ(WindowFromPoint(POINT{50, 50}), below);
  HWND child = Make(L"child", WS_CHILD | WS_VISIBLE, below);  // (0,30)-(100,80) in `below`
  EXPECT_EQ(WindowFromPoint(POINT{50, 50}), child);
  EnableWindow(child, FALSE);
  EXPECT_EQ(WindowFromPoint(POINT{50, 50}), below) << "a disabled child is not hit";
  EXPECT_EQ(ChildWindowFromPoint(below, POINT{50, 50}), child);
  EXPECT_EQ(ChildWindowFromPoint(below, POINT{200, 10}), below);
  ShowWindow(below, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{50, 50}), normal);
}

}  // namespace

namespace {

TEST(Icons, SetIconKeepsTheIconAndReturnsThePreviousOne) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"IconTestClass";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, L"IconTestClass", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  HICON first = LoadIconW(nullptr, IDI_APPLICATION);
  HICON second = LoadIconW(nullptr, IDI_QUESTION);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(LoadIconW(nullptr, IDI_APPLICATION), first) << "the same icon is shared";
  EXPECT_EQ(SendMessageW(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(first)), 0);
  EXPECT_EQ(SendMessageW(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(second)),
            reinterpret_cast<LRESULT>(first));
  EXPECT_EQ(SendMessageW(h, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(second));
  EXPECT_EQ(SendMessageW(h, WM_GETICON, ICON_SMALL, 0), 0) << "the small icon is its own slot";
  DestroyWindow(h);
}

// A null instance loads only the system's predefined icons; another id is no icon of its.
TEST(Icons, ANullInstanceHasOnlyThePredefinedIcons) {
  struct Case {
    LPCWSTR name;
    bool found;
  };
  const Case cases[] = {
      {IDI_APPLICATION, true},
      {IDI_HAND, true},
      {IDI_QUESTION, true},
      {IDI_EXCLAMATION, true},
      {IDI_ASTERISK, true},
      {MAKEINTRESOURCEW(101), false},
      {MAKEINTRESOURCEW(32511), false},
      {MAKEINTRESOURCEW(32600), false},
      {L"NoSuchIcon", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadIconW(nullptr, c.name) != nullptr, c.found) << "case " << (&c - cases);
  }
}

}  // namespace
