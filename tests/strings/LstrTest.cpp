// The lstr functions: lengths, bounded copies and the locale-style comparisons.
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "WidePrint.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

TEST(Lstr, LengthOfNullIsZero) {
  EXPECT_EQ(lstrlenW(nullptr), 0);
  EXPECT_EQ(lstrlenW(L""), 0);
  EXPECT_EQ(lstrlenW(L"abc\x263A"), 4);
}

TEST(Lstr, CopyReturnsTheDestination) {
  wchar_t out[8] = L"zzzzzzz";
  EXPECT_EQ(lstrcpyW(out, L"abc"), out);
  EXPECT_EQ(std::wstring(out), L"abc");
  EXPECT_EQ(lstrcpyW(out, nullptr), nullptr);
}

TEST(Lstr, BoundedCopyAlwaysTerminatesWithinTheCount) {
  struct Case {
    int count;
    const wchar_t* expected;  // the buffer after the copy, read up to its terminator
    int touched;              // how many characters the copy may write, terminator included
  };
  const Case cases[] = {
      {0, L"#######", 0}, {1, L"", 1},       {3, L"ab", 3},
      {6, L"abcde", 6},   {7, L"abcdef", 7}, {20, L"abcdef", 7},
  };
  for (const Case& c : cases) {
    wchar_t out[12];
    for (wchar_t& ch : out) ch = L'#';
    out[7] = 0;
    EXPECT_EQ(lstrcpynW(out, L"abcdef", c.count), out);
    EXPECT_EQ(std::wstring(out), std::wstring(c.expected)) << "count " << c.count;
    for (int i = c.touched; i < 7; ++i) EXPECT_EQ(out[i], L'#') << "count " << c.count;
  }
}

struct Order {
  const wchar_t* a;
  const wchar_t* b;
  int expected;  // sign of the comparison of a with b
};

void ExpectOrder(int (*compare)(LPCWSTR, LPCWSTR), const Order& o) {
  EXPECT_EQ(Sign(compare(o.a, o.b)), o.expected) << Printable(o.a) << " vs " << Printable(o.b);
  EXPECT_EQ(Sign(compare(o.b, o.a)), -o.expected) << Printable(o.b) << " vs " << Printable(o.a);
}

TEST(Lstr, CompareSortsAsTheLocaleDoesNotByCodeValue) {
  const Order orders[] = {
      {L"abc", L"abc", 0},    {L"abc", L"abd", -1}, {L"ab", L"abc", -1},
      {L"", L"a", -1},        {L"a", L"B", -1},    // letters first, case later: by code value 'B' <
                                                   // 'a'
      {L"a", L"A", -1},                            // then small before capital
      {L"ab", L"Ab", -1},     {L"aB", L"Ab", -1},  // the first difference in case decides
      {L"Ab", L"ab", 1},      {L"~", L"0", -1},    // symbols before digits
      {L"9", L"a", -1},                            // digits before letters
      {L"co-op", L"coo", 1},                       // the hyphen weighs nothing at first
      {L"co-op", L"coop", 1},  // and then the string with more of them comes later
      {L"it's", L"its", 1},   {nullptr, L"", -1},   {nullptr, nullptr, 0},
  };
  for (const Order& o : orders) ExpectOrder(lstrcmpW, o);
}

TEST(Lstr, CompareIgnoringCase) {
  const Order orders[] = {
      {L"abc", L"ABC", 0},
      {L"Hello", L"hELLO", 0},
      {L"\x00C4pfel", L"\x00E4PFEL", 0},  // Latin-1 letters have case too
      {L"\x0416", L"\x0436", 0},          // and Cyrillic
      {L"a", L"B", -1},
      {L"b", L"A", 1},
      {L"abc", L"ABCD", -1},
      {L"_", L"a", -1},
      {L"co-op", L"CO-OP", 0},
      {L"co-op", L"COOP", 1},
  };
  for (const Order& o : orders) ExpectOrder(lstrcmpiW, o);
}

}  // namespace
