// Threads registering and clearing at once: every handle is unique and nothing is lost.
#include <atomic>
#include <chrono>
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
  std::set<DWORD> all;
  for (auto& w : workers) {
    ASSERT_EQ(w.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "a registration hung";
    for (DWORD h : w.get()) {
      EXPECT_NE(h, 0u);
      EXPECT_TRUE(all.insert(h).second) << "handle " << h << " given twice";
    }
  }
  DWORD count = 0;
  ASSERT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  // Each thread cleared its first handle once (the later clears of it fail).
  EXPECT_EQ(count, static_cast<DWORD>(kThreads * kEach - kThreads));
}

}  // namespace
