// The schedule file's failure paths, driven by the device's file faults: each failure gives
// its cause and text, and a failed save leaves the previous file byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DeviceRootFixture.h"
#include "Faults.h"
#include "ScheduleFile.h"

namespace {

using Bytes = std::vector<unsigned char>;
const std::wstring kPath = L"\\My Documents\\Quenmora.dat";
const CString kName = L"\\My Documents\\Quenmora.dat";

class ScheduleFileFaultTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    cedev::ClearFileFaults();
  }
  void TearDown() override {
    cedev::ClearFileFaults();
    DeviceRootTest::TearDown();
  }
  static void Inject(const char* faults) {
    for (const cedev::FileFault& f : cedev::ParseFileFaults(faults)) cedev::InjectFileFault(f);
  }
};

Schedule ScheduleOf(int items) {
  Schedule s;
  s.tapPoint.Set(200, 10);
  for (int i = 0; i < items; ++i) {
    s.Append(std::make_unique<ScheduleItem>(static_cast<BYTE>(0x3E), TimeOfDay(i % 24, i % 60, 0),
                                            i % 2));
  }
  return s;
}

// The file of a schedule of `items` records, as SaveSchedule writes it.
Bytes FileOf(int items) {
  Bytes b = {200, 0, 10, 0, 0, 0, 0, 0};
  for (int i = 0; i < items; ++i) {
    const Bytes record = {0x3E, static_cast<BYTE>(i % 24), static_cast<BYTE>(i % 60), 0,
                          static_cast<BYTE>(i % 2)};
    b.insert(b.end(), record.begin(), record.end());
  }
  return b;
}

TEST_F(ScheduleFileFaultTest, FailedSavesKeepThePreviousFile) {
  struct Case {
    const char* faults;
    int items;  // of the schedule being saved
    int cause;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"open:5@Quenmora.dat", 3, FileError::generic,
       L"An unknown error occurred while accessing \\My Documents\\Quenmora.dat Err: 5."},
      {"open/1:112", 3, FileError::generic,  // the new file beside it
       L"An unknown error occurred while accessing \\My Documents\\Quenmora.dat Err: 112."},
      {"write:29", 3, FileError::hardIO,
       L"A hardware I/O error was reported while accessing \\My Documents\\Quenmora.dat."},
      {"write/1:5", 10000, FileError::accessDenied,  // part-way through a large schedule
       L"Access to \\My Documents\\Quenmora.dat was denied."},
      {"write:short3", 3, FileError::diskFull,
       L"Disk full while accessing \\My Documents\\Quenmora.dat."},
      {"write:full100", 10000, FileError::diskFull,
       L"Disk full while accessing \\My Documents\\Quenmora.dat."},
      {"write:full0", 0, FileError::diskFull,
       L"Disk full while accessing \\My Documents\\Quenmora.dat."},
      {"flush:29", 3, FileError::hardIO,
       L"A hardware I/O error was reported while accessing \\My Documents\\Quenmora.dat."},
      {"close:31@.tmp", 3, FileError::hardIO,
       L"A hardware I/O error was reported while accessing \\My Documents\\Quenmora.dat."},
      {"rename:5", 3, FileError::accessDenied,
       L"Access to \\My Documents\\Quenmora.dat was denied."},
      {"rename:32", 3, FileError::sharingViolation,
       L"A sharing violation occurred while accessing \\My Documents\\Quenmora.dat."},
  };
  const Bytes previous = FileOf(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    WriteBytes(kPath, previous);
    Inject(c.faults);
    try {
      SaveSchedule(ScheduleOf(c.items), kPath.c_str());
      ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), c.cause);
      EXPECT_EQ(e.GetErrorMessage(), CString(c.text));
    }
    cedev::ClearFileFaults();
    EXPECT_EQ(ReadBytes(kPath), previous);
    EXPECT_EQ(DocumentNames(), std::vector<std::string>{"Quenmora.dat"})
        << "the save's own file is left";
    // The device is fine again once the fault is gone.
    SaveSchedule(ScheduleOf(c.items), kPath.c_str());
    EXPECT_EQ(ReadBytes(kPath), FileOf(c.items));
  }
}

