// Interactive runs of the built program driven by input scripts: first-run training, the item
// editor, the main dialog's buttons, and what reaches the schedule file and the notification
// service at each way of leaving.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DeviceSession.h"

namespace {

const std::vector<ItemRecord> kTwoItems = {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}};

const char kTrainOnIcon[] = R"(
wait "Setup"
tap "Train"
wait "Train"
sleep 200
tap 200 10
wait "Training is complete!" 5
expect "200"
expect "10"
ok
)";

std::string Expect(const RunResult& run) { return "stdout:\n" + run.out + "\nstderr:\n" + run.err; }

TEST(InteractiveRun, FirstRunTrainsSavesAtOnceThenShowsTheMainDialog) {
  DeviceSession device;
  const RunResult run = device.Program({}, std::string(kTrainOnIcon) + R"(
wait "New"
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(200, 10, 0, {}));
  // Escape from the main dialog registers nothing.
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
}

TEST(InteractiveRun, ATapBesideTheIconAsksAgainAndALaterTapCompletes) {
  DeviceSession device;
  const RunResult run = device.Program({}, R"(
wait "Setup"
tap "Train"
sleep 200
tap 100 10
wait "Please Try again" 5
tap "OK"
gone "Please Try again"
expect "0"
tap 200 10
wait "Training is complete!" 5
ok
wait "New"
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(200, 10, 0, {}));
}

TEST(InteractiveRun, TrainingAgainWaitsForANewTap) {
  DeviceSession device;
  const RunResult run = device.Program({}, R"(
wait "Setup"
tap "Train"
sleep 200
tap 200 10
wait "Training is complete!" 5
tap "Train"
sleep 200
gone "Training is complete!" 2
tap 195 20
wait "Training is complete!" 5
ok
wait "New"
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(195, 20, 0, {}));
}

TEST(InteractiveRun, CancelledTrainingSavesNothingAndOkWritesTheUntrainedPoint) {
  DeviceSession device;
  const RunResult run = device.Program({}, R"(
wait "Setup"
key Escape
wait "New"
ok
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(0, 0, 0, {}));
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
}

TEST(InteractiveRun, NewItemFromTapsAndTypingIsListedSavedAndRegistered) {
  DeviceSession device;
  device.WriteSchedule(ScheduleBytes(200, 10, 0, {{0x3E, 7, 30, 0, 0}}));
  const RunResult run = device.Program({}, R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "New"
wait "Quenmora Item"
tap "Mo"
tap 50 40
type "183000"
tap "Mute On"
ok
wait "Mute On at 18:30:00 Mo "
ok
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  const std::vector<std::string> notifications = {
      "time\t2026-12-07 18:30:00\t\\Windows\\Quenmora.exe\tM1",
      "time\t2026-12-07 18:32:00\t\\Windows\\Quenmora.exe\tM1"};
  const std::string listed = device.ToolOut({"notifications"});
  for (const std::string& n : notifications) EXPECT_NE(listed.find(n), std::string::npos) << listed;
  // EventHandle is the later of the two handles the registration got.
  const std::string second = listed.substr(listed.rfind('\n', listed.size() - 2) + 1);
  const uint32_t handle = static_cast<uint32_t>(std::stoul(second.substr(0, second.find('\t'))));
  EXPECT_EQ(device.ReadSchedule(),
            ScheduleBytes(200, 10, handle, {{0x3E, 7, 30, 0, 0}, {0x02, 18, 30, 0, 1}}));
}

TEST(InteractiveRun, OneItemIsRefusedUntilASecondIsAdded) {
  DeviceSession device;
  const std::vector<uint8_t> file = ScheduleBytes(200, 10, 0, {{0x3E, 7, 30, 0, 0}});
  device.WriteSchedule(file);
  const RunResult run = device.Program({}, R"(
wait "New"
ok
wait "You must have at least 2 items more than 2 minutes apart from each other."
tap "OK"
gone "You must have at least 2 items more than 2 minutes apart from each other."
expect "Mute Off at 07:30:00 Mo Tu We Th Fr "
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), file);
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
}

