// cedevice: the simulated device's own tool.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "DeviceRoot.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "cedevice: %s\n", message.c_str());
  return 2;
}

// Makes the device if it is missing and installs the program as \Windows\Quenmora.exe.
int Init(int argc, char** argv) {
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
  const fs::path root = cedev::DeviceRootPath();
  std::error_code ec;
  const bool fresh = !fs::exists(root);
  if (fresh) {
    for (const char* folder : {"My Documents", "Windows", ".device"}) {
      fs::create_directories(root / folder, ec);
      if (ec) return Fail("cannot make " + (root / folder).string() + ": " + ec.message());
    }
  }
  fs::create_directories(root / ".device", ec);
  if (!fs::is_directory(root / "Windows")) return Fail("the device has no \\Windows folder: " + root.string());
  const fs::path target = root / "Windows" / "Quenmora.exe";
  const fs::path temp = root / "Windows" / ".Quenmora.exe.new";
  fs::copy_file(exe, temp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temp, target, ec);
  if (ec) return Fail("cannot install " + target.string() + ": " + ec.message());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: cedevice COMMAND ... (commands: init)");
  const std::string command = argv[1];
  if (command == "init") return Init(argc, argv);
  return Fail("unknown command: " + command);
}
