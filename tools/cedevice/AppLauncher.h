// Starts a device application the way the notification service does: the CE path mapped into
// the device root (nothing outside it is ever run), the argument text as its command line, no
// display and no input, and waits for it.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace cedevice {

// "exit N", "killed: timeout", "killed: signal N" or "not run: WHY".
std::string LaunchAndWait(const std::wstring& application, const std::wstring& arguments,
                          std::chrono::milliseconds timeout);

// How long an application may run before it is killed: 60 s, or CEDEVICE_RUN_TIMEOUT_MS.
std::chrono::milliseconds LaunchTimeout();

}  // namespace cedevice
