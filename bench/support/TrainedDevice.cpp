#include "TrainedDevice.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "Scratch.h"
#include "TimedChild.h"

namespace fs = std::filesystem;

namespace bench {

namespace {

const char kTraining[] = R"(wait "Setup"
tap "Train"
wait "Train"
sleep 200
tap 200 10
wait "Training is complete!" 5
ok
wait "New"
key Escape
)";

}  // namespace

std::string WriteScript(const fs::path& root, const std::string& name, const std::string& script) {
  const fs::path path = fs::path(root.string() + "-" + name);
  std::ofstream(path) << script;
  return path.string();
}

std::string MakeTrainedDevice(const Binaries& bin, const fs::path& root, long long items) {
  std::error_code ec;
  fs::remove_all(root, ec);
  testsupport::UseDeviceRoot(root);
  ::setenv("CEDEVICE_DISPLAY", "none", 1);
  ::unsetenv("CEDEVICE_INPUT");
  if (RunChild({bin.cedevice, "init"}).status != 0) return "cedevice init failed";
  if (RunChild({bin.cedevice, "clock", "freeze", "2026-12-07 10:00:00"}).status != 0)
    return "cedevice clock failed";

  const std::string script = WriteScript(root, "training", kTraining);
  ::setenv("CEDEVICE_INPUT", script.c_str(), 1);
  const ChildRun training = RunChild({bin.quenmora});
  ::unsetenv("CEDEVICE_INPUT");
  fs::remove(script, ec);
  if (training.status != 0)
    return "the training run failed with status " + std::to_string(training.status);

  const fs::path file = root / "My Documents" / "Quenmora.dat";
  std::vector<char> bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::vector<char> trained = {static_cast<char>(200), 0, 10, 0, 0, 0, 0, 0};
  if (bytes != trained) return "the training did not save the tap point (200, 10) alone";
  // Every day, the times spread over the day; the first one mutes at 22:00.
  for (long long i = 0; i < items; ++i) {
    const char record[5] = {0x7F, static_cast<char>(i == 0 ? 22 : i % 24),
                            static_cast<char>(i % 60), static_cast<char>((i / 60) % 60),
                            static_cast<char>(i % 2 == 0)};
    bytes.insert(bytes.end(), record, record + sizeof record);
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return {};
}

}  // namespace bench
