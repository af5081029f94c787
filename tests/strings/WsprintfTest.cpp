// wsprintf on the device: Windows' meaning of each conversion in a wide format.
#include <climits>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "WidePrint.h"

namespace {

constexpr size_t kBufferSize = 1100;  // more than wsprintf may use, to see that it stays inside
constexpr wchar_t kUntouched = L'#';

// Formats into a buffer filled with a marker and checks what every call must satisfy: the
// result is terminated, the return value is its length, nothing past the terminator is written.
template <typename... Args>
std::wstring Format(const wchar_t* format, Args... args) {
  std::vector<wchar_t> buffer(kBufferSize, kUntouched);
  const int n = wsprintfW(buffer.data(), format, args...);
  const size_t length = wcsnlen(buffer.data(), buffer.size());
  EXPECT_LT(length, 1024u) << Printable(format);
  EXPECT_EQ(static_cast<size_t>(n), length) << Printable(format);
  for (size_t i = length + 1; i < buffer.size(); ++i) {
    if (buffer[i] != kUntouched) {
      ADD_FAILURE() << Printable(format) << ": wrote past the terminator at " << i;
      break;
    }
  }
  return std::wstring(buffer.data(), length);
}

struct IntCase {
  const wchar_t* format;
  int value;
  const wchar_t* expected;
};

TEST(Wsprintf, IntegerConversionsAndFlags) {
  const IntCase cases[] = {
      {L"%d", 0, L"0"},
      {L"%d", 42, L"42"},
      {L"%d", -1, L"-1"},
      {L"%d", INT_MAX, L"2147483647"},
      {L"%d", INT_MIN, L"-2147483648"},
      {L"%i", -17, L"-17"},
      {L"%u", 42, L"42"},
      {L"%u", -1, L"4294967295"},
      {L"%x", 255, L"ff"},
      {L"%X", 255, L"FF"},
      {L"%x", -1, L"ffffffff"},
      {L"%X", 0x1A2B3C4D, L"1A2B3C4D"},
      {L"%#x", 255, L"0xff"},
      {L"%#X", 255, L"0XFF"},
      {L"%#x", 0, L"0x0"},
      {L"%#d", 5, L"5"},  // # means nothing for decimals
      {L"%5d", 42, L"   42"},
      {L"%-5d|", 42, L"42   |"},
      {L"%05d", 42, L"00042"},
      {L"%05d", -42, L"-0042"},
      {L"%-05d|", 42, L"42   |"},  // left alignment wins over zeros
      {L"%0-5d|", 42, L"42   |"},  // flags in any order
      {L"%2d", 12345, L"12345"},   // a width never cuts
      {L"%02d", 5, L"05"},
      {L"%02d", 0, L"00"},
      {L"%02d", -1, L"-1"},
      {L"%03d", -1, L"-01"},
      {L"% d", 5, L" 5"},
      {L"% d", -5, L"-5"},
      {L"% 4d", 5, L"   5"},
      {L"% u", 5, L"5"},  // the blank is for signed numbers only
      {L"%.3d", 5, L"005"},
      {L"%.3d", -5, L"-005"},
      {L"%.0d", 0, L"0"},
      {L"%6.3d", 5, L"   005"},
      {L"%-6.3d|", 5, L"005   |"},
      {L"%#06x", 255, L"0x00ff"},
      {L"%#6x", 255, L"  0xff"},
      {L"%#-6x|", 255, L"0xff  |"},
      {L"%08X", 0xBEEF, L"0000BEEF"},
      {L"%hd", 65535, L"-1"},
      {L"%hu", 65537, L"1"},
      {L"%hx", 0x12345, L"2345"},
      {L"%ld", -7, L"-7"},  // l is the 32-bit LONG
      {L"%lu", 7, L"7"},
      {L"%lx", 0xABC, L"abc"},
      {L"%d%%", 50, L"50%"},
      {L"[%d]", 3, L"[3]"},
  };
  for (const IntCase& c : cases) {
    EXPECT_EQ(Format(c.format, c.value), std::wstring(c.expected)) << Printable(c.format);
  }
}

struct TextCase {
  const wchar_t* format;
  const wchar_t* expected;
};

TEST(Wsprintf, DirectivesWsprintfDoesNotKnowPrintTheirTypeCharacter) {
  // No argument is read for these, so none is passed.
  const TextCase cases[] = {
      {L"%q", L"q"},     {L"%5q", L"q"},    {L"%*d", L"*d"},  // no * width in wsprintf
      {L"%+d", L"+d"},   {L"%f", L"f"},     {L"%e", L"e"},    // no floating point
      {L"100%", L"100"}, {L"%", L""},       {L"%-%", L"%"},   // a lone % at the end: nothing
      {L"%%", L"%"},     {L"a%%b", L"a%b"}, {L"%I64d", L"I64d"}, {L"plain text", L"plain text"},
      {L"", L""},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(Format(c.format), std::wstring(c.expected)) << Printable(c.format);
  }
}

struct WideTextCase {
  const wchar_t* format;
  const wchar_t* arg;
  const wchar_t* expected;
};

TEST(Wsprintf, WideStringsAndTheirWidthAndPrecision) {
  const WideTextCase cases[] = {
      {L"%s", L"abc", L"abc"},
      {L"%ls", L"abc", L"abc"},
      {L"%ws", L"abc", L"abc"},
      {L"%lS", L"abc", L"abc"},
      {L"%s", L"", L""},
      {L"%s", L"\x263A\x00E9", L"\x263A\x00E9"},
      {L"%5s", L"abc", L"  abc"},
      {L"%-5s|", L"abc", L"abc  |"},
      {L"%05s", L"abc", L"00abc"},
      {L"%2s", L"abc", L"abc"},
      {L"%.2s", L"abc", L"ab"},
      {L"%.0s", L"abc", L""},
      {L"%.9s", L"abc", L"abc"},
      {L"%5.2s", L"abc", L"   ab"},
      {L"%-5.2s|", L"abc", L"ab   |"},
      {L"%s", nullptr, L"(null)"},
      {L"%.3s", nullptr, L"(nu"},
      {L"%8s", nullptr, L"  (null)"},
  };
  for (const WideTextCase& c : cases) {
    EXPECT_EQ(Format(c.format, c.arg), std::wstring(c.expected)) << Printable(c.format);
  }
}

struct NarrowTextCase {
  const wchar_t* format;
  const char* arg;
  const wchar_t* expected;
};

TEST(Wsprintf, NarrowStringsWithHAndCapitalS) {
  const NarrowTextCase cases[] = {
      {L"%hs", "abc", L"abc"},
      {L"%S", "abc", L"abc"},
      {L"%hS", "abc", L"abc"},
      {L"%5hs", "ab", L"   ab"},
      {L"%-5hs|", "ab", L"ab   |"},
      {L"%.1hs", "ab", L"a"},
      {L"%hs", nullptr, L"(null)"},
      // Code page 1252: 0x80 is the euro sign, 0x9F Y with diaeresis, the rest Latin-1.
      {L"%hs", "\x80\x9F\xE9\xA0", L"\x20AC\x0178\x00E9\x00A0"},
  };
  for (const NarrowTextCase& c : cases) {
    EXPECT_EQ(Format(c.format, c.arg), std::wstring(c.expected)) << Printable(c.format);
  }
}

TEST(Wsprintf, PlainSIsWideAndHsIsNarrowInTheSameFormat) {
  // Read the wrong way, each would show one character or garbage.
  EXPECT_EQ(Format(L"%s/%hs/%s", L"wide", "narrow", L"again"), L"wide/narrow/again");
}

TEST(Wsprintf, PrecisionStopsReadingTheString) {
  // No terminator within reach: only the precision keeps the read inside the arrays.
  const wchar_t wide[3] = {L'x', L'y', L'z'};
  const char narrow[2] = {'p', 'q'};
  EXPECT_EQ(Format(L"%.3s|%.2hs", wide, narrow), L"xyz|pq");
}

struct CharCase {
  const wchar_t* format;
  int arg;
  const wchar_t* expected;
};

TEST(Wsprintf, Characters) {
  const CharCase cases[] = {
      {L"%c", L'x', L"x"},         {L"%c", 0x263A, L"\x263A"},
      {L"%lc", L'z', L"z"},        {L"%wc", L'z', L"z"},
      {L"%hc", 'y', L"y"},         {L"%C", 'a', L"a"},
      {L"%lC", 0x263A, L"\x263A"}, {L"%hc", 0x80, L"\x20AC"},
      {L"%hc", 0x180, L"\x20AC"},  // only the low byte of a narrow character counts
      {L"%3c", L'x', L"  x"},      {L"%-3c|", L'x', L"x  |"},
      {L"%.0c", L'x', L"x"},  // a precision does not apply to a character
  };
  for (const CharCase& c : cases) {
    EXPECT_EQ(Format(c.format, c.arg), std::wstring(c.expected)) << Printable(c.format);
  }
}

TEST(Wsprintf, ArgumentsAreTakenInOrderAcrossMixedTypes) {
  EXPECT_EQ(Format(L"%d %s %c %x %hs %u", -3, L"two", L'3', 0x4F, "five", 6u),
            L"-3 two 3 4f five 6");
}

TEST(Wsprintf, ProgramFormatStrings) {
  EXPECT_EQ(Format(L"Mute %s at %02d:%02d:%02d %s%s%s%s%s%s%s", L"On", 7, 5, 0, L"Su ", L"", L"Tu ",
                   L"", L"", L"Fr ", L"Sa "),
            L"Mute On at 07:05:00 Su Tu Fr Sa ");
  EXPECT_EQ(Format(L"Mute %s at %02d:%02d:%02d %s%s%s%s%s%s%s", L"Off", -1, -1, -1, L"", L"", L"",
                   L"", L"", L"", L""),
            L"Mute Off at -1:-1:-1 ");
  EXPECT_EQ(Format(L"M%d", 1), L"M1");
  EXPECT_EQ(Format(L"M%d", 0), L"M0");
  EXPECT_EQ(Format(L"M%d", -3), L"M-3");
  EXPECT_EQ(Format(L"%d-%d-%d - %d:%d:%d", 2026, 1, 5, 7, 3, 0), L"2026-1-5 - 7:3:0");
  EXPECT_EQ(Format(L"%s Err: %d", L"\\My Documents\\Quenmora.dat", 32),
            L"\\My Documents\\Quenmora.dat Err: 32");
  EXPECT_EQ(Format(L"EventHandle == 0, GetLastError() == %d, %X\r\n", 1450, 1450),
            L"EventHandle == 0, GetLastError() == 1450, 5AA\r\n");
  EXPECT_EQ(Format(L"GetNextItem: pow(2, j): %X, item-days:%X\r\n", 64, 0x7F),
            L"GetNextItem: pow(2, j): 40, item-days:7F\r\n");
  EXPECT_EQ(Format(L"SetNotifcation: item: D%d T%02d:%02d:%02d M%d\r\n", 127, 23, 59, 0, 1),
            L"SetNotifcation: item: D127 T23:59:00 M1\r\n");
  EXPECT_EQ(
      Format(L"Next Mute Change: %d-%d-%d - %d - %d:%d:%d - %d\r\n", 2027, 1, 1, 5, 0, 1, 0, 0),
      L"Next Mute Change: 2027-1-1 - 5 - 0:1:0 - 0\r\n");
}

TEST(Wsprintf, OutputIsCutAt1023CharactersAndTerminated) {
  const std::wstring longText(2000, L'a');
  struct Cut {
    std::wstring expected;
    std::wstring actual;
  };
  const Cut cuts[] = {
      {std::wstring(1023, L'a'), Format(L"%s", longText.c_str())},
      {std::wstring(1023, L'a'), Format(longText.c_str())},  // a long literal format
      {std::wstring(1022, L'a'), Format(L"%s", longText.substr(0, 1022).c_str())},
      {std::wstring(1023, L'a'), Format(L"%s", longText.substr(0, 1023).c_str())},
      {std::wstring(1023, L'a'), Format(L"%s", longText.substr(0, 1024).c_str())},
      {std::wstring(1023, L' '), Format(L"%1500d", 7)},  // cut inside a padded number
      {std::wstring(1020, L'a') + L"123", Format(L"%s%d", longText.substr(0, 1020).c_str(), 12345)},
  };
  for (const Cut& c : cuts) EXPECT_EQ(c.actual, c.expected);
}

TEST(Wsprintf, WvsprintfTakesTheArgumentList) {
  struct Local {
    static int Call(wchar_t* out, const wchar_t* format, ...) {
      va_list args;
      va_start(args, format);
      const int n = wvsprintfW(out, format, args);
      va_end(args);
      return n;
    }
  };
  wchar_t out[64];
  EXPECT_EQ(Local::Call(out, L"%s=%04d", L"x", 12), 6);
  EXPECT_EQ(std::wstring(out), L"x=0012");
}

}  // namespace
