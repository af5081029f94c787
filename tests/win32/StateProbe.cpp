// The device's state as a Windows process under Wine sees it, for scripts that compare it with
// the device's own tool on one device root:
//   state_probe lock            takes the device lock, says "held", keeps it until standard
//                               input ends
//   state_probe notifications   the registered notifications as `cedevice notifications` lists
//                               them, through notify.h
//   state_probe sound CHOICE    changes the sound setting as the volume popup does
//   state_probe clock           the program's GetLocalTime, as `cedevice clock` prints the time
// Exit status 0, or 1 with the reason on standard error.
#include <windows.h>

#include <notify.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DeviceFiles.h"
#include "DeviceSound.h"
#include "DeviceTime.h"

namespace {

int Lock() {
  cewin::DeviceLock lock;
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}

std::string Text(const WCHAR* text) { return text != nullptr ? cewin::Narrow(text) : ""; }

int Notifications() {
  DWORD count = 0;
  if (!CeGetUserNotificationHandles(nullptr, 0, &count)) return 1;
  std::vector<HANDLE> handles(count);
  if (count > 0 && !CeGetUserNotificationHandles(handles.data(), count, &count)) return 1;
  static const char* const kTypes[] = {"?", "event", "time", "period", "classic"};
  for (HANDLE handle : handles) {
    DWORD size = 0;
    CeGetUserNotification(handle, 0, &size, nullptr);
    std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);
    auto* bytes = reinterpret_cast<LPBYTE>(buffer.data());
    if (!CeGetUserNotification(handle, size, &size, bytes)) return 1;
    const auto* trigger = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(bytes)->pcent;
    std::printf("%u\t%s\t%s\t%s\t%s\n", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(handle)),
                kTypes[trigger->dwType <= 4 ? trigger->dwType : 0],
                cedev::FormatDeviceTime(cedev::FromSystemTime(trigger->stStartTime)).c_str(),
                Text(trigger->lpszApplication).c_str(), Text(trigger->lpszArguments).c_str());
  }
  return 0;
}

int Clock() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  std::printf("%s\n", cedev::FormatDeviceTime(cedev::FromSystemTime(now)).c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The notification service passes its argument text as one argument: "sound Off".
  std::wstring command = argc > 1 ? argv[1] : L"";
  std::wstring choice = argc > 2 ? argv[2] : L"";
  if (argc == 2 && command.find(L' ') != std::wstring::npos) {
    choice = command.substr(command.find(L' ') + 1);
    command.resize(command.find(L' '));
    argc = 3;
  }
  try {
    if (command == L"lock" && argc == 2) return Lock();
    if (command == L"notifications" && argc == 2) return Notifications();
    if (command == L"clock" && argc == 2) return Clock();
    if (command == L"sound" && argc == 3) return cewin::SetDeviceSound(choice.c_str()) ? 0 : 1;
  } catch (const cewin::StateError& e) {
    std::fprintf(stderr, "state_probe: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: state_probe lock | notifications | sound CHOICE | clock\n");
  return 2;
}
