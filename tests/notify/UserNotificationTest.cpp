// The four calls of the notification service: registration and its refusals, the size-query
// conventions, the one-buffer record, removal, and handles that are never given twice.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "NotificationStore.h"
#include "NotifyFaults.h"
#include "StoreText.h"
#include "ServiceFixture.h"
#include "StoreJournal.h"
#include "Watchdog.h"

namespace {

std::vector<DWORD> Handles() {
  DWORD count = 0;
  EXPECT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  std::vector<HANDLE> handles(count);
  EXPECT_TRUE(CeGetUserNotificationHandles(handles.data(), count, &count));
  std::vector<DWORD> numbers;
  for (DWORD i = 0; i < count; ++i)
    numbers.push_back(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(handles[i])));
  return numbers;
}

HANDLE H(DWORD n) { return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(n)); }
DWORD HandleNumber(HANDLE h) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h)); }

std::vector<BYTE> Fetch(DWORD handle) {
  DWORD size = 0;
  CeGetUserNotification(H(handle), 0, &size, nullptr);
  std::vector<BYTE> buffer(size);
  EXPECT_TRUE(CeGetUserNotification(H(handle), size, &size, buffer.data()));
  return buffer;
}

bool Inside(const std::vector<BYTE>& buffer, const void* p, size_t bytes) {
  const auto* b = static_cast<const BYTE*>(p);
  return b >= buffer.data() && b + bytes <= buffer.data() + buffer.size();
}

using ServiceCalls = ServiceTest;

TEST_F(ServiceCalls, CountWithNoArrayThenHandlesInHandleOrder) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"1", 8, 9, 0);
  const DWORD b = Register(L"\\Windows\\B.exe", L"2", 7, 9, 0);
  DWORD count = 99;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(Handles(), (std::vector<DWORD>{a, b}));
  EXPECT_LT(a, b);
}

