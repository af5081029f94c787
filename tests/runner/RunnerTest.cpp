// cedevice run: what it fires, in which order, how it starts the application, and what it
// refuses to start.
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "DeviceTool.h"

namespace fs = std::filesystem;

namespace {

using Runner = DeviceToolTest;

TEST_F(Runner, FastRunFiresAHandMadeChainAcrossTheWeekInOrder) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:05:00", "\\Windows\\Recorder.exe", "chain3"});  // 1
  Ok({"notify", "time", "2026-12-09 12:00:00", "\\Windows\\Recorder.exe", "exit7"});   // 2
  Ok({"notify", "time", "2026-12-07 09:00:00", "\\Windows\\Recorder.exe", "overdue"}); // 3
  Ok({"notify", "time", "2026-12-09 12:00:00", "\\Windows\\Recorder.exe", "tie"});     // 4
  Ok({"notify", "time", "2026-12-20 00:00:00", "\\Windows\\Recorder.exe", "beyond"});  // 5
  Ok({"notify", "event", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "event"});  // 6
  const std::vector<std::string> fired = Lines(Ok({"run", "--fast", "--until", "2026-12-14 10:00:00"}));
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
  EXPECT_EQ(log[0].substr(0, 28), "2026-12-07 10:00:00\toverdue\t") << "an overdue one runs at the time it is found";
  EXPECT_EQ(log[2].substr(0, 27), "2026-12-08 10:05:00\tchain2\t") << "the clock jumped to the start time";
  EXPECT_EQ(Ok({"clock"}), "2026-12-14 10:00:00\n");
  EXPECT_EQ(Lines(Ok({"notifications"})),
            (std::vector<std::string>{"5\ttime\t2026-12-20 00:00:00\t\\Windows\\Recorder.exe\tbeyond",
                                      "6\tevent\t2026-12-07 10:00:00\t\\Windows\\Recorder.exe\tevent"}));
}

TEST_F(Runner, ARegistrationForATimeAlreadyReachedFiresInTheSameRun) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 11:00:00", "\\Windows\\Recorder.exe", "back"});
  EXPECT_EQ(Lines(Ok({"run", "--fast", "--until", "2026-12-07 12:00:00"})),
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
  EXPECT_EQ(RecorderLog(), (std::vector<std::string>{
                               "2026-12-07 10:00:00\tM1\targc=2\tdisplay=none\tinput=(unset)\tstdin=null",
                               "2026-12-07 10:00:00\t\targc=1\tdisplay=none\tinput=(unset)\tstdin=null"}))
      << "the recorder found the device through CEDEVICE_ROOT, case-blind";
}

TEST_F(Runner, RefusesWhatIsNotARunnableApplicationOnTheDevice) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  { std::ofstream(root_ / "Windows" / "Text.exe") << "not a program\n"; }
  fs::create_symlink("/bin/true", root_ / "Windows" / "Out.exe");
  fs::create_directories(root_ / "Windows" / "Folder.exe");
  Ok({"notify", "time", "2026-12-07 09:00:01", "\\Windows\\Missing.exe", "x"});
  Ok({"notify", "time", "2026-12-07 09:00:02", "\\..\\..\\..\\bin\\true"});
  Ok({"notify", "time", "2026-12-07 09:00:03", "/bin/true"});
  Ok({"notify", "time", "2026-12-07 09:00:04", "\\Windows\\Out.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:05", "\\Windows\\Text.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:06", "\\Windows\\Folder.exe"});
  Ok({"notify", "time", "2026-12-07 09:00:07", "\\.device\\notifications"});
  const std::vector<std::string> fired = Lines(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}));
  const std::vector<std::string> expected = {
      "2026-12-07 09:00:01\t1\t\\Windows\\Missing.exe x\tnot run: no such file",
      "2026-12-07 09:00:02\t2\t\\..\\..\\..\\bin\\true\tnot run: the path is outside the device",
      "2026-12-07 09:00:03\t3\t/bin/true\tnot run: no such file",
      "2026-12-07 09:00:04\t4\t\\Windows\\Out.exe\tnot run: the path leads out of the device",
      "2026-12-07 09:00:05\t5\t\\Windows\\Text.exe\tnot run: not executable",
      "2026-12-07 09:00:06\t6\t\\Windows\\Folder.exe\tnot run: not a file",
      "2026-12-07 09:00:07\t7\t\\.device\\notifications\tnot run: the path is outside the device",
  };
  EXPECT_EQ(fired, expected);
  EXPECT_EQ(Ok({"notifications"}), "") << "refused ones are removed as they fire";
}

TEST_F(Runner, AnApplicationThatDoesNotEndIsKilled) {
  InstallRecorder();
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Recorder.exe", "hang"});
  EXPECT_EQ(Ok({"run", "--fast", "--until", "2026-12-07 10:00:00"}, {{"CEDEVICE_RUN_TIMEOUT_MS", "300"}}),
            "2026-12-07 10:00:00\t1\t\\Windows\\Recorder.exe hang\tkilled: timeout\n");
}

TEST_F(Runner, FastNeedsUntilAndOptionsAreChecked) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"run", "--fast"}, {"run", "--until", "tomorrow"}, {"run", "--slow"}, {"run", "--until"}}) {
    const ToolResult r = Tool(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
  }
}

TEST_F(Runner, RealTimeSeesRegistrationsMadeWhileItWaits) {
  InstallRecorder();
  Ok({"clock", "set", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-07 10:00:01", "\\Windows\\Recorder.exe", "first"});
  const fs::path out = scratch_ / "run-out";
  const pid_t runner = fork();
  ASSERT_GE(runner, 0);
  if (runner == 0) {
    setenv("CEDEVICE_ROOT", root_.c_str(), 1);
    if (freopen(out.c_str(), "w", stdout) == nullptr) _exit(126);
    execl(CEDEVICE_EXE, CEDEVICE_EXE, "run", "--until", "2026-12-07 10:00:04", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Ok({"notify", "time", "2026-12-07 10:00:02", "\\Windows\\Recorder.exe", "second"});
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 200 && done == 0; ++i) {  // watchdog: 20 s
    done = waitpid(runner, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done == 0) {
    kill(runner, SIGKILL);
    waitpid(runner, &status, 0);
    FAIL() << "the runner did not end at --until";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Lines(ReadFile(out)),
            (std::vector<std::string>{"2026-12-07 10:00:01\t1\t\\Windows\\Recorder.exe first\texit 0",
                                      "2026-12-07 10:00:02\t2\t\\Windows\\Recorder.exe second\texit 0"}));
}

TEST_F(Runner, AnInterruptEndsItWithStatusZeroAndTheStoreWhole) {
  InstallRecorder();
  Ok({"clock", "set", "2026-12-07 10:00:00"});
  Ok({"notify", "time", "2026-12-08 10:00:00", "\\Windows\\Recorder.exe", "tomorrow"});
  const pid_t runner = fork();
  ASSERT_GE(runner, 0);
  if (runner == 0) {
    setenv("CEDEVICE_ROOT", root_.c_str(), 1);
    execl(CEDEVICE_EXE, CEDEVICE_EXE, "run", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  kill(runner, SIGINT);
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 100 && done == 0; ++i) {  // watchdog: 10 s
    done = waitpid(runner, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done == 0) {
    kill(runner, SIGKILL);
    waitpid(runner, &status, 0);
    FAIL() << "the runner did not end on an interrupt";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Ok({"notifications"}), "1\ttime\t2026-12-08 10:00:00\t\\Windows\\Recorder.exe\ttomorrow\n");
}

}  // namespace
