// The framework's CString: construction, access, concatenation, comparison, the substring and
// search members, case, trimming, formatting and the buffer protocol.
#include <stdexcept>
#include <string>
#include <utility>

#include <afxstr.h>
#include <gtest/gtest.h>

#include "WidePrint.h"

namespace {

TEST(CString, Construction) {
  EXPECT_EQ(CString(), L"");
  EXPECT_TRUE(CString().IsEmpty());
  EXPECT_EQ(CString(static_cast<LPCTSTR>(nullptr)), L"");
  EXPECT_EQ(CString(L"abc").GetLength(), 3);
  EXPECT_EQ(CString(L"abcdef", 3), L"abc");
  EXPECT_EQ(CString(L"abc", 0), L"");
  EXPECT_EQ(CString(L'x', 3), L"xxx");
  EXPECT_EQ(CString(L'x'), L"x");
  EXPECT_EQ(CString(L'x', 0), L"");
  EXPECT_EQ(CString(L'x', -2), L"");
}

TEST(CString, CopiesAreIndependent) {
  CString original(L"abc");
  CString copy(original);
  copy.SetAt(0, L'z');
  copy += L"!";
  EXPECT_EQ(original, L"abc");
  EXPECT_EQ(copy, L"zbc!");

  CString moved(std::move(copy));
  EXPECT_EQ(moved, L"zbc!");
  CString assigned;
  assigned = moved;
  moved.Empty();
  EXPECT_TRUE(moved.IsEmpty());
  EXPECT_EQ(assigned, L"zbc!");
}

TEST(CString, AssignmentFromTextAndCharacter) {
  CString s(L"old");
  s = L"new text";
  EXPECT_EQ(s, L"new text");
  s = L'c';
  EXPECT_EQ(s, L"c");
  s = static_cast<LPCTSTR>(nullptr);
  EXPECT_EQ(s, L"");
  s = L"abcdef";
  s = static_cast<LPCTSTR>(s) + 2;  // from the string's own text
  EXPECT_EQ(s, L"cdef");
}

TEST(CString, CharacterAccessAndItsBounds) {
  CString s(L"abc");
  EXPECT_EQ(s.GetAt(0), L'a');
  EXPECT_EQ(s[2], L'c');
  EXPECT_EQ(s.GetAt(3), L'\0');  // the terminator may be read
  EXPECT_THROW(s.GetAt(4), std::out_of_range);
  EXPECT_THROW(s.GetAt(-1), std::out_of_range);
  s.SetAt(1, L'X');
  EXPECT_EQ(s, L"aXc");
  EXPECT_THROW(s.SetAt(3, L'd'), std::out_of_range);
  EXPECT_THROW(s.SetAt(-1, L'd'), std::out_of_range);
  EXPECT_EQ(s, L"aXc");
}

TEST(CString, Concatenation) {
  const CString ab(L"ab");
  struct Case {
    CString actual;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {ab + ab, L"abab"},
      {ab + L"cd", L"abcd"},
      {L"cd" + ab, L"cdab"},
      {ab + L'c', L"abc"},
      {L'c' + ab, L"cab"},
      {ab + L"", L"ab"},
      {ab + static_cast<LPCTSTR>(nullptr), L"ab"},
      {CString() + CString(), L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);

  CString s(L"ab");
  s += s;
  EXPECT_EQ(s, L"abab");
  s += static_cast<LPCTSTR>(s) + 2;  // appending a part of itself
  EXPECT_EQ(s, L"ababab");
  s += L'!';
  EXPECT_EQ(s, L"ababab!");
}

TEST(CString, ComparisonsWithStringsAndText) {
  const CString abc(L"abc");
  EXPECT_TRUE(abc == L"abc");
  EXPECT_TRUE(L"abc" == abc);
  EXPECT_TRUE(abc == CString(L"abc"));
  EXPECT_TRUE(abc != L"abd");
  EXPECT_TRUE(L"abd" != abc);
  EXPECT_TRUE(abc < L"abd");
  EXPECT_TRUE(L"abd" > abc);
  EXPECT_TRUE(abc <= CString(L"abc"));
  EXPECT_TRUE(abc >= L"ab");
  EXPECT_FALSE(abc < L"abc");
  EXPECT_TRUE(CString(L"B") < CString(L"a"));  // by code value, unlike lstrcmp
  EXPECT_TRUE(CString() == static_cast<LPCTSTR>(nullptr));
}

TEST(CString, CompareAndCompareNoCase) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int compare;
    int compareNoCase;
  };
  const Case cases[] = {
      {L"abc", L"abc", 0, 0},
      {L"abc", L"ABC", 1, 0},
      {L"ABC", L"abd", -1, -1},
      {L"ab", L"abc", -1, -1},
      {L"abc", L"ab", 1, 1},
      {L"", L"", 0, 0},
      {L"\x00C9t\x00C9", L"\x00E9T\x00E9", -1, 0},
      {L"a", nullptr, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CString(c.a).Compare(c.b), c.compare) << Printable(c.a) << " vs " << Printable(c.b);
    EXPECT_EQ(CString(c.a).CompareNoCase(c.b), c.compareNoCase)
        << Printable(c.a) << " vs " << Printable(c.b);
  }
}