TEST_F(ServiceCalls, HandleArrayTooSmallIsRefusedWithTheCount) {
  Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  Register(L"\\Windows\\A.exe", L"", 8, 9, 1);
  HANDLE one[1] = {};
  DWORD count = 0;
  SetLastError(0);
  EXPECT_FALSE(CeGetUserNotificationHandles(one, 1, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(count, 2u);
  EXPECT_FALSE(CeGetUserNotificationHandles(nullptr, 3, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ServiceCalls, RecordComesBackInOneBufferWithPointersIntoIt) {
  const DWORD handle = Register(L"\\Windows\\Quenmora.exe", L"M1", 14, 8, 2);
  const std::vector<BYTE> buffer = Fetch(handle);
  ASSERT_GE(buffer.size(), sizeof(CE_NOTIFICATION_INFO_HEADER) + sizeof(CE_NOTIFICATION_TRIGGER));
  const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
  EXPECT_EQ(info.hNotification, H(handle));
  ASSERT_NE(info.pcent, nullptr);
  EXPECT_TRUE(Inside(buffer, info.pcent, sizeof(CE_NOTIFICATION_TRIGGER)));
  const CE_NOTIFICATION_TRIGGER& tg = *info.pcent;
  EXPECT_EQ(tg.dwSize, sizeof(CE_NOTIFICATION_TRIGGER));
  EXPECT_EQ(tg.dwType, static_cast<DWORD>(CNT_TIME));
  ASSERT_NE(tg.lpszApplication, nullptr);
  ASSERT_NE(tg.lpszArguments, nullptr);
  EXPECT_TRUE(
      Inside(buffer, tg.lpszApplication, (std::wcslen(tg.lpszApplication) + 1) * sizeof(WCHAR)));
  EXPECT_TRUE(
      Inside(buffer, tg.lpszArguments, (std::wcslen(tg.lpszArguments) + 1) * sizeof(WCHAR)));
  EXPECT_STREQ(tg.lpszApplication, L"\\Windows\\Quenmora.exe");
  EXPECT_STREQ(tg.lpszArguments, L"M1");
  EXPECT_EQ(tg.stStartTime.wYear, 2026);
  EXPECT_EQ(tg.stStartTime.wMonth, 12);
  EXPECT_EQ(tg.stStartTime.wDay, 14);
  EXPECT_EQ(tg.stStartTime.wDayOfWeek, 1) << "the service fills in the weekday";
  EXPECT_EQ(tg.stStartTime.wHour, 8);
  EXPECT_EQ(tg.stStartTime.wMinute, 2);
  ASSERT_NE(info.pceun, nullptr);
  EXPECT_TRUE(Inside(buffer, info.pceun, sizeof(CE_USER_NOTIFICATION)));
  EXPECT_EQ(info.pceun->ActionFlags, 0u);
  EXPECT_EQ(info.pceun->pwszDialogTitle, nullptr);
}

TEST_F(ServiceCalls, SizeQueryAndTooSmallBuffer) {
  const DWORD handle = Register(L"\\Windows\\A.exe", L"x", 8, 9, 0);
  DWORD size = 0;
  SetLastError(0);
  EXPECT_FALSE(CeGetUserNotification(H(handle), 0, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(size, sizeof(CE_NOTIFICATION_INFO_HEADER));
  std::vector<BYTE> small(size - 1);
  DWORD again = 0;
  EXPECT_FALSE(CeGetUserNotification(H(handle), size - 1, &again, small.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(again, size);
}

TEST_F(ServiceCalls, UnknownHandleReportsSizeZero) {
  DWORD size = 77;
  EXPECT_FALSE(CeGetUserNotification(H(42), 0, &size, nullptr));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(CeClearUserNotification(H(42)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ServiceCalls, AbsentAndEmptyArgumentsDiffer) {
  const DWORD absent = Register(L"\\Windows\\A.exe", nullptr, 8, 9, 0);
  const DWORD empty = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  std::vector<BYTE> a = Fetch(absent), e = Fetch(empty);
  EXPECT_EQ(reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(a.data())->pcent->lpszArguments,
            nullptr);
  const WCHAR* text =
      reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(e.data())->pcent->lpszArguments;
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, L"");
}

TEST_F(ServiceCalls, AStoreReplacedByHandIsReadAgainWithNothingOfTheOldRecords) {
  const std::string when = "time\t0\t2026-12-08 09:00:00\traw 0,0,0,0,0,0,0,0\t";
  WriteStoreText("next-handle 2 records 1\n1\t" + when +
                 "\"\\\\Windows\\\\A.exe\"\t\"M1\"\tuser\t1\t\"Title\"\t\"Text\"\t-\t0\t0\n");
  ASSERT_EQ(Handles(), (std::vector<DWORD>{1}));
  ASSERT_NE(reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(Fetch(1).data())->pceun, nullptr);
  // The same handle again, without arguments or a user notification.
  WriteStoreText("next-handle 2 records 1\n1\t" + when + "\"\\\\Windows\\\\A.exe\"\t-\t-\n");
  ASSERT_EQ(Handles(), (std::vector<DWORD>{1}));
  const std::vector<BYTE> buffer = Fetch(1);
  const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
  EXPECT_EQ(info.pcent->lpszArguments, nullptr);
  EXPECT_EQ(info.pceun, nullptr);
}

TEST_F(ServiceCalls, ClearRemovesOnlyThatOne) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  const DWORD b = Register(L"\\Windows\\A.exe", L"", 8, 9, 1);
  const DWORD c = Register(L"\\Windows\\A.exe", L"", 8, 9, 2);
  EXPECT_TRUE(CeClearUserNotification(H(b)));
  EXPECT_EQ(Handles(), (std::vector<DWORD>{a, c}));
  EXPECT_FALSE(CeClearUserNotification(H(b))) << "a cleared handle is gone";
}

TEST_F(ServiceCalls, HandlesAreNeverGivenTwice) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  const DWORD b = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  ASSERT_TRUE(CeClearUserNotification(H(b)));
  ASSERT_TRUE(CeClearUserNotification(H(a)));
  const DWORD c = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  EXPECT_GT(c, b) << "the store keeps its next handle even when it is empty";
}

TEST_F(ServiceCalls, PastTheLastHandleNumbersInUseAreSkippedAndTheStoreReadsWhole) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  const DWORD b = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  const DWORD c = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  ASSERT_EQ((std::vector<DWORD>{a, b, c}), (std::vector<DWORD>{1, 2, 3}));
  const std::string text = StoreText();
  WriteStoreText("next-handle 4294967295" + text.substr(text.find(" records ")));
  std::vector<DWORD> given;
  for (int i = 0; i < 3; ++i) given.push_back(Register(L"\\Windows\\A.exe", L"", 8, 9, 0));
  EXPECT_EQ(given, (std::vector<DWORD>{4294967295u, 4, 5}));
  ASSERT_TRUE(CeClearUserNotification(H(4)));
  EXPECT_EQ(Register(L"\\Windows\\A.exe", L"", 8, 9, 0), 6u)
      << "the search goes on from the next handle";
  EXPECT_EQ(Handles(), (std::vector<DWORD>{1, 2, 3, 5, 6, 4294967295u}));
  const auto parsed = cedev::notify::ParseStore(StoreText());
  EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front() << "\n" << StoreText();
  EXPECT_FALSE(std::filesystem::exists(root_ / ".device" / "notifications.damaged"))
      << "a read called it damaged";
}

TEST_F(ServiceCalls, ReplacingKeepsTheHandle) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"old", 8, 9, 0);
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\B.exe", L"new", 2026, 12, 9, 7, 0, 0);
  EXPECT_EQ(CeSetUserNotificationEx(H(a), &trigger, nullptr), H(a));
  std::vector<BYTE> buffer = Fetch(a);
  const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
  EXPECT_STREQ(info.pcent->lpszArguments, L"new");
  EXPECT_EQ(info.pceun, nullptr) << "registered without a user notification";
  EXPECT_EQ(Handles(), (std::vector<DWORD>{a}));
  EXPECT_EQ(CeSetUserNotificationEx(H(a + 5), &trigger, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

struct Refusal {
  const char* what;
  void (*spoil)(CE_NOTIFICATION_TRIGGER&);
  bool withUser;
};

class RegistrationRefusal : public ServiceTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RegistrationRefusal, IsInvalidParameterAndStoresNothing) {
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\A.exe", L"M1", 2026, 12, 8, 9, 0, 0);
  GetParam().spoil(trigger);
  CE_USER_NOTIFICATION user = {};
  SetLastError(0);
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, &trigger, GetParam().withUser ? &user : nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Handles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, RegistrationRefusal,
    ::testing::Values(
        Refusal{"size of a 32-bit trigger", [](CE_NOTIFICATION_TRIGGER& tg) { tg.dwSize = 52; },
                true},
        Refusal{"size zero", [](CE_NOTIFICATION_TRIGGER& tg) { tg.dwSize = 0; }, true},
        Refusal{"no application", [](CE_NOTIFICATION_TRIGGER& tg) { tg.lpszApplication = nullptr; },
                true},
        Refusal{"empty application",
                [](CE_NOTIFICATION_TRIGGER& tg) { tg.lpszApplication = const_cast<WCHAR*>(L""); },
                true},
        Refusal{"unknown type", [](CE_NOTIFICATION_TRIGGER& tg) { tg.dwType = 9; }, true},
        Refusal{"month 13", [](CE_NOTIFICATION_TRIGGER& tg) { tg.stStartTime.wMonth = 13; }, true},
        Refusal{"30 February",
                [](CE_NOTIFICATION_TRIGGER& tg) {
                  tg.stStartTime.wMonth = 2;
                  tg.stStartTime.wDay = 30;
                },
                true},
        Refusal{"hour 24", [](CE_NOTIFICATION_TRIGGER& tg) { tg.stStartTime.wHour = 24; }, true},
        Refusal{"second 60", [](CE_NOTIFICATION_TRIGGER& tg) { tg.stStartTime.wSecond = 60; },
                true},
        Refusal{"all zero time", [](CE_NOTIFICATION_TRIGGER& tg) { tg.stStartTime = SYSTEMTIME{}; },
                true},
        Refusal{"classic without user notification",
                [](CE_NOTIFICATION_TRIGGER& tg) { tg.dwType = CNT_CLASSICTIME; }, false},
        Refusal{"period ending before it starts",
                [](CE_NOTIFICATION_TRIGGER& tg) {
                  tg.dwType = CNT_PERIOD;
                  tg.stEndTime = tg.stStartTime;
                  tg.stEndTime.wHour = 8;
                },
                true}),
    [](const ::testing::TestParamInfo<Refusal>& p) {
      std::string name;
      for (const char* c = p.param.what; *c != 0; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      return name;
    });

TEST_F(ServiceCalls, NoTriggerIsRefused) {
  EXPECT_EQ(CeSetUserNotificationEx(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ServiceCalls, EventTriggerNeedsNoTime) {
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\A.exe", L"", 0, 0, 0, 0, 0, 0);
  trigger.dwType = CNT_EVENT;
  trigger.dwEvent = NOTIFICATION_EVENT_WAKEUP;
  EXPECT_NE(CeSetUserNotificationEx(nullptr, &trigger, nullptr), nullptr);
}

TEST_F(ServiceCalls, RegistrationsOutliveTheProcessCache) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"M0", 8, 9, 0);
  const std::string text = StoreText();
  EXPECT_NE(text.find("\"\\\\Windows\\\\A.exe\"\t\"M0\""), std::string::npos) << text;
  EXPECT_NE(text.find("2026-12-08 09:00:00"), std::string::npos) << text;
  EXPECT_EQ(Handles(), (std::vector<DWORD>{a}));
}

struct FaultCase {
  cedev::notify::Call call;
  const char* name;
};

class ServiceFault : public ServiceTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ServiceFault, FailsThatCallOnceWithTheChosenError) {
  const DWORD a = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  cedev::notify::FailCall(GetParam().call, 1234);
  DWORD n = 0;
  HANDLE handles[4] = {};
  std::vector<BYTE> buffer(4096);
  CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\A.exe", L"", 2026, 12, 8, 9, 0, 0);
  auto call = [&]() -> bool {
    switch (GetParam().call) {
      case cedev::notify::Call::Count:
        return CeGetUserNotificationHandles(nullptr, 0, &n) != FALSE;
      case cedev::notify::Call::FetchHandles:
        return CeGetUserNotificationHandles(handles, 4, &n) != FALSE;
      case cedev::notify::Call::Size: {
        n = 99;
        CeGetUserNotification(H(a), 0, &n, nullptr);
        return n != 0;
      }
      case cedev::notify::Call::FetchRecord:
        return CeGetUserNotification(H(a), static_cast<DWORD>(buffer.size()), &n, buffer.data()) !=
               FALSE;
      case cedev::notify::Call::Set:
        return CeSetUserNotificationEx(nullptr, &trigger, nullptr) != nullptr;
      case cedev::notify::Call::Clear:
        return CeClearUserNotification(H(a)) != FALSE;
    }
    return false;
  };
  SetLastError(0);
  EXPECT_FALSE(call());
  if (GetParam().call != cedev::notify::Call::Size) {
    EXPECT_EQ(GetLastError(), 1234u);
  }
  EXPECT_TRUE(call()) << "the fault was for one call";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ServiceFault,
    ::testing::Values(FaultCase{cedev::notify::Call::Count, "Count"},
                      FaultCase{cedev::notify::Call::FetchHandles, "FetchHandles"},
                      FaultCase{cedev::notify::Call::Size, "Size"},
                      FaultCase{cedev::notify::Call::FetchRecord, "FetchRecord"},
                      FaultCase{cedev::notify::Call::Set, "Set"},
                      FaultCase{cedev::notify::Call::Clear, "Clear"}),
    [](const ::testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

}  // namespace

namespace {

// Runs `body` in a child process (a second process of the device) and gives its exit status.
int InAnotherProcess(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = -1;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DWORD SizeOf(DWORD handle) {
  DWORD size = 0;
  CeGetUserNotification(H(handle), 0, &size, nullptr);
  return size;
}

TEST_F(ServiceCalls, AnotherProcesssChangesAreSeenAtTheNextCallByTheChangeCount) {
  const msgtest::Watchdog watchdog("another process's change");
  const DWORD mine = Register(L"\\Windows\\A.exe", L"", 8, 9, 0);
  ASSERT_EQ(Handles(), (std::vector<DWORD>{mine}));  // this process knows the store
  ASSERT_GT(SizeOf(mine), 0u);
  const int theirs = InAnotherProcess([mine] {
    CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(L"\\Windows\\B.exe", L"", 2026, 12, 9, 9, 0, 0);
    const HANDLE h = CeSetUserNotificationEx(nullptr, &trigger, nullptr);
    return h != nullptr && CeClearUserNotification(H(mine)) ? static_cast<int>(HandleNumber(h)) : 0;
  });
  ASSERT_GT(theirs, 0);
  // No walk starts here: the record calls see the change by the count alone.
  EXPECT_GT(SizeOf(static_cast<DWORD>(theirs)), 0u) << "the other process's registration";
  EXPECT_EQ(SizeOf(mine), 0u) << "the other process's removal";
  EXPECT_EQ(Handles(), (std::vector<DWORD>{static_cast<DWORD>(theirs)}));
}

// The journal stays below the snapshot's size (and 16 KiB) by one change at most: past it, the
// change that crossed folds it into a new snapshot. At every step a reader of the two files,
// knowing nothing of the service, finds the store that the service shows.
struct Changes {
  const char* name;
  int registrations;
  int clearEvery;  // each n-th registration is followed by the clear of the one before (0: none)
};

class JournalFolding : public ServiceTest, public ::testing::WithParamInterface<Changes> {};

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_P(JournalFolding, KeepsTheJournalBelowTheSnapshotAndTheFilesReadAsTheStore) {
  const std::filesystem::path journal = cedev::notify::JournalPath();
  int folds = 0;
  std::uintmax_t lastJournal = 0;
  for (int i = 1; i <= GetParam().registrations; ++i) {
    const DWORD h = Register(L"\\Windows\\Some application with a long name.exe", L"an argument",
                             static_cast<WORD>(1 + i % 28), static_cast<WORD>(i % 24), 0);
    if (GetParam().clearEvery > 0 && i > 1 && i % GetParam().clearEvery == 0) {
      ASSERT_TRUE(CeClearUserNotification(H(h - 1)));
    }
    const std::string snapshot = FileText(cedev::notify::StorePath());
    const std::string changes = FileText(journal);
    if (changes.size() < lastJournal) ++folds;
    lastJournal = changes.size();
    ASSERT_LE(changes.size(), std::max<std::size_t>(snapshot.size(), 16 * 1024) + 400)
        << "after change " << i;
    auto read =
        cedev::notify::ParseStore(snapshot.empty() ? "next-handle 1 records 0\n" : snapshot);
    const auto parsed = cedev::notify::ParseJournal(changes);
    ASSERT_TRUE(read.problems.empty() && parsed.problems.empty()) << "after change " << i;
    for (auto entry : parsed.entries) cedev::notify::ApplyEntry(read.content, std::move(entry));
    ASSERT_TRUE(read.content == *cedev::notify::ReadStore())
        << "after change " << i << ", the files hold:\n"
        << cedev::notify::FormatStore(read.content);
  }
  EXPECT_GT(folds, 0) << "the journal was never folded into the snapshot";
}

INSTANTIATE_TEST_SUITE_P(Mixes, JournalFolding,
                         ::testing::Values(Changes{"RegistrationsOnly", 260, 0},
                                           Changes{"EveryThirdClearsOne", 320, 3},
                                           Changes{"EachClearsTheOneBefore", 360, 1}),
                         [](const ::testing::TestParamInfo<Changes>& p) {
                           return std::string(p.param.name);
                         });

}  // namespace
