#include "DeviceTool.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

ToolResult DeviceToolTest::Tool(const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env,
                                const std::string& stdoutPath) const {
  std::vector<std::string> argv{CEDEVICE_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> all = env;
  all["CEDEVICE_ROOT"] = root_.string();
  const fs::path out = scratch_.dir / "out", err = scratch_.dir / "err";
  testsupport::ChildProcess child(argv, all, stdoutPath.empty() ? out.string() : stdoutPath,
                                  err.string());
  ToolResult result;
  result.status = child.Wait(std::chrono::seconds(120)).value_or(-1);
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  return result;
}

std::string DeviceToolTest::Ok(const std::vector<std::string>& args,
                               const std::map<std::string, std::string>& env) const {
  const ToolResult r = Tool(args, env);
  EXPECT_EQ(r.status, 0) << "cedevice " << (args.empty() ? "" : args[0]) << ": " << r.err;
  return r.out;
}

void DeviceToolTest::InstallRecorder() const {
  Ok({"clock"});  // makes the device
  fs::copy_file(RECORDER_EXE, root_ / "Windows" / "Recorder.exe",
                fs::copy_options::overwrite_existing);
}

std::vector<std::string> DeviceToolTest::RecorderLog() const {
  return Lines(ReadFile(root_ / "recorder.log"));
}

std::string DeviceToolTest::ReadFile(const fs::path& path) const {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> DeviceToolTest::AwaitLines(const fs::path& file, std::size_t count,
                                                    std::chrono::seconds bound) const {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::vector<std::string> lines = Lines(ReadFile(file));
  while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    lines = Lines(ReadFile(file));
  }
  return lines;
}

std::unique_ptr<testsupport::ChildProcess> DeviceToolTest::Start(
    const std::string& name, const std::vector<std::string>& args,
    const std::map<std::string, std::string>& env) const {
  std::vector<std::string> argv{CEDEVICE_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> all = env;
  all["CEDEVICE_ROOT"] = root_.string();
  return std::make_unique<testsupport::ChildProcess>(argv, all,
                                                     (scratch_.dir / (name + ".out")).string(),
                                                     (scratch_.dir / (name + ".err")).string());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
