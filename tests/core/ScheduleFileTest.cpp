#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DeviceRootFixture.h"
#include "ScheduleFile.h"

namespace {

using Bytes = std::vector<unsigned char>;
const std::wstring kPath = L"\\My Documents\\Quenmora.dat";

class ScheduleFileTest : public DeviceRootTest {
 protected:
  Schedule Load() {
    Schedule s;
    LoadSchedule(s, kPath.c_str());
    return s;
  }
  Bytes Save(const Schedule& s) {
    SaveSchedule(s, kPath.c_str());
    return ReadBytes(kPath);
  }
};

void AddItem(Schedule& s, BYTE days, TimeOfDay t, LONG mute) {
  s.Append(std::make_unique<ScheduleItem>(days, t, mute));
}

TEST_F(ScheduleFileTest, SavesExactBytes) {
  struct Case {
    const char* what;
    void (*fill)(Schedule&);
    Bytes expected;
  };
  const Case cases[] = {
      {"header only",
       [](Schedule& s) {
         s.tapPoint.Set(120, 300);
         s.EventHandle = 0x04030201;
       },
       {0x78, 0x00, 0x2C, 0x01, 0x01, 0x02, 0x03, 0x04}},
      {"weekday morning mute",
       [](Schedule& s) { AddItem(s, 0x3E, TimeOfDay(7, 30, 0), 1); },
       {0, 0, 0, 0, 0, 0, 0, 0, 0x3E, 0x07, 0x1E, 0x00, 0x01}},
      {"invalid time",
       [](Schedule& s) { AddItem(s, 0x41, TimeOfDay(24, 0, 0), 0); },
       {0, 0, 0, 0, 0, 0, 0, 0, 0x41, 0xFF, 0xFF, 0xFF, 0x00}},
      {"mute byte is the low byte",
       [](Schedule& s) { AddItem(s, 0x80, TimeOfDay(23, 59, 59), 0x1202); },
       {0, 0, 0, 0, 0, 0, 0, 0, 0x80, 23, 59, 59, 0x02}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Schedule s;
    c.fill(s);
    EXPECT_EQ(Save(s), c.expected);
  }
}

TEST_F(ScheduleFileTest, LoadsOddSizes) {
  struct Case {
    const char* what;
    Bytes file;
    WORD x, y;
    DWORD handle;
    int items;
  };
  const Bytes threeItemsAndTwo = {0xC8, 0,    0x0A, 0, 9, 0,    0,    0,  //
                                  0x01, 8,    0,    0, 1, 0x01, 8,    0,   0,
                                  1,    0x01, 8,    0, 0, 1,    0x7F, 0x10};
  const Case cases[] = {
      {"empty file", {}, 0, 0, 0, 0},
      {"three bytes", {0x34, 0x12, 0x56}, 0x1234, 0x0056, 0, 0},
      {"five bytes", {1, 0, 2, 0, 0xAA}, 1, 2, 0xAA, 0},
      {"header", {1, 0, 2, 0, 4, 3, 2, 1}, 1, 2, 0x01020304, 0},
      {"header and 4 stray bytes", {1, 0, 2, 0, 4, 3, 2, 1, 9, 9, 9, 9}, 1, 2, 0x01020304, 0},
      {"three records and 2 stray bytes", threeItemsAndTwo, 200, 10, 9, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(kPath, c.file);
    const Schedule s = Load();
    EXPECT_EQ(s.tapPoint.x, c.x);
    EXPECT_EQ(s.tapPoint.y, c.y);
    EXPECT_EQ(s.EventHandle, c.handle);
    EXPECT_EQ(s.Count(), c.items);
  }
}

TEST_F(ScheduleFileTest, PartialHeaderLeavesHighBytesAsTheyWere) {
  WriteBytes(kPath, {0x11, 0x22, 0x33});
  Schedule s;
  s.tapPoint.y = 0xAB00;
  s.EventHandle = 0xDEADBEEF;
  LoadSchedule(s, kPath.c_str());
  EXPECT_EQ(s.tapPoint.x, 0x2211);
  EXPECT_EQ(s.tapPoint.y, 0xAB33);
  EXPECT_EQ(s.EventHandle, 0xDEADBEEFu);
}

TEST_F(ScheduleFileTest, RecordFieldsLoadAsStored) {
  WriteBytes(kPath, {0,    0,    0,    0,    0,  0, 0, 0,  //
                     0xBE, 22,   5,    9,    2,            //
                     0x01, 0xFF, 0xFF, 0xFF, 1,            //
                     0x02, 12,   60,   0,    255});
  const Schedule s = Load();
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Item(0).days, 0xBE);  // bit 7 passes through
  EXPECT_EQ(s.Item(0).time.SecondsSinceMidnight(), 22 * 3600 + 5 * 60 + 9);
  EXPECT_EQ(s.Item(0).muteOn, 2);
  EXPECT_FALSE(s.Item(1).time.valid());
  EXPECT_FALSE(s.Item(2).time.valid());
  EXPECT_EQ(s.Item(2).muteOn, 255);  // zero-extended
}

TEST_F(ScheduleFileTest, RoundTripIsByteForByteButNormalisesBadTimesAndDropsStrayBytes) {
  const Bytes original = {0xC8, 0x00, 0x0A, 0x00, 0x10, 0x20, 0x30, 0x40,  //
                          0x3E, 7,    30,   0,    1,                       //
                          0xC1, 22,   5,    9,    2,                       //
                          0x00, 0,    0,    0,    0,                       //
                          0x7F, 12,   61,   3,    1,                       //
                          0x55, 0x66};
  WriteBytes(kPath, original);
  const Bytes saved = Save(Load());
  Bytes expected(original.begin(), original.end() - 2);
  expected[8 + 15 + 1] = 0xFF;
  expected[8 + 15 + 2] = 0xFF;
  expected[8 + 15 + 3] = 0xFF;
  EXPECT_EQ(saved, expected);
}

TEST_F(ScheduleFileTest, ManyItemsRoundTrip) {
  Schedule s;
  for (int i = 0; i < 10000; ++i) {
    AddItem(s, static_cast<BYTE>(i), TimeOfDay(i % 24, i % 60, (i / 7) % 60), i % 3);
  }
  const Bytes first = Save(s);
  ASSERT_EQ(first.size(), 8u + 5u * 10000u);
  const Schedule loaded = Load();
  ASSERT_EQ(loaded.Count(), 10000);
  EXPECT_EQ(loaded.Item(9999).days, static_cast<BYTE>(9999));
  EXPECT_EQ(Save(loaded), first);
}

TEST_F(ScheduleFileTest, MissingFileIsCauseTwoAndChangesNothing) {
  Schedule s;
  try {
    LoadSchedule(s, kPath.c_str());
    FAIL() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::fileNotFound);
    EXPECT_EQ(e.GetErrorMessage(), CString(L"\\My Documents\\Quenmora.dat was not found."));
  }
  EXPECT_EQ(s.Count(), 0);
  EXPECT_TRUE(s.tapPoint.IsUntrained());
}

TEST_F(ScheduleFileTest, SaveIntoMissingFolderNamesTheErrorCode) {
  Schedule s;
  try {
    SaveSchedule(s, L"\\Missing\\Quenmora.dat");
    FAIL() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::generic);
    EXPECT_EQ(
        e.GetErrorMessage(),
        CString(L"An unknown error occurred while accessing \\Missing\\Quenmora.dat Err: 3."));
  }
}