TEST(CString, LeftRightMidClampTheirCounts) {
  const CString s(L"abcdef");
  struct Case {
    CString actual;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {s.Left(2), L"ab"},     {s.Left(0), L""},      {s.Left(-1), L""},  {s.Left(99), L"abcdef"},
      {s.Right(2), L"ef"},    {s.Right(0), L""},     {s.Right(-3), L""}, {s.Right(99), L"abcdef"},
      {s.Mid(2), L"cdef"},    {s.Mid(0), L"abcdef"}, {s.Mid(6), L""},    {s.Mid(10), L""},
      {s.Mid(-1), L"abcdef"}, {s.Mid(2, 2), L"cd"},  {s.Mid(2, 0), L""}, {s.Mid(4, 100), L"ef"},
      {s.Mid(-2, 3), L"abc"}, {s.Mid(1, -1), L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(CString, FindAndReverseFind) {
  const CString s(L"abcabc");
  EXPECT_EQ(s.Find(L'c'), 2);
  EXPECT_EQ(s.Find(L'c', 3), 5);
  EXPECT_EQ(s.Find(L'a', 1), 3);
  EXPECT_EQ(s.Find(L'z'), -1);
  EXPECT_EQ(s.Find(L'a', 6), -1);
  EXPECT_EQ(s.Find(L'a', 7), -1);
  EXPECT_EQ(s.Find(L'a', -1), -1);
  EXPECT_EQ(s.Find(L"bc"), 1);
  EXPECT_EQ(s.Find(L"bc", 2), 4);
  EXPECT_EQ(s.Find(L"cab"), 2);
  EXPECT_EQ(s.Find(L"abd"), -1);
  EXPECT_EQ(s.Find(L"", 0), 0);
  EXPECT_EQ(s.Find(static_cast<LPCTSTR>(nullptr)), -1);
  EXPECT_EQ(s.ReverseFind(L'a'), 3);
  EXPECT_EQ(s.ReverseFind(L'z'), -1);
  EXPECT_EQ(CString().ReverseFind(L'a'), -1);
}

TEST(CString, Case) {
  CString s(L"Mute On \x00E4\x00D6 \x0436\x0416 1-2");
  EXPECT_EQ(&s.MakeUpper(), &s);
  EXPECT_EQ(s, L"MUTE ON \x00C4\x00D6 \x0416\x0416 1-2");
  s.MakeLower();
  EXPECT_EQ(s, L"mute on \x00E4\x00F6 \x0436\x0436 1-2");
  CString sharp(L"\x00DF\x00FF");  // sharp s has no single capital; y with diaeresis does
  EXPECT_EQ(sharp.MakeUpper(), L"\x00DF\x0178");
}

TEST(CString, Trimming) {
  struct Case {
    CString actual;
    const wchar_t* expected;
  };
  const wchar_t* text = L" \t\r\n x y \v\f ";
  const Case cases[] = {
      {CString(text).TrimLeft(), L"x y \v\f "},
      {CString(text).TrimRight(), L" \t\r\n x y"},
      {CString(text).Trim(), L"x y"},
      {CString(L"   ").Trim(), L""},
      {CString(L"xxaxx").TrimLeft(L'x'), L"axx"},
      {CString(L"xxaxx").TrimRight(L'x'), L"xxa"},
      {CString(L"xyzaxyz").TrimLeft(L"zyx"), L"axyz"},
      {CString(L"xyzaxyz").TrimRight(L"zyx"), L"xyza"},
      {CString(L"abc").TrimLeft(L""), L"abc"},
      {CString(L"abc").TrimRight(static_cast<LPCTSTR>(nullptr)), L"abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(CString, FormatUsesWsprintfConversionsWithoutItsLimit) {
  CString s;
  s.Format(L"Mute %s at %02d:%02d:%02d %s", L"On", 9, 5, -1, L"Mo ");
  EXPECT_EQ(s, L"Mute On at 09:05:-1 Mo ");
  s.Format(L"%hs|%c|%#X", "narrow", L'w', 0xAB);
  EXPECT_EQ(s, L"narrow|w|0XAB");

  const std::wstring big(5000, L'q');
  s.Format(L"<%s>", big.c_str());
  EXPECT_EQ(s.GetLength(), 5002);
  EXPECT_EQ(s.Right(2), L"q>");
}

TEST(CString, FormatMayTakeTheStringItself) {
  CString s(L"inner");
  s.Format(L"<%s>", static_cast<LPCTSTR>(s));
  EXPECT_EQ(s, L"<inner>");
  s.AppendFormat(L"%s", static_cast<LPCTSTR>(s));
  EXPECT_EQ(s, L"<inner><inner>");
}

TEST(CString, AppendFormatAppends) {
  CString s(L"a");
  s.AppendFormat(L"-%d-%s", 2, L"b");
  s.AppendFormat(L"%c", L'!');
  EXPECT_EQ(s, L"a-2-b!");
}

TEST(CString, GetBufferAndReleaseBuffer) {
  CString s(L"abc");
  LPTSTR p = s.GetBuffer(2);  // shorter than the text: the text stays whole
  EXPECT_EQ(std::wstring(p), L"abc");
  s.ReleaseBuffer(1);
  EXPECT_EQ(s, L"a");

  p = s.GetBuffer(64);
  EXPECT_EQ(std::wstring(p), L"a");
  const int n = wsprintfW(p, L"%s=%d", L"value", 42);
  s.ReleaseBuffer();
  EXPECT_EQ(n, 8);
  EXPECT_EQ(s, L"value=42");
  EXPECT_EQ(s.GetLength(), 8);

  p = s.GetBuffer();
  p[0] = L'V';
  s.ReleaseBuffer();
  EXPECT_EQ(s, L"Value=42");

  p = s.GetBufferSetLength(3);
  EXPECT_EQ(s.GetLength(), 3);
  p[2] = L'!';
  s.ReleaseBuffer();
  EXPECT_EQ(s, L"Va!");

  p = s.GetBufferSetLength(6);
  EXPECT_EQ(s.GetLength(), 6);
  p[3] = L'?';
  s.ReleaseBuffer(-1);  // up to the first terminator
  EXPECT_EQ(s, L"Va!?");
}

TEST(CString, ConvertsToTextForTheApi) {
  const CString s(L"\\My Documents\\Quenmora.dat");
  EXPECT_EQ(lstrlenW(s), s.GetLength());
  wchar_t out[64];
  lstrcpyW(out, s);
  EXPECT_EQ(std::wstring(out), L"\\My Documents\\Quenmora.dat");
}

}  // namespace
