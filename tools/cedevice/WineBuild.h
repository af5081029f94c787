// A device whose \Windows\Quenmora.exe is the program's Windows build: `cedevice init --wine
// EXE` records it in ROOT/.device/wine, and the notification service then launches a Windows
// program under Wine. The file is two lines of plain text:
//   wine PATH      Wine's launcher (wine64)
//   prefix PATH    the Wine prefix its runs use (WINEPREFIX), empty for Wine's default
// A device without the file runs only the device's own programs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace cedevice {

struct WineBuild {
  std::string wine;
  std::string prefix;
};

// The device's record; nothing when it has none. Throws DeviceError for a file it cannot read
// or understand.
std::optional<WineBuild> ReadWineBuild();
// Writes the record (atomically, under the device lock), or removes it for nothing.
void WriteWineBuild(const std::optional<WineBuild>& build);

// Wine's launcher for a new record: CEDEVICE_WINE, else wine64 on PATH, else where Debian's
// wine64 package keeps it; the reason when there is none.
std::string FindWine(std::string& found);

// Maps drive D: of the record's prefix (Wine's default prefix, ~/.wine, when it names none) to
// the device root, so that a Windows program started in the root sees the device's folders where
// Windows CE has them: "\My Documents\Quenmora.dat" on the current drive is ROOT/My
// Documents/Quenmora.dat. The prefix's drives are its own, so one prefix serves one device at a
// time. The reason when it cannot.
std::string MapDeviceDrive(const WineBuild& build, const std::filesystem::path& root);

// Whether the file starts as a Windows program does ("MZ"); false for one that cannot be read.
bool IsWindowsProgram(const std::filesystem::path& file);

}  // namespace cedevice
