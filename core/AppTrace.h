// The application's debug trace hook. The scheduler hands it wide format strings with their
// values; nothing depends on what it does. On the device it is the program's one debug zone:
// start-up registers the zone, the device turns it on or off from its own settings, and a text
// whose zone is off is not even formatted, so a search over many items pays one test of a bit
// for each trace point.
#pragma once

#include <windows.h>

#define ZONE_TRACE DEBUGZONE(0)

template <class... Values>
void AppTrace(LPCWSTR format, Values... values) {
  RETAILMSG(ZONE_TRACE, (format, values...));
}

// Has the device set the trace zone; start-up calls it before anything is traced.
void RegisterAppTrace();
