// cedevice's clock, settings and sound commands, run as the binary on a temporary device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "ChildProcess.h"
#include "DeviceClock.h"
#include "Scratch.h"
#include "SoundState.h"

namespace fs = std::filesystem;

namespace {

using ToolResult = testsupport::ChildResult;

class KernelCommandsTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) {
    return testsupport::RunOnDevice(scratch_, CEDEVICE_BINARY, args);
  }
  // Runs a command that must succeed and returns its output.
  std::string Ok(const std::vector<std::string>& args) {
    const ToolResult r = Run(args);
    EXPECT_EQ(r.status, 0) << "stderr: " << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }
  // Every file of the device's state, by name.
  std::map<std::string, std::string> State() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(root_ / ".device")) {
      if (entry.path().filename() == "lock") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
  }

  testsupport::Scratch scratch_;
  const fs::path& root_ = scratch_.root;
};

// Help is asked for in every usual way; it prints on standard output, succeeds, and makes no
// device.
TEST_F(KernelCommandsTest, HelpPrintsTheUsageAndMakesNoDevice) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"help"}, {"-h"}}) {
    const ToolResult r = Run(args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("usage: cedevice COMMAND [ARGUMENTS]\n", 0), 0u) << r.out;
    for (const char* form :
         {"cedevice init [EXE]", "cedevice clock freeze \"YYYY-MM-DD HH:MM:SS\"", "cedevice status",
          "cedevice run [--fast] [--until \"YYYY-MM-DD HH:MM:SS\"]"}) {
      EXPECT_NE(r.out.find(form), std::string::npos) << form;
    }
  }
  for (const char* command : {"init", "clock", "set", "get", "sound", "sound-log", "notifications",
                              "notify", "clear", "run", "status"}) {
    const ToolResult r = Run({command, "--help"});
    EXPECT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_EQ(r.out.rfind(std::string("  cedevice ") + command, 0), 0u) << r.out;
    EXPECT_EQ(Run({"help", command}).out, r.out);
  }
  const ToolResult unknown = Run({"help", "jump"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err.rfind("cedevice: unknown command: jump", 0), 0u) << unknown.err;
  EXPECT_FALSE(fs::exists(root_));
}

TEST_F(KernelCommandsTest, FirstCommandMakesAFactoryNewDevice) {
  const std::string out = Ok({"clock"});
  EXPECT_TRUE(std::regex_match(out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\n)"))) << out;
  EXPECT_TRUE(fs::is_directory(root_ / "My Documents"));
  EXPECT_TRUE(fs::is_directory(root_ / "Windows"));
  EXPECT_TRUE(fs::is_directory(root_ / ".device"));
}

TEST_F(KernelCommandsTest, ClockModes) {
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  EXPECT_EQ(Ok({"clock"}), "2026-12-07 10:00:00\n");
  EXPECT_EQ(Ok({"clock"}), "2026-12-07 10:00:00\n");
  Ok({"clock", "set", "2030-01-01 00:00:00"});
  EXPECT_EQ(Ok({"clock"}).substr(0, 15), "2030-01-01 00:0");
  Ok({"clock", "host"});
  EXPECT_EQ(State()["clock"], "host\n");
  EXPECT_NE(Ok({"clock"}).substr(0, 4), "2030");
}

TEST_F(KernelCommandsTest, SetAndGetEverySetting) {
  const std::map<std::string, std::string> defaults = {{"popup-choices", "On,Vibrate,Off"},
                                                       {"popup-closes", "no"},
                                                       {"taskbar", "yes"},
                                                       {"volume-icon", "190,0,212,26"},
                                                       {"trace", "no"}};
  for (const auto& [key, value] : defaults) EXPECT_EQ(Ok({"get", key}), value + "\n") << key;
  const std::map<std::string, std::string> changed = {{"popup-choices", "Loud,Quiet"},
                                                      {"popup-closes", "yes"},
                                                      {"taskbar", "no"},
                                                      {"volume-icon", "10,0,40,26"},
                                                      {"trace", "yes"}};
  for (const auto& [key, value] : changed) Ok({"set", key, value});
  for (const auto& [key, value] : changed) EXPECT_EQ(Ok({"get", key}), value + "\n") << key;
}

TEST_F(KernelCommandsTest, Sound) {
  EXPECT_EQ(Ok({"sound"}), "On\n");
  Ok({"sound", "set", "Vibrate"});
  EXPECT_EQ(Ok({"sound"}), "Vibrate\n");
  EXPECT_EQ(Ok({"sound-log"}), "");  // setting it here is not a change through the popup
  Ok({"set", "popup-choices", "Loud,Silent"});
  Ok({"sound", "set", "Silent"});
  EXPECT_EQ(Ok({"sound"}), "Silent\n");
}

TEST_F(KernelCommandsTest, SoundLogShowsThePopupsChanges) {
  ::setenv("CEDEVICE_ROOT", root_.c_str(), 1);
  cedev::clock::FreezeForProcess({2026, 12, 7, 10, 0, 0, 0});
  cedev::SetSound(L"Off", true);
  cedev::clock::FreezeForProcess({2026, 12, 7, 18, 30, 0, 0});
  cedev::SetSound(L"On", true);
  cedev::clock::Reload();
  EXPECT_EQ(Ok({"sound-log"}), "2026-12-07 10:00:00\tOff\n2026-12-07 18:30:00\tOn\n");
}

TEST_F(KernelCommandsTest, BadInputIsRefusedAndChangesNothing) {
  Ok({"clock", "freeze", "2026-12-07 10:00:00"});
  Ok({"set", "trace", "yes"});
  Ok({"sound", "set", "Off"});
  const auto before = State();
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"bogus"},
      {"clock", "set"},
      {"clock", "set", "2026-13-01 00:00:00"},
      {"clock", "set", "2026-02-29 00:00:00"},
      {"clock", "freeze", "tomorrow"},
      {"clock", "freeze", "2026-12-07 10:00"},
      {"clock", "freeze", "2026-12-07 10:00:00", "extra"},
      {"clock", "sometimes"},
      {"clock", "host", "now"},
      {"set", "trace"},
      {"set", "trace", "maybe"},
      {"set", "colour", "blue"},
      {"set", "popup-choices", ""},
      {"set", "popup-choices", "On,,Off"},
      {"set", "volume-icon", "1,2,3"},
      {"set", "volume-icon", "0,0,300,26"},
      {"set", "popup-closes", "yes", "no"},
      {"get"},
      {"get", "colour"},
      {"sound", "set"},
      {"sound", "set", "Loud"},
      {"sound", "up", "On"},
      {"sound-log", "all"},
  };
  for (const auto& args : bad) {
    std::string line;
    for (const std::string& a : args) line += "'" + a + "' ";
    SCOPED_TRACE(line);
    const ToolResult r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), std::string("cedevice: ").size() + 5);
    EXPECT_EQ(State(), before);
  }
}

