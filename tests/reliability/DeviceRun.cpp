#include "DeviceRun.h"

#include <fstream>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

std::string ScheduleFileBytes(unsigned x, unsigned y, unsigned eventHandle,
                              const std::vector<FileItem>& items) {
  std::string bytes;
  const auto put = [&](unsigned value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  put(x, 2);
  put(y, 2);
  put(eventHandle, 4);
  for (const FileItem& item : items) {
    for (unsigned b : {item.days, item.hour, item.minute, item.second, item.mute}) put(b, 1);
  }
  return bytes;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t nl = text.find('\n', at);
    lines.push_back(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  return lines;
}

std::vector<std::string> ColumnsOf(const std::string& line, char separator) {
  std::vector<std::string> columns;
  std::size_t at = 0;
  for (;;) {
    const std::size_t next = line.find(separator, at);
    columns.push_back(line.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) return columns;
    at = next + 1;
  }
}

TestDevice::TestDevice(const testsupport::Scratch& scratch, const std::string& clock)
    : dir_(scratch.dir), root_(scratch.root) {
  ToolOut({"init"});
  ToolOut({"clock", "freeze", clock});
}

Outcome TestDevice::Tool(const std::vector<std::string>& args,
                         std::chrono::milliseconds limit) const {
  const std::string name = "tool-" + std::to_string(++serial_);
  Outcome outcome;
  {
    auto child = Start(name, args, {}, true);
    outcome.status = child->Wait(limit);
  }
  outcome.out = Output(name);
  outcome.err = Errors(name);
  fs::remove(dir_ / (name + ".out"));
  fs::remove(dir_ / (name + ".err"));
  return outcome;
}

std::string TestDevice::ToolOut(const std::vector<std::string>& args) const {
  const Outcome outcome = Tool(args);
  std::string shown;
  for (const std::string& a : args) shown += " " + a;
  EXPECT_EQ(outcome.status, 0) << "cedevice" << shown << ": " << outcome.err;
  EXPECT_EQ(outcome.err, "") << "cedevice" << shown;
  return outcome.out;
}

std::map<std::string, std::string> TestDevice::ProgramEnvironment(const std::string& script) const {
  std::map<std::string, std::string> env{{"CEDEVICE_ROOT", root_.string()},
                                         {"CEDEVICE_DISPLAY", "none"}};
  if (!script.empty()) {
    const fs::path file = dir_ / ("script-" + std::to_string(++serial_));
    std::ofstream(file, std::ios::binary) << script;
    env["CEDEVICE_INPUT"] = file.string();
  }
  return env;
}

std::unique_ptr<testsupport::ChildProcess> TestDevice::Start(
    const std::string& name, const std::vector<std::string>& args, const std::string& script,
    bool tool, const std::map<std::string, std::string>& moreEnv) const {
  std::vector<std::string> argv{tool ? CEDEVICE_EXE : QUENMORA_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> env = ProgramEnvironment(script);
  if (script.empty()) env["CEDEVICE_INPUT"] = "";
  for (const auto& [key, value] : moreEnv) env[key] = value;
  return std::make_unique<testsupport::ChildProcess>(argv, env, (dir_ / (name + ".out")).string(),
                                                     (dir_ / (name + ".err")).string());
}

std::string TestDevice::Output(const std::string& name) const {
  return testsupport::ReadBytes(dir_ / (name + ".out"));
}
std::string TestDevice::Errors(const std::string& name) const {
  return testsupport::ReadBytes(dir_ / (name + ".err"));
}

std::vector<std::vector<std::string>> TestDevice::Notifications() const {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : LinesOf(ToolOut({"notifications"}))) {
    rows.push_back(ColumnsOf(line));
    EXPECT_EQ(rows.back().size(), 5u) << line;
  }
  return rows;
}
