// A damaged store on disk: the service goes on with what it could read, keeps the damaged file
// aside and says which file it was.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "NotificationStore.h"
#include "ServiceFixture.h"

namespace fs = std::filesystem;

namespace {

using DamagedStore = ServiceTest;

const char* const kDamaged =
    "next-handle 8 records 3\n"
    "2\ttime\t0\t2026-12-08 09:00:00\traw 0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\A.exe\"\t\"M1\"\t-\n"
    "3\ttime\t0\tyesterday\t-\n"
    "7\ttime\t0\t2026-12-09 09:00:00\traw 0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\B.exe\"\t-\t-\n";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(DamagedStore, KeepsReadableNotificationsAndTheDamagedFileAside) {
  std::vector<std::string> reports;
  cedev::notify::SetDamageReporter([&](const std::string& m) { reports.push_back(m); });
  WriteStoreText(kDamaged);
  DWORD count = 0;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(reports.size(), 1u);
  const fs::path store = cedev::notify::StorePath();
  EXPECT_NE(reports[0].find(store.string()), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("line 3"), std::string::npos) << reports[0];
  fs::path aside = store;
  aside += ".damaged";
  EXPECT_EQ(ReadFile(aside), kDamaged);
  EXPECT_NE(reports[0].find(aside.string()), std::string::npos) << reports[0];

  // The store is whole again: no second report, and the next handle is still not reused.
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\C.exe", L"", 2026, 12, 9, 9, 0, 0);
  const HANDLE handle = CeSetUserNotificationEx(nullptr, &trigger, nullptr);
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(handle), 8u);
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DamagedStore, ASecondDamageDoesNotOverwriteTheFirstCopy) {
  WriteStoreText(kDamaged);
  DWORD count = 0;
  CeGetUserNotificationHandles(nullptr, 0, &count);
  WriteStoreText("next-handle x\n");
  CeGetUserNotificationHandles(nullptr, 0, &count);
  fs::path first = cedev::notify::StorePath(), second = cedev::notify::StorePath();
  first += ".damaged";
  second += ".damaged-2";
  EXPECT_EQ(ReadFile(first), kDamaged);
  EXPECT_EQ(ReadFile(second), "next-handle x\n");
}

TEST_F(DamagedStore, UnreadableStoreFailsTheCallWithoutACrash) {
  fs::create_directories(cedev::notify::StorePath());  // a folder where the file should be
  DWORD count = 5;
  SetLastError(0);
  EXPECT_FALSE(CeGetUserNotificationHandles(nullptr, 0, &count));
  EXPECT_NE(GetLastError(), 0u);
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\C.exe", L"", 2026, 12, 9, 9, 0, 0);
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr);
  EXPECT_TRUE(fs::is_directory(cedev::notify::StorePath())) << "nothing was thrown away";
}

}  // namespace
