// Any bytes as the schedule file: loading never crashes, and what loads saves to a file that
// loads back to the same schedule and saves to the same bytes again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include "DeviceRoot.h"
#include "ScheduleFile.h"

namespace {

const wchar_t kInput[] = L"\\My Documents\\Fuzz.dat";
const wchar_t kFirst[] = L"\\My Documents\\First.dat";
const wchar_t kSecond[] = L"\\My Documents\\Second.dat";

std::filesystem::path HostPath(const wchar_t* cePath) {
  std::filesystem::path out;
  if (cedev::MapCePath(cePath, out) != 0) std::abort();
  return out;
}

std::vector<char> ReadAll(const wchar_t* cePath) {
  std::ifstream in(HostPath(cePath), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "schedule file fuzz: %s\n", what);
    std::abort();
  }
}

bool SameSchedule(const Schedule& a, const Schedule& b) {
  if (a.Count() != b.Count() || a.tapPoint.x != b.tapPoint.x || a.tapPoint.y != b.tapPoint.y ||
      a.EventHandle != b.EventHandle) {
    return false;
  }
  for (int i = 0; i < a.Count(); ++i) {
    const ScheduleItem& x = a.Item(i);
    const ScheduleItem& y = b.Item(i);
    if (x.days != y.days || x.muteOn != y.muteOn || x.time.hour() != y.time.hour() ||
        x.time.minute() != y.time.minute() || x.time.second() != y.time.second()) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("CEDEVICE_ROOT") == nullptr) {
    static std::string root =
        (std::filesystem::temp_directory_path() / "quenmora-fuzz-root").string();
    setenv("CEDEVICE_ROOT", root.c_str(), 1);
  }
  std::filesystem::create_directories(cedev::DeviceRoot() / "My Documents");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(HostPath(kInput), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Schedule loaded;
  try {
    LoadSchedule(loaded, kInput);
  } catch (const FileError&) {
    Check(false, "a readable file of any content must load");
  }
  const std::size_t records =
      size < kScheduleHeaderSize ? 0 : (size - kScheduleHeaderSize) / kItemRecordSize;
  Check(static_cast<std::size_t>(loaded.Count()) == records, "one item per whole record");

  try {
    SaveSchedule(loaded, kFirst);
    Schedule again;
    LoadSchedule(again, kFirst);
    Check(SameSchedule(loaded, again), "a saved schedule loads back the same");
    SaveSchedule(again, kSecond);
  } catch (const FileError&) {
    Check(false, "saving into the device's own folder must work");
  }
  const std::vector<char> first = ReadAll(kFirst);
  Check(first.size() == kScheduleHeaderSize + kItemRecordSize * records, "saved size");
  Check(first == ReadAll(kSecond), "the second save writes the same bytes");
  if (size >= kScheduleHeaderSize) {
    for (std::size_t i = 0; i < kScheduleHeaderSize; ++i) {
      Check(static_cast<std::uint8_t>(first[i]) == data[i], "header kept");
    }
  }
  return 0;
}
