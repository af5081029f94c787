// The shell library's entry points that a program calls itself.
#include <aygshell.h>

// Registers the shell's extra controls with the window manager. The shell of this device
// registers them when it starts, so there is nothing left to do here.
BOOL SHInitExtraControls() { return TRUE; }
