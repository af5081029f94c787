// A device root and a scratch folder of one test's own, memory-backed where the machine has it.
#pragma once

#include <filesystem>
#include <string>

struct Scratch {
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path dir;   // for the test's own files
  std::filesystem::path root;  // the device root (not made: the device makes it on first use)
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
