// The application's debug trace hook. The scheduler hands it wide format strings with their
// values; nothing depends on what it does. On the device it goes to the debug output, and only
// when that output is kept, so a search over many items pays nothing for its trace points.
#pragma once

#include <windows.h>

void AppTrace(LPCWSTR format, ...);
