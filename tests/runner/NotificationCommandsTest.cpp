// cedevice notifications, notify, clear and status, end to end.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "DeviceTool.h"

namespace fs = std::filesystem;

namespace {

using NotificationCommands = DeviceToolTest;

TEST_F(NotificationCommands, NotifyListClearInTheExactFormats) {
  EXPECT_EQ(Ok({"notify", "time", "2026-12-08 07:00:00", "\\Windows\\Quenmora.exe", "M1"}), "1\n");
  EXPECT_EQ(Ok({"notify", "event", "2026-12-08 07:00:00", "\\Windows\\Other.exe"}), "2\n");
  EXPECT_EQ(Ok({"notify", "classic", "2026-12-09 08:30:05", "\\Windows\\Other.exe", "a b"}), "3\n");
  EXPECT_EQ(Ok({"notify", "period", "2026-12-09 08:30:05", "\\Windows\\Other.exe", ""}), "4\n");
  EXPECT_EQ(Lines(Ok({"notifications"})),
            (std::vector<std::string>{"1\ttime\t2026-12-08 07:00:00\t\\Windows\\Quenmora.exe\tM1",
                                      "2\tevent\t2026-12-08 07:00:00\t\\Windows\\Other.exe\t",
                                      "3\tclassic\t2026-12-09 08:30:05\t\\Windows\\Other.exe\ta b",
                                      "4\tperiod\t2026-12-09 08:30:05\t\\Windows\\Other.exe\t"}));
  EXPECT_EQ(Ok({"clear", "2"}), "");
  EXPECT_EQ(Ok({"notify", "time", "2026-12-10 00:00:00", "\\Windows\\A.exe"}), "5\n")
      << "handles are not reused";
  EXPECT_EQ(Lines(Ok({"notifications"})).size(), 4u);
}

struct BadInput {
  const char* name;
  std::vector<std::string> args;
};

class NotificationCommandRefusal : public DeviceToolTest,
                                   public ::testing::WithParamInterface<BadInput> {};

TEST_P(NotificationCommandRefusal, SaysWhyWithStatusTwoAndChangesNothing) {
  Ok({"notify", "time", "2026-12-08 07:00:00", "\\Windows\\A.exe", "x"});
  const std::string before = Ok({"notifications"});
  const ToolResult r = Tool(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Ok({"notifications"}), before);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, NotificationCommandRefusal,
    ::testing::Values(
        BadInput{"UnknownType", {"notify", "alarm", "2026-12-08 07:00:00", "\\Windows\\A.exe"}},
        BadInput{"BadTime", {"notify", "time", "2026-02-30 07:00:00", "\\Windows\\A.exe"}},
        BadInput{"LooseTime", {"notify", "time", "2026-12-8 7:00", "\\Windows\\A.exe"}},
        BadInput{"NoApplication", {"notify", "time", "2026-12-08 07:00:00", ""}},
        BadInput{"TooFewArguments", {"notify", "time", "2026-12-08 07:00:00"}},
        BadInput{"ClearUnknown", {"clear", "9"}}, BadInput{"ClearNotANumber", {"clear", "one"}},
        BadInput{"ClearZero", {"clear", "0"}},
        BadInput{"ListWithArguments", {"notifications", "all"}},
        BadInput{"ApplicationNotUtf8",
                 {"notify", "time", "2026-12-08 07:00:00", "\\Windows\\\xe9.exe"}},
        BadInput{"ArgumentsNotUtf8",
                 {"notify", "time", "2026-12-08 07:00:00", "\\Windows\\A.exe", "M\xc3"}}),
    [](const ::testing::TestParamInfo<BadInput>& p) { return std::string(p.param.name); });

TEST_F(NotificationCommands, ANotifyWhoseHandleCannotBeWrittenSaysItRegisteredWithStatusOne) {
  const ToolResult r =
      Tool({"notify", "time", "2026-12-08 07:00:00", "\\Windows\\A.exe", "x"}, {}, "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("registered with handle 1, but"), std::string::npos) << r.err;
  EXPECT_EQ(Ok({"notifications"}), "1\ttime\t2026-12-08 07:00:00\t\\Windows\\A.exe\tx\n");
  EXPECT_EQ(Tool({"notifications"}, {}, "/dev/full").status, 2)
      << "a listing that is lost changed nothing";
}

// A notification registered through the API may hold what the tool refuses: a listed column
// shows its tab, newline and carriage return escaped and the rest (\ and " too) as it is.
TEST_F(NotificationCommands, ColumnsThatWouldBreakTheListingAreShownEscaped) {
  fs::create_directories(root_ / ".device");
  std::ofstream(root_ / ".device" / "notifications")
      << "next-handle 2 records 1\n1\ttime\t0\t2026-12-08 07:00:00\traw 0,0,0,0,0,0,0,0\t"
         "\"\\\\Windows\\\\A\\tb.exe\"\t\"say \\\"hi\\\"\\n\\r\"\t-\n";
  EXPECT_EQ(Ok({"notifications"}),
            "1\ttime\t2026-12-08 07:00:00\t\\Windows\\A\\tb.exe\tsay \"hi\"\\n\\r\n");
}

TEST_F(NotificationCommands, ProcessesRegisteringAtOnceGetDistinctHandles) {
  Ok({"clock"});
  std::string script;
  for (int p = 0; p < 6; ++p) {
    script += "( for i in 1 2 3 4; do CEDEVICE_ROOT='" + root_.string() + "' '" + CEDEVICE_EXE +
              "' notify time '2026-12-08 07:00:00' '\\Windows\\A.exe' p" + std::to_string(p) +
              " || exit 1; done ) >>'" + (scratch_.dir / "handles").string() + "' & ";
  }
  script += "wait";
  ASSERT_EQ(std::system(("timeout 60 sh -c \"" + script + "\"").c_str()), 0);
  std::vector<std::string> handles = Lines(ReadFile(scratch_.dir / "handles"));
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(handles.size(), 24u);
  EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end())
      << "a handle was given twice";
  EXPECT_EQ(Lines(Ok({"notifications"})).size(), 24u);
}

// A damaged line in the store's snapshot or in its journal of changes: reported naming the file
// and the line, what reads kept, the damaged file set aside.
TEST_F(NotificationCommands, DamagedStoreIsReportedAndWhatReadsIsKept) {
  const std::string good =
      "1\ttime\t0\t2026-12-08 07:00:00\traw 0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\A.exe\"\t\"x\"\t-\n";
  struct Case {
    const char* file;
    std::string before;  // the file's text before the damaged line
    const char* line;
  };
  const Case cases[] = {
      {"notifications", "next-handle 3 records 2\n" + good, "line 3: "},
      {"notifications.journal", "add 3\t" + good, "line 2: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove_all(root_ / ".device");
    fs::create_directories(root_ / ".device");
    const fs::path file = root_ / ".device" / c.file;
    const std::string text = c.before + "2\ttime\tbroken\n";
    { std::ofstream(file, std::ios::trunc) << text; }
    const ToolResult r = Tool({"notifications"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("cedevice: " + file.string() + ": damaged (" + c.line, 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
    EXPECT_EQ(ReadFile(fs::path(file.string() + ".damaged")), text);
    EXPECT_EQ(Lines(Ok({"notifications"})).size(), 1u) << "the store is whole again";
    EXPECT_EQ(Ok({"notify", "time", "2026-12-08 08:00:00", "\\Windows\\B.exe", "y"}), "3\n")
        << "the next handle is kept";
  }
}

TEST_F(NotificationCommands, StatusSummarisesTheDeviceAndTheSchedule) {
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-08 07:30:00", "\\Windows\\Quenmora.exe", "M1"});
  // Tap point (120, 300), EventHandle 1, one item: Monday to Friday at 07:30:00, mute on.
  const unsigned char file[] = {0x78, 0x00, 0x2C, 0x01, 0x01, 0x00, 0x00,
                                0x00, 0x3E, 0x07, 0x1E, 0x00, 0x01};
  {
    std::ofstream out(root_ / "My Documents" / "Quenmora.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file), sizeof file);
  }
  const std::vector<std::string> lines = Lines(Ok({"status"}));
  const std::vector<std::string> expected = {
      "clock: 2026-12-07 10:00:00 (frozen)",
      "program: none installed (cedevice init)",
      "sound: On",
      "settings:",
      "  popup-choices On,Vibrate,Off",
      "  popup-closes no",
      "  taskbar yes",
      "  volume-icon 190,0,212,26",
      "  trace no",
      "notifications: 1",
      "  1\ttime\t2026-12-08 07:30:00\t\\Windows\\Quenmora.exe\tM1",
      "schedule: \\My Documents\\Quenmora.dat: 1 items, tap point 120,300, EventHandle 1",
      "  Mute On at 07:30:00 Mo Tu We Th Fr ",
  };
  EXPECT_EQ(lines, expected);
}

}  // namespace
