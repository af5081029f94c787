// cedevice run: what it fires, in which order, how it starts the application, and what it
// refuses to start.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <notify.h>

#include "DeviceTool.h"

namespace fs = std::filesystem;

namespace {

using Runner = DeviceToolTest;

TEST_F(Runner, FastRunFiresAHandMadeChainAcrossTheWeekInOrder) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:05:00", "\\Windows\\Recorder.exe", "chain3"});   // 1
  Ok({"notify", "time", "2026-12-09 12:00:00", "\\Windows\\Recorder.exe", "exit7"});    // 2
  Ok({"notify", "time", "2026-12-07 09:00:00", "\\Windows\\Recorder.exe", "overdue"});  // 3
  Ok({"notify", "time", "2026-12-09 12:00:00", "\\Windows\\Recorder.exe", "tie"});      // 4
  Ok({"notify", "time", "2026-12-20 00:00:00", "\\Windows\\Recorder.exe", "beyond"});   // 5
  Ok({"notify", "event", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "event"});   // 6
  const std::vector<std::string> fired =
      Lines(Ok({"run", "--fast", "--until", "2026-12-14 10:00:00"}));
  const std::vector<std::string> expected = {
      "2026-12-07 09:00:00\t3\t\\Windows\\Recorder.exe overdue\texit 0",
      "2026-12-07 10:05:00\t1\t\\Windows\\Recorder.exe chain3\texit 0",
      "2026-12-08 10:05:00\t7\t\\Windows\\Recorder.exe chain2\texit 0",
      "2026-12-09 10:05:00\t8\t\\Windows\\Recorder.exe chain1\texit 0",
      "2026-12-09 12:00:00\t2\t\\Windows\\Recorder.exe exit7\texit 7",
      "2026-12-09 12:00:00\t4\t\\Windows\\Recorder.exe tie\texit 0",
      "2026-12-10 10:05:00\t9\t\\Windows\\Recorder.exe chain0\texit 0",
  };
  EXPECT_EQ(fired, expected);
  const std::vector<std::string> log = RecorderLog();
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(log[0].substr(0, 28), "2026-12-07 10:00:00\toverdue\t")
      << "an overdue one runs at the time it is found";
  EXPECT_EQ(log[2].substr(0, 27), "2026-12-08 10:05:00\tchain2\t")
      << "the clock jumped to the start time";
  EXPECT_EQ(Ok({"clock"}), "2026-12-14 10:00:00\n");
  EXPECT_EQ(
      Lines(Ok({"notifications"})),
      (std::vector<std::string>{"5\ttime\t2026-12-20 00:00:00\t\\Windows\\Recorder.exe\tbeyond",
                                "6\tevent\t2026-12-07 10:00:00\t\\Windows\\Recorder.exe\tevent"}));
}

TEST_F(Runner, ARegistrationForATimeAlreadyReachedFiresInTheSameRun) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 11:00:00", "\\Windows\\Recorder.exe", "back"});
  EXPECT_EQ(
      Lines(Ok({"run", "--fast", "--until", "2026-12-07 12:00:00"})),
      (std::vector<std::string>{"2026-12-07 11:00:00\t1\t\\Windows\\Recorder.exe back\texit 0",
                                "2026-12-07 10:00:00\t2\t\\Windows\\Recorder.exe late\texit 0"}));
}

TEST_F(Runner, ApplicationGetsTheDeviceNoDisplayNoInputAndItsArgument) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\windows\\recorder.exe", "M1"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe"});
  Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"},
     {{"CEDEVICE_INPUT", "/nonexistent/script"}, {"CEDEVICE_DISPLAY", "terminal"}});
  EXPECT_EQ(
      RecorderLog(),
      (std::vector<std::string>{
          "2026-12-07 10:00:00\tM1\targc=2\tdisplay=none\tinput=(unset)\tstdin=null\tblocked=0",
          "2026-12-07 10:00:00\t\targc=1\tdisplay=none\tinput=(unset)\tstdin=null\tblocked=0"}))
      << "the recorder found the device through CEDEVICE_ROOT, case-blind, and no signal was left "
         "blocked from its start";
}

