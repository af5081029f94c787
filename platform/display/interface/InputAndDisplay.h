// The device's input and display for a program process, chosen from the environment:
// CEDEVICE_INPUT (a script file, or - for standard input) and CEDEVICE_DISPLAY (none or
// terminal; by default terminal when standard input and output are terminals and there is no
// script). A terminal that ncurses cannot drive falls back to none with a note.
//
// A failing script command prints "input: line N: WHY" on standard error and ends the process
// with status 3; so does a script that ran out while the program went on for 2 more seconds
// ("input: script ended while the program was still running"), and one that still held a
// command when the program ended ("input: line N: the program ended before this command").
// Each command waits for the device to be at rest before the next one runs.
//
// With neither a display nor a script, the program's first wait for a message (a dialog that
// waits for a person) is reported on standard error and ends the process with status 3: nothing
// could ever answer it. A run that waits for no input (a notification run) is not touched.
#pragma once

namespace cedev {

// Starts the input thread (when there is a script) and the display. Call once, before the
// program's own code runs.
void StartInputAndDisplay();
// Called when the program has ended: stops reading the script and joins the thread.
void StopInputAndDisplay();

}  // namespace cedev
