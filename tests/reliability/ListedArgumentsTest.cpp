// `cedevice notifications` lists one notification a line in five tab-separated columns. A tab,
// newline or carriage return in an application or argument text would break that line: the
// tool refuses them when it registers, and shows those that came through the API as \t, \n, \r.
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <notify.h>

#include "ChildProcess.h"
#include "DeviceClock.h"
#include "DeviceRun.h"
#include "Scratch.h"

namespace fs = std::filesystem;

namespace {

class ListedArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CEDEVICE_ROOT", scratch_.root.c_str(), 1);
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
  }
  void TearDown() override {
    unsetenv("CEDEVICE_ROOT");
    cedev::clock::Reload();
  }
  using Run = testsupport::ChildResult;
  Run Tool(const std::vector<std::string>& args) {
    return testsupport::RunOnDevice(scratch_, CEDEVICE_EXE, args);
  }
  // Registers through the API, as another program on the device would.
  void Register(const WCHAR* app, const WCHAR* args) {
    CE_NOTIFICATION_TRIGGER trigger{};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_TIME;
    trigger.lpszApplication = const_cast<WCHAR*>(app);
    trigger.lpszArguments = const_cast<WCHAR*>(args);
    trigger.stStartTime = SYSTEMTIME{2026, 12, 2, 8, 9, 0, 0, 0};
    ASSERT_NE(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr) << GetLastError();
  }

  testsupport::Scratch scratch_;
};

TEST_F(ListedArguments, TheToolRefusesTextsThatWouldBreakTheListing) {
  ASSERT_EQ(Tool({"notify", "time", "2026-12-08 09:00:00", "\\Windows\\A.exe", "first"}).status, 0);
  const std::string store = testsupport::ReadBytes(scratch_.root / ".device" / "notifications");
  struct Case {
    const char* application;
    const char* arguments;
    const char* column;
  };
  const Case cases[] = {
      {"\\Windows\\A.exe", "M1\tM0", "the arguments"},
      {"\\Windows\\A.exe", "two\nlines", "the arguments"},
      {"\\Windows\\A.exe", "cr\r", "the arguments"},
      {"\\Windows\\A\t.exe", "x", "the application"},
      {"\\Windows\\A\n.exe", "", "the application"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.application) + " / " + c.arguments);
    const Run run = Tool({"notify", "time", "2026-12-08 09:00:00", c.application, c.arguments});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "") << "a handle was printed for a refused registration";
    EXPECT_EQ(run.err.rfind(std::string("cedevice: ") + c.column +
                                " may not hold a tab, newline or carriage return",
                            0),
              0u)
        << run.err;
    EXPECT_EQ(testsupport::ReadBytes(scratch_.root / ".device" / "notifications"), store)
        << "the store changed";
  }
  // Other unusual text still goes through as it is, a backslash and quotes included.
  const Run plain =
      Tool({"notify", "time", "2026-12-08 09:00:00", "\\Windows\\A.exe", "say \"hi\" \\n"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  const Run listed = Tool({"notifications"});
  EXPECT_NE(listed.out.find("\t\\Windows\\A.exe\tsay \"hi\" \\n\n"), std::string::npos)
      << listed.out;
}

TEST_F(ListedArguments, ApiRegisteredControlCharactersAreShownEscapedOnOneLine) {
  Register(L"\\Windows\\Tab\tApp.exe", L"a\tb");
  Register(L"\\Windows\\B.exe", L"line one\nline two\r\n");
  Register(L"\\Windows\\C.exe", L"plain");
  const Run run = Tool({"notifications"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> expected = {
      "1\ttime\t2026-12-08 09:00:00\t\\Windows\\Tab\\tApp.exe\ta\\tb",
      "2\ttime\t2026-12-08 09:00:00\t\\Windows\\B.exe\tline one\\nline two\\r\\n",
      "3\ttime\t2026-12-08 09:00:00\t\\Windows\\C.exe\tplain",
      "",
  };
  const std::vector<std::string> lines = ColumnsOf(run.out, '\n');
  EXPECT_EQ(lines, expected);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(ColumnsOf(lines[i], '\t').size(), 5u) << lines[i];

  // The runner's line of each fired notification keeps its four columns too.
  ASSERT_EQ(Tool({"clock", "freeze", "2026-12-08 08:00:00"}).status, 0);
  const Run fired = Tool({"run", "--fast", "--until", "2026-12-08 10:00:00"});
  ASSERT_EQ(fired.status, 0) << fired.err;
  const std::vector<std::string> firedLines = ColumnsOf(fired.out, '\n');
  ASSERT_EQ(firedLines.size(), 4u) << fired.out;
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(ColumnsOf(firedLines[i], '\t').size(), 4u) << firedLines[i];
  EXPECT_NE(fired.out.find("\\Windows\\B.exe line one\\nline two\\r\\n\t"), std::string::npos)
      << fired.out;
}

}  // namespace