TEST_F(Runner, RefusesWhatIsNotARunnableApplicationOnTheDevice) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  { std::ofstream(root_ / "Windows" / "Text.exe") << "not a program\n"; }
  fs::create_symlink("/bin/true", root_ / "Windows" / "Out.exe");
  fs::create_directories(root_ / "Windows" / "Folder.exe");
  { std::ofstream(root_ / "Windows" / "Win.exe") << "MZ, a Windows program\n"; }
  Ok({"notify", "time", "2026-12-07 09:00:01", "\\Windows\\Missing.exe", "x"});
  Ok({"notify", "time", "2026-12-07 09:00:02", "\\..\\..\\..\\bin\\true"});
  Ok({"notify", "time", "2026-12-07 09:00:03", "/bin/true"});
  Ok({"notify", "time", "2026-12-07 09:00:04", "\\Windows\\Out.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:05", "\\Windows\\Text.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:06", "\\Windows\\Folder.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:07", "\\.device\\notifications"});
  Ok({"notify", "time", "2026-12-07 09:00:08", "\\Windows\\Win.exe"});
  const std::vector<std::string> fired =
      Lines(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}));
  const std::vector<std::string> expected = {
      "2026-12-07 09:00:01\t1\t\\Windows\\Missing.exe x\tnot run: no such file",
      "2026-12-07 09:00:02\t2\t\\..\\..\\..\\bin\\true\tnot run: the path is outside the device",
      "2026-12-07 09:00:03\t3\t/bin/true\tnot run: no such file",
      "2026-12-07 09:00:04\t4\t\\Windows\\Out.exe\tnot run: the path leads out of the device",
      "2026-12-07 09:00:05\t5\t\\Windows\\Text.exe\tnot run: not executable",
      "2026-12-07 09:00:06\t6\t\\Windows\\Folder.exe\tnot run: not a file",
      "2026-12-07 09:00:07\t7\t\\.device\\notifications\tnot run: the path is outside the device",
      "2026-12-07 09:00:08\t8\t\\Windows\\Win.exe\tnot run: a Windows program, and the device "
      "runs none (cedevice init --wine)",
  };
  EXPECT_EQ(fired, expected);
  EXPECT_EQ(Ok({"notifications"}), "") << "refused ones are removed as they fire";
}

TEST_F(Runner, AWindowsBuildRunsUnderTheDevicesWineInTheRootOnDriveD) {
  // A Windows program, and in Wine's place a script that says how it was started.
  const fs::path program = scratch_.dir / "Quenmora.exe";
  std::ofstream(program) << "MZ, a Windows program\n";
  const fs::path wine = scratch_.dir / "wine64", prefix = scratch_.dir / "prefix";
  std::ofstream(wine) << "#!/bin/sh\necho \"$# $1 $2 $WINEPREFIX $WINEDEBUG $(pwd)\" "
                         ">\"$CEDEVICE_ROOT/wine\"\nexit 5\n";
  fs::permissions(wine, fs::perms::owner_all);
  fs::create_directories(prefix / "dosdevices");
  Ok({"init", "--wine", program.string()},
     {{"CEDEVICE_WINE", wine.string()}, {"WINEPREFIX", prefix.string()}});
  EXPECT_NE(Ok({"status"})
                .find("\nprogram: a Windows build, run under Wine (" + wine.string() + ", prefix " +
                      prefix.string() + ")\n"),
            std::string::npos);
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Quenmora.exe", "M1"});
  EXPECT_EQ(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}),
            "2026-12-07 10:00:00\t1\t\\Windows\\Quenmora.exe M1\texit 5\n");
  const std::string root = fs::canonical(root_).string();
  EXPECT_EQ(ReadFile(root_ / "wine"),
            "2 " + root + "/Windows/Quenmora.exe M1 " + prefix.string() + " -all " + root + "\n");
  EXPECT_EQ(fs::read_symlink(prefix / "dosdevices" / "d:"), root);
  // A prefix whose drives cannot be mapped: the program is not run.
  fs::remove_all(prefix);
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Quenmora.exe", "M0"});
  EXPECT_NE(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"})
                .find("\tnot run: cannot map drive D:"),
            std::string::npos);
  // The device's build installed again: the device runs no Windows program any more.
  Ok({"init", RECORDER_EXE});
  EXPECT_FALSE(fs::exists(root_ / ".device" / "wine"));
  EXPECT_NE(Ok({"status"}).find("\nprogram: the device's build\n"), std::string::npos);
}

