// The look of each dialog as the device's screen shows it, compared with the pictures kept in
// docs/screens so that a change of layout shows up in review: the `screen` text and the
// `screenshot` PNG, pixel for pixel. QUENMORA_WRITE_SCREENS=1 writes the pictures instead, after
// a deliberate change (scripts/screens).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

// A PNG's pixels as RGB, three bytes a pixel; empty, with the reason in `why`, when it cannot be
// read or is not 240 x 320.
std::vector<unsigned char> ReadPng(const std::string& path, std::string& why) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    why = path + ": " + image.message;
    return {};
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  if (!read || image.width != 240 || image.height != 320) {
    why = path + ": " + (read ? "not 240 x 320" : image.message);
    png_image_free(&image);
    return {};
  }
  return pixels;
}

void ComparePictureOrWrite(const std::string& name, const std::filesystem::path& shot) {
  const std::string path = std::string(SCREENS_DIR) + "/" + name + ".png";
  if (std::getenv("QUENMORA_WRITE_SCREENS") != nullptr) {
    std::filesystem::copy_file(shot, path, std::filesystem::copy_options::overwrite_existing);
    return;
  }
  std::string why;
  const std::vector<unsigned char> taken = ReadPng(shot.string(), why);
  ASSERT_FALSE(taken.empty()) << why;
  const std::vector<unsigned char> kept = ReadPng(path, why);
  ASSERT_FALSE(kept.empty()) << why;
  for (size_t i = 0; i < taken.size(); i += 3) {
    if (std::equal(taken.begin() + static_cast<long>(i), taken.begin() + static_cast<long>(i) + 3,
                   kept.begin() + static_cast<long>(i))) {
      continue;
    }
    const size_t pixel = i / 3;
    FAIL() << "the picture of " << name << " differs first at pixel (" << pixel % 240 << ", "
           << pixel / 240 << "): kept RGB " << int{kept[i]} << "," << int{kept[i + 1]} << ","
           << int{kept[i + 2]} << ", now " << int{taken[i]} << "," << int{taken[i + 1]} << ","
           << int{taken[i + 2]};
  }
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
  // The picture is taken right after the text.
  const std::filesystem::path shot = device.root() / "screen.png";
  std::string script = c.script;
  const size_t at = script.find("\nscreen\n");
  ASSERT_NE(at, std::string::npos);
  script.insert(at + 8, "screenshot \"" + shot.string() + "\"\n");
  const RunResult run = device.Program({}, script);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> pictures = Pictures(run.out);
  ASSERT_EQ(pictures.size(), 1u) << run.out;
  CompareOrWrite(c.name, pictures[0]);
  ComparePictureOrWrite(c.name, shot);
}

const std::vector<ItemRecord> kTwoItems = {{0x3E, 7, 30, 0, 0}, {0x41, 22, 0, 0, 1}};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogScreens,
    testing::Values(
        ScreenCase{"setup",
                   {},
                   0,
                   "wait \"Setup\"\nsleep 300\nscreen\nkey Escape\nwait \"New\"\nkey Escape\n"},
        ScreenCase{"main", kTwoItems, 200,
                   "wait \"Mute On at 22:00:00 Su Sa \"\nsleep 300\nscreen\nkey Escape\n"},
        ScreenCase{
            "item", kTwoItems, 200,
            "wait \"New\"\ntap \"Mute Off at 07:30:00 Mo Tu We Th Fr \"\ntap \"Edit\"\n"
            "wait \"Quenmora Item\"\nsleep 300\nscreen\nkey Escape\nwait \"New\"\nkey Escape\n"},
        ScreenCase{"refusal",
                   {{0x3E, 7, 30, 0, 0}},
                   200,
                   "wait \"New\"\nok\nwait \"You must have at least 2 items more than 2 minutes "
                   "apart from each other.\"\nsleep 300\nscreen\ntap \"OK\"\nkey Escape\n"}),
    [](const testing::TestParamInfo<ScreenCase>& param) { return param.param.name; });

}  // namespace
