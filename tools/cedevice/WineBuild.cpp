#include "WineBuild.h"

#include <cstdlib>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"

namespace fs = std::filesystem;

namespace cedevice {

namespace {
constexpr const char* kWineFile = "wine";

bool Runnable(const fs::path& path) {
  return ::access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path);
}
}  // namespace

std::optional<WineBuild> ReadWineBuild() {
  const std::optional<std::string> text = cedev::ReadState(kWineFile);
  if (!text) return std::nullopt;
  WineBuild build;
  bool wine = false, prefix = false;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("wine ") && !wine) {
      build.wine = line.substr(5);
      wine = true;
    } else if ((line == "prefix" || line.starts_with("prefix ")) && !prefix) {
      build.prefix = line.size() > 7 ? line.substr(7) : "";
      prefix = true;
    } else {
      throw cedev::DeviceError(
          cedev::DeviceStatePath(kWineFile),
          "not a line of the Windows build's record: " + cedev::QuoteForMessage(line));
    }
  }
  if (!wine || build.wine.empty())
    throw cedev::DeviceError(cedev::DeviceStatePath(kWineFile), "no line names Wine's launcher");
  return build;
}

void WriteWineBuild(const std::optional<WineBuild>& build) {
  cedev::DeviceLock lock;
  if (!build) {
    std::error_code ec;
    fs::remove(cedev::DeviceStatePath(kWineFile), ec);
    if (ec)
      throw cedev::DeviceError(cedev::DeviceStatePath(kWineFile), "cannot remove: " + ec.message());
    return;
  }
  cedev::WriteStateAtomic(kWineFile, "wine " + build->wine + "\nprefix " + build->prefix + "\n");
}

std::string FindWine(std::string& found) {
  if (const char* chosen = std::getenv("CEDEVICE_WINE"); chosen != nullptr && *chosen != 0) {
    if (!Runnable(chosen)) return std::string("CEDEVICE_WINE names no program: ") + chosen;
    found = fs::absolute(chosen).string();
    return {};
  }
  if (const char* path = std::getenv("PATH")) {
    std::istringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
      if (!folder.empty() && Runnable(fs::path(folder) / "wine64")) {
        found = fs::absolute(fs::path(folder) / "wine64").string();
        return {};
      }
    }
  }
  for (const char* place : {"/usr/lib/wine/wine64", "/usr/lib/x86_64-linux-gnu/wine/wine64"}) {
    if (Runnable(place)) {
      found = place;
      return {};
    }
  }
  return "cannot find Wine's wine64 (install wine64, or name it in CEDEVICE_WINE)";
}

std::string MapDeviceDrive(const WineBuild& build, const fs::path& root) {
  fs::path prefix = build.prefix;
  if (prefix.empty()) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == 0) return "no Wine prefix, and no HOME for Wine's default";
    prefix = fs::path(home) / ".wine";
  }
  const fs::path drives = prefix / "dosdevices";
  const fs::path drive = drives / "d:";
  std::error_code ec;
  if (fs::read_symlink(drive, ec) == root) return {};
  // Made beside it and renamed over it, so that the drive is never missing meanwhile.
  const fs::path temp = drives / (".d:." + std::to_string(::getpid()));
  fs::remove(temp, ec);
  fs::create_directory_symlink(root, temp, ec);
  if (!ec) fs::rename(temp, drive, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return "cannot map drive D: of " + prefix.string() + " to the device: " + ec.message();
  }
  return {};
}

bool IsWindowsProgram(const fs::path& file) {
  // Not blocking: a FIFO put in the file's place must not hold the caller.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  char head[2] = {};
  const ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  return got == 2 && head[0] == 'M' && head[1] == 'Z';
}

}  // namespace cedevice
