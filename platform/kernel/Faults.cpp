#include "Faults.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <winerror.h>

#include "CaseMap.h"
#include "FaultHooks.h"
#include "WideText.h"

namespace cedev {

namespace {

struct ArmedFault {
  FileFault fault;
  unsigned toLetPass = 0;  // matching operations still to succeed before it acts
  DWORD budget = 0;        // a full disk: bytes it still takes
};

struct FaultList {
  std::mutex lock;
  std::vector<ArmedFault> armed;  // guarded by lock
};

FaultList& Faults() {
  static FaultList list;
  return list;
}

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = cekernel::ToLowerChar(c);
  return out;
}

bool Watches(const FileFault& fault, cedev::FileOp op, std::wstring_view path,
             std::wstring_view other) {
  if (fault.op != op) return false;
  if (fault.pathContains.empty()) return true;
  const std::wstring text = Lower(fault.pathContains);
  return Lower(path).find(text) != std::wstring::npos ||
         (!other.empty() && Lower(other).find(text) != std::wstring::npos);
}

bool ParseNumber(std::string_view text, unsigned long long limit, unsigned long long& out) {
  if (text.empty() || text.size() > 10) return false;
  out = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<unsigned>(c - '0');
  }
  return out <= limit;
}

FileFault ParseOne(std::string_view text) {
  const auto bad = [&](const std::string& why) {
    return std::invalid_argument("fault '" + std::string(text) + "': " + why);
  };
  FileFault fault;
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) throw bad("no ':' between the operation and its effect");
  std::string_view op = text.substr(0, colon);
  std::string_view effect = text.substr(colon + 1);
  std::string_view path;
  if (const std::size_t at = effect.find('@'); at != std::string_view::npos) {
    path = effect.substr(at + 1);
    effect = effect.substr(0, at);
    if (path.empty()) throw bad("no text after '@'");
  }
  if (const std::size_t slash = op.find('/'); slash != std::string_view::npos) {
    unsigned long long after = 0;
    if (!ParseNumber(op.substr(slash + 1), 1000000000ull, after)) {
      throw bad("the count after '/' must be a decimal number");
    }
    fault.after = static_cast<unsigned>(after);
    op = op.substr(0, slash);
  }
  static const struct {
    std::string_view name;
    FileOp op;
  } kOps[] = {
      {"open", FileOp::open},     {"read", FileOp::read},   {"write", FileOp::write},
      {"flush", FileOp::flush},   {"close", FileOp::close}, {"rename", FileOp::rename},
      {"delete", FileOp::remove},
  };
  bool known = false;
  for (const auto& entry : kOps) {
    if (entry.name == op) {
      fault.op = entry.op;
      known = true;
    }
  }
  if (!known) {
    throw bad("unknown operation '" + std::string(op) +
              "' (operations: open, read, write, flush, close, rename, delete)");
  }
  unsigned long long n = 0;
  if (effect.starts_with("short") || effect.starts_with("full")) {
    const bool isShort = effect.starts_with("short");
    if (fault.op != FileOp::write)
      throw bad("'" + std::string(isShort ? "short" : "full") + "' is for write only");
    if (!ParseNumber(effect.substr(isShort ? 5 : 4), 0xFFFFFFFFull, n)) {
      throw bad("'short' and 'full' take a byte count, e.g. short3 or full100");
    }
    fault.effect = isShort ? FileFault::Effect::shortWrite : FileFault::Effect::diskFull;
    fault.bytes = static_cast<DWORD>(n);
    fault.error = isShort ? 0 : ERROR_DISK_FULL;
  } else {
    if (!ParseNumber(effect, 0xFFFFFFFFull, n) || n == 0) {
      throw bad("the effect must be a Win32 error code (not 0), shortBYTES or fullBYTES");
    }
    fault.effect = FileFault::Effect::fail;
    fault.error = static_cast<DWORD>(n);
  }
  fault.pathContains = WideFromUtf8(path);
  return fault;
}

}  // namespace

void InjectFileFault(const FileFault& fault) {
  FaultList& list = Faults();
  std::lock_guard<std::mutex> guard(list.lock);
  list.armed.push_back(ArmedFault{fault, fault.after, fault.bytes});
}

void ClearFileFaults() {
  FaultList& list = Faults();
  std::lock_guard<std::mutex> guard(list.lock);
  list.armed.clear();
}

std::size_t PendingFileFaults() {
  FaultList& list = Faults();
  std::lock_guard<std::mutex> guard(list.lock);
  return list.armed.size();
}

std::vector<FileFault> ParseFileFaults(std::string_view text) {
  std::vector<FileFault> faults;
  if (text.empty()) return faults;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view one = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (one.empty()) throw std::invalid_argument("an empty fault (two commas, or one at an end)");
    faults.push_back(ParseOne(one));
    if (comma == std::string_view::npos) return faults;
    start = comma + 1;
  }
}

}  // namespace cedev

namespace cekernel {

void LoadEnvironmentFaults() {
  static std::once_flag once;
  std::call_once(once, [] {
    const char* value = std::getenv("CEDEVICE_FAULTS");
    if (value == nullptr) return;
    try {
      for (const cedev::FileFault& fault : cedev::ParseFileFaults(value))
        cedev::InjectFileFault(fault);
    } catch (const std::invalid_argument& e) {
      // Running on without the fault would make a test pass for the wrong reason.
      std::fprintf(stderr, "CEDEVICE_FAULTS: %s\n", e.what());
      std::fflush(stderr);
      std::_Exit(2);
    }
  });
}

FaultAction CheckFileFault(cedev::FileOp op, std::wstring_view path, std::wstring_view otherPath,
                           DWORD size) {
  using cedev::FileFault;
  cedev::FaultList& list = cedev::Faults();
  std::lock_guard<std::mutex> guard(list.lock);
  // The first fault that matches and has no operations left to let pass acts; faults still
  // waiting count the operation only when no fault acted on it.
  auto acting = list.armed.end();
  for (auto it = list.armed.begin(); it != list.armed.end(); ++it) {
    if (it->toLetPass == 0 && cedev::Watches(it->fault, op, path, otherPath)) {
      acting = it;
      break;
    }
  }
  FaultAction action;
  if (acting != list.armed.end()) {
    switch (acting->fault.effect) {
      case FileFault::Effect::fail:
        action = {FaultAction::Kind::fail, acting->fault.error, 0};
        list.armed.erase(acting);
        return action;
      case FileFault::Effect::shortWrite:
        action = {FaultAction::Kind::store, 0,
                  acting->fault.bytes < size ? acting->fault.bytes : size};
        list.armed.erase(acting);
        return action;
      case FileFault::Effect::diskFull:
        if (acting->budget < size) {
          action = {FaultAction::Kind::store, acting->fault.error, acting->budget};
          acting->budget = 0;
          return action;
        }
        acting->budget -= size;
        break;  // it all fits: the write goes ahead
    }
  }
  for (cedev::ArmedFault& armed : list.armed) {
    if (armed.toLetPass > 0 && cedev::Watches(armed.fault, op, path, otherPath)) --armed.toLetPass;
  }
  return action;
}

}  // namespace cekernel