TEST_F(Runner, AnApplicationThatDoesNotEndIsKilled) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "hang"});
  EXPECT_EQ(
      Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}, {{"CEDEVICE_RUN_TIMEOUT_MS", "300"}}),
      "2026-12-07 10:00:00\t1\t\\Windows\\Recorder.exe hang\tkilled: timeout\n");
}

TEST_F(Runner, AnApplicationTheKernelWillNotExecuteIsNotRun) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  const fs::path text = root_ / "Windows" / "Text.exe";
  { std::ofstream(text) << "not a program\n"; }
  fs::permissions(text, fs::perms::owner_all);
  Ok({"notify", "time", "2026-12-07 09:00:01", "\\Windows\\Text.exe"});
  // An argument longer than the kernel passes, registered as another application would.
  setenv("CEDEVICE_ROOT", root_.c_str(), 1);
  const std::wstring huge(200000, L'x');
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = CNT_TIME;
  trigger.lpszApplication = const_cast<WCHAR*>(L"\\Windows\\Recorder.exe");
  trigger.lpszArguments = const_cast<WCHAR*>(huge.c_str());
  trigger.stStartTime = SYSTEMTIME{2026, 12, 1, 7, 9, 0, 2, 0};
  ASSERT_NE(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr);
  const std::vector<std::string> fired =
      Lines(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}));
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(
      fired[0],
      "2026-12-07 09:00:01\t1\t\\Windows\\Text.exe\tnot run: not a program the device can run");
  EXPECT_EQ(fired[1].substr(fired[1].rfind('\t')), "\tnot run: the argument is too long to pass");
  EXPECT_EQ(RecorderLog().size(), 0u);
}

TEST_F(Runner, AnUntilBeforeTheDeviceClockIsRefusedAndTheClockLeftAlone) {
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 09:00:00", "\\Windows\\A.exe"});
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"run", "--fast", "--until", "2026-12-07 09:59:59"},
                                             {"run", "--until", "2025-12-07 10:00:00"}}) {
    const ToolResult r = Tool(args);
    EXPECT_EQ(r.status, 2) << args[1];
    EXPECT_NE(r.err.find("is before the device clock (2026-12-07 10:00:00)"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadFile(root_ / ".device" / "clock"), "freeze 2026-12-07 10:00:00\n");
  EXPECT_EQ(Lines(Ok({"notifications"})).size(), 1u) << "nothing fired";
}

TEST_F(Runner, ANotificationDueAtUntilFiresInRealTimeAsWithFast) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:01"});
  Ok({"notify", "time", "2026-12-07 10:00:01", "\\Windows\\Recorder.exe", "edge"});
  Ok({"notify", "time", "2026-12-07 10:00:02", "\\Windows\\Recorder.exe", "after"});
  EXPECT_EQ(Ok({"run", "--until", "2026-12-07 10:00:01"}),
            "2026-12-07 10:00:01\t1\t\\Windows\\Recorder.exe edge\texit 0\n");
  EXPECT_EQ(Lines(Ok({"notifications"})).size(), 1u);
}

TEST_F(Runner, OutputThatCannotBeWrittenGoesToStandardErrorWithStatusOne) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "one"});
  const ToolResult r = Tool({"run", "--fast", "--until", "2026-12-07 10:00:00"}, {}, "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2026-12-07 10:00:00\t1\t\\Windows\\Recorder.exe one\texit 0\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Ok({"notifications"}), "") << "it fired all the same";
  EXPECT_EQ(RecorderLog().size(), 1u);
}

TEST_F(Runner, FastNeedsUntilAndOptionsAreChecked) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"run", "--fast"},
                                             {"run", "--until", "tomorrow"},
                                             {"run", "--slow"},
                                             {"run", "--until"}}) {
    const ToolResult r = Tool(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
  }
}