TEST(InteractiveRun, EditKeepsTheRowAndACancelledEditChangesNothing) {
  DeviceSession device;
  device.WriteSchedule(ScheduleBytes(200, 10, 0, kTwoItems));
  const RunResult run = device.Program({}, R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Edit"
wait "Quenmora Item"
tap "Sa"
key Escape
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Edit"
wait "Quenmora Item"
tap "Mo"
tap "Mute On"
ok
wait "Mute On at 07:30:00 Tu We Th Fr "
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  // Escape at the end: the edits stay off the disk.
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(200, 10, 0, kTwoItems));
}

TEST(InteractiveRun, EditedRowKeepsItsPlaceInTheSavedFile) {
  DeviceSession device;
  device.WriteSchedule(ScheduleBytes(200, 10, 0, kTwoItems));
  const RunResult run = device.Program({}, R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Edit"
wait "Quenmora Item"
tap "Mo"
ok
wait "Mute Off at 07:30:00 Tu We Th Fr "
ok
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  const std::vector<uint8_t> saved = device.ReadSchedule();
  ASSERT_EQ(saved.size(), 18u);
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 8, saved.end()),
            std::vector<uint8_t>({0x3C, 7, 30, 0, 0, 0x3E, 22, 0, 0, 1}));
}

TEST(InteractiveRun, DeleteAnsweredNoKeepsAndYesRemoves) {
  DeviceSession device;
  device.WriteSchedule(ScheduleBytes(200, 10, 0, kTwoItems));
  const RunResult run = device.Program({}, R"(
wait "Mute On at 22:00:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Del"
wait "Are you sure you wish to delete this item?"
tap "No"
gone "Are you sure you wish to delete this item?"
expect "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Del"
wait "Are you sure you wish to delete this item?"
tap "Yes"
gone "Mute Off at 07:30:00 Mo Tu We Th Fr "
ok
wait "You must have at least 2 items more than 2 minutes apart from each other."
tap "OK"
key Escape
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), ScheduleBytes(200, 10, 0, kTwoItems));
}

TEST(InteractiveRun, EditAndDelWithoutASelectionDoNothing) {
  DeviceSession device;
  device.WriteSchedule(ScheduleBytes(200, 10, 0, kTwoItems));
  const RunResult run = device.Program({}, R"(
wait "New"
tap "Edit"
tap "Del"
sleep 300
expect "Mute Off at 07:30:00 Mo Tu We Th Fr "
gone "Quenmora Item" 1
gone "Are you sure you wish to delete this item?" 1
ok
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  const std::vector<uint8_t> saved = device.ReadSchedule();
  ASSERT_EQ(saved.size(), 18u);
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 8, saved.end()),
            std::vector<uint8_t>({0x3E, 7, 30, 0, 0, 0x3E, 22, 0, 0, 1}));
}

