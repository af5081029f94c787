// The least program a notification can start, for the runner's lateness: linked statically, so
// that its start holds no loading of libraries (on a virtual machine, 3 to 5 ms for the C++
// runtime's relocations, which are the program's and not the runner's). It appends
// "ARGUMENT US" to the file QUENMORA_BENCH_STAMPS names, US its start on the host's real-time
// clock in microseconds, and exits.
#include <time.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const char* stamps = std::getenv("QUENMORA_BENCH_STAMPS");
  if (argc != 2 || stamps == nullptr || *stamps == 0) return 2;
  std::FILE* f = std::fopen(stamps, "a");
  if (f == nullptr) return 2;
  std::fprintf(f, "%s %lld\n", argv[1],
               static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
  return std::fclose(f) == 0 ? 0 : 2;
}
