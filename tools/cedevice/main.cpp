// cedevice: the simulated device's own tool.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>
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

// One form of a command: its synopsis and what it does.
struct Form {
  std::string_view synopsis;
  std::string_view purpose;
};

struct Command {
  std::string_view name;
  cedevice::CommandFunction run;
  std::initializer_list<Form> forms;
};

const Command kCommands[] = {
    {"init",
     cedevice::InitCommand,
     {{"init [EXE]",
       "make the device if missing; install EXE (default: the quenmora beside cedevice)\n"
       "      as \\Windows\\Quenmora.exe"},
      {"init --wine EXE",
       "the same with a Windows build of the program, which the runner launches under Wine\n"
       "      (wine64 from CEDEVICE_WINE, PATH or /usr/lib/wine; the prefix WINEPREFIX names)"}}},
    {"clock",
     cedevice::ClockCommand,
     {{"clock", "print the device time, YYYY-MM-DD HH:MM:SS"},
      {"clock set \"YYYY-MM-DD HH:MM:SS\"", "run on from that time"},
      {"clock freeze \"YYYY-MM-DD HH:MM:SS\"", "stay at that time"},
      {"clock host", "follow the host's local time"}}},
    {"set",
     cedevice::SetCommand,
     {{"set KEY VALUE",
       "change a setting: popup-choices (texts, comma-separated), popup-closes (yes/no),\n"
       "      taskbar (yes/no), volume-icon (LEFT,TOP,RIGHT,BOTTOM), trace (yes/no)"}}},
    {"get", cedevice::GetCommand, {{"get KEY", "print a setting"}}},
    {"sound",
     cedevice::SoundCommand,
     {{"sound", "print the sound setting: On, Vibrate or Off"},
      {"sound set CHOICE", "change it (not logged)"}}},
    {"sound-log",
     cedevice::SoundLogCommand,
     {{"sound-log", "the changes made through the volume popup, YYYY-MM-DD HH:MM:SS<TAB>CHOICE"}}},
    {"notifications",
     cedevice::NotificationsCommand,
     {{"notifications",
       "the registered notifications, one a line:\n"
       "      HANDLE<TAB>TYPE<TAB>YYYY-MM-DD HH:MM:SS<TAB>APPLICATION<TAB>ARGUMENTS"}}},
    {"notify",
     cedevice::NotifyCommand,
     {{"notify TYPE \"YYYY-MM-DD HH:MM:SS\" APPLICATION [ARGUMENTS]",
       "register a notification (TYPE: time, event, period or classic); print its handle"}}},
    {"clear", cedevice::ClearCommand, {{"clear HANDLE", "remove a registered notification"}}},
    {"run",
     cedevice::RunCommand,
     {{"run [--fast] [--until \"YYYY-MM-DD HH:MM:SS\"]",
       "the notification service: launch each due time notification's application in turn;\n"
       "      --fast jumps the clock from one to the next and needs --until"}}},
    {"status",
     cedevice::StatusCommand,
     {{"status",
       "a summary: clock, sound, settings, notifications and the schedule file's items"}}},
};

std::string CommandNames() {
  std::string names;
  for (const Command& command : kCommands)
    names += (names.empty() ? "" : ", ") + std::string(command.name);
  return names;
}

std::string FormsOf(const Command& command) {
  std::string text;
  for (const Form& form : command.forms) {
    text +=
        "  cedevice " + std::string(form.synopsis) + "\n      " + std::string(form.purpose) + "\n";
  }
  return text;
}

std::string Usage() {
  std::string text =
      "usage: cedevice COMMAND [ARGUMENTS]\n"
      "The simulated Pocket PC's own tool. The device is the folder CEDEVICE_ROOT, by default\n"
      "${XDG_DATA_HOME:-$HOME/.local/share}/cedevice; a missing one is made factory-new.\n\n";
  for (const Command& command : kCommands) text += FormsOf(command);
  text +=
      "  cedevice help [COMMAND], cedevice --help, cedevice COMMAND --help\n      this text, or "
      "one command's\n";
  return text;
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

// Help goes to standard output with status 0 and never touches a device.
int PrintHelp(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) != 0) return cedevice::Fail("cannot write the output");
  return 0;
}

const Command* Find(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

int Unknown(std::string_view name) {
  return cedevice::Fail("unknown command: " + std::string(name) + " (commands: " + CommandNames() +
                        "; cedevice --help shows their use)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return cedevice::Fail("usage: cedevice COMMAND ... (commands: " + CommandNames() +
                          "; cedevice --help shows their use)");
  }
  const std::string_view name = argv[1];
  if (name == "help" || IsHelp(name)) {
    if (argc < 3 || name != "help") return PrintHelp(Usage());
    const Command* command = Find(argv[2]);
    return command ? PrintHelp(FormsOf(*command)) : Unknown(argv[2]);
  }
  const Command* command = Find(name);
  if (command == nullptr) return Unknown(name);
  if (argc >= 3 && IsHelp(argv[2])) return PrintHelp(FormsOf(*command));
  try {
    cedev::DeviceRoot();  // every command works on a device: a missing one is made factory-new
    const int status = command->run(argc, argv);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
      // A command that made a change and lost its output has said so and returned 1; the
      // others changed nothing.
      if (status == 1) return status;
      return cedevice::Fail(std::string(name) +
                            ": cannot write the output: " + std::strerror(errno));
    }
    return status;
  } catch (const cedev::DeviceError& e) {
    return cedevice::Fail(e.what());
  } catch (const std::exception& e) {
    return cedevice::Fail(std::string(name) + ": " + e.what());
  }
}
