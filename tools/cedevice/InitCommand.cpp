// cedevice init [EXE]: makes the device if it is missing and installs the program as
// \Windows\Quenmora.exe.
#include <filesystem>
#include <system_error>

#include "DeviceRoot.h"
#include "ToolCommand.h"

namespace fs = std::filesystem;

namespace cedevice {

int InitCommand(int argc, char** argv) {
  if (argc > 3) return Fail("usage: cedevice init [EXE]");
  fs::path exe;
  if (argc == 3) {
    exe = argv[2];
  } else {
    std::error_code ec;
    exe = fs::read_symlink("/proc/self/exe", ec).parent_path() / "quenmora";
    if (ec) return Fail("cannot find this program's folder: " + ec.message());
  }
  if (!fs::is_regular_file(exe)) return Fail("no such program: " + exe.string());
  const fs::path root = cedev::DeviceRoot();
  if (!fs::is_directory(root / "Windows")) return Fail("the device has no \\Windows folder: " + root.string());
  const fs::path target = root / "Windows" / "Quenmora.exe";
  const fs::path temp = root / "Windows" / ".Quenmora.exe.new";
  // Copied beside its place and renamed over it, so a running copy is never half replaced.
  std::error_code ec;
  fs::copy_file(exe, temp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return Fail("cannot install " + target.string() + ": " + ec.message());
  }
  return 0;
}

}  // namespace cedevice
