// The input script of a run (CEDEVICE_INPUT: a file, or - for standard input) on desktop
// Windows: a thread of its own reads it and runs each command on the program's windows, as the
// device's input thread does, with the same messages and exit status 3 for a failed command.
#pragma once

namespace cewin {

// Starts the script's thread when CEDEVICE_INPUT is set; the calling thread is the program's.
void StartScriptInput();
// Called when the program has ended: a command left in the script fails the run.
void StopScriptInput();

}  // namespace cewin