TEST_F(KernelCommandsTest, InitInstallsTheProgramAndIsIdempotent) {
  const fs::path exe = scratch_.dir / "program.exe";
  std::ofstream(exe) << "#!/bin/sh\n# program v1\n";
  fs::permissions(exe, fs::perms::owner_all);
  Ok({"init", exe.string()});
  Ok({"init", exe.string()});
  std::ifstream installed(root_ / "Windows" / "Quenmora.exe");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(installed), {}),
            "#!/bin/sh\n# program v1\n");
  EXPECT_TRUE(fs::is_directory(root_ / "My Documents"));
  const ToolResult missing = Run({"init", exe.string() + ".none"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("no such program"), std::string::npos) << missing.err;
  // A Windows build must be one; the device's build installed again is run as the device's.
  const ToolResult notWindows = Run({"init", "--wine", exe.string()});
  EXPECT_EQ(notWindows.status, 2);
  EXPECT_NE(notWindows.err.find("not a Windows program"), std::string::npos) << notWindows.err;
  EXPECT_NE(Ok({"status"}).find("\nprogram: the device's build\n"), std::string::npos);
  fs::remove(exe);
}

TEST_F(KernelCommandsTest, InitRefusesWhatIsNotAProgramAndInstallsNothing) {
  Ok({"clock"});
  const fs::path dir = scratch_.dir / "files";
  fs::create_directories(dir / "folder");
  std::ofstream(dir / "text") << "just some text\n";
  fs::permissions(dir / "text", fs::perms::owner_all);
  std::ofstream(dir / "script") << "#!/bin/sh\n";  // not executable
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0755), 0);
  for (const char* name : {"folder", "text", "script", "fifo"}) {
    SCOPED_TRACE(name);
    const ToolResult r = Run({"init", (dir / name).string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a program"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find((dir / name).string()), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(root_ / "Windows" / "Quenmora.exe"));
  }
  fs::remove_all(dir);
}

TEST_F(KernelCommandsTest, SetAndInitMendADamagedSettingsFile) {
  Ok({"clock"});
  const fs::path settings = root_ / ".device" / "settings";
  std::ofstream(settings) << "trace=perhaps\n";
  EXPECT_EQ(Run({"get", "trace"}).status, 2);
  Ok({"set", "trace", "yes"});
  EXPECT_EQ(Ok({"get", "trace"}), "yes\n");

  std::ofstream(settings) << "popup-closes=yes\nnonsense\n";
  Ok({"set", "trace", "no"});
  EXPECT_EQ(Run({"get", "trace"}).status, 2)
      << "a line that is no setting is kept for init to mend";
  const fs::path exe = scratch_.dir / "program.exe";
  std::ofstream(exe) << "#!/bin/sh\n";
  fs::permissions(exe, fs::perms::owner_all);
  const ToolResult init = Run({"init", exe.string()});
  EXPECT_EQ(init.status, 0) << init.err;
  EXPECT_NE(init.err.find("kept as " + settings.string() + ".damaged"), std::string::npos)
      << init.err;
  EXPECT_EQ(Ok({"get", "popup-closes"}), "yes\n");
  EXPECT_EQ(Ok({"get", "trace"}), "no\n");
  fs::remove(exe);
}

TEST_F(KernelCommandsTest, DamagedStateFileIsNamed) {
  Ok({"clock"});
  { std::ofstream(root_ / ".device" / "clock") << "freeze whenever\n"; }
  const ToolResult r = Run({"clock"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find((root_ / ".device" / "clock").string()), std::string::npos) << r.err;
}

}  // namespace
