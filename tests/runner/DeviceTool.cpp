#include "DeviceTool.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

void DeviceToolTest::SetUp() {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  scratch_ = fs::temp_directory_path() / ("quenmora-runner-test-" + std::to_string(getpid()));
  fs::remove_all(scratch_);
  fs::create_directories(scratch_);
  root_ = scratch_ / "device";
}

void DeviceToolTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(scratch_, ignored);
}

ToolResult DeviceToolTest::Tool(const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env,
                                const std::string& stdoutPath) const {
  std::string command = "env";
  auto word = [&command](const std::string& text) {
    command += ' ';
    command += Quote(text);
  };
  word("CEDEVICE_ROOT=" + root_.string());
  for (const auto& [key, value] : env) word(key + "=" + value);
  word(CEDEVICE_EXE);
  for (const std::string& a : args) word(a);
  const fs::path out = scratch_ / "out", err = scratch_ / "err";
  command += " >";
  command += Quote(stdoutPath.empty() ? out.string() : stdoutPath);
  command += " 2>";
  command += Quote(err.string());
  command += " </dev/null";
  const int raw = std::system(command.c_str());
  ToolResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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

std::unique_ptr<ChildProcess> DeviceToolTest::Start(
    const std::string& name, const std::vector<std::string>& args,
    const std::map<std::string, std::string>& env) const {
  std::vector<std::string> argv{CEDEVICE_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> all = env;
  all["CEDEVICE_ROOT"] = root_.string();
  return std::make_unique<ChildProcess>(argv, all, (scratch_ / (name + ".out")).string(),
                                        (scratch_ / (name + ".err")).string());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
