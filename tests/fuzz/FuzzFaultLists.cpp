// Any text as the fault lists of a test run (CEDEVICE_FAULTS and CEDEVICE_NOTIFY_FAULTS): each
// is taken whole or refused with its reason, never half taken and never a crash. The first byte
// picks the list; the rest is its text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "Faults.h"
#include "NotifyFaults.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fault list fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    try {
      const std::vector<cedev::FileFault> faults = cedev::ParseFileFaults(text);
      for (const cedev::FileFault& f : faults) {
        Check(f.effect == cedev::FileFault::Effect::fail || f.op == cedev::FileOp::write,
              "a short write or full disk on something other than a write");
      }
    } catch (const std::invalid_argument& e) {
      Check(std::string(e.what()).size() > 0, "a refusal without a reason");
    }
    return 0;
  }
  std::string why;
  const bool taken = cedev::notify::InstallFaults(text, &why);
  Check(taken || !why.empty(), "a refusal without a reason");
  cedev::notify::ClearFaults();
  return 0;
}
