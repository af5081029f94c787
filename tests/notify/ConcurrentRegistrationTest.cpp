// Threads registering and clearing at once, and one walking the store: every handle is unique,
// nothing is lost, and every record a walk is given is whole.
#include <atomic>
#include <chrono>
#include <cwchar>
#include <future>
#include <set>
#include <thread>
#include <vector>

#include "ServiceFixture.h"

namespace {

using ConcurrentService = ServiceTest;

TEST_F(ConcurrentService, RegistrationsFromManyThreadsAllLand) {
  constexpr int kThreads = 4;
  constexpr int kEach = 25;
  std::vector<std::future<std::vector<DWORD>>> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.push_back(std::async(std::launch::async, [t] {
      std::vector<DWORD> mine;
      for (int i = 0; i < kEach; ++i) {
        CE_NOTIFICATION_TRIGGER trigger = TimeTrigger(
            L"\\Windows\\A.exe", L"", 2026, 12, 8, static_cast<WORD>(t), static_cast<WORD>(i), 0);
        mine.push_back(static_cast<DWORD>(
            reinterpret_cast<UINT_PTR>(CeSetUserNotificationEx(nullptr, &trigger, nullptr))));
        if (i % 5 == 4)
          CeClearUserNotification(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(mine.front())));
      }
      return mine;
    }));
  }
  // A walker beside them: every record it is given whole, whatever the writers do meanwhile.
  std::atomic<bool> writing{true};
  auto walker = std::async(std::launch::async, [&writing] {
    int walks = 0;
    bool whole = true;
    while (writing.load() || walks == 0) {
      DWORD count = 0;
      if (!CeGetUserNotificationHandles(nullptr, 0, &count)) continue;
      std::vector<HANDLE> handles(count);
      if (!CeGetUserNotificationHandles(handles.data(), count, &count)) continue;
      for (DWORD i = 0; i < count; ++i) {
        DWORD size = 0;
        CeGetUserNotification(handles[i], 0, &size, nullptr);
        std::vector<BYTE> buffer(size);
        if (size == 0 || !CeGetUserNotification(handles[i], size, &size, buffer.data())) continue;
        const auto* info = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
        whole = whole && info->pcent != nullptr &&
                std::wcscmp(info->pcent->lpszApplication, L"\\Windows\\A.exe") == 0;
      }
      ++walks;
    }
    return whole;
  });
  struct StopWalking {  // also when an assertion below ends the test early
    std::atomic<bool>& writing;
    ~StopWalking() { writing.store(false); }
  } stop{writing};
  std::set<DWORD> all;
  for (auto& w : workers) {
    ASSERT_EQ(w.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "a registration hung";
    for (DWORD h : w.get()) {
      EXPECT_NE(h, 0u);
      EXPECT_TRUE(all.insert(h).second) << "handle " << h << " given twice";
    }
  }
  writing.store(false);
  ASSERT_EQ(walker.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "a walk hung";
  EXPECT_TRUE(walker.get()) << "a walk was given a record not whole";
  DWORD count = 0;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  // Each thread cleared its first handle once (the later clears of it fail).
  EXPECT_EQ(count, static_cast<DWORD>(kThreads * kEach - kThreads));
}

}  // namespace
