// cedevice: the simulated device's own tool.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "NotifyCommands.h"
#include "ToolCommand.h"

namespace cedevice {

int Fail(const std::string& message) {
  std::fprintf(stderr, "cedevice: %s\n", message.c_str());
  return 2;
}

}  // namespace cedevice

namespace {

struct Command {
  std::string_view name;
  cedevice::CommandFunction run;
};

// One line a command.
constexpr Command kCommands[] = {
    {"init", cedevice::InitCommand},
    {"clock", cedevice::ClockCommand},
    {"set", cedevice::SetCommand},
    {"get", cedevice::GetCommand},
    {"sound", cedevice::SoundCommand},
    {"sound-log", cedevice::SoundLogCommand},
    {"notifications", cedevice::NotificationsCommand},
    {"notify", cedevice::NotifyCommand},
    {"clear", cedevice::ClearCommand},
    {"run", cedevice::RunCommand},
    {"status", cedevice::StatusCommand},
};

std::string CommandNames() {
  std::string names;
  for (const Command& command : kCommands) names += (names.empty() ? "" : ", ") + std::string(command.name);
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return cedevice::Fail("usage: cedevice COMMAND ... (commands: " + CommandNames() + ")");
  const std::string_view name = argv[1];
  for (const Command& command : kCommands) {
    if (command.name != name) continue;
    try {
      cedev::DeviceRoot();  // every command works on a device: a missing one is made factory-new
      const int status = command.run(argc, argv);
      if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        // A command that made a change and lost its output has said so and returned 1; the
        // others changed nothing.
        if (status == 1) return status;
        return cedevice::Fail(std::string(name) + ": cannot write the output: " + std::strerror(errno));
      }
      return status;
    } catch (const cedev::DeviceError& e) {
      return cedevice::Fail(e.what());
    } catch (const std::exception& e) {
      return cedevice::Fail(std::string(name) + ": " + e.what());
    }
  }
  return cedevice::Fail("unknown command: " + std::string(name) + " (commands: " + CommandNames() + ")");
}
