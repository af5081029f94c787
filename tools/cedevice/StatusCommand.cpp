// cedevice status: the device at a glance: clock, sound, settings, notifications and the items
// of the schedule file, each as the program itself words it.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>

#include <windows.h>

#include "DeviceClock.h"
#include "DeviceRoot.h"
#include "FileError.h"
#include "ItemSummary.h"
#include "NotificationStore.h"
#include "NotifyCommands.h"
#include "ScheduleFile.h"
#include "Settings.h"
#include "SoundState.h"
#include "ToolCommand.h"
#include "WideText.h"
#include "WineBuild.h"

namespace cedevice {

namespace {

constexpr const WCHAR* kScheduleFile = L"\\My Documents\\Quenmora.dat";

std::string ClockLine() {
  const cedev::clock::ClockState state = cedev::clock::ReadClockState();
  const std::string now = cedev::FormatDeviceTime(cedev::clock::Now());
  switch (state.mode) {
    case cedev::clock::Mode::host:
      return now + " (host time)";
    case cedev::clock::Mode::set:
      return now + " (running, set to " + cedev::FormatDeviceTime(state.time) + ")";
    case cedev::clock::Mode::freeze:
      return now + " (frozen)";
  }
  return now;
}

// What stands at the schedule file's place when it is not a plain file, or nothing: such a
// file is not opened at all (a FIFO would block the status for ever).
const char* NotPlain() {
  std::filesystem::path host;
  struct stat st {};
  if (cedev::MapCePath(kScheduleFile, host) != 0 || ::stat(host.c_str(), &st) != 0 ||
      S_ISREG(st.st_mode)) {
    return nullptr;
  }
  if (S_ISFIFO(st.st_mode)) return "a FIFO";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  if (S_ISDIR(st.st_mode)) return "a folder";
  return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device node" : "something else";
}

// Which build of the program \Windows\Quenmora.exe is, as the runner launches it.
std::string ProgramLine() {
  std::filesystem::path host;
  if (cedev::MapCePath(L"\\Windows\\Quenmora.exe", host) != 0 ||
      !std::filesystem::is_regular_file(host)) {
    return "none installed (cedevice init)";
  }
  if (!IsWindowsProgram(host)) return "the device's build";
  const std::optional<WineBuild> wine = ReadWineBuild();
  if (!wine) return "a Windows build, and the device runs none (cedevice init --wine)";
  return "a Windows build, run under Wine (" + wine->wine + ", prefix " +
         (wine->prefix.empty() ? std::string("Wine's default") : wine->prefix) + ")";
}

void PrintSchedule() {
  Schedule schedule;
  const std::string file = cedev::Utf8FromWide(kScheduleFile);
  if (const char* kind = NotPlain()) {
    std::printf("schedule: %s: %s, not a plain file; not read\n", file.c_str(), kind);
    return;
  }
  try {
    LoadSchedule(schedule, kScheduleFile);
  } catch (const FileError& e) {
    if (e.cause() == FileError::fileNotFound) {
      std::printf("schedule: %s: none\n", file.c_str());
    } else {
      std::printf("schedule: %s: %s\n", file.c_str(),
                  cedev::Utf8FromWide(static_cast<LPCWSTR>(e.GetErrorMessage())).c_str());
    }
    return;
  }
  std::printf("schedule: %s: %d items, tap point %u,%u, EventHandle %lu\n", file.c_str(),
              schedule.Count(), schedule.tapPoint.x, schedule.tapPoint.y,
              static_cast<unsigned long>(schedule.EventHandle));
  for (int i = 0; i < schedule.Count(); ++i) {
    std::printf(
        "  %s\n",
        cedev::Utf8FromWide(static_cast<LPCWSTR>(FormatItemSummary(schedule.Item(i)))).c_str());
  }
}

}  // namespace

int StatusCommand(int argc, char** /*argv*/) {
  if (argc != 2) return Fail("usage: cedevice status");
  ReportStoreDamageAsTool();
  std::printf("clock: %s\n", ClockLine().c_str());
  std::printf("program: %s\n", ProgramLine().c_str());
  std::printf("sound: %s\n", cedev::Utf8FromWide(cedev::GetSound()).c_str());
  std::printf("settings:\n");
  for (const std::string& key : cedev::SettingKeys()) {
    std::printf("  %s %s\n", key.c_str(), cedev::GetSetting(key).c_str());
  }
  const std::shared_ptr<const cedev::notify::StoreContent> store = cedev::notify::ReadStore();
  std::printf("notifications: %zu\n", store->records.size());
  for (const cedev::notify::NotificationRecord& record : store->records) {
    std::printf("  %s\n", NotificationLine(record).c_str());
  }
  PrintSchedule();
  return StatusAfterStoreDamage(0);
}

}  // namespace cedevice
