#include <gtest/gtest.h>

#include <string>

#include "AfxExtensions.h"
#include "MuteApp.h"
#include "MuteCommandLineInfo.h"

namespace {

struct Parsed {
  bool notification;
  LONG mode;
};

Parsed Parse(const std::wstring& commandLine) {
  CMuteApp app;
  std::wstring text = commandLine;
  app.m_lpCmdLine = text.data();
  CMuteCommandLineInfo info(app);
  app.ParseCommandLine(info);
  return {app.notificationLaunch, app.volumeMode};
}

TEST(CommandLine, LaunchArguments) {
  const struct {
    const wchar_t* line;
    bool notification;
    LONG mode;
  } cases[] = {
      {L"", false, 0},
      {L"   \t ", false, 0},
      {L"M1", true, 1},
      {L"M0", true, 0},
      {L"M", true, 0},
      {L"/M1", true, 1},
      {L"-M1", true, 1},
      {L"m1", false, 0},
      {L"M1 M0", true, 0},
      {L"M0\tM1", true, 1},
      {L"M12x", true, 12},
      {L"Mute", true, 0},
      {L"M-1", true, -1},
      {L"M+7", true, 7},
      {L"M 5", true, 0},      // the blank splits: "M" then "5"
      {L"\"M 5\"", true, 5},  // quoted, one argument; white space after M is skipped
      {L"\"M\"1", true, 1},   // quotes only group, they are not part of the argument
      {L"foo M2 bar", true, 2},
      {L"--M1", false, 0},  // only one leading flag character is removed
      {L"M99999999999", true, 2147483647},
      {L"M-99999999999", true, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    const Parsed p = Parse(c.line);
    EXPECT_EQ(p.notification, c.notification)
        << "line: " << std::string(c.line, c.line + wcslen(c.line));
    EXPECT_EQ(p.mode, c.mode) << "line: " << std::string(c.line, c.line + wcslen(c.line));
  }
}

TEST(CommandLine, CharactersKeepTheirLowByte) {
  // U+014D ('M' + 0x100) reads as 'M' in the 8-bit text.
  const Parsed p = Parse(std::wstring(1, static_cast<wchar_t>(0x14D)) + L"3");
  EXPECT_TRUE(p.notification);
  EXPECT_EQ(p.mode, 3);
}

TEST(CommandLine, LongArgumentIsCutAt259Characters) {
  // 300 characters: M, 257 zeros, then digits that fall past the 259th character.
  std::wstring arg = L"M" + std::wstring(257, L'0') + L"7" + std::wstring(41, L'9');
  ASSERT_EQ(arg.size(), 300u);
  const Parsed p = Parse(arg);
  EXPECT_TRUE(p.notification);
  EXPECT_EQ(p.mode, 7);  // the 259th character is the 7; the nines are never examined

  const Parsed q = Parse(std::wstring(300, L'x') + L" M4");
  EXPECT_TRUE(q.notification);
  EXPECT_EQ(q.mode, 4);
}

TEST(CommandLine, SplitRules) {
  const auto args = AfxSplitCommandLine(L"  a\t\"b c\"  \"\" d\"e f\"g ");
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[0], CString(L"a"));
  EXPECT_EQ(args[1], CString(L"b c"));
  EXPECT_EQ(args[2], CString(L""));
  EXPECT_EQ(args[3], CString(L"de fg"));
  EXPECT_TRUE(AfxSplitCommandLine(L"").empty());
  EXPECT_TRUE(AfxSplitCommandLine(nullptr).empty());
}

TEST(CommandLine, FrameworkStripsOneFlagCharacterAndMarksTheLast) {
  struct Recorder : CCommandLineInfo {
    std::wstring seen;
    void ParseParam(const TCHAR* p, BOOL flag, BOOL last) override {
      seen += std::wstring(p) + (flag ? L"[f]" : L"") + (last ? L"[l]" : L"") + L";";
    }
  };
  CWinApp app(L"test");
  std::wstring line = L"/a -b c";
  app.m_lpCmdLine = line.data();
  Recorder r;
  app.ParseCommandLine(r);
  EXPECT_EQ(r.seen, L"a[f];b[f];c[l];");
}

}  // namespace
