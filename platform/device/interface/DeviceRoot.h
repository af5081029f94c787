// The device root: the one host folder that is the whole simulated device, and the mapping of
// CE paths onto it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cedev {

// CEDEVICE_ROOT, or ${XDG_DATA_HOME:-$HOME/.local/share}/cedevice. Resolved on every call and
// touches nothing on disk.
std::filesystem::path DeviceRootPath();

// The device root, made factory-new (folders "My Documents", "Windows", ".device") when it is
// missing. A folder removed from an existing root is not made again, except ".device", which is
// the device's own and not visible to programs. Throws DeviceError when the root cannot be made.
std::filesystem::path DeviceRoot();

// ROOT/.device/NAME (the folder is made if missing).
std::filesystem::path DeviceStatePath(std::string_view name);

// Maps a CE path ("\My Documents\Quenmora.dat"; forward slashes accepted; relative paths are
// taken from the root, as CE has no current folder) onto the device root. Components are
// matched without regard to case, as the CE file system does, so an existing
// "\my documents\QUENMORA.DAT" finds the file; components that do not exist keep their case.
// Returns 0 with the host path in `out`, or a Win32 error code:
//   ERROR_PATH_NOT_FOUND  a ".." that would leave the root, an empty path, or the device's
//                         own state folder (\.device)
//   ERROR_INVALID_NAME    a component with a character Windows refuses (< > : " | ? * or a
//                         control character)
//   ERROR_FILENAME_EXCED_RANGE  a path of MAX_PATH characters or more
// The parent folder is not checked here; the file services report a missing one.
unsigned long MapCePath(std::wstring_view cePath, std::filesystem::path& out);

// The CE path of a host path inside the device root ("\Windows\Quenmora.exe"), or an empty
// text when the host path lies outside it.
std::wstring CePathOf(const std::filesystem::path& hostPath);

}  // namespace cedev
