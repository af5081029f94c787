// The device root as a Windows program under Wine reaches it: CEDEVICE_ROOT is a host path,
// opened through Wine's Z: drive, which maps the host's whole file system. Only the Windows
// build uses this; the device's own build has its state files (platform/device).
#pragma once

#include <optional>
#include <string>

namespace cewin {

// ROOT\.device\NAME as a Windows path ("Z:\...\.device\NAME"), or, without CEDEVICE_ROOT, the
// current drive's (the launcher maps the device root to the current drive).
std::wstring DeviceStatePath(const wchar_t* name);

// The whole file as bytes, or nothing when it is missing or cannot be read.
std::optional<std::string> ReadDeviceFile(const std::wstring& path);

}  // namespace cewin
