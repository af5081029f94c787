// Takes the device lock from Windows, says "held" on standard output, and keeps it until its
// standard input ends: the device's tools must wait for it meanwhile.
#include <cstdio>

#include "DeviceFiles.h"

int main() {
  try {
    cewin::DeviceLock lock;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
  } catch (const cewin::StateError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
