// Runs the built cedevice on a device root of the test's own.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Scratch.h"

struct ToolResult {
  int status = -1;  // -1: it did not end in time
  std::string out;
  std::string err;
};

class DeviceToolTest : public ::testing::Test {
 protected:
  // cedevice ARGS with CEDEVICE_ROOT set to the test's root and `env` added; its standard
  // output to `stdoutPath` when one is named (e.g. /dev/full), else kept.
  ToolResult Tool(const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env = {},
                  const std::string& stdoutPath = {}) const;
  // The same, failing the test unless it ends with status 0; its standard output.
  std::string Ok(const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {}) const;
  // Copies the recorder into the device as \Windows\Recorder.exe.
  void InstallRecorder() const;
  std::vector<std::string> RecorderLog() const;
  std::string ReadFile(const std::filesystem::path& path) const;
  // The lines of `file` once it has `count` of them, or what it has when `bound` has passed.
  std::vector<std::string> AwaitLines(const std::filesystem::path& file, std::size_t count,
                                      std::chrono::seconds bound = std::chrono::seconds(60)) const;
  // cedevice ARGS started beside the test on its root, standard output and error to files in
  // the scratch folder named after `name`.
  std::unique_ptr<testsupport::ChildProcess> Start(
      const std::string& name, const std::vector<std::string>& args,
      const std::map<std::string, std::string>& env = {}) const;

  testsupport::Scratch scratch_;
  const std::filesystem::path& root_ = scratch_.root;
};

std::vector<std::string> Lines(const std::string& text);
