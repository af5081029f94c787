// Test hook of the notification service: makes a chosen call fail with a chosen error, so that
// every failure path of a caller can be driven. Faults are per process and thread-safe.
//
// The environment variable CEDEVICE_NOTIFY_FAULTS sets faults for a whole run of a built
// program, read on the service's first call: a comma-separated list of CALL:ERROR[@SKIP][xTIMES],
// e.g. "set:87@1" (the second registration fails with 87) or "count:5x0" (every count fails).
// A value that does not follow the grammar stops the program with a message on standard error
// and exit status 2, rather than running a test without its fault.
#pragma once

#include <optional>
#include <string>

#include <windows.h>

namespace cedev::notify {

enum class Call {
  Count,         // CeGetUserNotificationHandles with no array
  FetchHandles,  // CeGetUserNotificationHandles with an array
  Size,          // CeGetUserNotification's size query (reports size 0)
  FetchRecord,   // CeGetUserNotification with a buffer
  Set,           // CeSetUserNotificationEx
  Clear,         // CeClearUserNotification
};

// After `skip` calls of that kind have gone through, the next `times` calls fail with `error`
// (times 0: every call from then on). A new fault for a call replaces the previous one.
void FailCall(Call call, DWORD error, int skip = 0, int times = 1);
void ClearFaults();

// For the service: the error this call is to fail with, if any. Counts the call.
std::optional<DWORD> TakeFault(Call call);

// Parses the CEDEVICE_NOTIFY_FAULTS grammar and installs the faults; false (nothing installed)
// with *why set for a malformed text.
bool InstallFaults(const std::string& list, std::string* why);

}  // namespace cedev::notify
