#include "DeviceSession.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "ChildProcess.h"

namespace fs = std::filesystem;

DeviceSession::DeviceSession(const std::string& clock) {
  if (Tool({"init"}).status != 0) throw std::runtime_error("cedevice init failed");
  if (Tool({"clock", "freeze", clock}).status != 0) throw std::runtime_error("clock freeze failed");
}

RunResult DeviceSession::Program(const std::vector<std::string>& args, const std::string& script,
                                 const Env& env, int timeoutSeconds) const {
  return Run(QUENMORA_BINARY, args, script, env, timeoutSeconds);
}

RunResult DeviceSession::Tool(const std::vector<std::string>& args) const {
  return Run(CEDEVICE_BINARY, args, "", {}, 60);
}

std::string DeviceSession::ToolOut(const std::vector<std::string>& args) const {
  const RunResult r = Tool(args);
  if (r.status != 0) throw std::runtime_error("cedevice failed: " + r.err);
  return r.out;
}

RunResult DeviceSession::Run(const std::string& binary, const std::vector<std::string>& args,
                             const std::string& script, const Env& env, int timeoutSeconds) const {
  // No script: CEDEVICE_INPUT empty, which the device takes as none.
  std::map<std::string, std::string> all{{"CEDEVICE_DISPLAY", "none"}, {"CEDEVICE_INPUT", ""}};
  if (!script.empty()) {
    const fs::path in = scratch_.dir / "script";
    std::ofstream(in, std::ios::binary) << script;
    all["CEDEVICE_INPUT"] = in.string();
  }
  for (const auto& [name, value] : env) all[name] = value;
  const testsupport::ChildResult child =
      testsupport::RunOnDevice(scratch_, binary, args, all, std::chrono::seconds(timeoutSeconds));
  return RunResult{child.status.value_or(-1), child.out, child.err};
}

std::vector<uint8_t> DeviceSession::ReadSchedule() const {
  std::ifstream file(ScheduleFile(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void DeviceSession::WriteSchedule(const std::vector<uint8_t>& bytes) const {
  std::ofstream file(ScheduleFile(), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ScheduleBytes(uint16_t x, uint16_t y, uint32_t eventHandle,
                                   const std::vector<ItemRecord>& items) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8),
                                static_cast<uint8_t>(y), static_cast<uint8_t>(y >> 8)};
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(eventHandle >> (8 * i)));
  for (const ItemRecord& r : items)
    bytes.insert(bytes.end(), {r.days, r.hour, r.minute, r.second, r.mute});
  return bytes;
}
