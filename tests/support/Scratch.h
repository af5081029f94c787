// A folder of one test's own with a device root in it, for the test's files and the device it
// runs. It lies in memory where the machine has it (/dev/shm, if programs may run from there):
// the device syncs every state file it writes, and a test that writes many would wait on the
// disk. A benchmark whose figures include those syncs asks for the disk. The folder and
// everything in it go with the object.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

struct Scratch {
  enum class Place { Memory, Disk };

  // Named after the running test (else `tag`), this process and a serial number, so that no two
  // tests, processes or runs share one. Made empty.
  explicit Scratch(std::string_view tag = "test", Place place = Place::Memory);
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path dir;   // for the test's own files
  std::filesystem::path root;  // dir/device, not made: the device makes it on first use
};

// The device root of this whole process: a Scratch made at the first call, whose root
// CEDEVICE_ROOT names from then on, and removed when the process ends. For test programs whose
// threads would otherwise read the environment while a test changes it.
const std::filesystem::path& ProcessDeviceRoot();

// ProcessDeviceRoot() emptied for the next test: what the last test left is gone but for an empty
// state folder (.device).
const std::filesystem::path& ResetProcessDevice();

// CEDEVICE_ROOT names `root` for this process, and the device's clock mode is read again from it.
void UseDeviceRoot(const std::filesystem::path& root);

// The folders of a factory-new device under `root`: "My Documents", "Windows" and ".device".
void MakeDeviceFolders(const std::filesystem::path& root);

std::string ReadBytes(const std::filesystem::path& path);
// Writes the file whole, making its folder first.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace testsupport
