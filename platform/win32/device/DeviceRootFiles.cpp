#include "DeviceRootFiles.h"

#include <cstdlib>

#include <windows.h>

#include "WideText.h"

namespace cewin {

std::wstring DeviceStatePath(const wchar_t* name) {
  const char* root = std::getenv("CEDEVICE_ROOT");
  std::wstring path;
  if (root != nullptr && root[0] == '/') {
    path = L"Z:" + cedev::WideFromUtf8(root);
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
    if (path.back() != L'\\') path += L'\\';
  } else {
    path = L"\\";
  }
  return path + L".device\\" + name;
}

std::optional<std::string> ReadDeviceFile(const std::wstring& path) {
  // Shared for reading and writing: the device's tools replace state files by renaming, and a
  // reader must never hold a writer up.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  // A state file that is not a plain file (a FIFO, a device) is never read.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  bool good = true;
  while ((good = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
    text.append(buffer, got);
  }
  CloseHandle(file);
  if (!good) return std::nullopt;
  return text;
}

}  // namespace cewin