// A name of the save's own file that is taken (ERROR_FILE_EXISTS) is passed by for another;
// only when every name tried is taken does the save fail, as an open failure.
TEST_F(ScheduleFileFaultTest, TakenNamesOfTheSavesOwnFileArePassedBy) {
  const Bytes previous = FileOf(7);
  WriteBytes(kPath, previous);
  // Each fault lets the schedule file's own open pass, then takes one name.
  Inject("open/1:80,open/1:80,open/1:80");
  SaveSchedule(ScheduleOf(2), kPath.c_str());
  EXPECT_EQ(ReadBytes(kPath), FileOf(2));
  cedev::ClearFileFaults();
  std::string everyName = "open/1:80";
  for (int i = 1; i < 8; ++i) everyName += ",open/1:80";
  Inject(everyName.c_str());
  try {
    SaveSchedule(ScheduleOf(3), kPath.c_str());
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(
        e.GetErrorMessage(),
        CString(
            L"An unknown error occurred while accessing \\My Documents\\Quenmora.dat Err: 80."));
  }
  EXPECT_EQ(ReadBytes(kPath), FileOf(2));
  EXPECT_EQ(DocumentNames(), std::vector<std::string>{"Quenmora.dat"});
}

TEST_F(ScheduleFileFaultTest, FailedFirstSaveLeavesNoFile) {
  for (const char* faults : {"write:29", "rename:5", "close:31@.tmp"}) {
    SCOPED_TRACE(faults);
    std::filesystem::remove(HostPath(kPath));
    Inject(faults);
    EXPECT_THROW(SaveSchedule(ScheduleOf(2), kPath.c_str()), FileError);
    cedev::ClearFileFaults();
    EXPECT_EQ(DocumentNames(), std::vector<std::string>{});
  }
}

TEST_F(ScheduleFileFaultTest, FailedOpenOnLoadIsNotFound) {
  WriteBytes(kPath, FileOf(2));
  Inject("open:5");
  Schedule s;
  try {
    LoadSchedule(s, kPath.c_str());
    FAIL() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::fileNotFound);
    EXPECT_EQ(e.GetErrorMessage(), CString(L"\\My Documents\\Quenmora.dat was not found."));
  }
  EXPECT_EQ(s.Count(), 0);
}

TEST_F(ScheduleFileFaultTest, ReadFailingPartWayKeepsWhatWasRead) {
  const int items = 10000;
  WriteBytes(kPath, FileOf(items));
  Inject("read/1:30");
  Schedule s;
  try {
    LoadSchedule(s, kPath.c_str());
    FAIL() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::hardIO);
    EXPECT_EQ(
        e.GetErrorMessage(),
        CString(
            L"A hardware I/O error was reported while accessing \\My Documents\\Quenmora.dat."));
  }
  // The header and the records before the failing read are in; the rest are not.
  EXPECT_EQ(s.tapPoint.x, 200);
  ASSERT_GT(s.Count(), 0);
  EXPECT_LT(s.Count(), items);
  for (int i = 0; i < s.Count(); ++i) {
    ASSERT_EQ(s.Item(i).time.hour(), i % 24) << i;
  }
  // The file itself is untouched, and loads whole without the fault.
  EXPECT_EQ(ReadBytes(kPath), FileOf(items));
  Schedule whole;
  LoadSchedule(whole, kPath.c_str());
  EXPECT_EQ(whole.Count(), items);
}

TEST_F(ScheduleFileFaultTest, ReadFailingAtTheStartIsItsCause) {
  WriteBytes(kPath, FileOf(2));
  Inject("read:6");
  Schedule s;
  try {
    LoadSchedule(s, kPath.c_str());
    FAIL() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::invalidFile);
  }
  EXPECT_EQ(s.Count(), 0);
}

}  // namespace
