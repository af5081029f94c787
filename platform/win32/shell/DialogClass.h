// The window class "Dialog". Windows CE names the dialog manager's class so; desktop Windows
// calls its own "#32770". The shell's popups are made in this class, so that a program that
// looks for the shell's "Dialog" finds them as on the device.
#pragma once

namespace cewin {

// Registers "Dialog" in this process, over the dialog manager's default procedure. True when it
// exists afterwards.
bool RegisterDialogClass();

}  // namespace cewin