TEST_F(Runner, RealTimeSeesRegistrationsMadeWhileItWaits) {
  InstallRecorder();
  Ok({"clock", "set", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:01", "\\Windows\\Recorder.exe", "first"});
  const auto runner = Start("run", {"run", "--until", "2026-12-07 10:00:04"});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Ok({"notify", "time", "2026-12-07 10:00:02", "\\Windows\\Recorder.exe", "second"});
  const std::optional<int> status = runner->Wait(std::chrono::seconds(20));
  ASSERT_TRUE(status.has_value()) << "the runner did not end at --until";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(
      Lines(ReadFile(scratch_.dir / "run.out")),
      (std::vector<std::string>{"2026-12-07 10:00:01\t1\t\\Windows\\Recorder.exe first\texit 0",
                                "2026-12-07 10:00:02\t2\t\\Windows\\Recorder.exe second\texit 0"}));
}

TEST_F(Runner, AnInterruptEndsItWithStatusZeroAndTheStoreWhole) {
  InstallRecorder();
  Ok({"clock", "set", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-08 10:00:00", "\\Windows\\Recorder.exe", "tomorrow"});
  const auto runner = Start("run", {"run"});
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  runner->Kill(SIGINT);
  const std::optional<int> status = runner->Wait(std::chrono::seconds(10));
  ASSERT_TRUE(status.has_value()) << "the runner did not end on an interrupt";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Ok({"notifications"}),
            "1\ttime\t2026-12-08 10:00:00\t\\Windows\\Recorder.exe\ttomorrow\n");
}

// Polls until the process `pid` is gone (or a zombie nobody reaps); false when it still runs
// after `bound`.
bool Ends(pid_t pid, std::chrono::seconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t close = text.rfind(')');
    if (text.empty() || (close != std::string::npos && text.substr(close + 2, 1) == "Z"))
      return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 2));
    std::string state;
    long ppid = 0;
    fields >> state >> ppid;
    if (ppid == parent) children.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return children;
}

TEST_F(Runner, RealTimeFollowsTheDeviceClockAsItIsChanged) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "now"});      // 1
  Ok({"notify", "time", "2026-12-07 10:05:00", "\\Windows\\Recorder.exe", "forward"});  // 2
  Ok({"notify", "time", "2026-12-07 11:00:00", "\\Windows\\Recorder.exe", "later"});    // 3
  auto runner = Start("run", {"run"});
  const fs::path out = scratch_.dir / "run.out";
  ASSERT_EQ(AwaitLines(out, 1).size(), 1u) << ReadFile(scratch_.dir / "run.err");
  Ok({"clock", "freeze", "2026-12-07 10:05:00"});  // frozen, moved forward
  ASSERT_EQ(AwaitLines(out, 2).size(), 2u) << "a frozen clock moved forward was not seen";
  Ok({"clock", "set", "2026-12-07 09:00:00"});  // back, and running
  Ok({"notify", "time", "2026-12-07 09:00:01", "\\Windows\\Recorder.exe", "behind"});  // 4
  ASSERT_EQ(AwaitLines(out, 3).size(), 3u) << "a clock set back was not seen";
  // Set forward past four: they fire once each, in start-time order (those that cannot run
  // are reported at once, so their lines show the order).
  Ok({"notify", "time", "2026-12-07 12:02:00", "\\Windows\\Missing.exe", "c"});  // 5
  Ok({"notify", "time", "2026-12-07 12:00:00", "\\Windows\\Missing.exe", "a"});  // 6
  Ok({"notify", "time", "2026-12-07 12:01:00", "\\Windows\\Missing.exe", "b"});  // 7
  Ok({"clock", "set", "2026-12-07 13:00:00"});
  const std::vector<std::string> lines = AwaitLines(out, 7);
  runner->Kill(SIGINT);
  EXPECT_EQ(runner->Wait(std::chrono::seconds(60)), 0);
  const std::vector<std::string> head(lines.begin(),
                                      lines.begin() + std::min<std::size_t>(3, lines.size()));
  EXPECT_EQ(head, (std::vector<std::string>{
                      "2026-12-07 10:00:00\t1\t\\Windows\\Recorder.exe now\texit 0",
                      "2026-12-07 10:05:00\t2\t\\Windows\\Recorder.exe forward\texit 0",
                      "2026-12-07 09:00:01\t4\t\\Windows\\Recorder.exe behind\texit 0"}));
  std::vector<std::string> notRun;
  for (const std::string& line : lines) {
    if (line.find("not run") != std::string::npos) notRun.push_back(line);
  }
  EXPECT_EQ(notRun,
            (std::vector<std::string>{
                "2026-12-07 12:00:00\t6\t\\Windows\\Missing.exe a\tnot run: no such file",
                "2026-12-07 12:01:00\t7\t\\Windows\\Missing.exe b\tnot run: no such file",
                "2026-12-07 12:02:00\t5\t\\Windows\\Missing.exe c\tnot run: no such file"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "2026-12-07 11:00:00\t3\t\\Windows\\Recorder.exe later\texit 0"),
            1);
  EXPECT_EQ(lines.size(), 7u) << ReadFile(out);
  EXPECT_EQ(Ok({"notifications"}), "");
}

