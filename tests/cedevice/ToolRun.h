// Runs the cedevice binary on a device root and collects what it said.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ToolResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

ToolResult RunTool(const std::filesystem::path& root, const std::vector<std::string>& args);