TEST_F(ScheduleFileTest, SaveReplacesAndLeavesNoWorkFileBehind) {
  WriteBytes(kPath, Bytes(8 + 5 * 4, 0x01));
  Schedule s;
  s.tapPoint.Set(1, 2);
  EXPECT_EQ(Save(s), (Bytes{1, 0, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(DocumentNames(), std::vector<std::string>{"Quenmora.dat"});
}

// The save works in a file of its own ("Quenmora.dat.~XXXXXXXX.tmp", made exclusively): the
// person's files and folders beside the schedule file are never removed, replaced or in the
// way, whatever their names; a killed save's file of exactly that pattern is removed.
TEST_F(ScheduleFileTest, SaveTouchesNothingOfThePersonsAndRemovesAKilledSavesFile) {
  namespace fs = std::filesystem;
  const std::vector<std::string> persons = {
      "Quenmora.dat.new",           "Quenmora.dat.~0123ABC.tmp",      "Quenmora.dat.~0123ABCDE.tmp",
      "Quenmora.dat.~0123abcd.tmp", "Quenmora.dat.~0123ABCD.tmp.txt", "Quenmora.dat.~0123ABCG.tmp",
      "Quenmora.dat~0123ABCD.tmp"};
  const std::vector<std::string> leftovers = {"Quenmora.dat.~0123ABCD.tmp",
                                              "Quenmora.dat.~FFFFFFFF.tmp"};
  for (const bool folders : {false, true}) {
    SCOPED_TRACE(folders ? "the person's are folders" : "the person's are files");
    fs::remove_all(HostPath(L"\\My Documents"));
    fs::create_directories(HostPath(L"\\My Documents"));
    WriteBytes(kPath, Bytes(8, 0x01));
    std::vector<std::string> kept = {"Quenmora.dat"};
    for (const std::string& name : persons) {
      const fs::path at = HostPath(L"\\My Documents\\" + std::wstring(name.begin(), name.end()));
      if (folders) {
        fs::create_directory(at);
        kept.push_back(name + "/");
      } else {
        WriteBytes(L"\\My Documents\\" + std::wstring(name.begin(), name.end()),
                   Bytes(name.begin(), name.end()));
        kept.push_back(name);
      }
    }
    // A folder of a killed save's name is the person's too.
    fs::create_directory(HostPath(L"\\My Documents\\Quenmora.dat.~00000000.tmp"));
    kept.push_back("Quenmora.dat.~00000000.tmp/");
    for (const std::string& name : leftovers) {
      WriteBytes(L"\\My Documents\\" + std::wstring(name.begin(), name.end()), Bytes(11, 0x02));
    }
    std::sort(kept.begin(), kept.end());
    Schedule s;
    s.tapPoint.Set(3, 4);
    EXPECT_EQ(Save(s), (Bytes{3, 0, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DocumentNames(), kept);
    for (const std::string& name : persons) {
      if (!folders) {
        EXPECT_EQ(ReadBytes(L"\\My Documents\\" + std::wstring(name.begin(), name.end())),
                  Bytes(name.begin(), name.end()));
      }
    }
  }
}

TEST_F(ScheduleFileTest, SaveWhileTheFileIsHeldFailsWithSharingViolationAndKeepsIt) {
  const Bytes before = {9, 0, 9, 0, 0, 0, 0, 0, 0x01, 1, 2, 3, 0};
  WriteBytes(kPath, before);
  const HANDLE held = CreateFile(kPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Schedule s;
  try {
    SaveSchedule(s, kPath.c_str());
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.cause(), FileError::generic);
    EXPECT_EQ(e.GetErrorMessage(), CString(L"An unknown error occurred while accessing "
                                           L"\\My Documents\\Quenmora.dat Err: 32."));
  }
  // And a load while it is held is refused like a missing file.
  Schedule other;
  EXPECT_THROW(LoadSchedule(other, kPath.c_str()), FileError);
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(kPath), before);
}

}  // namespace
