// The look of each dialog as the device's screen shows it, compared with the pictures kept in
// docs/screens so that a change of layout shows up in review. QUENMORA_WRITE_SCREENS=1 writes
// the pictures instead, after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DeviceSession.h"

namespace {

constexpr size_t kScreenLines = 40;

// The `screen` dumps in a run's output, one picture each.
std::vector<std::string> Pictures(const std::string& out) {
  std::vector<std::string> pictures;
  std::string current;
  size_t lines = 0;
  for (size_t start = 0; start < out.size();) {
    const size_t end = out.find('\n', start);
    current += out.substr(start, end - start + 1);
    if (++lines == kScreenLines) {
      pictures.push_back(current);
      current.clear();
      lines = 0;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return pictures;
}

void CompareOrWrite(const std::string& name, const std::string& picture) {
  const std::string path = std::string(SCREENS_DIR) + "/" + name + ".txt";
  if (std::getenv("QUENMORA_WRITE_SCREENS") != nullptr) {
    std::ofstream(path, std::ios::binary) << picture;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path << " is missing";
  const std::string kept(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(picture, kept) << "the screen of " << name << " changed; now:\n" << picture;
}

struct ScreenCase {
  const char* name;
  std::vector<ItemRecord> items;
  uint16_t x;
  // Shows the dialog, lets the task bar catch up with the new foreground window, takes its
  // `screen`, then leaves.
  const char* script;
};

class DialogScreens : public testing::TestWithParam<ScreenCase> {};

TEST_P(DialogScreens, LookAsKept) {
  const ScreenCase& c = GetParam();
  DeviceSession device;
  // x 0 goes with y 0: an untrained device, which starts with the training.
  device.WriteSchedule(ScheduleBytes(c.x, c.x == 0 ? 0 : 10, 0, c.items));
  const RunResult run = device.Program({}, c.script);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> pictures = Pictures(run.out);
  ASSERT_EQ(pictures.size(), 1u) << run.out;
  CompareOrWrite(c.name, pictures[0]);
}

const std::vector<ItemRecord> kTwoItems = {{0x3E, 7, 30, 0, 0}, {0x41, 22, 0, 0, 1}};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogScreens,
    testing::Values(
        ScreenCase{"setup", {}, 0, "wait \"Setup\"\nsleep 300\nscreen\nkey Escape\nwait \"New\"\nkey Escape\n"},
        ScreenCase{"main", kTwoItems, 200,
                   "wait \"Mute On at 22:00:00 Su Sa \"\nsleep 300\nscreen\nkey Escape\n"},
        ScreenCase{"item", kTwoItems, 200,
                   "wait \"New\"\ntap \"Mute Off at 07:30:00 Mo Tu We Th Fr \"\ntap \"Edit\"\n"
                   "wait \"Quenmora Item\"\nsleep 300\nscreen\nkey Escape\nwait \"New\"\nkey Escape\n"},
        ScreenCase{"refusal", {{0x3E, 7, 30, 0, 0}}, 200,
                   "wait \"New\"\nok\nwait \"You must have at least 2 items more than 2 minutes "
                   "apart from each other.\"\nsleep 300\nscreen\ntap \"OK\"\nkey Escape\n"}),
    [](const testing::TestParamInfo<ScreenCase>& param) { return param.param.name; });

}  // namespace
