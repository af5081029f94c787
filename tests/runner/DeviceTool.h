// Runs the built cedevice on a device root of the test's own.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

class DeviceToolTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // cedevice ARGS with CEDEVICE_ROOT set to the test's root and `env` added.
  ToolResult Tool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) const;
  // The same, failing the test unless it ends with status 0; its standard output.
  std::string Ok(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) const;
  // Copies the recorder into the device as \Windows\Recorder.exe.
  void InstallRecorder() const;
  std::vector<std::string> RecorderLog() const;
  std::string ReadFile(const std::filesystem::path& path) const;

  std::filesystem::path root_;
  std::filesystem::path scratch_;
};

std::vector<std::string> Lines(const std::string& text);