TEST_F(Runner, ASecondRunnerOnTheDeviceIsRefusedNamingTheFirst) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "first"});
  Ok({"notify", "time", "2026-12-08 10:00:00", "\\Windows\\Recorder.exe", "tomorrow"});
  auto runner = Start("run", {"run"});
  ASSERT_EQ(AwaitLines(scratch_.dir / "run.out", 1).size(), 1u)
      << ReadFile(scratch_.dir / "run.err");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"run", "--fast", "--until", "2026-12-09 10:00:00"},
                                             {"run", "--until", "2026-12-07 10:00:00"}}) {
    const ToolResult second = Tool(args);
    EXPECT_EQ(second.status, 2) << args.size();
    EXPECT_NE(second.err.find("(process " + std::to_string(runner->Pid()) + ")"), std::string::npos)
        << second.err;
  }
  EXPECT_EQ(Ok({"clock"}), "2026-12-07 10:00:00\n");
  EXPECT_EQ(Lines(Ok({"notifications"})).size(), 1u);
  runner->Kill(SIGINT);
  EXPECT_EQ(runner->Wait(std::chrono::seconds(60)), 0);
  EXPECT_EQ(Lines(Ok({"run", "--fast", "--until", "2026-12-09 10:00:00"})).size(), 1u)
      << "free again";
}

TEST_F(Runner, ALaunchDoesNotOutliveItsRunnerKilledWithSigkill) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "hang"});
  auto runner = Start("run", {"run"}, {{"CEDEVICE_RUN_TIMEOUT_MS", "600000"}});
  const pid_t runnerPid = runner->Pid();
  std::vector<pid_t> launched;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (launched.empty() && std::chrono::steady_clock::now() < deadline) {
    if (!RecorderLog().empty()) launched = ChildrenOf(runnerPid);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(launched.size(), 1u) << "the hanging launch never started";
  runner->Kill(SIGKILL);
  EXPECT_EQ(runner->Wait(std::chrono::seconds(60)), 128 + SIGKILL);
  const bool ended = Ends(launched[0], std::chrono::seconds(30));
  if (!ended) kill(launched[0], SIGKILL);
  EXPECT_TRUE(ended) << "the launch outlived its runner";
}

TEST_F(Runner, InRealTimeAHungLaunchDoesNotHoldLaterNotifications) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:01"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "hang"});
  Ok({"notify", "time", "2026-12-07 10:00:01", "\\Windows\\Recorder.exe", "after"});
  EXPECT_EQ(
      Lines(Ok({"run", "--until", "2026-12-07 10:00:01"}, {{"CEDEVICE_RUN_TIMEOUT_MS", "10000"}})),
      (std::vector<std::string>{
          "2026-12-07 10:00:01\t2\t\\Windows\\Recorder.exe after\texit 0",
          "2026-12-07 10:00:00\t1\t\\Windows\\Recorder.exe hang\tkilled: timeout"}));
}

}  // namespace