// With no display and no script nothing could answer the main dialog: the run says so, and how
// to give it one, and ends instead of waiting for ever in silence.
TEST(InteractiveRun, WithoutADisplayOrAScriptTheRunSaysNothingCanUseIt) {
  DeviceSession device;
  const std::vector<uint8_t> file = ScheduleBytes(200, 10, 0, kTwoItems);
  device.WriteSchedule(file);
  const RunResult run = device.Program({});
  EXPECT_EQ(run.status, 3) << Expect(run);
  EXPECT_NE(run.err.find("cedevice: nothing can use this run"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("CEDEVICE_INPUT=FILE"), std::string::npos) << run.err;
  EXPECT_EQ(device.ReadSchedule(), file);
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
}

// A key typed the moment a window has gone reaches what has the focus by then, never the
// window that went: each script ends the program only if its last key lands on the main dialog.
struct KeyAfterGone {
  const char* name;
  const char* script;
  bool saved;  // Enter at the end saves; Escape leaves the file alone
};

class KeysRightAfterAWindowGoes : public testing::TestWithParam<KeyAfterGone> {};

TEST_P(KeysRightAfterAWindowGoes, ReachTheMainDialog) {
  DeviceSession device;
  const std::vector<uint8_t> file = ScheduleBytes(200, 10, 0, kTwoItems);
  device.WriteSchedule(file);
  const RunResult run = device.Program({}, GetParam().script);
  EXPECT_EQ(run.status, 0) << Expect(run);
  const std::vector<uint8_t> saved = device.ReadSchedule();
  if (GetParam().saved) {
    ASSERT_EQ(saved.size(), file.size());
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 8, saved.end()),
              std::vector<uint8_t>(file.begin() + 8, file.end()));
    EXPECT_NE(device.ToolOut({"notifications"}), "")
        << "Enter on the main dialog registers the next change";
  } else {
    EXPECT_EQ(saved, file);
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, KeysRightAfterAWindowGoes,
                         testing::Values(KeyAfterGone{"OkOnTheEditor", R"(
wait "New"
tap "New"
wait "Quenmora Item"
ok
gone "Quenmora Item"
key Escape
)",
                                                      false},
                                         KeyAfterGone{"EscapeOnTheEditor", R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Edit"
wait "Quenmora Item"
key Escape
gone "Quenmora Item"
key Enter
)",
                                                      true},
                                         KeyAfterGone{"NoOnTheQuestion", R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Del"
wait "Are you sure you wish to delete this item?"
tap "No"
gone "Are you sure you wish to delete this item?"
key Escape
)",
                                                      false},
                                         KeyAfterGone{"KeysWithoutWaiting", R"(
wait "New"
tap "New"
key Escape
gone "Quenmora Item"
key Escape
)",
                                                      false}),
                         [](const testing::TestParamInfo<KeyAfterGone>& param) {
                           return std::string(param.param.name);
                         });

TEST(InteractiveRun, AMissingFolderIsReportedWithItsCode) {
  DeviceSession device;
  std::filesystem::remove_all(device.root() / "My Documents");
  const RunResult run = device.Program({}, R"(
wait "Setup"
key Escape
wait "New"
ok
wait "An unknown error occurred while accessing \\My Documents\\Quenmora.dat Err: 3."
tap "OK"
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_FALSE(std::filesystem::exists(device.root() / "My Documents"));
}

// A FIFO where the schedule file should be is neither waited on nor read: the load fails as for
// a missing file (training, an empty schedule), the save says it could not open the file, and a
// notification run goes on without items.
TEST(InteractiveRun, AFifoInPlaceOfTheFileIsRefusedAtOnce) {
  DeviceSession device;
  ASSERT_EQ(::mkfifo(device.ScheduleFile().c_str(), 0644), 0);
  const RunResult run = device.Program({}, R"(
wait "Setup"
key Escape
wait "New"
ok
wait "An unknown error occurred while accessing \\My Documents\\Quenmora.dat Err: 5."
tap "OK"
)");
  EXPECT_EQ(run.status, 0) << Expect(run);
  const RunResult notified = device.Program({"M1"});
  EXPECT_EQ(notified.status, 0) << Expect(notified);
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
  EXPECT_TRUE(std::filesystem::is_fifo(device.ScheduleFile()));
}

TEST(InteractiveRun, ARefusedWriteKeepsTheOldFile) {
  DeviceSession device;
  const std::vector<uint8_t> file = ScheduleBytes(200, 10, 0, kTwoItems);
  device.WriteSchedule(file);
  const RunResult run = device.Program({}, R"(
wait "New"
tap "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "Del"
wait "Are you sure you wish to delete this item?"
tap "Yes"
gone "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "New"
wait "Quenmora Item"
ok
wait "Mute Off at 10:00:00 "
ok
wait "Disk full while accessing \\My Documents\\Quenmora.dat."
tap "OK"
)",
                                       {{"CEDEVICE_FAULTS", "write:112"}});
  EXPECT_EQ(run.status, 0) << Expect(run);
  EXPECT_EQ(device.ReadSchedule(), file);
}

}  // namespace
