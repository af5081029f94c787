#include "SoundState.h"

#include <stdexcept>

#include "DeviceClock.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"
#include "WideText.h"

namespace cedev {

namespace {
constexpr const char* kSoundFile = "sound";
constexpr const char* kSoundLogFile = "sound-log";

std::string NotChanged(const DeviceError& e) {
  return std::string("the sound setting was not changed: ") + e.what();
}

}  // namespace

std::wstring GetSound() {
  const auto text = ReadState(kSoundFile);
  if (!text) return L"On";
  std::string choice = *text;
  while (!choice.empty() && (choice.back() == '\n' || choice.back() == '\r')) choice.pop_back();
  return choice.empty() ? std::wstring(L"On") : WideFromUtf8(choice);
}

void SetSound(const std::wstring& choice, bool logIt) {
  if (choice.empty()) throw std::invalid_argument("the sound setting cannot be empty");
  for (wchar_t c : choice) {
    if (c == L'\t' || c == L'\n' || c == L'\r') {
      throw std::invalid_argument("the sound setting cannot hold a tab or a line break");
    }
  }
  const std::string text = Utf8FromWide(choice);
  DeviceLock lock;
  if (!logIt) {
    WriteStateAtomic(kSoundFile, text + "\n");
    return;
  }
  // The log line first: it can be taken back by cutting the log, while a replaced setting
  // could only be put back by another write that may fail the same way.
  std::uint64_t logSize = 0;
  try {
    logSize = AppendState(kSoundLogFile, FormatDeviceTime(clock::Now()) + "\t" + text + "\n");
  } catch (const DeviceError& e) {
    throw std::runtime_error(NotChanged(e));
  }
  try {
    WriteStateAtomic(kSoundFile, text + "\n");
  } catch (const DeviceError& e) {
    if (CutState(kSoundLogFile, logSize)) throw std::runtime_error(NotChanged(e));
    throw std::runtime_error("the sound setting was not changed, but its log line for " + text +
                             " stays in " + DeviceStatePath(kSoundLogFile).string() + ": " +
                             e.what());
  }
}

std::vector<std::string> ReadSoundLog() {
  std::vector<std::string> lines;
  const auto text = ReadState(kSoundLogFile);
  if (!text) return lines;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    lines.push_back(text->substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace cedev
