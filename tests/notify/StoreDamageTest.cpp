// A damaged store on disk: the service goes on with what it could read, keeps the damaged file
// aside and says which file it was.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "NotificationStore.h"
#include "ServiceFixture.h"
#include "StoreJournal.h"
#include "Watchdog.h"

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

namespace {

void Append(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::app | std::ios::binary) << text;
}

// What a writer ended in the middle of its line leaves: read as if the line were not there, no
// damage said, and cut off by the next change, whose line then reads whole.
TEST_F(DamagedStore, ATornLastLineOfTheJournalIsNoDamageAndTheNextChangeCutsItOff) {
  std::vector<std::string> reports;
  cedev::notify::SetDamageReporter([&](const std::string& m) { reports.push_back(m); });
  Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  Register(L"\\Windows\\B.exe", L"", 8, 9, 1);
  Append(cedev::notify::JournalPath(), "add 4\t3\ttime\t0\t2026-12-");
  DWORD count = 0;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(Register(L"\\Windows\\C.exe", L"", 8, 9, 2), 3u) << "the torn registration's handle";
  const std::string journal = ReadFile(cedev::notify::JournalPath());
  const auto parsed = cedev::notify::ParseJournal(journal);
  EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front();
  EXPECT_EQ(parsed.wholeBytes, journal.size()) << journal;
  EXPECT_TRUE(reports.empty()) << reports.front();
  EXPECT_FALSE(fs::exists(cedev::notify::JournalPath().string() + ".damaged"));
}

// The change count's file damaged under a process that has it mapped, or removed: a change that
// another process makes is still seen, by the count when the file was changed in place (a count
// that moved reads as a change), and at the next walk's start when the file was replaced; the
// next change makes the file whole again. Something other than a plain file is refused.
struct CounterDamage {
  const char* name;
  void (*damage)(const fs::path& counter);
  bool seenByTheCount;  // else at the next walk's start
};

class DamagedCounter : public ServiceTest, public ::testing::WithParamInterface<CounterDamage> {};

TEST_P(DamagedCounter, AnotherProcesssChangeIsStillSeenAndTheFileMadeWhole) {
  const msgtest::Watchdog watchdog("a damaged change count");
  const DWORD mine = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  DWORD count = 0;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  const fs::path counter = root_ / ".device" / "notifications.changes";
  GetParam().damage(counter);
  DWORD size = 0;  // a file emptied under the mapping would fault on this read
  CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{mine}), 0, &size, nullptr);
  EXPECT_GT(size, 0u) << "nothing has changed yet";
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(CeClearUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{mine})) ? 0 : 1);
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process's removal";
  size = 0;
  CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{mine}), 0, &size, nullptr);
  if (GetParam().seenByTheCount) {
    EXPECT_EQ(size, 0u) << "the removal was not seen by the count";
  }
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  EXPECT_EQ(count, 0u) << "the removal was not seen at the walk's start";
  Register(L"\\Windows\\B.exe", L"", 8, 9, 0);
  const std::string whole = ReadFile(counter);
  EXPECT_EQ(whole.size(), 64u);
  EXPECT_EQ(whole.rfind("cedevice change counter 1", 0), 0u) << whole;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedCounter,
    ::testing::Values(
        CounterDamage{"CutShort", [](const fs::path& c) { fs::resize_file(c, 10); }, true},
        CounterDamage{"Emptied", [](const fs::path& c) { fs::resize_file(c, 0); }, true},
        CounterDamage{"Overwritten",
                      [](const fs::path& c) {
                        std::fstream(c, std::ios::in | std::ios::out | std::ios::binary)
                            << std::string(64, 'x');
                      },
                      true},
        CounterDamage{"Removed", [](const fs::path& c) { fs::remove(c); }, false},
        CounterDamage{"Replaced",
                      [](const fs::path& c) {
                        fs::remove(c);
                        std::ofstream(c) << "not a count";
                      },
                      false}),
    [](const ::testing::TestParamInfo<CounterDamage>& p) { return std::string(p.param.name); });

TEST_F(DamagedStore, AFifoInPlaceOfTheChangeCountOrTheJournalIsRefusedNamingIt) {
  for (const char* name : {"notifications.changes", "notifications.journal"}) {
    const fs::path fifo = root_ / ".device" / name;
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string said;
    cedev::notify::SetDamageReporter([](const std::string&) {});
    testing::internal::CaptureStderr();
    CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\C.exe", L"", 2026, 12, 9, 9, 0, 0);
    EXPECT_EQ(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr) << name;
    said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(fifo.string() + ": a FIFO, not a plain file"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_fifo(fifo)) << "replaced";
    fs::remove(fifo);
  }
}

}  // namespace
