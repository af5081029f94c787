// cedevice init [EXE] | init --wine EXE: makes the device if it is missing, mends a damaged
// settings file, and installs the program as \Windows\Quenmora.exe: the device's own build, or
// with --wine a Windows build, which the notification service then launches under Wine.
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "Settings.h"
#include "ToolCommand.h"
#include "WineBuild.h"

namespace fs = std::filesystem;

namespace cedevice {

namespace {

// Why `exe` is not a program the device can run, or nothing: it must be a plain, executable
// file that starts as a program does (an executable's header, or a script's "#!"); a Windows
// build a plain file that starts as a Windows program does.
std::optional<std::string> NotAProgram(const fs::path& exe, bool windows) {
  struct stat st {};
  if (::stat(exe.c_str(), &st) != 0) return "no such program: " + exe.string();
  if (!S_ISREG(st.st_mode)) return "not a program (not a plain file): " + exe.string();
  if (windows) {
    if (IsWindowsProgram(exe)) return std::nullopt;
    return "not a Windows program (no \"MZ\" header): " + exe.string();
  }
  if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0 || ::access(exe.c_str(), X_OK) != 0) {
    return "not a program (not executable): " + exe.string();
  }
  const int fd = ::open(exe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "cannot read " + exe.string() + ": " + std::strerror(errno);
  char head[4] = {};
  const ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  const bool executable =
      got == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
  const bool script = got >= 2 && head[0] == '#' && head[1] == '!';
  if (!executable && !script)
    return "not a program (neither an executable nor a script): " + exe.string();
  return std::nullopt;
}

}  // namespace

int InitCommand(int argc, char** argv) {
  const bool windows = argc >= 3 && std::string_view(argv[2]) == "--wine";
  if (windows ? argc != 4 : argc > 3) return Fail("usage: cedevice init [EXE] | init --wine EXE");
  fs::path exe;
  std::optional<WineBuild> wine;
  if (windows) {
    exe = argv[3];
  } else if (argc == 3) {
    exe = argv[2];
  } else {
    std::error_code ec;
    exe = fs::read_symlink("/proc/self/exe", ec).parent_path() / "quenmora";
    if (ec) return Fail("cannot find this program's folder: " + ec.message());
  }
  if (const std::optional<std::string> why = NotAProgram(exe, windows)) return Fail(*why);
  if (windows) {
    wine.emplace();
    if (const std::string why = FindWine(wine->wine); !why.empty()) return Fail(why);
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix != nullptr && *prefix != 0) wine->prefix = fs::absolute(prefix).string();
  }
  const fs::path root = cedev::DeviceRoot();
  if (!fs::is_directory(root / "Windows"))
    return Fail("the device has no \\Windows folder: " + root.string());
  // A device made anew has its factory settings; a damaged file keeps what reads.
  const std::optional<std::string> mended = cedev::RepairSettings();
  if (mended) std::fprintf(stderr, "cedevice: init: %s\n", mended->c_str());
  const fs::path target = root / "Windows" / "Quenmora.exe";
  const fs::path temp = root / "Windows" / ".Quenmora.exe.new";
  // Copied beside its place and renamed over it, so a running copy is never half replaced.
  std::error_code ec;
  fs::copy_file(exe, temp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    const int status = Fail("cannot install " + target.string() + ": " + ec.message());
    return mended ? 1 : status;  // the settings were mended all the same
  }
  // Which build the device runs goes with the program installed.
  try {
    WriteWineBuild(wine);
  } catch (const cedev::DeviceError& e) {
    std::fprintf(stderr, "cedevice: init: %s installed, but %s\n", target.c_str(), e.what());
    return 1;
  }
  return 0;
}

}  // namespace cedevice
