// A whole wake-up launch, `quenmora M1` from process start to exit on a prepared device, beside
// the 400 ms of waits that the volume switch itself must make. The ratio counter says how much
// the rest (start-up, shell, dialog, registration, exit) adds.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern char** environ;

namespace {

constexpr double kSwitchWaitSeconds = 0.4;

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void PrepareDevice(const fs::path& root) {
  fs::remove_all(root);
  setenv("CEDEVICE_ROOT", root.c_str(), 1);
  setenv("CEDEVICE_DISPLAY", "none", 1);
  unsetenv("CEDEVICE_INPUT");
  Run({CEDEVICE_BINARY, "init"});
  Run({CEDEVICE_BINARY, "clock", "freeze", "2026-12-07 10:00:00"});
  // Tap point (200, 10); weekday mornings on and nights mute.
  const unsigned char file[] = {200, 0, 10, 0, 0, 0, 0, 0, 0x3E, 7, 30, 0, 0, 0x3E, 22, 0, 0, 1};
  std::ofstream(root / "My Documents" / "Quenmora.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(file), sizeof file);
}

void BM_NotificationRun(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / ("quenmora-bench-" + std::to_string(getpid()));
  PrepareDevice(root);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = Run({QUENMORA_BINARY, "M1"});
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) state.SkipWithError("quenmora M1 failed");
    seconds += std::chrono::duration<double>(end - start).count();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.counters["waits_s"] = kSwitchWaitSeconds;
  state.counters["ratio"] = seconds / static_cast<double>(state.iterations()) / kSwitchWaitSeconds;
  fs::remove_all(root);
}
BENCHMARK(BM_NotificationRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
