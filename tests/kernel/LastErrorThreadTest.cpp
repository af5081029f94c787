// The last error belongs to each thread.
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include <windows.h>

#include "Watchdog.h"

namespace {

TEST(LastErrorThreadTest, EachThreadHasItsOwn) {
  msgtest::Watchdog watchdog;
  SetLastError(ERROR_ACCESS_DENIED);
  std::promise<DWORD> seenAtStart, seenAfterFailure;
  std::thread other([&] {
    seenAtStart.set_value(GetLastError());
    // A failure on this thread sets this thread's error only.
    CloseHandle(reinterpret_cast<HANDLE>(0x7777));
    seenAfterFailure.set_value(GetLastError());
  });
  auto start = seenAtStart.get_future();
  auto after = seenAfterFailure.get_future();
  ASSERT_EQ(start.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  ASSERT_EQ(after.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  other.join();
  EXPECT_EQ(start.get(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(after.get(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
