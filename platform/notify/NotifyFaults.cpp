#include "NotifyFaults.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

namespace cedev::notify {
namespace {

struct Fault {
  bool armed = false;
  DWORD error = 0;
  int skip = 0;
  int times = 0;  // 0: unlimited
};

constexpr size_t kCalls = 6;

struct Faults {
  std::mutex mutex;
  std::array<Fault, kCalls> byCall{};  // guarded by mutex
  bool environmentRead = false;        // guarded by mutex
  // False once the environment has been read and no fault is armed: every call of the service
  // asks, and nearly always none is, so that answer costs no lock. Written under mutex.
  std::atomic<bool> mayFail{true};
};

void UpdateMayFailLocked(Faults& faults) {
  bool armed = !faults.environmentRead;
  for (const Fault& fault : faults.byCall) armed = armed || fault.armed;
  faults.mayFail.store(armed, std::memory_order_release);
}

Faults& State() {
  static Faults faults;
  return faults;
}

constexpr std::array<const char*, kCalls> kNames = {"count", "handles", "size",
                                                    "fetch", "set",     "clear"};

void ArmLocked(Faults& faults, Call call, DWORD error, int skip, int times) {
  faults.byCall[static_cast<size_t>(call)] =
      Fault{true, error, skip < 0 ? 0 : skip, times < 0 ? 0 : times};
}

bool ParseOne(const std::string& item, Call* call, DWORD* error, int* skip, int* times) {
  const size_t colon = item.find(':');
  if (colon == std::string::npos) return false;
  const std::string name = item.substr(0, colon);
  size_t index = 0;
  while (index < kCalls && name != kNames[index]) ++index;
  if (index == kCalls) return false;
  *call = static_cast<Call>(index);
  const char* p = item.c_str() + colon + 1;
  // strtoul would take a sign or blanks ("-5" as 4294967291): the code is digits only.
  if (*p < '0' || *p > '9') return false;
  char* endp = nullptr;
  errno = 0;
  const unsigned long code = std::strtoul(p, &endp, 10);
  if (errno == ERANGE || code > 0xFFFFFFFFul) return false;
  *error = static_cast<DWORD>(code);
  *skip = 0;
  *times = 1;
  p = endp;
  if (*p == '@') {
    const long n = std::strtol(p + 1, &endp, 10);
    if (endp == p + 1 || n < 0) return false;
    *skip = static_cast<int>(n);
    p = endp;
  }
  if (*p == 'x') {
    const long n = std::strtol(p + 1, &endp, 10);
    if (endp == p + 1 || n < 0) return false;
    *times = static_cast<int>(n);
    p = endp;
  }
  return *p == 0;
}

struct ParsedFault {
  Call call;
  DWORD error;
  int skip, times;
};

// The whole list, or false with *why naming the first item that does not follow the grammar.
bool ParseAll(const std::string& list, std::vector<ParsedFault>& parsed, std::string* why) {
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    ParsedFault p{};
    if (!ParseOne(item, &p.call, &p.error, &p.skip, &p.times)) {
      if (why != nullptr) *why = "malformed fault \"" + item + "\"";
      return false;
    }
    parsed.push_back(p);
  }
  return true;
}

void ReadEnvironmentLocked(Faults& faults) {
  if (faults.environmentRead) return;
  faults.environmentRead = true;
  const char* list = std::getenv("CEDEVICE_NOTIFY_FAULTS");
  if (list == nullptr || *list == 0) return;
  std::vector<ParsedFault> parsed;
  std::string why;
  if (!ParseAll(list, parsed, &why)) {
    // Running on without the fault would make a test pass for the wrong reason.
    std::fprintf(stderr, "CEDEVICE_NOTIFY_FAULTS: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(2);
  }
  for (const ParsedFault& p : parsed) ArmLocked(faults, p.call, p.error, p.skip, p.times);
}

}  // namespace

void FailCall(Call call, DWORD error, int skip, int times) {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  faults.environmentRead = true;  // set by hand: the environment does not add to it later
  ArmLocked(faults, call, error, skip, times);
  UpdateMayFailLocked(faults);
}

void ClearFaults() {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  faults.environmentRead = true;
  faults.byCall = {};
  UpdateMayFailLocked(faults);
}

std::optional<DWORD> TakeFault(Call call) {
  Faults& faults = State();
  if (!faults.mayFail.load(std::memory_order_acquire)) return std::nullopt;
  std::lock_guard lock(faults.mutex);
  ReadEnvironmentLocked(faults);
  Fault& fault = faults.byCall[static_cast<size_t>(call)];
  std::optional<DWORD> error;
  if (fault.armed && fault.skip > 0) {
    --fault.skip;
  } else if (fault.armed) {
    error = fault.error;
    if (fault.times > 0 && --fault.times == 0) fault.armed = false;
  }
  UpdateMayFailLocked(faults);
  return error;
}

bool InstallFaults(const std::string& list, std::string* why) {
  std::vector<ParsedFault> parsed;
  if (!ParseAll(list, parsed, why)) return false;
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  faults.environmentRead = true;
  for (const ParsedFault& p : parsed) ArmLocked(faults, p.call, p.error, p.skip, p.times);
  UpdateMayFailLocked(faults);
  return true;
}

}  // namespace cedev::notify
