// The Pocket PC shell library.
#pragma once

#include "windows.h"

// The shell library's initialisation; programs call it once at start-up.
BOOL SHInitExtraControls();
