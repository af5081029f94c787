// The shape of a cedevice command, and how commands report bad input.
#pragma once

#include <string>

namespace cedevice {

// One command: argv[0] is the tool, argv[1] the command's name, the rest its arguments.
// Returns the exit status.
using CommandFunction = int (*)(int argc, char** argv);

// Prints "cedevice: MESSAGE" on standard error; returns the status for bad input (2).
int Fail(const std::string& message);

// The kernel's commands.
int InitCommand(int argc, char** argv);
int ClockCommand(int argc, char** argv);
int SetCommand(int argc, char** argv);
int GetCommand(int argc, char** argv);
int SoundCommand(int argc, char** argv);
int SoundLogCommand(int argc, char** argv);

}  // namespace cedevice
