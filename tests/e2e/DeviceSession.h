// A fresh simulated device in a folder of its own, and the two executables run on it as a
// person or the notification service would: the program with an input script, the device tool
// with its commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Scratch.h"

struct RunResult {
  // Exit status (128 + the signal for one ended by a signal); -1 when the process did not end
  // by itself in time.
  int status = -1;
  std::string out;
  std::string err;
};

class DeviceSession {
 public:
  // Makes the device (cedevice init) with its clock frozen at `clock`.
  explicit DeviceSession(const std::string& clock = "2026-12-07 10:00:00");
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  const std::filesystem::path& root() const { return scratch_.root; }
  std::filesystem::path ScheduleFile() const {
    return scratch_.root / "My Documents" / "Quenmora.dat";
  }

  // quenmora with these arguments; `script` (input commands) is given as CEDEVICE_INPUT when
  // not empty. Killed after `timeoutSeconds`.
  // `env` adds variables (CEDEVICE_FAULTS, ...).
  using Env = std::vector<std::pair<std::string, std::string>>;
  RunResult Program(const std::vector<std::string>& args, const std::string& script = "",
                    const Env& env = {}, int timeoutSeconds = 30) const;
  RunResult Tool(const std::vector<std::string>& args) const;
  // The tool's standard output of a command that must succeed.
  std::string ToolOut(const std::vector<std::string>& args) const;

  std::vector<uint8_t> ReadSchedule() const;
  void WriteSchedule(const std::vector<uint8_t>& bytes) const;

 private:
  RunResult Run(const std::string& binary, const std::vector<std::string>& args,
                const std::string& script, const Env& env, int timeoutSeconds) const;

  testsupport::Scratch scratch_{"session"};
};

// The schedule file's bytes: the header, then one record per item.
struct ItemRecord {
  uint8_t days, hour, minute, second, mute;
};
std::vector<uint8_t> ScheduleBytes(uint16_t x, uint16_t y, uint32_t eventHandle,
                                   const std::vector<ItemRecord>& items);
